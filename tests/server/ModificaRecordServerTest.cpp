#include "services/PostazioniModifica.h"
#include "support/TestServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace velkora;

namespace {

// Two workstations editing one customers table through the Firebird server on loopback, each
// with its own TCP attachment, as two computers of an office do.
TEST(ModificaRecordServer, TwoWorkstationsThroughTheServer)
{
    if (!test::serverTestsEnabled())
        GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
    const passwd* fb = getpwnam("firebird");
    ASSERT_NE(fb, nullptr) << "no user firebird";

    const struct
    {
        const char* name;
        std::function<void(test::Postazione&, test::Postazione&, const QString&)> scenario;
    } cases[] = {
        {"held row", test::scenarioRigaTenuta},
        {"deletion of a held row", test::scenarioCancellazioneTenuta},
        {"row deleted, then edited", test::scenarioCancellataPoiModificata},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir(QStringLiteral("/tmp/velkora-server-XXXXXX"));
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("ditta.fdb"));
        ASSERT_FALSE(test::copyTemplate(path).isEmpty());
        for (const QString& p : {dir.path(), path})
            ASSERT_EQ(chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid), 0)
                << p.toStdString();
        const QString name = test::serverDatabaseName(path);
        test::creaClienti(name);
        test::Postazione a(name, QStringLiteral("Mario Rossi"));
        test::Postazione b(name, QStringLiteral("Giulia Bianchi"));
        ASSERT_TRUE(a.form.IBDatabase1.databaseName().contains(QLatin1Char(':')));
        c.scenario(a, b, name);
    }
}

} // namespace
