#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace velkora::db {

class ConnectionRef;
class DbError;
struct SharedAttachment;
class Transaction;

// One attachment to a Firebird database through the native client. The connection parameters
// are text lines of the form "user_name=SYSDBA", "password=...", "lc_ctype=..."; no login dialog
// is ever shown. The database name is a local path (attached in-process by the embedded engine)
// or "server:path" (through the server over TCP).
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void setDatabaseName(const QString& name) { m_name = name; }
    QString databaseName() const { return m_name; }
    QStringList& params() { return m_params; }
    const QStringList& params() const { return m_params; }
    void setSqlDialect(int dialect) { m_dialect = dialect; }
    int sqlDialect() const { return m_dialect; }
    // Kept for the connection's set-up; the client never shows a login dialog.
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    bool loginPrompt() const { return m_loginPrompt; }

    // A shared connection uses the attachment that another shared connection of this process
    // holds to the same database with the same parameters, instead of a new one of its own: the
    // windows of one workstation then cost the server one attachment per database, whatever
    // their number. Its transactions stay its own (the server locks rows per transaction, so
    // two windows still see each other's edits as another user's), and detaching ends them; the
    // attachment itself goes with the last connection using it. A shared attachment found lost
    // is left by each connection as it finds out, and a new one made. Set before attaching.
    void setShared(bool shared) { m_shared = shared; }
    bool shared() const { return m_shared; }

    // The transaction that queries use when they are given none.
    void setDefaultTransaction(Transaction* transaction) { m_defaultTransaction = transaction; }
    Transaction* defaultTransaction() const { return m_defaultTransaction; }

    // Attaches with the connection parameters; throws DbError on failure, naming this database.
    void attach();
    // Rolls back the transactions still active on this attachment and detaches. Never throws.
    void detach();
    // True from a successful attach or create until detach(), also while a lost attachment waits
    // for the next operation to attach it again.
    bool attached() const;

    // Issues "CREATE DATABASE '<name>' " followed by the given lines, each ending with "\r\n";
    // the connection is attached to the new database afterwards. Throws DbError on failure (an
    // existing file is never replaced: the engine refuses it).
    void create(const QStringList& createLines);

    // Runs one statement outside any query object, in its own transaction (for DDL scripts).
    void executeImmediate(const QString& statement);

    // A lost attachment (server stopped, network dropped, attachment ended from another one) is
    // attached again by the next operation instead of failing until the program restarts. The
    // db layer's classes call noteFailure() with every failure of an operation on this database
    // and reattachIfLost() at the start of every operation; when the attach fails too, its
    // DbError (a lost connection that names the server) goes to the caller, and the operation
    // after that tries again.
    void noteFailure(DbError& error);
    void reattachIfLost();
    bool connectionLost() const { return m_lost; }
    // Runs work that is safe to run twice (a read, or a write whose second run leaves what the
    // first would have left, such as closing a session or storing a window's place); when it
    // fails because this connection was lost (a server restart), attaches again and runs it once
    // more, so the first operation after the restart works. The work starts its transactions
    // itself. A second failure, or any other, goes to the caller. No waiting in between.
    void repeatable(const std::function<void()>& work);

    // The client's attachment handle, for the db layer's own classes only.
    void* nativeHandle();
    // Changes at every attach and create, so statement handles of an earlier attachment are
    // known to be gone.
    quint64 generation() const { return m_generation; }

private:
    friend class ConnectionRef;
    friend class Transaction;
    // Lets the handle and the transactions' handles go, keeping the lost flag.
    void releaseHandle();
    void registerTransaction(Transaction* t);
    void unregisterTransaction(Transaction* t);
    void transactionDestroyed(Transaction* t);
    void registerReference(ConnectionRef* r);
    void unregisterReference(ConnectionRef* r);

    QString m_name;
    QStringList m_params;
    int m_dialect = 3;
    bool m_loginPrompt = false;
    Transaction* m_defaultTransaction = nullptr;
    unsigned int m_handle = 0;
    quint64 m_generation = 0;
    bool m_lost = false;
    bool m_shared = false;
    // The attachment shared with other connections, while this one uses it.
    std::shared_ptr<SharedAttachment> m_entry;
    std::vector<Transaction*> m_transactions;
    // The statements and datasets on this connection, told when it or a transaction goes.
    std::vector<ConnectionRef*> m_references;
};

} // namespace velkora::db
