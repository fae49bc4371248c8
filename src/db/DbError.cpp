#include "db/DbError.h"

#include <algorithm>
#include <cerrno>
#include <initializer_list>

namespace velkora::db {

namespace {
// Engine codes of a row held by another transaction, as a nowait transaction sees them.
constexpr long kDeadlock = 335544336L;
constexpr long kLockConflict = 335544345L;
constexpr long kUpdateConflict = 335544451L;
constexpr long kConcurrentUpdate = 335544878L; // "concurrent transaction number is ..."

// Engine codes of an attachment that is gone. Measured with Firebird 3: an attachment deleted
// from MON$ATTACHMENTS fails with att_shutdown in-process and over TCP, then over TCP with
// net_write_err; a stopped server gives net_read_err and net_write_err on the old attachment and
// network_error with net_connect_err on a new attach.
constexpr long kLostConnectionCodes[] = {
    335544324L, // bad_db_handle: the attachment handle is no longer valid
    335544528L, // shutdown: the database was shut down
    335544648L, // conn_lost: connection lost to the pipe server
    335544721L, // network_error: unable to complete network request to host
    335544722L, // net_connect_err: failed to establish a connection
    335544726L, // net_read_err: error reading data from the connection
    335544727L, // net_write_err: error writing data to the connection
    335544741L, // lost_db_connection: connection lost to database
    335544856L, // att_shutdown: connection shutdown
};

// Engine codes of an attach that found a file but could not use it.
constexpr long kIoError = 335544344L;        // I/O error during an operation on the file
constexpr long kNoPrivilege = 335544352L;    // no permission for read-write access to database
constexpr long kAlreadyOpened = 335545107L;  // already opened with an incompatible engine instance
constexpr long kNotADatabaseCodes[] = {
    335544323L, // bad_db_format: file is not a valid database
    335544335L, // db_corrupt: database file appears corrupt
    335544379L, // wrong_ods: unsupported on-disk structure
    335544404L, // corrupt: database corrupted
    335544649L, // bad_checksum: bad checksum
};

bool anyOf(const DbError& e, std::initializer_list<long> codes)
{
    return std::any_of(codes.begin(), codes.end(), [&](long c) { return e.hasCode(c); });
}

template <std::size_t N> bool anyOf(const DbError& e, const long (&codes)[N])
{
    return std::any_of(std::begin(codes), std::end(codes), [&](long c) { return e.hasCode(c); });
}

QString fileMessage(DbError::FileProblem problem, const QString& name)
{
    const QString start = name.isEmpty() ? QStringLiteral("Impossibile aprire il database")
                                         : QStringLiteral("Impossibile aprire il database \"%1\"").arg(name);
    switch (problem) {
    case DbError::FileProblem::NotADatabase:
        return start + QStringLiteral(": il file non è un database valido oppure è danneggiato.");
    case DbError::FileProblem::InUse:
        return start + QStringLiteral(": il file è già aperto da un altro programma (un'altra copia "
                                      "del programma o un server di database).");
    case DbError::FileProblem::AccessDenied:
        return start + QStringLiteral(": mancano i permessi per leggere o scrivere il file.");
    case DbError::FileProblem::Missing:
        return start + QStringLiteral(": il file non esiste.");
    case DbError::FileProblem::NotAFile:
        return start + QStringLiteral(": il percorso non indica un file di dati (è una cartella, un "
                                      "dispositivo o un collegamento a un file che non esiste).");
    case DbError::FileProblem::None:
        break;
    }
    return start + QLatin1Char('.');
}

} // namespace

DbError::DbError(const QString& message, int sqlCode, std::vector<long> gdsCodes, QString sqlState,
                 int systemError)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_sqlCode(sqlCode)
    , m_gdsCodes(std::move(gdsCodes))
    , m_sqlState(std::move(sqlState))
    , m_systemError(systemError)
{
}

bool DbError::hasCode(long gdsCode) const
{
    return std::find(m_gdsCodes.begin(), m_gdsCodes.end(), gdsCode) != m_gdsCodes.end();
}

bool DbError::isLockConflict() const
{
    return anyOf(*this, {kDeadlock, kLockConflict, kUpdateConflict, kConcurrentUpdate})
        || m_sqlState == QLatin1String("40001");
}

bool DbError::isConnectionLost() const
{
    return anyOf(*this, kLostConnectionCodes);
}

namespace {

// A server sends the operating system's error of a file as its text, not as its number: the
// texts of a server on this system, and of one on Windows.
int systemErrorInText(const QString& message)
{
    static const struct
    {
        const char* text;
        int error;
    } known[] = {
        {"No such file or directory", ENOENT},
        {"The system cannot find the file specified", ENOENT},
        {"The system cannot find the path specified", ENOENT},
        {"Permission denied", EACCES},
        {"Access is denied", EACCES},
        {"Read-only file system", EROFS},
    };
    for (const auto& k : known) {
        if (message.contains(QLatin1String(k.text), Qt::CaseInsensitive))
            return k.error;
    }
    return 0;
}

} // namespace

DbError DbError::notAFile(const QString& path, const QString& what)
{
    DbError error(QStringLiteral("%1: %2, not a regular file").arg(path, what), 0, {kIoError},
                  QString());
    error.m_notAFile = true;
    error.setDatabase(path, true);
    return error;
}

DbError DbError::staleRows(const QString& databaseName)
{
    DbError error(QStringLiteral("the rows were read in a transaction whose attachment was lost; "
                                 "read them again before writing"),
                  0, {}, QString());
    error.m_staleRows = true;
    error.setDatabase(databaseName, false);
    return error;
}

DbError::FileProblem DbError::fileProblem() const
{
    if (m_notAFile)
        return FileProblem::NotAFile;
    if (anyOf(*this, kNotADatabaseCodes))
        return FileProblem::NotADatabase;
    if (hasCode(kAlreadyOpened))
        return FileProblem::InUse;
    if (hasCode(kNoPrivilege))
        return FileProblem::AccessDenied;
    if (hasCode(kIoError)) {
        switch (m_systemError ? m_systemError : systemErrorInText(m_message)) {
        case ENOENT:
            return FileProblem::Missing;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileProblem::AccessDenied;
        case EAGAIN:
            return FileProblem::InUse;
        default:
            break;
        }
    }
    return FileProblem::None;
}

void DbError::setDatabase(const QString& name, bool opening)
{
    m_databaseName = name;
    m_opening = opening;
}

platform::FailureText DbError::describe() const
{
    if (m_staleRows)
        return {QStringLiteral("Il collegamento con il database si è interrotto dopo la lettura dei "
                               "dati: i dati mostrati potrebbero non essere più aggiornati. "
                               "Rileggerli (Aggiorna) e ripetere la modifica."),
                m_message};
    if (isConnectionLost()) {
        const QString server = serverOf(m_databaseName);
        const QString where = server.isEmpty()
            ? QStringLiteral("Il collegamento con il database si è interrotto")
            : QStringLiteral("Il collegamento con il server del database \"%1\" si è interrotto "
                             "o il server non risponde")
                  .arg(server);
        return {where + QStringLiteral(": l'operazione non è stata completata. Controllare il "
                                       "collegamento e riprovare."),
                m_message};
    }
    if (m_opening) {
        const FileProblem problem = fileProblem();
        if (problem != FileProblem::None)
            return {fileMessage(problem, m_databaseName), m_message};
    }
    if (isLockConflict())
        return {QStringLiteral("I dati sono in modifica su un'altra postazione: riprovare tra poco."),
                m_message};
    return {QStringLiteral("Errore nell'accesso al database."), m_message};
}

DbLogicError::DbLogicError(const QString& message)
    : std::logic_error(message.toStdString())
{
}

DbLogicError DbLogicError::notAttached(const QString& message)
{
    DbLogicError error(message);
    error.m_userMessage = QStringLiteral("Il database non è collegato: l'operazione non può essere "
                                         "eseguita. Riavviare il programma quando il database è "
                                         "disponibile.");
    return error;
}

DbLogicError DbLogicError::refused(const QString& message)
{
    DbLogicError error(message);
    error.m_userMessage = message;
    return error;
}

platform::FailureText DbLogicError::describe() const
{
    if (!m_userMessage.isEmpty())
        return {m_userMessage, QString::fromUtf8(what())};
    return {QStringLiteral("Si è verificato un errore interno del programma nell'accesso al database."),
            QString::fromUtf8(what())};
}

RecordDeleted::RecordDeleted(const QString& detail)
    : std::runtime_error(detail.toStdString())
    , m_detail(detail)
{
}

platform::FailureText RecordDeleted::describe() const
{
    return {QStringLiteral("Questo record è già stato cancellato da un altro utente in un'altra "
                           "sessione di lavoro"),
            m_detail};
}

QString serverOf(const QString& databaseName)
{
    // The named-pipe form "\\SRV\C:\Dati\user.fdb".
    if (databaseName.startsWith(QLatin1String("\\\\")))
        return databaseName.mid(2).section(QLatin1Char('\\'), 0, 0);
    // "C:\..." is a drive letter, not a server.
    const qsizetype colon = databaseName.indexOf(QLatin1Char(':'));
    if (colon <= 1)
        return {};
    return databaseName.left(colon);
}

} // namespace velkora::db
