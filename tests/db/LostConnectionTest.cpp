// A lost attachment, as the engine really reports it: the attachment is ended from a second one
// (DELETE FROM MON$ATTACHMENTS), both in this process on the embedded engine.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/UpdateSql.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace velkora;
using namespace velkora::db;

namespace {

const QString kLostEmbedded = QStringLiteral(
    "Il collegamento con il database si è interrotto: l'operazione non è stata completata. "
    "Controllare il collegamento e riprovare.");

class LostConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = test::copyTemplate(dir.filePath(QStringLiteral("user.fdb")));
        ASSERT_FALSE(path.isEmpty());
        test::attach(program, path);
        tr.setDatabase(&program);
        test::attach(other, path);
    }

    // Ends every attachment but the other one's, as an administrator or a server would.
    void cut()
    {
        test::exec(
            other,
            QStringLiteral(
                "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
    }

    // The number of users as the program reads it now, in a fresh transaction.
    qint64 users()
    {
        Query q(&program, &tr);
        q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        q.open();
        const qint64 n = q.asInteger(0);
        tr.commit();
        return n;
    }

    QTemporaryDir dir;
    QString path;
    Database program;
    Transaction tr;
    Database other;
};

// What is safe to run twice (a selection in a transaction that has written nothing, the start of
// a transaction) meets the lost attachment, attaches again and runs once more: the first
// operation after a server restart works.
TEST_F(LostConnectionTest, ReadsAndStartsRunAgainOnANewAttachment)
{
    struct Case
    {
        const char* name;
        bool openTransaction; // a transaction of the program has read before the cut
        std::function<qint64(Query&, Transaction&)> operation;
    };
    const auto select = [](Query& q, Transaction&) {
        q.open();
        return q.asInteger(0);
    };
    const Case cases[] = {
        {"a selection", false, select},
        {"a selection in a transaction that only read", true, select},
        {"the start of a transaction", false,
         [select](Query& q, Transaction& t) {
             t.start();
             return select(q, t);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 before = users();
        Query q(&program, &tr);
        q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        if (c.openTransaction)
            q.open();
        const quint64 generation = program.generation();
        cut();
        EXPECT_EQ(c.operation(q, tr), before);
        EXPECT_FALSE(program.connectionLost());
        EXPECT_GT(program.generation(), generation) << "a new attachment";
        tr.commit();
    }
}

// A write, a commit, or a selection after a write of the same transaction cannot be run again
// without losing what came before it unseen: the loss is reported, and the next operation
// attaches again.
TEST_F(LostConnectionTest, WritesAndCommitsAreReportedNotRepeated)
{
    struct Case
    {
        const char* name;
        bool wroteBefore; // the running transaction changed a row before the cut
        std::function<void(Query&, Transaction&)> operation;
    };
    const Case cases[] = {
        {"a change in a running transaction", false,
         [](Query& q, Transaction&) {
             q.setSql({QStringLiteral("UPDATE UTENTI SET DITTA='X' WHERE CODICE=-1")});
             q.execSql();
         }},
        {"a selection after a change", true, [](Query& q, Transaction&) { q.open(); }},
        {"the commit of a change", true, [](Query&, Transaction& t) { t.commit(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 before = users();
        Query q(&program, &tr);
        tr.start();
        if (c.wroteBefore) {
            q.setSql({QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (777, 'PERSO')")});
            q.execSql();
        }
        q.setSql({QStringLiteral("SELECT COUNT(*) FROM UTENTI")});
        cut();
        try {
            c.operation(q, tr);
            FAIL() << "no failure after the cut";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.isConnectionLost()) << e.message().toStdString();
            EXPECT_EQ(e.describe().message, kLostEmbedded);
            EXPECT_EQ(e.describe().detail, e.message()) << "the engine's own words are the detail";
            EXPECT_EQ(e.databaseName(), path);
        }
        EXPECT_TRUE(program.connectionLost());
        EXPECT_TRUE(program.attached()) << "a lost attachment is still the program's to restore";

        // The next operation attaches again and works, with statements prepared before; the
        // change made before the cut is not there.
        if (tr.active())
            tr.rollback();
        EXPECT_EQ(users(), before);
        EXPECT_FALSE(program.connectionLost());
    }
}

// A transaction that wrote before the attachment was lost, while another operation attached
// again: its commit says the work is lost instead of committing nothing in silence.
TEST_F(LostConnectionTest, WorkLostWithTheAttachmentIsNeverCommittedInSilence)
{
    const qint64 before = users();
    Transaction writer(&program);
    Query change(&program, &writer);
    change.add(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (778, 'PERSO')"));
    change.execSql();
    cut();
    EXPECT_EQ(users(), before) << "a read of another transaction attaches again";
    try {
        writer.commit();
        FAIL() << "the commit of a lost change reported success";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isConnectionLost());
        EXPECT_EQ(e.describe().message, kLostEmbedded);
    }
    EXPECT_EQ(users(), before);
    // The transaction starts afresh and works.
    change.execSql();
    writer.commit();
    EXPECT_EQ(users(), before + 1);
}

// Work that is safe to run twice as a whole (closing a session writes the same closing again)
// runs once more on a new attachment, its write and commit included.
TEST_F(LostConnectionTest, RepeatableWorkRunsOnceMoreAfterALoss)
{
    // The transaction runs when the attachment goes, so the write itself meets the loss.
    int runs = 0;
    tr.start();
    cut();
    program.repeatable([&] {
        ++runs;
        Query q(&program, &tr);
        q.add(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (779, 'RIPETUTO')"));
        q.execSql();
        tr.commit();
    });
    EXPECT_EQ(runs, 2);
    Query q(&program, &tr);
    q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI WHERE CODICE=779"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 1);
    tr.commit();

    // A loss in the second run too goes to the caller: it is tried once more, not forever.
    runs = 0;
    EXPECT_THROW(program.repeatable([&] {
        ++runs;
        tr.start();
        cut();
        Query r(&program, &tr);
        r.add(QStringLiteral("UPDATE UTENTI SET DITTA='Y' WHERE CODICE=779"));
        r.execSql();
    }),
                 DbError);
    EXPECT_EQ(runs, 2);
}

// Rows read in a transaction whose attachment is lost (a server restart) came from a snapshot
// that is gone: a write based on them, in a transaction started afresh on the new attachment,
// would no longer conflict with what others saved meanwhile and would put the old values back.
// It is refused until the rows are read again.
TEST_F(LostConnectionTest, RowsReadBeforeALossAreNotWrittenBackUntilReadAgain)
{
    QueryDataSet rows(&program, &tr);
    rows.add(QStringLiteral("SELECT CODICE, NOMEUTENTE FROM UTENTI ORDER BY CODICE"));
    UpdateSql holder;
    holder.modifySql() << QStringLiteral("UPDATE UTENTI SET NOMEUTENTE=:NOMEUTENTE WHERE CODICE=:OLD_CODICE");
    rows.setUpdateObject(&holder);
    test::exec(other, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (780, 'PRIMA')"));
    rows.open();
    while (!rows.eof() && rows.asInteger(QStringLiteral("CODICE")) != 780)
        rows.next();
    ASSERT_FALSE(rows.eof());

    cut();
    // Another workstation saves the row meanwhile; this program attaches again for a read.
    test::exec(other, QStringLiteral("UPDATE UTENTI SET NOMEUTENTE='ALTRA POSTAZIONE' WHERE CODICE=780"));
    EXPECT_GE(users(), 1);
    EXPECT_TRUE(tr.snapshotLost());

    rows.edit();
    rows.setField(QStringLiteral("NOMEUTENTE"), QStringLiteral("VECCHIA COPIA"));
    try {
        rows.post();
        FAIL() << "a row read before the loss was written back";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isStaleRows());
        EXPECT_TRUE(e.describe().message.startsWith(
            QStringLiteral("Il collegamento con il database si è interrotto dopo la lettura dei dati")));
    }
    rows.cancel();
    Query check(&other);
    Transaction t(&other);
    check.setTransaction(&t);
    check.add(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI WHERE CODICE=780"));
    check.open();
    EXPECT_EQ(check.asString(0), QStringLiteral("ALTRA POSTAZIONE"));
    t.rollback();

    // Read again, the row can be edited.
    tr.restart();
    EXPECT_FALSE(tr.snapshotLost());
    rows.open();
    while (!rows.eof() && rows.asInteger(QStringLiteral("CODICE")) != 780)
        rows.next();
    EXPECT_EQ(rows.asString(QStringLiteral("NOMEUTENTE")), QStringLiteral("ALTRA POSTAZIONE"));
    rows.edit();
    rows.setField(QStringLiteral("NOMEUTENTE"), QStringLiteral("DOPO"));
    rows.post();
    tr.commit();
}

TEST_F(LostConnectionTest, AFailedAttachIsReportedAndTheFollowingOperationTriesAgain)
{
    // The attachment is lost and the file cannot be found for the moment (no attachment of this
    // process keeps it open): attaching again fails, with its own reason.
    cut();
    other.detach();
    const QString away = path + QStringLiteral(".away");
    ASSERT_TRUE(QFile::rename(path, away));
    try {
        users();
        FAIL() << "attached a file that is not there";
    } catch (const DbError& e) {
        EXPECT_EQ(
            e.describe().message,
            QStringLiteral("Impossibile aprire il database \"%1\": il file non esiste.").arg(path));
        EXPECT_FALSE(e.describe().detail.isEmpty());
    }
    EXPECT_TRUE(program.connectionLost());
    ASSERT_TRUE(QFile::rename(away, path));
    EXPECT_GE(users(), 0);
    EXPECT_FALSE(program.connectionLost());
}

TEST_F(LostConnectionTest, OtherFailuresDoNotDropTheAttachment)
{
    const quint64 generation = program.generation();
    Query q(&program, &tr);
    q.add(QStringLiteral("SELECT * FROM NESSUNA_TABELLA"));
    try {
        q.open();
        FAIL() << "no failure";
    } catch (const DbError& e) {
        EXPECT_FALSE(e.isConnectionLost());
        EXPECT_EQ(e.describe().message, QStringLiteral("Errore nell'accesso al database."));
        EXPECT_TRUE(e.describe().detail.contains(QStringLiteral("NESSUNA_TABELLA")));
    }
    EXPECT_FALSE(program.connectionLost());
    tr.rollback();
    EXPECT_GE(users(), 0);
    EXPECT_EQ(program.generation(), generation) << "no new attach for an ordinary failure";
}

// Shared connections of one process (the data forms of the windows) use one attachment; their
// transactions stay apart, so one window's edit still locks the row against another's; one
// detaching leaves the other working; a lost shared attachment is left by each as it finds out,
// and they share the new one.
TEST_F(LostConnectionTest, SharedConnectionsUseOneAttachmentAndKeepTheirTransactionsApart)
{
    const auto attachments = [this] {
        return test::rows(other, QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE "
                                                "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND "
                                                "MON$SYSTEM_FLAG = 0"))
            .value(0);
    };
    const QString before = attachments();
    auto first = std::make_unique<Database>();
    auto second = std::make_unique<Database>();
    for (Database* d : {first.get(), second.get()}) {
        d->setShared(true);
        test::attach(*d, path);
    }
    EXPECT_EQ(attachments().toInt(), before.toInt() + 1);

    Transaction t1(first.get());
    Transaction t2(second.get());
    t1.params() = t2.params() = QStringList{QStringLiteral("isc_tpb_concurrency"),
                                            QStringLiteral("isc_tpb_nowait")};
    const auto update = [](Database& d, Transaction& t) {
        Query q(&d, &t);
        q.add(QStringLiteral("UPDATE UTENTI SET NOMEUTENTE = NOMEUTENTE"));
        q.execSql();
    };
    test::exec(other, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (7, 'Anna')"));
    update(*first, t1);
    try {
        update(*second, t2);
        ADD_FAILURE() << "the second window's transaction did not meet the first one's lock";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isLockConflict()) << e.message().toStdString();
    }
    t1.rollback();
    t2.rollback();

    first.reset();
    EXPECT_EQ(attachments().toInt(), before.toInt() + 1) << "the other one still uses it";
    Query q(second.get(), &t2);
    q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 1);
    t2.commit();

    first = std::make_unique<Database>();
    first->setShared(true);
    test::attach(*first, path);
    cut();
    for (Database* d : {first.get(), second.get()}) {
        Transaction t(d);
        Query again(d, &t);
        again.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        again.open(); // finds the attachment lost, attaches again, runs once more
        EXPECT_EQ(again.asInteger(0), 1);
        t.commit();
    }
    EXPECT_EQ(attachments().toInt(), 1) << "after the cut the two share the new attachment";
}

TEST(ServerOf, TheServerPartOfADatabaseName)
{
    struct Case
    {
        const char* name;
        const char* server;
    } cases[] = {
        {"localhost/3051:/srv/velkora/user/user.fdb", "localhost/3051"},
        {R"(dbserver:D:\Suite\user\user.fdb)", "dbserver"},
        {R"(\\SRV\C:\Dati\user.fdb)", "SRV"},
        {R"(C:\Suite\user\user.fdb)", ""},
        {"/home/ufficio/velkora/user/user.fdb", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(serverOf(QString::fromUtf8(c.name)), QString::fromUtf8(c.server));
    }
}

} // namespace
