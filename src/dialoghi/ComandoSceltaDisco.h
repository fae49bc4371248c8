#pragma once

#include <QString>

class QWidget;

namespace velkora {

class TTabXForm;

namespace db {
class Query;
}

// How a run of "Scelta disco" ended.
enum class EsitoSceltaDisco
{
    // The password was refused: the box said so and nothing was read or written.
    PasswordRifiutata,
    // No user of that name: the box said so and nothing was written.
    UtenteMancante,
    // The drive dialog was cancelled: nothing was written and no box shown.
    Annullata,
    // A rewrite failed: every rewrite of the run was undone and the box said so.
    Fallita,
    // The paths have the new letter, the letter is remembered and the text regenerated.
    Eseguita,
};

// The command "Scelta disco" of the login panel, for the user named there with the password
// typed there: checks the password, offers the drive last chosen (or the program's), and on OK
// gives every drive path of the user's parameter set the chosen letter and regenerates his
// parameter-set text. query and query2 are the main window's statements, sharing its no-wait
// transaction; the dialog and the boxes belong to window. The reads of the user and of his
// values throw their database errors to the caller.
EsitoSceltaDisco eseguiSceltaDisco(TTabXForm& form, db::Query& query, db::Query& query2,
                                   QWidget* finestra, const QString& nomeUtente,
                                   const QString& password);

} // namespace velkora
