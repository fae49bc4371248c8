#pragma once

#include "sessions/SessionLog.h"

#include <QString>
#include <optional>

class QWidget;

namespace velkora {

namespace db {
class Query;
}

namespace platform {
class MessageService;
}

// The work session of a logged-in user and the log of the functions he calls: a NORVILOG row
// per login, a check of that row before every call, its closing at exit, and a NORVILOGFUNZ row
// per called function. The statements run on the given query and commit its transaction; the
// session code and whether the log has the window columns come from the caller, who keeps them.
class SessioniLavoro
{
public:
    struct Contesto
    {
        // The query the statements run on; its transaction is restarted and committed here.
        db::Query& query;
        platform::MessageService& messages;
        // The window the boxes belong to; may be null.
        QWidget* finestra = nullptr;
        // The current session's code.
        qint32 codiceSessione = 0;
        // True when the call log has the window columns (HANDLEFINESTRA and IDFINESTRA).
        bool logFinestre = false;
        // The statement that writes the call-log row, kept by the caller so that it stays
        // prepared from call to call; null for one made for each call.
        db::Query* registro = nullptr;
        // True when the call log has the item's columns (PROGRAMMA and MENU).
        bool logVoci = false;
    };

    explicit SessioniLavoro(const Contesto& contesto);

    // Draws a new session code and writes the session's row for the user. Returns the drawn
    // code, also when the row could not be written (the statement is then saved to
    // "Ombrix.ApriSessione.sql" and an error box shown). A failing draw is thrown.
    qint32 apri(qint32 numUser);
    // The same with a session code drawn before (read with the user's row at login).
    qint32 apri(qint32 numUser, qint32 codiceEstratto);

    // True when the session's row exists and has no closing date, read in a restarted
    // transaction so a closing made elsewhere is seen. With mostraMessaggi a false result comes
    // with its warning box.
    bool verifica(bool mostraMessaggi);

    // Writes the closing date and time into the session's row when it is still open; a failure
    // is saved to "Ombrix.ChiudiSessione.sql" and shown in an error box.
    void chiudi();

    // Draws the window id of a called function (when the log has window columns) and writes
    // its call-log row (scriviChiamata); returns the id, 0 without window columns. A failing
    // draw is thrown.
    // The item the call was made for is written with it when the log has the item's columns.
    qint32 registraChiamata(const QString& funzione,
                            const std::optional<VoceChiamata>& voce = std::nullopt);

    // Writes the call-log row of a called function under a window id drawn before (0 when the
    // log has no window columns) and commits. A failed write is saved to
    // "Ombrix.AggiornaNorviLogFunz.sql" as the statement's text lines with their values and
    // shown as a warning; the caller goes on with the id all the same.
    void scriviChiamata(const QString& funzione, qint32 idFinestra,
                        const std::optional<VoceChiamata>& voce = std::nullopt);

    // The outcome of a session check from what was read of the session's row: true when the row
    // exists and has no closing date; otherwise false, with its warning when mostraMessaggi.
    bool esitoVerifica(bool trovata, bool chiusa, bool mostraMessaggi);

    qint32 codiceSessione() const { return m_contesto.codiceSessione; }
    bool logFinestre() const { return m_contesto.logFinestre; }

private:
    Contesto m_contesto;
};

} // namespace velkora
