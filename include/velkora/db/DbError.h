#pragma once

#include <velkora/platform/FailureText.h>

#include <QString>

#include <stdexcept>
#include <vector>

namespace velkora::db {

// A failure reported by the Firebird client: the engine's own message text, the SQL code, every
// engine (GDS) code of the status vector and the operating system's error number when the
// engine gave one, so callers can tell a lock conflict or a lost connection from other failures.
// The engine's text is English: what the user reads comes from describe().
class DbError : public std::runtime_error, public platform::DescribedFailure
{
public:
    DbError(const QString& message, int sqlCode, std::vector<long> gdsCodes, QString sqlState,
            int systemError = 0);

    QString message() const { return m_message; }
    int sqlCode() const { return m_sqlCode; }
    const std::vector<long>& gdsCodes() const { return m_gdsCodes; }
    QString sqlState() const { return m_sqlState; }
    // The operating system's error number (errno) the engine reported, 0 when none.
    int systemError() const { return m_systemError; }
    bool hasCode(long gdsCode) const;

    // True for every way Firebird reports that another transaction holds the row: lock conflict,
    // deadlock, update conflict with a concurrent update (as a nowait transaction sees it).
    bool isLockConflict() const;
    // True when the attachment is gone: the server stopped or cannot be reached, the network
    // dropped, or the attachment was ended from another one (MON$ATTACHMENTS) or by a shutdown.
    bool isConnectionLost() const;

    // Why an existing database file could not be opened, from the engine's codes.
    enum class FileProblem
    {
        None,         // not a problem of the file (or none the user can act on)
        Missing,      // no such file: the normal way to a new database
        NotADatabase, // not a Firebird database, or a damaged one
        InUse,        // held by another program (another instance with the embedded engine)
        AccessDenied, // the file's permissions forbid reading or writing it
        NotAFile      // the path names a folder, a device, a pipe, or a link to nothing
    };
    // Meaningful for the failure of an attach; a statement's failure gives None.
    FileProblem fileProblem() const;

    // The refusal of a local path that is not a regular file, before the engine sees it: the
    // engine would open a device or a pipe as a database (and change its permissions), or
    // create a database at the target of a link that leads nowhere.
    static DbError notAFile(const QString& path, const QString& what);
    // The refusal of a write based on rows read before the connection was lost: the rows must
    // be read again first.
    static DbError staleRows(const QString& databaseName);
    bool isStaleRows() const { return m_staleRows; }

    // The database the failure concerns ("server:path" or a local path), when the db layer knows
    // it, and whether it happened while opening it. The Italian message names it.
    void setDatabase(const QString& name, bool opening);
    QString databaseName() const { return m_databaseName; }

    // The Italian message for the user and the engine's text as its detail: a lost connection
    // names the server, an attach names the file and why it could not be opened, a lock conflict
    // says another workstation holds the data, anything else "Errore nell'accesso al database.".
    platform::FailureText describe() const override;

private:
    QString m_message;
    int m_sqlCode;
    std::vector<long> m_gdsCodes;
    QString m_sqlState;
    int m_systemError = 0;
    QString m_databaseName;
    bool m_opening = false;
    bool m_notAFile = false;
    bool m_staleRows = false;
};

// Misuse of the db layer by its caller (a query without a database, a field name that the
// result does not have): a programming mistake, not a database condition. The user reads an
// Italian message; the English text is the detail.
class DbLogicError : public std::logic_error, public platform::DescribedFailure
{
public:
    explicit DbLogicError(const QString& message);

    // A statement or transaction on a database that is not attached: the program goes on after
    // a user database that could not be opened, so the user can meet this one.
    static DbLogicError notAttached(const QString& message);
    // A statement the layer refuses to hand to the engine; the message is the box's own text.
    static DbLogicError refused(const QString& message);

    platform::FailureText describe() const override;

private:
    QString m_userMessage;
};

// An edited row that its modify statement no longer found: another user deleted it since it was
// read. Nothing was written; the Italian message says so.
class RecordDeleted : public std::runtime_error, public platform::DescribedFailure
{
public:
    explicit RecordDeleted(const QString& detail);

    platform::FailureText describe() const override;

private:
    QString m_detail;
};

// The server part of a database name: "dbserver" of "dbserver:D:\Dati\user.fdb", "localhost/3051"
// of "localhost/3051:/srv/user.fdb"; empty for a local path (a drive letter is no server).
QString serverOf(const QString& databaseName);

} // namespace velkora::db
