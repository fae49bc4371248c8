// Typed parameters of two workstations whose first general connection names the TABX database
// on the server, as an office keeps them.

#include "data/TabX.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace velkora;

namespace {

TEST(TabXServer, ConnettiDatabase1ReachesTheServerAndBothWorkstationsShareTabx)
{
    if (!test::serverTestsEnabled())
        GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
    const passwd* fb = getpwnam("firebird");
    ASSERT_NE(fb, nullptr) << "no user firebird";
    QTemporaryDir dir(QStringLiteral("/tmp/velkora-tabx-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString path = test::copyTabxTemplate(dir.path() + QStringLiteral("/tabx.fdb"));
    for (const QString& p : {dir.path(), path})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid), 0);
    const QString remoto = test::serverDatabaseName(path);

    // Two workstations, mode 3 (no user database of their own), the same user.
    test::ProgramFolder cartellaA;
    test::ProgramFolder cartellaB;
    TTabXForm a(nullptr, 3, cartellaA.environment());
    TTabXForm b(nullptr, 3, cartellaB.environment());
    for (TTabXForm* form : {&a, &b}) {
        form->Inserisci(QStringLiteral("GEN"), QStringLiteral("ArchivioTabX"), {}, remoto, {}, {},
                        {}, {}, {});
        form->ConnettiDatabase1(QStringLiteral("ArchivioTabX"));
        ASSERT_TRUE(form->IBDatabase1.attached());
        EXPECT_EQ(form->IBDatabase1.databaseName(), remoto);
        form->NumUser = 5;
    }
    EXPECT_TRUE(cartellaA.messages.boxes().empty());
    EXPECT_TRUE(cartellaB.messages.boxes().empty());

    ASSERT_TRUE(a.AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("1"),
                                          QStringLiteral("CartellaStampe"), {},
                                          QStringLiteral("\\\\srv\\stampe"), {}, {}, {}, {}));
    // b's transaction started before a committed: it starts again to see the new value.
    b.IBTransaction1.restart();
    EXPECT_TRUE(b.VerificaEsistenzaInTabX(QStringLiteral("1"), QStringLiteral("1"),
                                          QStringLiteral("CartellaStampe")));
    b.AggiornaParametriTabX();
    QString valore;
    b.GetV(QStringLiteral("CartellaStampe"), valore);
    EXPECT_EQ(valore, QStringLiteral("\\\\srv\\stampe"));

    ASSERT_TRUE(b.ScriviParametroInTabX(QStringLiteral("1"), QStringLiteral("1"),
                                        QStringLiteral("CartellaStampe"), {},
                                        QStringLiteral("\\\\srv2\\stampe"), {}, {}));
    a.IBTransaction1.restart();
    a.AggiornaParametriTabX();
    a.GetV(QStringLiteral("CartellaStampe"), valore);
    EXPECT_EQ(valore, QStringLiteral("\\\\srv2\\stampe"));

    db::Database controllo;
    test::attach(controllo, remoto);
    EXPECT_EQ(test::rows(controllo, QStringLiteral("SELECT NOME, TESTO FROM TABX WHERE UTENTE=5")),
              QStringList{QStringLiteral("CartellaStampe|\\\\srv2\\stampe")});
}

} // namespace
