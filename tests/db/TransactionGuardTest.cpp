// The guards of the db layer on the real engine: the transaction guard, and the cursors that
// every way out of a statement closes.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace velkora::db;

namespace {

const QStringList kCreateLines = {
    QStringLiteral("USER ") + quotedIdentifier(QStringLiteral("SYSDBA")),
    QStringLiteral("PASSWORD ") + quotedIdentifier(QStringLiteral("quillbark")),
    QStringLiteral("PAGE_SIZE 4096")};

void useSysdba(Database& database, const QString& path)
{
    database.setDatabaseName(path);
    database.params() = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
}

class GuardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("t.fdb"));
        useSysdba(db, path);
        db.create(kCreateLines);
        db.executeImmediate(QStringLiteral(
            "CREATE TABLE T (ID INTEGER, NOTE BLOB SUB_TYPE TEXT CHARACTER SET WIN1252)"));
        tr.setDatabase(&db);
        useSysdba(other, path);
        other.attach();
    }

    void insert(Transaction& transaction, int id)
    {
        Query q(&db, &transaction);
        q.add(QStringLiteral("INSERT INTO T (ID) VALUES (") + quotedInt(id) + QLatin1Char(')'));
        q.execSql();
    }

    // Rows with the id as seen by a new transaction of the second attachment.
    qint64 committedRows(int id)
    {
        Transaction t(&other);
        Query q(&other, &t);
        q.add(QStringLiteral("SELECT COUNT(*) FROM T WHERE ID=") + quotedInt(id));
        q.open();
        return q.asInteger(0);
    }

    QTemporaryDir dir;
    QString path;
    Database db;
    Database other; // a second workstation on the same file
    Transaction tr;
};

TEST_F(GuardTest, RollsBackUnlessTheWorkCommitted)
{
    EXPECT_THROW(
        {
            TransactionGuard guard(tr);
            guard.start();
            insert(tr, 1);
            throw std::runtime_error("the operation fails half way");
        },
        std::runtime_error);
    EXPECT_FALSE(tr.active());
    EXPECT_EQ(committedRows(1), 0);

    {
        TransactionGuard guard(tr);
        guard.start();
        insert(tr, 2);
        guard.commit();
    }
    EXPECT_EQ(committedRows(2), 1);

    // Committed and kept running: the guard leaves the transaction alone.
    {
        TransactionGuard guard(tr);
        guard.start();
        insert(tr, 3);
        guard.commitRetaining();
    }
    EXPECT_TRUE(tr.active());
    EXPECT_EQ(committedRows(3), 1);
    tr.commit();
}

TEST_F(GuardTest, AGuardOfTheStartedHereScopeLeavesARunningTransactionAsItWas)
{
    tr.start();
    insert(tr, 4);
    {
        const TransactionGuard guard(tr, TransactionGuard::Scope::StartedHere);
        insert(tr, 5);
    }
    ASSERT_TRUE(tr.active()) << "the caller's transaction goes on";
    tr.commit();
    EXPECT_EQ(committedRows(4), 1);
    EXPECT_EQ(committedRows(5), 1);
    {
        const TransactionGuard guard(tr, TransactionGuard::Scope::StartedHere);
        insert(tr, 6); // starts the transaction, so the guard ends it
    }
    EXPECT_FALSE(tr.active());
    EXPECT_EQ(committedRows(6), 0);
}

TEST_F(GuardTest, NoThrowFromTheGuardWhenTheAttachmentIsGone)
{
    // The first attachment is cut from the second one, as a server shutdown or an administrator
    // would; the statement's own error reaches the caller, the guard's failed rollback does not.
    try {
        TransactionGuard guard(tr);
        guard.start();
        insert(tr, 7);
        Transaction cut(&other);
        Query kill(&other, &cut);
        kill.add(QStringLiteral(
            "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID<>CURRENT_CONNECTION"));
        kill.execSql();
        cut.commit();
        insert(tr, 8);
        FAIL() << "a statement ran on a cut attachment";
    } catch (const DbError& e) {
        EXPECT_FALSE(e.gdsCodes().empty()) << e.what();
    }
    EXPECT_FALSE(tr.active());
    // An explicit rollback of a guard is as quiet as its destructor.
    Transaction again(&db);
    EXPECT_NO_THROW(TransactionGuard(again).rollback());
    EXPECT_EQ(committedRows(7), 0);
}

TEST_F(GuardTest, AFailureWhileDecodingRowsLeavesNoOpenCursor)
{
    // A text blob in Windows-1252 read by a workstation whose connection wants ASCII: the engine
    // refuses to convert "è" while the row is being decoded, after the cursor was opened.
    Query fill(&db, &tr);
    fill.add(QStringLiteral("INSERT INTO T (ID, NOTE) VALUES (1, 'ok')"));
    fill.execSql();
    fill.clear();
    fill.add(QStringLiteral("INSERT INTO T (ID, NOTE) VALUES (2, ") +
             quoted(QString::fromUtf8("perché")) + QLatin1Char(')'));
    fill.execSql();
    tr.commit();

    Database ascii;
    useSysdba(ascii, path);
    ascii.params() << QStringLiteral("lc_ctype=ASCII");
    ascii.attach();
    Transaction t(&ascii);
    Query q(&ascii, &t);
    q.add(QStringLiteral("SELECT ID, NOTE FROM T ORDER BY ID"));
    QString first;
    try {
        q.open();
        FAIL() << "the blob was converted";
    } catch (const DbError& e) {
        first = e.message();
    }
    EXPECT_FALSE(q.isOpen());
    EXPECT_EQ(q.recordCount(), 0) << "no half of the rows is kept";
    // The same statement runs again and meets the same failure, not a cursor left open.
    try {
        q.open();
        FAIL() << "the blob was converted";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message().toStdString(), first.toStdString());
    }
    // Another statement on the same transaction works, and the transaction commits.
    q.clear();
    q.add(QStringLiteral("SELECT COUNT(*) FROM T WHERE NOTE IS NOT NULL"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 2);
    EXPECT_NO_THROW(t.commit());
}

} // namespace
