// A lost attachment, as the engine really reports it: the attachment is ended from a second one
// (DELETE FROM MON$ATTACHMENTS), both in this process on the embedded engine.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
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

TEST_F(LostConnectionTest, TheFirstOperationReportsTheLossAndTheNextAttachesAgain)
{
    struct Case
    {
        const char* name;
        bool openTransaction; // a transaction of the program is running when the cut comes
        std::function<void(Query&, Transaction&)> operation;
    };
    const Case cases[] = {
        {"a selection", false, [](Query& q, Transaction&) { q.open(); }},
        {"a selection in a running transaction", true, [](Query& q, Transaction&) { q.open(); }},
        {"a change", false,
         [](Query& q, Transaction&) {
             q.setSql({QStringLiteral("UPDATE UTENTI SET DITTA='X' WHERE CODICE=-1")});
             q.execSql();
         }},
        {"the start of a transaction", false, [](Query&, Transaction& t) { t.start(); }},
        {"the commit of a running transaction", true, [](Query&, Transaction& t) { t.commit(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 before = users();
        Query q(&program, &tr);
        q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        if (c.openTransaction)
            tr.start();
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

        // The next operation attaches again and works, with statements prepared before.
        if (tr.active())
            tr.rollback();
        EXPECT_EQ(users(), before);
        EXPECT_FALSE(program.connectionLost());
        q.setSql({QStringLiteral("SELECT COUNT(*) FROM UTENTI")});
        q.open();
        EXPECT_EQ(q.asInteger(0), before);
        tr.commit();
    }
}

TEST_F(LostConnectionTest, AFailedAttachIsReportedAndTheFollowingOperationTriesAgain)
{
    cut();
    EXPECT_THROW(users(), DbError);
    // The file cannot be found for the moment (and no attachment of this process keeps it open):
    // attaching again fails, with its own reason.
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
