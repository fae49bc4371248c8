#pragma once

namespace velkora::db {

class Transaction;

// Ends a transaction without committing unless the work it guards committed. Declared at the
// start of an operation, it makes every way out (a return, an exception) leave no transaction
// open with half of the work in it. Its rollback never throws: when the engine refuses it (the
// attachment is gone) nothing is left to undo, and the error that ended the operation is already
// on its way to the caller.
class TransactionGuard
{
public:
    enum class Scope
    {
        // Rolls back whatever the transaction holds.
        Whole,
        // Rolls back only when the transaction was not active when the guard was made, so a
        // caller's running transaction is left as it was found.
        StartedHere,
    };

    explicit TransactionGuard(Transaction& transaction, Scope scope = Scope::Whole);
    ~TransactionGuard();
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    // Starts the transaction, which must not be active.
    void start();
    // Commits; the guard has nothing left to do. A failed commit leaves the rollback to the guard.
    void commit();
    // Commits and keeps the transaction running; the guard has nothing left to do.
    void commitRetaining();
    // Rolls back now, with the same quiet handling of a lost attachment as the destructor.
    void rollback() noexcept;

private:
    Transaction& m_transaction;
    bool m_armed;
};

} // namespace velkora::db
