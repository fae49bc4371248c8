#include "storage/DatabaseLocation.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/ui/RecordingMessageService.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

using namespace velkora;

namespace {

// Tests through the Firebird server on loopback, the way a second workstation reaches the
// database. scripts/test.sh starts the server, sets VELKORA_SERVER_TESTS and names the server in
// VELKORA_TEST_SERVER; without the first these tests are skipped, with it a server that cannot
// be reached is a failure.
class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::serverTestsEnabled())
            GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
        // The server runs as user firebird: the folder and the files it serves must be its own.
        dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velkora-server-XXXXXX"));
        ASSERT_TRUE(dir->isValid());
        folder = dir->path() + QLatin1Char('/');
        const passwd* fb = getpwnam("firebird");
        ASSERT_NE(fb, nullptr) << "no user firebird";
        uid = fb->pw_uid;
        gid = fb->pw_gid;
        giveToServer(dir->path());
    }

    void giveToServer(const QString& path)
    {
        ASSERT_EQ(chown(QFile::encodeName(path).constData(), uid, gid), 0) << path.toStdString();
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString folder;
    uid_t uid = 0;
    gid_t gid = 0;
};

TEST_F(ServerTest, AttachesAnExistingDatabaseByServerAndPath)
{
    const QString path = folder + QStringLiteral("user.fdb");
    test::copyTemplate(path);
    giveToServer(path);
    {
        db::Database setup;
        test::attach(setup, path);
        test::exec(setup, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (7, 'SERVER')"));
    }
    platform::RecordingMessageService messages;
    db::Database connection;
    ASSERT_TRUE(ConnettiOCrea(connection, path, test::testServer(), QString(), QString(),
                              QString(), messages));
    EXPECT_EQ(connection.databaseName(), test::serverDatabaseName(path));
    EXPECT_TRUE(messages.boxes().empty()) << "attached, not created";
    db::Transaction t(&connection);
    db::Query q(&connection, &t);
    q.add(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI WHERE CODICE='7'"));
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.asString(0), QStringLiteral("SERVER"));
}

TEST_F(ServerTest, CreatesAMissingDatabaseThroughTheServer)
{
    const QString path = folder + QStringLiteral("nuovo.fdb");
    platform::RecordingMessageService messages;
    db::Database connection;
    ASSERT_TRUE(ConnettiOCrea(connection, path, test::testServer(), QString(), QString(),
                              QString(), messages));
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Effettuata creazione data base")});
    const QFileInfo info(path);
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.ownerId(), uid) << "made by the server, not by this process";
}

} // namespace
