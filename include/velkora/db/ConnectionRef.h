#pragma once

#include <functional>

namespace velkora::db {

class Database;
class Transaction;

// What a statement or a dataset knows of its connection: the database and, when one was given,
// the transaction. The database keeps a list of the references to it, so a statement that
// outlives its connection (a window that keeps a query longer than its data form) learns that
// the connection is gone instead of using a destroyed object: it can still be read and
// destroyed, and running it again is an error, never a crash. The same holds for a transaction
// that goes before the statements given it.
class ConnectionRef
{
public:
    ConnectionRef(Database* database, Transaction* transaction);
    ~ConnectionRef();
    ConnectionRef(const ConnectionRef&) = delete;
    ConnectionRef& operator=(const ConnectionRef&) = delete;

    void setDatabase(Database* database);
    void setTransaction(Transaction* transaction);
    // Null after the database went away.
    Database* database() const { return m_database; }
    // The transaction given, or else the database's default one; null when neither.
    Transaction* transaction() const;
    // The transaction given (null when the database's default one is meant).
    Transaction* givenTransaction() const { return m_transaction; }

    // Throws DbLogicError when the database or the transaction given has been destroyed.
    void requireAlive() const;

    // Called when the database goes away, before the reference forgets it: the owner lets go
    // what belonged to the attachment (a prepared statement).
    std::function<void()> onDatabaseGone;

private:
    friend class Database;
    void databaseGone();
    void transactionGone(const Transaction* transaction);

    Database* m_database = nullptr;
    Transaction* m_transaction = nullptr;
    bool m_databaseGone = false;
    bool m_transactionGone = false;
};

} // namespace velkora::db
