#include "db/Database.h"

#include "db/ConnectionRef.h"
#include "db/DbError.h"
#include "db/FbClient.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/NetworkProbe.h"
#include "platform/TextCodec.h"

#include <QFileInfo>

#include <algorithm>
#include <map>
#include <mutex>

namespace velkora::db {

using platform::toCp1252;

namespace {

// How long an attach through a server waits for the server's machine to answer, in
// milliseconds: a server that cannot be reached (switched off, the network dropping every packet)
// is reported after this, not after the operating system's TCP time-out of about two minutes,
// since the user waits on the window meanwhile. The client library's own connection time-out
// does not cover the connection itself.
constexpr int kConnectTimeoutMs = 1000;

// Throws the failure of a connection to the server that does not answer within the time. Other
// outcomes are left to the attach, which says what went wrong in the engine's words.
void requireServerAnswers(const QString& databaseName)
{
    if (databaseName.startsWith(QLatin1Char('\\')) || databaseName.startsWith(QLatin1Char('/')))
        return;
    const QString server = serverOf(databaseName);
    if (server.isEmpty())
        return;
    // "host", "host/port", "[ipv6]/port"; a service name instead of a port is not tried.
    QString host = server;
    quint16 port = 3050;
    const qsizetype slash = server.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        bool number = false;
        port = server.mid(slash + 1).toUShort(&number);
        if (!number)
            return;
        host = server.left(slash);
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (platform::probeTcp(host, port, kConnectTimeoutMs) != platform::Reachability::NoAnswer)
        return;
    DbError error(QStringLiteral("Unable to complete network request to host \"%1\".\n"
                                 "Failed to establish a connection: no answer within %2 ms.")
                      .arg(host)
                      .arg(kConnectTimeoutMs),
                  -902, {335544721L, 335544722L}, QStringLiteral("08006"));
    error.setDatabase(databaseName, true);
    throw error;
}

void appendDpb(QByteArray& dpb, char tag, const QByteArray& value)
{
    dpb.append(tag);
    dpb.append(static_cast<char>(std::min<qsizetype>(value.size(), 255)));
    dpb.append(value.left(255));
}

// Builds the attachment parameter block from lines "name=value".
QByteArray buildDpb(const QStringList& params, int dialect)
{
    QByteArray dpb;
    dpb.append(static_cast<char>(isc_dpb_version1));
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? line : line.left(eq)).trimmed().toLower();
        const QByteArray value = toCp1252(eq < 0 ? QString() : line.mid(eq + 1));
        if (name == QLatin1String("user_name"))
            appendDpb(dpb, isc_dpb_user_name, value);
        else if (name == QLatin1String("password"))
            appendDpb(dpb, isc_dpb_password, value);
        else if (name == QLatin1String("lc_ctype"))
            appendDpb(dpb, isc_dpb_lc_ctype, value);
        else if (name == QLatin1String("sql_role_name"))
            appendDpb(dpb, isc_dpb_sql_role_name, value);
    }
    dpb.append(static_cast<char>(isc_dpb_sql_dialect));
    dpb.append(static_cast<char>(1));
    dpb.append(static_cast<char>(dialect));
    return dpb;
}

// A local database path must name a regular file, or nothing yet when a database is created
// there; a link is followed to open an existing file, never to create one.
void requireRegularFile(const QString& databaseName, bool creating)
{
    if (databaseName.isEmpty() || !serverOf(databaseName).isEmpty()
        || databaseName.startsWith(QLatin1String("\\\\")))
        return;
    const QFileInfo info(databaseName);
    if (info.isSymLink()) {
        if (!info.exists())
            throw DbError::notAFile(databaseName, QStringLiteral("a link to nothing"));
        if (creating)
            throw DbError::notAFile(databaseName, QStringLiteral("a link"));
    }
    if (info.exists() && !info.isFile())
        throw DbError::notAFile(databaseName, info.isDir() ? QStringLiteral("a folder")
                                                           : QStringLiteral("a device or a pipe"));
}

} // namespace

// An attachment several shared connections use, in the process-wide list of them.
struct SharedAttachment
{
    QString key;
    isc_db_handle handle = 0;
    int users = 0;
    bool lost = false;
};

namespace {

std::mutex g_sharedMutex;
std::map<QString, std::shared_ptr<SharedAttachment>>& sharedAttachments()
{
    static std::map<QString, std::shared_ptr<SharedAttachment>> list;
    return list;
}

// What makes two connections the same: the database's name, the connection parameters and the
// dialect.
QString sharingKey(const QString& name, const QStringList& params, int dialect)
{
    return name + QLatin1Char('\n') + params.join(QLatin1Char('\n')) + QLatin1Char('\n')
           + QString::number(dialect);
}

} // namespace

Database::Database() = default;

Database::~Database()
{
    detach();
    // Transactions, statements and datasets that outlive their database no longer refer to it.
    for (Transaction* t : m_transactions)
        t->m_database = nullptr;
    for (ConnectionRef* r : std::vector<ConnectionRef*>(m_references))
        r->databaseGone();
}

void* Database::nativeHandle()
{
    return &m_handle;
}

bool Database::attached() const
{
    // A lost attachment still counts: the next operation attaches it again.
    return m_handle != 0 || m_lost;
}

void Database::attach()
{
    if (m_handle != 0)
        return;
    const QString key = m_shared ? sharingKey(m_name, m_params, m_dialect) : QString();
    if (m_shared) {
        const std::lock_guard<std::mutex> lock(g_sharedMutex);
        const auto found = sharedAttachments().find(key);
        if (found != sharedAttachments().end() && !found->second->lost) {
            m_entry = found->second;
            ++m_entry->users;
            m_handle = m_entry->handle;
            m_lost = false;
            ++m_generation;
            return;
        }
    }
    requireServerAnswers(m_name);
    requireRegularFile(m_name, false);
    ISC_STATUS_ARRAY status;
    const QByteArray name = toCp1252(m_name);
    const QByteArray dpb = buildDpb(m_params, m_dialect);
    isc_db_handle handle = 0;
    isc_attach_database(status, static_cast<short>(name.size()), name.constData(), &handle,
                        static_cast<short>(dpb.size()), dpb.constData());
    try {
        detail::check(status);
    } catch (DbError& error) {
        error.setDatabase(m_name, true);
        throw;
    }
    m_handle = handle;
    m_lost = false;
    ++m_generation;
    if (m_shared) {
        const std::lock_guard<std::mutex> lock(g_sharedMutex);
        m_entry = std::make_shared<SharedAttachment>();
        m_entry->key = key;
        m_entry->handle = handle;
        m_entry->users = 1;
        // A lost attachment of the same key stays with the connections still using it.
        sharedAttachments()[key] = m_entry;
    }
}

void Database::detach()
{
    m_lost = false;
    releaseHandle();
}

void Database::releaseHandle()
{
    // Transactions that are still running end without committing.
    for (Transaction* t : m_transactions)
        t->dropHandleOnDetach(m_lost);
    if (m_handle == 0)
        return;
    if (m_entry) {
        const std::lock_guard<std::mutex> lock(g_sharedMutex);
        if (m_lost)
            m_entry->lost = true;
        const bool last = --m_entry->users == 0;
        if (last) {
            const auto found = sharedAttachments().find(m_entry->key);
            if (found != sharedAttachments().end() && found->second == m_entry)
                sharedAttachments().erase(found);
        }
        m_entry.reset();
        if (!last) {
            // Other connections still use the attachment: only this one's transactions end.
            m_handle = 0;
            return;
        }
    }
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = m_handle;
    isc_detach_database(status, &handle);
    // A lost connection cannot be detached cleanly; the handle is gone either way.
    m_handle = 0;
}

void Database::noteFailure(DbError& error)
{
    if (error.databaseName().isEmpty())
        error.setDatabase(m_name, false);
    if (error.isConnectionLost() && m_handle != 0) {
        m_lost = true;
        // No other connection joins it any more; each leaves it as it finds out.
        if (m_entry) {
            const std::lock_guard<std::mutex> lock(g_sharedMutex);
            m_entry->lost = true;
        }
    }
}

void Database::reattachIfLost()
{
    if (!m_lost)
        return;
    // The old handle and its transactions are gone on the server's side; letting them go here
    // only frees the client's side.
    releaseHandle();
    // On failure the connection stays lost and detached: the next operation tries again.
    attach();
}

void Database::repeatable(const std::function<void()>& work)
{
    // A connection already known to be lost is attached again by the work itself; only a loss
    // that the work finds is worth the second run.
    const bool lostBefore = m_lost;
    try {
        work();
        return;
    } catch (const DbError& error) {
        if (lostBefore || !error.isConnectionLost() || !m_lost)
            throw;
    }
    // The server went away since the last operation (a restart, a dropped link): once more on a
    // new attachment. When the server is still gone, the attach says so to the caller.
    reattachIfLost();
    work();
}

void Database::create(const QStringList& createLines)
{
    if (attached())
        throw DbLogicError(QStringLiteral("create on an attached database"));
    requireServerAnswers(m_name);
    requireRegularFile(m_name, true);
    QString statement = QStringLiteral("CREATE DATABASE ") + quoted(m_name) + QLatin1Char(' ');
    for (const QString& line : createLines)
        statement += line + QStringLiteral("\r\n");
    const QByteArray sql = toCp1252(statement);
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(status, &handle, &tr, detail::sqlLength(sql), sql.constData(),
                               static_cast<unsigned short>(m_dialect), nullptr);
    detail::check(status);
    m_handle = handle;
    ++m_generation;
}

void Database::executeImmediate(const QString& statement)
{
    if (!attached())
        throw DbLogicError::notAttached(QStringLiteral("statement on a detached database"));
    const QByteArray sql = storableBytes(statement, QString());
    Transaction t(this);
    t.start();
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = m_handle;
    isc_dsql_execute_immediate(status, &handle, t.nativeHandle(), detail::sqlLength(sql), sql.constData(),
                               static_cast<unsigned short>(m_dialect), nullptr);
    detail::check(status);
    t.commit();
}

void Database::registerTransaction(Transaction* t)
{
    m_transactions.push_back(t);
}

void Database::unregisterTransaction(Transaction* t)
{
    m_transactions.erase(std::remove(m_transactions.begin(), m_transactions.end(), t),
                         m_transactions.end());
}

void Database::transactionDestroyed(Transaction* t)
{
    // The statements given this transaction learn that it is gone.
    for (ConnectionRef* r : m_references)
        r->transactionGone(t);
    unregisterTransaction(t);
}

void Database::registerReference(ConnectionRef* r)
{
    m_references.push_back(r);
}

void Database::unregisterReference(ConnectionRef* r)
{
    m_references.erase(std::remove(m_references.begin(), m_references.end(), r),
                       m_references.end());
}

} // namespace velkora::db
