// A server that cannot be reached at all (the machine is off, the network drops every packet): the
// attach gives up after its connect time-out and says which server does not answer, instead of
// leaving the user's window frozen for the operating system's TCP time-out (minutes). The test runs
// in a network namespace of its own where packets to the server's address vanish without a reply.

#include "db/Database.h"
#include "db/DbError.h"

#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

using namespace velkora;

namespace {

bool ip(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral("ip"), arguments);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TEST(UnreachableServer, TheAttachGivesUpWithinTwoSeconds)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "a network namespace of its own needs root";
    // This test process only: a new network namespace with a link whose far end drops everything
    // (its neighbour's address belongs to nobody on the link).
    ASSERT_EQ(unshare(CLONE_NEWNET), 0);
    ASSERT_TRUE(ip({"link", "set", "lo", "up"}));
    ASSERT_TRUE(ip({"link", "add", "v0", "type", "veth", "peer", "name", "v1"}));
    ASSERT_TRUE(ip({"addr", "add", "10.99.0.1/24", "dev", "v0"}));
    ASSERT_TRUE(ip({"link", "set", "v1", "up"}));
    ASSERT_TRUE(ip({"link", "set", "v0", "up"}));
    ASSERT_TRUE(ip({"neigh", "add", "10.99.0.2", "lladdr", "02:00:00:00:00:02", "dev", "v0", "nud",
                    "permanent"}));

    db::Database database;
    database.setDatabaseName(QStringLiteral("10.99.0.2/3051:/srv/velkora/user/user.fdb"));
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    QElapsedTimer durata;
    durata.start();
    try {
        database.attach();
        FAIL() << "attached a server nobody runs";
    } catch (const db::DbError& e) {
        EXPECT_LT(durata.elapsed(), 2000);
        EXPECT_TRUE(e.isConnectionLost()) << e.message().toStdString();
        EXPECT_EQ(e.describe().message,
                  QStringLiteral("Il collegamento con il server del database \"10.99.0.2/3051\" si è "
                                 "interrotto o il server non risponde: l'operazione non è stata "
                                 "completata. Controllare il collegamento e riprovare."));
    }
}

} // namespace
