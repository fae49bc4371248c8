#pragma once

#include <QString>

#include <stdexcept>
#include <vector>

namespace velkora::db {

// A failure reported by the Firebird client: the engine's own message text, the SQL code and
// every engine (GDS) code of the status vector, so callers can tell a lock conflict from other
// failures.
class DbError : public std::runtime_error
{
public:
    DbError(const QString& message, int sqlCode, std::vector<long> gdsCodes, QString sqlState);

    QString message() const { return m_message; }
    int sqlCode() const { return m_sqlCode; }
    const std::vector<long>& gdsCodes() const { return m_gdsCodes; }
    QString sqlState() const { return m_sqlState; }
    bool hasCode(long gdsCode) const;

    // True for every way Firebird reports that another transaction holds the row: lock conflict,
    // deadlock, update conflict with a concurrent update (as a nowait transaction sees it).
    bool isLockConflict() const;

private:
    QString m_message;
    int m_sqlCode;
    std::vector<long> m_gdsCodes;
    QString m_sqlState;
};

// Misuse of the db layer by its caller (a query without a database, a field name that the
// result does not have): a programming mistake, not a database condition.
class DbLogicError : public std::logic_error
{
public:
    explicit DbLogicError(const QString& message);
};

} // namespace velkora::db
