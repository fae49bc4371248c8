#pragma once

#include <QStringList>

#include <cstdint>

namespace velkora::db {

class Database;

// A transaction on one database. Its parameters are text lines naming the client's transaction
// parameters ("isc_tpb_concurrency", "isc_tpb_nowait", "isc_tpb_read_committed", ...); with no
// lines the server's defaults apply. A transaction still active when it is destroyed, or when
// its database detaches, is rolled back.
class Transaction
{
public:
    explicit Transaction(Database* database = nullptr);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void setDatabase(Database* database);
    Database* database() const { return m_database; }
    QStringList& params() { return m_params; }

    void start();
    void commit();
    void commitRetaining();
    // Never fails for a lost connection: the server has ended the transaction then.
    void rollback();
    void rollbackRetaining();
    bool active() const { return m_handle != 0; }
    // Starts the transaction when it is not active.
    void ensureStarted();

    // Ends the transaction without committing and starts it again, so that a following read sees
    // what other workstations committed meanwhile.
    void restart();

    unsigned int* nativeHandle() { return &m_handle; }
    // True once a statement other than a selection ran since the transaction started: its work
    // cannot be repeated on a new attachment without the caller knowing.
    bool wrote() const { return m_wrote; }
    void noteWrite() { m_wrote = true; }
    // True when the transaction was running as its attachment was lost (a server restart): rows
    // read in it came from a snapshot that is gone, so a later write based on them could no longer
    // notice what others changed meanwhile. It stays set, through any implicit new start, until
    // the caller ends or restarts the transaction on purpose (rollback(), restart()) and reads the
    // rows again.
    bool snapshotLost() const { return m_snapshotLost; }

private:
    friend class Database;
    // Lets the handle go with its attachment. When the connection was lost and the transaction
    // had written, its next commit fails as a lost connection instead of reporting nothing: the
    // writes never reached the database.
    void dropHandleOnDetach(bool connectionLost);
    void throwIfWorkLost();
    // Throws the status vector's failure after telling the database about it (a lost connection
    // is attached again by the next operation).
    void check(const std::intptr_t* status);

    Database* m_database = nullptr;
    QStringList m_params;
    unsigned int m_handle = 0;
    bool m_wrote = false;
    bool m_workLost = false;
    bool m_snapshotLost = false;
};

} // namespace velkora::db
