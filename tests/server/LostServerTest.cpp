// A server that stops and starts again under an attached program: a private server instance of
// this test alone (scripts/fbserver.sh on a free port of its own), so that stopping it disturbs no
// other test.

#include "TestPaths.h"
#include "data/TabX.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "menu/NavigationBar.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/IniFile.h"
#include "platform/ui/RecordingMessageService.h"
#include "services/WindowPositions.h"
#include "sessions/SessioniLavoro.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace velkora;

namespace {

// A port of 127.0.0.1 that nothing listens on now, below the range the system hands out to
// outgoing connections: an attach to the stopped server must not get the server's own port as its
// local one (a loopback connection to itself), which would keep the server from starting again.
int freePort()
{
    const int first = 20000 + static_cast<int>(::getpid() % 5000);
    for (int port = first; port < first + 5000; ++port) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(s);
        if (free)
            return port;
    }
    return 0;
}

class LostServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("VELKORA_SERVER_TESTS"))
            GTEST_SKIP() << "server tests are not enabled (VELKORA_SERVER_TESTS)";
        script = qEnvironmentVariable("VELKORA_FBSERVER_SCRIPT",
                                      QString::fromUtf8(test::kSourceDir) +
                                          QStringLiteral("/scripts/fbserver.sh"));
        port = freePort();
        ASSERT_GT(port, 0);
        instance = QStringLiteral("/tmp/velkora-lost-server-%1").arg(port);
        // Only a script that runs private instances on a port of their own may be stopped here.
        QString address;
        if (fbserver(QStringLiteral("address"), &address) != 0 ||
            address.trimmed() != QStringLiteral("localhost/%1").arg(port))
            GTEST_SKIP() << "scripts/fbserver.sh cannot run a private instance on its own port";
        started = true;
        ASSERT_TRUE(startServer());

        dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velkora-lost-XXXXXX"));
        ASSERT_TRUE(dir->isValid());
        path = test::copyTemplate(dir->filePath(QStringLiteral("user.fdb")));
        const passwd* fb = getpwnam("firebird");
        ASSERT_NE(fb, nullptr);
        for (const QString& p : {dir->path(), path})
            ASSERT_EQ(chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid), 0);
    }

    void TearDown() override
    {
        if (!started)
            return;
        // The instance's folder goes with it once its server has stopped.
        if (fbserver(QStringLiteral("stop")) == 0)
            QDir(instance).removeRecursively();
    }

    // On a loaded machine the server may need longer than the script waits for it: a second and
    // a third try before the test gives up.
    bool startServer()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (fbserver(QStringLiteral("start")) == 0)
                return true;
            fbserver(QStringLiteral("stop"));
        }
        return false;
    }

    int fbserver(const QString& command, QString* output = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELKORA_FBSERVER_PORT"), QString::number(port));
        env.insert(QStringLiteral("VELKORA_FBSERVER_DIR"), instance);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), {script, command});
        if (!p.waitForFinished(60000))
            return -1;
        const QString text = QString::fromLocal8Bit(p.readAll());
        if (output)
            *output = text;
        else
            std::cout << text.toStdString();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // The box of an operation that met the stopped server.
    static QString messaggioServerPerso(const QString& server)
    {
        return QStringLiteral(
                   "Il collegamento con il server del database \"%1\" si è interrotto o il server "
                   "non risponde: l'operazione non è stata completata. Controllare il collegamento "
                   "e riprovare.")
            .arg(server);
    }

    QString script;
    int port = 0;
    QString instance;
    bool started = false;
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
};

TEST_F(LostServerTest, AProgramAttachedThroughTheServerGoesOnWhenTheServerIsBack)
{
    const QString server = QStringLiteral("localhost/%1").arg(port);
    db::Database database;
    database.setDatabaseName(server + QLatin1Char(':') + path);
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    database.attach();
    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    query.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
    query.open();
    const qint64 users = query.asInteger(0);

    const QString lost = messaggioServerPerso(server);
    ASSERT_EQ(fbserver(QStringLiteral("stop")), 0);
    // The operation that meets the stopped server, then the next one, whose attach fails.
    for (const char* attempt : {"on the lost attachment", "attaching again"}) {
        SCOPED_TRACE(attempt);
        try {
            query.open();
            FAIL() << "the server is stopped";
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.isConnectionLost()) << e.message().toStdString();
            EXPECT_EQ(e.describe().message, lost);
            EXPECT_FALSE(e.describe().detail.isEmpty());
        }
    }

    ASSERT_TRUE(startServer());
    query.open();
    EXPECT_EQ(query.asInteger(0), users);
    transaction.commit();
    EXPECT_FALSE(database.connectionLost());
}

// Right after a server restart, nothing has failed yet on the program's side: the first operation
// of each kind that is safe to repeat finds the old attachment gone, attaches again and works,
// without a box (the session check before a menu call, closing the session at exit, storing the
// window's place).
TEST_F(LostServerTest, TheFirstOperationAfterARestartWorks)
{
    const QString server = QStringLiteral("localhost/%1").arg(port);
    db::Database database;
    database.setDatabaseName(server + QLatin1Char(':') + path);
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    database.attach();
    db::Transaction transaction(&database);
    transaction.params() << QStringLiteral("isc_tpb_concurrency") << QStringLiteral("isc_tpb_nowait");
    db::Query query(&database, &transaction);
    platform::RecordingMessageService messages;
    SessioniLavoro sessioni({query, messages, nullptr, 0, false});
    const qint32 codice = sessioni.apri(1);
    SessioniLavoro sessione({query, messages, nullptr, codice, false});
    QWidget finestra;
    finestra.setGeometry(40, 50, 300, 200);

    const auto conta = [&](const QString& sql) {
        db::Transaction t(&database);
        db::Query q(&database, &t);
        q.add(sql);
        q.open();
        return q.asInteger(0);
    };
    struct Caso
    {
        const char* nome;
        std::function<void()> operazione;
        std::function<bool()> riuscita;
    };
    const Caso casi[] = {
        {"the session check", [&] { EXPECT_TRUE(sessione.verifica(true)); }, [] { return true; }},
        {"storing the window's place",
         [&] { SalvaPosizioneFinestra(&finestra, 1, 1, 1, database); },
         [&] {
             return conta(QStringLiteral("SELECT COUNT(*) FROM STOPOS1 WHERE PosX=40 AND DimX=300")) == 1;
         }},
        {"closing the session", [&] { sessione.chiudi(); },
         [&] {
             return conta(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICESESSIONE=%1 "
                                         "AND DATACHIUSURA IS NOT NULL")
                              .arg(codice)) == 1;
         }},
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.nome);
        ASSERT_EQ(fbserver(QStringLiteral("stop")), 0);
        ASSERT_TRUE(startServer());
        caso.operazione();
        EXPECT_TRUE(messages.boxes().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(caso.riuscita());
    }
}

// A workstation ended from outside (a logout) while the server is gone and an edit waits unsaved in
// the customer list: no box waits for anyone, the program ends in time, and its warning output
// says that the edit was not saved (the archive indeed does not hold it).
TEST_F(LostServerTest, EndedWithTheServerGoneTheProgramEndsInTimeAndSaysTheEditIsLost)
{
    const QString server = QStringLiteral("localhost/%1").arg(port);
    const QString cartella = dir->path() + QStringLiteral("/Suite/");
    QProcess admin;
    admin.start(QStringLiteral(VELKORA_ADMIN_FILE), {QStringLiteral("demo"), cartella});
    ASSERT_TRUE(admin.waitForFinished(60000));
    ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    QProcess proprietario;
    proprietario.start(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("firebird:firebird"),
                                                 cartella + QStringLiteral("user"),
                                                 cartella + QStringLiteral("Archivi")});
    ASSERT_TRUE(proprietario.waitForFinished(10000));
    ASSERT_EQ(proprietario.exitCode(), 0);
    ASSERT_TRUE(platform::IniFile(cartella + QStringLiteral("user/dati.ini"))
                    .writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"), server));
    const QString programma = cartella + QStringLiteral("velkora-driver");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_DRIVER_FILE), programma));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE), cartella + QStringLiteral("libRubrivo.so")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE), cartella + QStringLiteral("libAnagrafi.so")));

    QProcess p;
    p.setWorkingDirectory(cartella);
    p.start(programma, {QStringLiteral("cliente")});
    ASSERT_TRUE(p.waitForStarted(10000));
    QByteArray uscita;
    while (!uscita.contains("pronto\n") && p.state() == QProcess::Running && p.waitForReadyRead(30000))
        uscita += p.readAllStandardOutput();
    ASSERT_TRUE(uscita.contains("pronto\n")) << p.readAllStandardError().toStdString();

    ASSERT_EQ(fbserver(QStringLiteral("stop")), 0);
    QElapsedTimer durata;
    durata.start();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    const bool finito = p.waitForFinished(10000);
    const qint64 millisecondi = durata.elapsed();
    if (!finito) {
        p.kill();
        p.waitForFinished(5000);
    }
    const QString errori = QString::fromLocal8Bit(p.readAllStandardError());
    ASSERT_TRUE(finito) << "still running after SIGTERM\n" << errori.toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << errori.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << errori.toStdString();
    EXPECT_LT(millisecondi, 3000);
    EXPECT_TRUE(errori.contains(QStringLiteral("che non sono stati salvati"))) << errori.toStdString();

    ASSERT_TRUE(startServer());
    db::Database archivio;
    archivio.setDatabaseName(server + QLatin1Char(':') + cartella + QStringLiteral("Archivi/Rossi/ditta.fdb"));
    archivio.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    archivio.attach();
    db::Transaction t(&archivio);
    db::Query q(&archivio, &t);
    q.add(QStringLiteral("SELECT COUNT(*) FROM CLIENTI WHERE NOTE LIKE '% Z9'"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 0);
}

// The main window of a workstation whose dati.ini names the server: the server stops while the
// user works and starts again. A click on a program meanwhile says in Italian which server is
// lost and keeps the menus shown; once the server is back, the next click builds the menus,
// without restarting the program.
TEST_F(LostServerTest, TheMainWindowGoesOnWhenTheServerIsBack)
{
    const QString server = QStringLiteral("localhost/%1").arg(port);
    // A program folder the server can reach: its user database belongs to user firebird.
    const QString cartella = dir->path() + QStringLiteral("/Suite/");
    ASSERT_TRUE(QDir().mkpath(cartella + QStringLiteral("user")));
    ASSERT_TRUE(QDir().mkpath(cartella + QStringLiteral("Grafica")));
    const QString utente = cartella + QStringLiteral("user/user.fdb");
    ASSERT_TRUE(QFile::rename(path, utente));
    const passwd* fb = getpwnam("firebird");
    for (const QString& p : {cartella, cartella + QStringLiteral("user"), utente})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid), 0);
    platform::IniFile ini(cartella + QStringLiteral("user/dati.ini"));
    ASSERT_TRUE(ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"), server));
    {
        db::Database setup;
        setup.setDatabaseName(server + QLatin1Char(':') + utente);
        setup.params() << QStringLiteral("user_name=SYSDBA")
                       << QStringLiteral("password=quillbark");
        setup.attach();
        db::Transaction t(&setup);
        for (
            const char* sql :
            {"INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'ROSSI', 'DITTA A')",
             "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
             "LIVELLO2VERSIONE) VALUES (7, 10, 0, NULL, '1', 'Archivi', '0')",
             "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
             "LIVELLO2VERSIONE) VALUES (8, 20, 0, NULL, '1', 'Magazzino', '0')"}) {
            db::Query q(&setup, &t);
            q.add(QString::fromUtf8(sql));
            q.execSql();
        }
        t.commit();
    }

    platform::RecordingMessageService messages;
    test::CurrentDirectory cwd(cartella);
    TBaseMainForm w(platform::Environment{cartella, &messages});
    ASSERT_TRUE(messages.boxes().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(w.tabX()->IBDatabaseUser.databaseName(), server + QLatin1Char(':') + utente);
    w.tabX()->NumUser = 1;
    w.tabX()->NomeUser = QStringLiteral("ROSSI");
    w.tabX()->DittaCorrente = QStringLiteral("DITTA A");
    const auto menu = [&w] {
        QStringList titoli;
        for (QAction* a : w.MenuPrincipale->actions())
            titoli << a->text();
        return titoli;
    };
    // A click on program 8 as the event loop delivers it: false when it ended in a box.
    const auto clicSulMagazzino = [&w](platform::RecordingMessageService& boxes) {
        return platform::GuardedApplication::guard(
            [&w] {
                w.CaricaMenu(8);
                return true;
            },
            boxes);
    };
    w.CaricaMenu(7);
    const QStringList archivi = menu();
    ASSERT_TRUE(archivi.contains(QStringLiteral("Archivi")));

    ASSERT_EQ(fbserver(QStringLiteral("stop")), 0);
    const QString perso = messaggioServerPerso(server);
    // Two clicks while the server is down: the one that meets the lost attachment, and the one
    // whose attach fails. Each is said, and the menus shown stay.
    for (const char* click : {"on the lost attachment", "attaching again"}) {
        SCOPED_TRACE(click);
        platform::RecordingMessageService boxes;
        EXPECT_FALSE(clicSulMagazzino(boxes));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, perso);
        EXPECT_FALSE(boxes.boxes()[0].detail.isEmpty());
        EXPECT_EQ(menu(), archivi);
    }

    ASSERT_TRUE(startServer());
    platform::RecordingMessageService boxes;
    EXPECT_TRUE(clicSulMagazzino(boxes));
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(menu().contains(QStringLiteral("Magazzino")));
    EXPECT_FALSE(menu().contains(QStringLiteral("Archivi")));
}

} // namespace
