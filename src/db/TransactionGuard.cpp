#include "db/TransactionGuard.h"

#include "db/DbError.h"
#include "db/Transaction.h"

namespace velkora::db {

TransactionGuard::TransactionGuard(Transaction& transaction, Scope scope)
    : m_transaction(transaction), m_armed(scope == Scope::Whole || !transaction.active())
{
}

TransactionGuard::~TransactionGuard()
{
    rollback();
}

void TransactionGuard::start()
{
    m_transaction.start();
}

void TransactionGuard::commit()
{
    m_transaction.commit();
    m_armed = false;
}

void TransactionGuard::commitRetaining()
{
    m_transaction.commitRetaining();
    m_armed = false;
}

void TransactionGuard::rollback() noexcept
{
    if (!m_armed)
        return;
    m_armed = false;
    if (!m_transaction.active())
        return;
    try {
        m_transaction.rollback();
    } catch (const DbError&) {
        // The rollback drops the transaction's handle even when the engine refuses it (the
        // connection is gone): there is nothing left to undo.
    }
}

} // namespace velkora::db
