#include "db/Transaction.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/FbClient.h"

namespace velkora::db {

namespace {

// The transaction parameter block from the parameter names; empty for the server's defaults.
QByteArray buildTpb(const QStringList& params)
{
    struct Name
    {
        const char* text;
        char code;
    };
    static const Name kNames[] = {
        {"isc_tpb_consistency", isc_tpb_consistency},
        {"isc_tpb_concurrency", isc_tpb_concurrency},
        {"isc_tpb_read_committed", isc_tpb_read_committed},
        {"isc_tpb_rec_version", isc_tpb_rec_version},
        {"isc_tpb_no_rec_version", isc_tpb_no_rec_version},
        {"isc_tpb_wait", isc_tpb_wait},
        {"isc_tpb_nowait", isc_tpb_nowait},
        {"isc_tpb_read", isc_tpb_read},
        {"isc_tpb_write", isc_tpb_write},
        {"isc_tpb_autocommit", isc_tpb_autocommit},
    };
    QByteArray tpb;
    for (const QString& raw : params) {
        const QString p = raw.trimmed().toLower();
        if (p.isEmpty())
            continue;
        bool known = false;
        for (const Name& n : kNames) {
            if (p == QLatin1String(n.text)) {
                tpb.append(n.code);
                known = true;
                break;
            }
        }
        if (!known)
            throw DbLogicError(QStringLiteral("unknown transaction parameter: ") + raw);
    }
    if (!tpb.isEmpty())
        tpb.prepend(static_cast<char>(isc_tpb_version3));
    return tpb;
}

} // namespace

Transaction::Transaction(Database* database)
{
    setDatabase(database);
}

Transaction::~Transaction()
{
    if (active()) {
        ISC_STATUS_ARRAY status;
        isc_rollback_transaction(status, &m_handle);
        m_handle = 0;
    }
    if (m_database)
        m_database->transactionDestroyed(this);
}

void Transaction::setDatabase(Database* database)
{
    if (database == m_database)
        return;
    if (active())
        throw DbLogicError(QStringLiteral("changing the database of an active transaction"));
    if (m_database)
        m_database->unregisterTransaction(this);
    m_database = database;
    if (m_database)
        m_database->registerTransaction(this);
}

void Transaction::start()
{
    if (active())
        throw DbLogicError(QStringLiteral("transaction already active"));
    if (!m_database || !m_database->attached())
        throw DbLogicError::notAttached(QStringLiteral("transaction on a detached database"));
    const QByteArray tpb = buildTpb(m_params);
    // Starting does nothing yet, so a start that finds the attachment gone (the server restarted
    // since the last operation) is safe to repeat on a new one.
    m_database->repeatable([&] {
        m_database->reattachIfLost();
        ISC_STATUS_ARRAY status;
        isc_tr_handle handle = 0;
        isc_start_transaction(status, &handle, 1,
                              static_cast<isc_db_handle*>(m_database->nativeHandle()),
                              static_cast<unsigned short>(tpb.size()),
                              tpb.isEmpty() ? nullptr : tpb.constData());
        check(status);
        m_handle = handle;
    });
    m_wrote = false;
    m_workLost = false;
}

void Transaction::ensureStarted()
{
    if (!active())
        start();
}

void Transaction::throwIfWorkLost()
{
    if (!m_workLost)
        return;
    m_workLost = false;
    DbError error(QStringLiteral("connection lost to database: the uncommitted work of this "
                                 "transaction ended with the attachment"),
                  -902, {335544741L}, QStringLiteral("08006"));
    if (m_database)
        error.setDatabase(m_database->databaseName(), false);
    throw error;
}

void Transaction::commit()
{
    throwIfWorkLost();
    if (!active())
        return;
    ISC_STATUS_ARRAY status;
    isc_commit_transaction(status, &m_handle);
    check(status);
    m_handle = 0;
}

void Transaction::commitRetaining()
{
    throwIfWorkLost();
    if (!active())
        return;
    ISC_STATUS_ARRAY status;
    isc_commit_retaining(status, &m_handle);
    check(status);
    m_wrote = false;
}

void Transaction::rollback()
{
    m_workLost = false;
    m_snapshotLost = false;
    if (!active())
        return;
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &m_handle);
    // A failed rollback leaves nothing to roll back. On a lost connection the server has ended
    // the transaction itself, so that is no failure of the rollback.
    m_handle = 0;
    try {
        check(status);
    } catch (const DbError& error) {
        if (!error.isConnectionLost())
            throw;
    }
}

void Transaction::rollbackRetaining()
{
    if (!active())
        return;
    ISC_STATUS_ARRAY status;
    isc_rollback_retaining(status, &m_handle);
    check(status);
    m_wrote = false;
}

void Transaction::restart()
{
    if (active())
        rollback();
    m_workLost = false;
    m_snapshotLost = false;
    start();
}

void Transaction::check(const std::intptr_t* status)
{
    try {
        detail::check(status);
    } catch (DbError& error) {
        if (m_database)
            m_database->noteFailure(error);
        throw;
    }
}

void Transaction::dropHandleOnDetach(bool connectionLost)
{
    if (!active())
        return;
    // What it wrote is gone with the server's side of the attachment; its commit must say so.
    if (connectionLost && m_wrote)
        m_workLost = true;
    if (connectionLost)
        m_snapshotLost = true;
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &m_handle);
    m_handle = 0;
}

} // namespace velkora::db
