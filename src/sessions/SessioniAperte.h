#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velkora {

namespace db {
class Query;
}

// Closes the listed sessions (codes as text, in list order) with one closing date and time, on
// the query's transaction: all of them or none. The updates run one after the other while they
// succeed; then the transaction is committed. At the first failure no further update runs, the
// transaction is rolled back and started again, the engine's text goes to dettaglio and the
// result is false. An empty list commits nothing new and gives true.
bool chiudiSessioniSelezionate(db::Query& query, const QStringList& codici, const QDateTime& quando,
                               QString& dettaglio);

} // namespace velkora
