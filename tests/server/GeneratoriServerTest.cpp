// Keys from one generator for two workstations through the server on loopback.

#include "services/ChiaviConcorrenti.h"
#include "support/TestServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace velkora;

namespace {

TEST(GeneratoriServer, TwoWorkstationsInterleavedGetUniqueKeys)
{
    if (!test::serverTestsEnabled())
        GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
    const passwd* fb = getpwnam("firebird");
    ASSERT_NE(fb, nullptr) << "no user firebird";
    QTemporaryDir dir(QStringLiteral("/tmp/velkora-chiavi-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString path = test::copyTemplate(dir.path() + QStringLiteral("/ditta.fdb"));
    test::creaClienti(path);
    // The server runs as user firebird: the folder and the file are given to it.
    for (const QString& p : {dir.path(), path})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid), 0);
    const QString remoto = test::serverDatabaseName(path);
    test::creaGeneratoreClienti(remoto, 41);
    test::Postazione a(remoto, QStringLiteral("Mario Rossi"));
    test::Postazione b(remoto, QStringLiteral("Giulia Bianchi"));
    test::scenarioChiaviIntercalate(a, b, remoto);
}

} // namespace
