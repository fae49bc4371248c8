#include "db/DbError.h"

#include <algorithm>

namespace velkora::db {

namespace {
// Engine codes of a row held by another transaction, as a nowait transaction sees them.
constexpr long kDeadlock = 335544336L;
constexpr long kLockConflict = 335544345L;
constexpr long kUpdateConflict = 335544451L;
constexpr long kConcurrentUpdate = 335544878L; // "concurrent transaction number is ..."
} // namespace

DbError::DbError(const QString& message, int sqlCode, std::vector<long> gdsCodes, QString sqlState)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_sqlCode(sqlCode)
    , m_gdsCodes(std::move(gdsCodes))
    , m_sqlState(std::move(sqlState))
{
}

bool DbError::hasCode(long gdsCode) const
{
    return std::find(m_gdsCodes.begin(), m_gdsCodes.end(), gdsCode) != m_gdsCodes.end();
}

bool DbError::isLockConflict() const
{
    return hasCode(kDeadlock) || hasCode(kLockConflict) || hasCode(kUpdateConflict)
        || hasCode(kConcurrentUpdate) || m_sqlState == QLatin1String("40001");
}

DbLogicError::DbLogicError(const QString& message)
    : std::logic_error(message.toStdString())
{
}

} // namespace velkora::db
