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

private:
    friend class Database;
    void dropHandleOnDetach();
    // Throws the status vector's failure after telling the database about it (a lost connection
    // is attached again by the next operation).
    void check(const std::intptr_t* status);

    Database* m_database = nullptr;
    QStringList m_params;
    unsigned int m_handle = 0;
};

} // namespace velkora::db
