#pragma once

#include <QStringList>

namespace velkora::db {
class Query;
class Transaction;
} // namespace velkora::db

namespace velkora {

// The statement that records, in the call log, the handle of the window a module opened under a
// window id.
QStringList istruzioneHandleFinestra(qint32 idFinestra, qint32 handle);

// Records the handle through the query, in a fresh snapshot of its transaction, committed
// keeping the transaction open. False, with nothing left pending, when it could not be stored
// (a database error, or no attached database); nothing is shown, since the handle only helps
// the shutdown check.
bool scriviHandleFinestra(db::Query& query, db::Transaction& transazione, qint32 idFinestra,
                          qint32 handle);

} // namespace velkora
