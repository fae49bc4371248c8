#pragma once

#include <QString>

class QWidget;

namespace velkora {

namespace db {
class Query;
}

namespace platform {
class MessageService;
}

// The company after the selected one in a list of righe companies, for the change to the next
// company without a dialog: the first after the last, and the first when none is selected
// (selezionata -1). -1 for an empty list.
int indiceDittaSuccessiva(int selezionata, int righe);

// Stores ditta as the current company of the user: writes UTENTI.DITTA of that user on the
// query (its transaction is first ended without committing and started again, then committed).
// The caller then reloads the user by name (TTabXForm::SetUserPerNome), so DittaCorrente holds
// what was stored. When the write or its
// commit fails, the statement goes to "Ombrix.CambioDitta.sql" in the current directory, the
// error box "Errore interno: impossibile effettuare il cambio ditta. Riprovare" is shown (the
// engine's text as its detail), nothing changes and the result is false.
bool memorizzaDittaUtente(db::Query& query, platform::MessageService& messages, QWidget* finestra,
                          qint32 utente, const QString& ditta);

} // namespace velkora
