#include "db/ExecuteAtOnce.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/FbClient.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

namespace velkora::db {

void executeAtOnce(Database& database, Transaction& transaction, const QString& statement)
{
    if (!database.attached())
        throw DbLogicError::notAttached(QStringLiteral("statement on a detached database"));
    if (transaction.database() != &database)
        throw DbLogicError(QStringLiteral("statement in a transaction of another database"));
    const QByteArray sql = storableBytes(statement, QString());
    database.reattachIfLost();
    try {
        transaction.ensureStarted();
        transaction.noteWrite();
        ISC_STATUS_ARRAY status;
        isc_db_handle handle = *static_cast<isc_db_handle*>(database.nativeHandle());
        isc_dsql_execute_immediate(status, &handle, transaction.nativeHandle(),
                                   detail::sqlLength(sql), sql.constData(), SQL_DIALECT_V6,
                                   nullptr);
        detail::check(status);
    } catch (DbError& error) {
        database.noteFailure(error);
        throw;
    }
}

} // namespace velkora::db
