#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace velkora {

namespace db {
class Query;
}

// The statements of the work sessions and of the call log, as the text lines the query runs and
// the failed-statement files record. Every value between quotes is escaped (quotes doubled), so
// a function name such as "Dell'Anno" is stored as it is instead of breaking the statement.

// Draws the next session code: the expression, and the statement that selects it.
QString estrazioneNuovaSessione();
QStringList istruzioneNuovaSessione();
// The row of a session opened on the given date and time by the given user.
QStringList istruzioneApriSessione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                   qint32 numUser);
// Reads the session's row back (one line).
QStringList istruzioneLeggiSessione(qint32 codiceSessione);
// Marks the session closed on the given date and time.
QStringList istruzioneChiudiSessione(qint32 codiceSessione, const QDate& data, const QTime& ora);
// Draws the next window id of the call log.
QStringList istruzioneNuovoIdFinestra();
// The menu item a call was made for: its program and menu code.
struct VoceChiamata
{
    qint32 programma = 0;
    qint32 menu = 0;
};

// The call-log row of one call; the window id column only when the log has the window columns,
// the item's columns only when an item is given (the log has them).
QStringList istruzioneLogFunzione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                  const QString& funzione, bool logFinestre, qint32 idFinestra,
                                  const std::optional<VoceChiamata>& voce = std::nullopt);

// The handles recorded in the call log by the windows opened in a session.
QStringList istruzioneFinestreSessione(qint32 codiceSessione);
// The open sessions of a user (no closing date), in the order the database gives them.
QStringList istruzioneSessioniAperte(qint32 numUser);

// Runs a statement that changes data on the query and commits its transaction. When the engine
// refuses it, its lines are saved to the named file in the current directory (as
// salvaIstruzioneFallita does), the transaction is rolled back so that the caller's later
// statements do not run in a failed transaction, and false is returned for the caller to show
// its box, with the engine's text in dettaglio for the box's detail. The query must have a
// transaction. A statement that is safe to run twice (ripetibile: closing a session writes the
// same closing again) runs once more on a new attachment when the first run finds the
// connection lost, so a server restart does not lose it.
bool eseguiOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                  QString& dettaglio, bool ripetibile = false);

// Saves the lines of a statement that failed to the file of that name in the current directory,
// replacing an earlier file, so the user can hand it to support. Each line is written as
// Windows-1252 text followed by "\r\n", as the Windows text files of the suite are. Returns
// false when the file cannot be written; the caller's message is shown either way.
bool salvaIstruzioneFallita(const QString& nomeFile, const QStringList& righe);

} // namespace velkora
