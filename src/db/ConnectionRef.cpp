#include "db/ConnectionRef.h"

#include "db/Database.h"
#include "db/DbError.h"

namespace velkora::db {

ConnectionRef::ConnectionRef(Database* database, Transaction* transaction)
    : m_transaction(transaction)
{
    setDatabase(database);
}

ConnectionRef::~ConnectionRef()
{
    if (m_database)
        m_database->unregisterReference(this);
}

void ConnectionRef::setDatabase(Database* database)
{
    if (m_database)
        m_database->unregisterReference(this);
    m_database = database;
    m_databaseGone = false;
    if (m_database)
        m_database->registerReference(this);
}

void ConnectionRef::setTransaction(Transaction* transaction)
{
    m_transaction = transaction;
    m_transactionGone = false;
}

Transaction* ConnectionRef::transaction() const
{
    if (m_transaction || m_transactionGone)
        return m_transaction;
    return m_database ? m_database->defaultTransaction() : nullptr;
}

void ConnectionRef::requireAlive() const
{
    // A programming mistake of the window that kept the statement, but one the user can meet:
    // the message says what happened, in the words of the db layer's other refusals.
    if (m_databaseGone)
        throw DbLogicError::notAttached(
            QStringLiteral("statement used after its database object was destroyed"));
    if (m_transactionGone)
        throw DbLogicError::notAttached(
            QStringLiteral("statement used after its transaction object was destroyed"));
}

void ConnectionRef::databaseGone()
{
    if (onDatabaseGone)
        onDatabaseGone();
    m_database = nullptr;
    m_databaseGone = true;
    // The transaction belonged to the same connection and can no longer be used either.
    if (m_transaction) {
        m_transaction = nullptr;
        m_transactionGone = true;
    }
}

void ConnectionRef::transactionGone(const Transaction* transaction)
{
    if (transaction != m_transaction)
        return;
    m_transaction = nullptr;
    m_transactionGone = true;
}

} // namespace velkora::db
