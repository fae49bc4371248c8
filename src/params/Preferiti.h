#pragma once

#include <QString>

#include <vector>

namespace velkora {

class TTabXForm;

// A favourite menu item of the user: the item (program and menu code) and its caption when it
// was added, which the parameter-set text shows beside it.
struct Preferito
{
    qint32 programma = 0;
    qint32 menu = 0;
    QString didascalia;
};

// The user's favourite menu items, kept in his own parameter set (TABVELKORA and the text of
// UTENTI.VELKORA), in a section of their own named "Preferiti": one row per item, the name
// "programma.menu" and the caption as value, in the order added (PROGRESSIVO). The section
// belongs to no company, so the favourites stay the same after F9 and F12, and being in the
// user database they follow the user to every workstation; the company list leaves the section
// out (sezionePreferiti). Works on the form's current user (NumUser) in its transaction
// TransazioneUser, in the database mode of the users.
class PreferitiUtente
{
public:
    explicit PreferitiUtente(TTabXForm& form);

    // The favourites in the order added, read after a restart of the transaction so that a
    // change made on another workstation is seen. Rows whose name is not "programma.menu" (a
    // hand edit of the text) are left out. Database errors go to the caller.
    std::vector<Preferito> leggi();

    // Adds the item at the end; an item that is a favourite already is first removed, so it
    // moves to the end. The row and the regenerated text are written by ScriviParametroVelkora,
    // whose boxes report a failure.
    void aggiungi(qint32 programma, qint32 menu, const QString& didascalia);

    // Removes every row of the item and regenerates the text. A failure is shown in an error
    // box and nothing is removed.
    void rimuovi(qint32 programma, qint32 menu);

    // The name of an item's row.
    static QString nomeVoce(qint32 programma, qint32 menu);

private:
    TTabXForm& m_form;
};

// The section of the parameter set that holds the favourites: "Preferiti".
QString sezionePreferiti();

} // namespace velkora
