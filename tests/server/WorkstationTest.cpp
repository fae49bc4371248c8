#include "data/TabX.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/Environment.h"
#include "platform/IniFile.h"
#include "platform/ui/RecordingMessageService.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace velkora;

namespace {

// The office set-up of the README, end to end through the server on loopback: a program folder
// whose user/dati.ini names the server makes the data form attach the server's user database
// over TCP, never a file beside the program.
class Workstation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::serverTestsEnabled())
            GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
        const passwd* fb = getpwnam("firebird");
        ASSERT_NE(fb, nullptr) << "no user firebird";
        uid = fb->pw_uid;
        gid = fb->pw_gid;
        ASSERT_TRUE(serverDisk.isValid());
        ASSERT_TRUE(workstationDisk.isValid());
        serverRoot = serverDisk.path() + QLatin1Char('/');
        workstationRoot = workstationDisk.path() + QLatin1Char('/');
    }

    // A user database at root + "Suite/user/user.fdb" holding one user of the given name; the
    // server's files belong to user firebird.
    QString makeDatabase(const QString& root, const QString& user, bool forServer)
    {
        const QString folder = root + QStringLiteral("Suite/user");
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString path = test::copyTemplate(folder + QStringLiteral("/user.fdb"));
        {
            db::Database setup;
            test::attach(setup, path);
            test::exec(setup,
                       QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (9, '") +
                           user + QStringLiteral("')"));
        }
        if (forServer) {
            for (const QString& p : {root, root + QStringLiteral("Suite"), folder, path})
                EXPECT_EQ(chown(QFile::encodeName(p).constData(), uid, gid), 0) << p.toStdString();
        }
        return path;
    }

    void writeDatiIni(const QString& programFolder, const QString& letter)
    {
        platform::IniFile ini(programFolder + QStringLiteral("user/dati.ini"));
        ASSERT_TRUE(ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"),
                                    test::testServer()));
        if (!letter.isEmpty()) {
            ASSERT_TRUE(ini.writeString(QStringLiteral("CONFIG"),
                                        QStringLiteral("Lettera Disco Server"), letter));
        }
    }

    static QString userName(TTabXForm& form)
    {
        db::Transaction t(&form.IBDatabaseUser);
        db::Query q(&form.IBDatabaseUser, &t);
        q.add(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI WHERE CODICE='9'"));
        q.open();
        return q.recordCount() == 1 ? q.asString(0) : QString();
    }

    static QString protocol(TTabXForm& form)
    {
        db::Transaction t(&form.IBDatabaseUser);
        db::Query q(&form.IBDatabaseUser, &t);
        q.add(QStringLiteral("SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS"));
        q.add(QStringLiteral("WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION"));
        q.open();
        return q.asString(0).trimmed();
    }

    static QByteArray fileHash(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }

    QTemporaryDir serverDisk{QStringLiteral("/tmp/velkora-server-XXXXXX")};
    QTemporaryDir workstationDisk{QStringLiteral("/tmp/velkora-workstation-XXXXXX")};
    QString serverRoot;
    QString workstationRoot;
    uid_t uid = 0;
    gid_t gid = 0;
    platform::RecordingMessageService messages;
};

// The program folder has the same path on the server and on every workstation; dati.ini names
// only the server. Two workstations (two data forms) share the one database through it.
TEST_F(Workstation, SamePathEverywhereSharesTheServersDatabase)
{
    const QString database = makeDatabase(serverRoot, QStringLiteral("SERVER"), true);
    const QString programFolder = serverRoot + QStringLiteral("Suite/");
    writeDatiIni(programFolder, QString());

    TTabXForm first(nullptr, 0, platform::Environment{programFolder, &messages});
    TTabXForm second(nullptr, 0, platform::Environment{programFolder, &messages});
    EXPECT_TRUE(messages.boxes().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    for (TTabXForm* form : {&first, &second}) {
        ASSERT_TRUE(form->IBDatabaseUser.attached());
        EXPECT_EQ(form->IBDatabaseUser.databaseName(), test::serverDatabaseName(database));
        EXPECT_EQ(protocol(*form), QStringLiteral("TCPv4"));
    }
    test::exec(first.IBDatabaseUser,
               QStringLiteral("UPDATE UTENTI SET NOMEUTENTE='CONDIVISO' WHERE CODICE='9'"));
    EXPECT_EQ(userName(second), QStringLiteral("CONDIVISO"));
}

// The workstation's program folder lies elsewhere (/tmp/velkora-workstation-.../Suite, its disk F)
// than the server's (/tmp/velkora-server-.../Suite, the server's disk D); dati.ini names the
// server and the letter D. The drive map turns the one into the other: the server's database is
// attached, and the file beside the program stays untouched.
TEST_F(Workstation, DriveLetterLeadsToTheServersFolder)
{
    const QString serverDatabase = makeDatabase(serverRoot, QStringLiteral("SERVER"), true);
    const QString localDatabase = makeDatabase(workstationRoot, QStringLiteral("LOCALE"), false);
    const QByteArray localBefore = fileHash(localDatabase);
    const QString programFolder = workstationRoot + QStringLiteral("Suite/");
    writeDatiIni(programFolder, QStringLiteral("D"));

    platform::Environment environment{programFolder, &messages};
    environment.drives.map(QLatin1Char('f'), workstationRoot);
    environment.drives.map(QLatin1Char('d'), serverRoot);
    TTabXForm form(nullptr, 0, environment);
    EXPECT_TRUE(messages.boxes().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(form.IBDatabaseUser.attached());
    EXPECT_EQ(form.IBDatabaseUser.databaseName(), test::serverDatabaseName(serverDatabase));
    EXPECT_EQ(protocol(form), QStringLiteral("TCPv4"));
    EXPECT_EQ(userName(form), QStringLiteral("SERVER"));
    EXPECT_EQ(fileHash(localDatabase), localBefore);
}

// A workstation whose user database is on the server reaches the company archives of the program
// folder through the same server too: its own disk holds no archive, and a mistyped archive is
// reported as missing, never created on either side.
TEST_F(Workstation, ArchivesOfTheProgramFolderAreReachedThroughTheServer)
{
    makeDatabase(serverRoot, QStringLiteral("SERVER"), true);
    // The archive on the server's disk only, beside the server's user database.
    const QString archivi = serverRoot + QStringLiteral("Suite/Archivi/Rossi");
    ASSERT_TRUE(QDir().mkpath(archivi));
    const QString archivio = test::copyTemplate(archivi + QStringLiteral("/ditta.fdb"));
    {
        db::Database setup;
        test::attach(setup, archivio);
        test::exec(setup, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (9, 'ARCHIVIO ROSSI')"));
    }
    for (const QString& p : {serverRoot + QStringLiteral("Suite/Archivi"), archivi, archivio})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), uid, gid), 0) << p.toStdString();
    const QString programFolder = workstationRoot + QStringLiteral("Suite/");
    ASSERT_TRUE(QDir().mkpath(programFolder + QStringLiteral("user")));
    writeDatiIni(programFolder, QStringLiteral("D"));

    platform::Environment environment{programFolder, &messages};
    environment.drives.map(QLatin1Char('f'), workstationRoot);
    environment.drives.map(QLatin1Char('d'), serverRoot);
    TTabXForm form(nullptr, 0, environment);
    ASSERT_TRUE(form.IBDatabaseUser.attached());
    // Named relative to the program folder, or by its full path on the workstation.
    for (const QString& percorso : {QStringLiteral("Archivi/Rossi/ditta.fdb"),
                                    programFolder + QStringLiteral("Archivi/Rossi/ditta.fdb")}) {
        SCOPED_TRACE(percorso.toStdString());
        form.MemTabX.clearRows();
        form.Inserisci(QStringLiteral("PAR"), QStringLiteral("Archivio"), QString(), percorso,
                       QString(), QString(), QString(), QString(), QString());
        EXPECT_TRUE(form.EsisteDatabase(percorso));
        form.ConnettiDatabase1(QStringLiteral("Archivio"));
        ASSERT_TRUE(form.IBDatabase1.attached());
        EXPECT_EQ(form.IBDatabase1.databaseName(), test::serverDatabaseName(archivio));
        db::Transaction t(&form.IBDatabase1);
        db::Query q(&form.IBDatabase1, &t);
        q.add(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI WHERE CODICE=9"));
        q.open();
        EXPECT_EQ(q.asString(0), QStringLiteral("ARCHIVIO ROSSI"));
        t.rollback();
        form.IBDatabase1.detach();
    }
    EXPECT_FALSE(form.EsisteDatabase(QStringLiteral("Archivi/Bianchi/ditta.fdb")));
    EXPECT_FALSE(QFileInfo::exists(programFolder + QStringLiteral("Archivi")))
        << "nothing is made on the workstation's disk";
    EXPECT_FALSE(QFileInfo::exists(serverRoot + QStringLiteral("Suite/Archivi/Bianchi")));
    EXPECT_TRUE(messages.boxes().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
}

} // namespace
