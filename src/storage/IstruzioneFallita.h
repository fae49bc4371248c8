#pragma once

#include <QString>
#include <QStringList>

namespace velkora {

namespace db {
class Query;
}

// Runs a statement that changes data on the query and commits its transaction. When the engine
// refuses it, its lines are saved to the named file in the current directory (as
// salvaIstruzioneFallita does), the transaction is rolled back so that the caller's later
// statements do not run in a failed transaction, and false is returned for the caller to show
// its box, with the engine's text in dettaglio for the box's detail. The query must have a
// transaction. A statement that is safe to run twice (ripetibile: closing a session writes the
// same closing again) runs once more on a new attachment when the first run finds the
// connection lost, so a server restart does not lose it. The lines carry their values written
// in (no parameters, no results) and run once, so they are run at once without being prepared,
// one round trip less on a server; the query keeps them as its text.
bool eseguiOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                  QString& dettaglio, bool ripetibile = false);
// The same for a query that holds its own text, its values bound so that it stays prepared:
// it runs that, and the lines given, the same statement with its values written in, are what
// the file keeps.
bool eseguiProprioOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                         QString& dettaglio, bool ripetibile = false);

// Saves the lines of a statement that failed to the file of that name in the current directory,
// replacing an earlier file, so the user can hand it to support. Each line is written as
// Windows-1252 text followed by "\r\n", as the Windows text files of the suite are. Returns
// false when the file cannot be written; the caller's message is shown either way.
bool salvaIstruzioneFallita(const QString& nomeFile, const QStringList& righe);

} // namespace velkora
