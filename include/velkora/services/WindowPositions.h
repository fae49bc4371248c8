#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace velkora {

namespace db {
class Database;
class QueryDataSet;
class Transaction;
class UpdateSql;
} // namespace db

// Window positions stored per user in the table STOPOS1 of the user database, one row per key of
// situation code, user number and project code.
//
// The rectangle of a window is its frame's top-left corner on the screen (QWidget::pos(), which
// move() sets: where the user sees the window, title bar included) and the size of its client
// area (QWidget::size(), which resize() sets). Loading applies and saving reads exactly these
// quantities, so a load followed by a save of an unmoved window writes nothing.
//
// None of the three operations catches errors: DbError goes to the caller, and nothing of a
// failed save is committed.

// Moves and sizes the window to the first stored row of the key; with no row the window keeps
// its rectangle. Reads in a transaction of its own that ends without committing.
void CaricaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                             db::Database& database);
// The same read in a transaction of the caller's (started when it is not active), which is left
// as it is: a caller that has just read other rows in a fresh transaction saves starting and
// ending one more.
void CaricaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                             db::Database& database, db::Transaction& transaction);

// Writes the window's rectangle when it differs from the first stored row of the key (every row
// of the key is rewritten) or when no row exists (one is inserted), in a transaction of its own
// that is committed also when nothing was written.
void SalvaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                            db::Database& database);

// Replaces the holder's modify statement (tipo "UPDATE") or insert statement (tipo "INSERT"),
// the kind matched without case, with one named parameter per column of the query's result, in
// result order. Any other kind changes nothing. The columns are learnt by running the query's
// statement in a temporary query in the database's default transaction (a temporary
// transaction when the database has none).
void GeneraSQLAggiornamento(db::QueryDataSet& query, const QString& tabella, const QString& tipo,
                            db::UpdateSql& holder);

} // namespace velkora
