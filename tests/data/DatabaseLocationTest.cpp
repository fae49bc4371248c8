#include "storage/DatabaseLocation.h"
#include "storage/ServerPrompt.h"
#include "shell/KivIn2.h"
#include "db/Database.h"
#include "platform/IniFile.h"
#include "platform/ui/RecordingMessageService.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::platform::RecordingMessageService;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kShareWarning = QStringLiteral(
    "Attenzione: il disco con gli archivi è stato condiviso in rete con un nome - Archivi - e non "
    "con la lettera che lo identifica. Si consiglia di correggere la condivisione oppure di "
    "correggere manualmente la sezione Percorso Nel Server nel file Dati.ini accanto al database");
const QString kNetworkFailure = QStringLiteral(
    "Errore: nonostante le configurazioni, il particolare percorso di rete sta rendendo "
    "impossibile l'attivazione del database");
const QString kNoIni = QStringLiteral("Non trovato dati.ini");
const QString kNotOpened = QStringLiteral("Apertura / creazione del database non riuscita!");
const QString kCreated = QStringLiteral("Effettuata creazione data base");

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Answers the server prompt: fills the two fields and presses OK, or presses Cancel.
std::function<int(QDialog&)> answerPrompt(const QString& server, const QString& letter)
{
    return [=](QDialog& d) {
        auto& dialog = dynamic_cast<TKivIn2Form&>(d);
        dialog.Edit1->setText(server);
        dialog.Edit2->setText(letter);
        dialog.OKBtn->click();
        return dialog.result();
    };
}

int cancelPrompt(QDialog& d)
{
    auto& dialog = dynamic_cast<TKivIn2Form&>(d);
    dialog.CancelBtn->click();
    return dialog.result();
}

TEST(PercorsoDaCondivisione, NetworkFoldersBecomeServerPaths)
{
    struct Case
    {
        const char* folder;
        const char* nelServer;
        const char* path;
        bool named;
        bool stop;
        bool warned;
    } cases[] = {
        {R"(\\SRV\D\Dati\user\)", "", R"(SRV:D:\Dati\user\)", false, false, false},
        {R"(\\SRV\D\Suite\user\)", R"(E:\ignored\)", R"(SRV:D:\Suite\user\)", false, false, false},
        {R"(\\SRV\Archivi\Suite\user\)", R"(D:\Suite\user\)", R"(SRV:D:\Suite\user\)", true, false, false},
        {R"(\\SRV\Archivi\Suite\user\)", "", "", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        RecordingMessageService messages;
        const PercorsoCondivisione r = PercorsoDaCondivisione(
            QString::fromUtf8(c.folder), QString::fromUtf8(c.nelServer), messages);
        if (!c.stop) {
            EXPECT_EQ(r.percorso, QString::fromUtf8(c.path));
        }
        EXPECT_EQ(r.condivisoConNome, c.named);
        EXPECT_EQ(r.stop, c.stop);
        if (c.warned) {
            ASSERT_EQ(messages.boxes().size(), 1u);
            EXPECT_EQ(messages.boxes()[0].kind, BoxKind::Plain);
            EXPECT_EQ(messages.boxes()[0].text, kShareWarning);
        } else {
            EXPECT_TRUE(messages.boxes().empty());
        }
    }
}

TEST(NomeDatabaseSuServer, ServerAndDriveLetter)
{
    struct Case
    {
        const char* path;
        const char* server;
        const char* letter;
        const char* name;
    } cases[] = {
        {R"(F:\Suite\user\user.fdb)", "SRV", "D", R"(SRV:D:\Suite\user\user.fdb)"},
        {R"(F:\Suite\user\user.fdb)", "SRV", "", R"(SRV:F:\Suite\user\user.fdb)"},
        {R"(F:\Suite\user\user.fdb)", "", "D", R"(F:\Suite\user\user.fdb)"},
        {"/srv/velkora/user/user.fdb", "localhost", "", "localhost:/srv/velkora/user/user.fdb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NomeDatabaseSuServer(QString::fromUtf8(c.path), QString::fromUtf8(c.server),
                                       QString::fromUtf8(c.letter)),
                  QString::fromUtf8(c.name));
    }
}

// Local paths of this system go through the drive map: the letter of the folder holding the path
// is replaced and a letter the map knows becomes its folder again, so the server gets a path it
// can open. The workstations' own forms keep their rule whatever the map holds.
TEST(NomeDatabaseSuServer, LocalPathsGoThroughTheDriveMap)
{
    platform::DriveMap drives;
    drives.map(QLatin1Char('f'), QStringLiteral("/work"));
    drives.map(QLatin1Char('d'), QStringLiteral("/srv/velkora"));
    struct Case
    {
        const char* path;
        const char* letter;
        const char* name;
    } cases[] = {
        {"/work/Suite/user/user.fdb", "D", "SRV:/srv/velkora/Suite/user/user.fdb"},
        {"/work/Suite/user/user.fdb", "d", "SRV:/srv/velkora/Suite/user/user.fdb"},
        {"/srv/velkora/user/user.fdb", "D", "SRV:/srv/velkora/user/user.fdb"},
        {"/home/anna/velkora/user/user.fdb", "C", "SRV:/home/anna/velkora/user/user.fdb"},
        {"/home/anna/velkora/user/user.fdb", "F", "SRV:/work/home/anna/velkora/user/user.fdb"},
        // A letter the map does not know stays a drive, for a server that has drives.
        {"/work/Suite/user/user.fdb", "E", "SRV:E:/Suite/user/user.fdb"},
        {"/home/anna/velkora/user/user.fdb", "", "SRV:/home/anna/velkora/user/user.fdb"},
        {R"(F:\Suite\user\user.fdb)", "D", R"(SRV:D:\Suite\user\user.fdb)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + c.letter);
        EXPECT_EQ(NomeDatabaseSuServer(QString::fromUtf8(c.path), QStringLiteral("SRV"),
                                       QString::fromUtf8(c.letter), drives),
                  QString::fromUtf8(c.name));
    }
    // The standard map knows only c: before it, "/home/..." with D became "SRV:Dhome/...".
    EXPECT_EQ(NomeDatabaseSuServer(QStringLiteral("/home/anna/velkora/user/user.fdb"),
                                   QStringLiteral("SRV"), QStringLiteral("D")),
              QStringLiteral("SRV:D:/home/anna/velkora/user/user.fdb"));
}

// A file of the program folder named while the user database is on a server is reached through
// that server, below the server's program folder (the user database's place without
// "user/user.fdb"); anything else is left to the usual rules (empty result).
TEST(NomeSulServerDegliUtenti, FilesOfTheProgramFolderGoToTheUsersServer)
{
    QTemporaryDir programma;
    ASSERT_TRUE(programma.isValid());
    const QString cartella = programma.path() + QLatin1Char('/');
    // An archive whose folder on the workstation has a dati.ini of its own.
    ASSERT_TRUE(QDir().mkpath(cartella + QStringLiteral("Archivi/Propria")));
    ASSERT_TRUE(platform::IniFile(cartella + QStringLiteral("Archivi/Propria/dati.ini"))
                    .writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"),
                                 QStringLiteral("altro")));
    const QString serverUtenti = QStringLiteral("localhost/3051:/srv/velkora/user/user.fdb");
    struct Case
    {
        QString utenti;
        QString percorso;
        QString nome;
    } cases[] = {
        {serverUtenti, cartella + QStringLiteral("Archivi/Rossi/ditta.fdb"),
         QStringLiteral("localhost/3051:/srv/velkora/Archivi/Rossi/ditta.fdb")},
        {serverUtenti, QStringLiteral("Archivi\\Rossi\\ditta.fdb"),
         QStringLiteral("localhost/3051:/srv/velkora/Archivi/Rossi/ditta.fdb")},
        {serverUtenti, cartella + QStringLiteral("Archivi/../dati.fdb"),
         QStringLiteral("localhost/3051:/srv/velkora/dati.fdb")},
        // A server with drives keeps its own separator.
        {QStringLiteral("SRV:D:\\Suite\\USER\\User.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"),
         QStringLiteral("SRV:D:\\Suite\\Archivi\\Rossi\\ditta.fdb")},
        // Outside the program folder, or not a file of it.
        {serverUtenti, QStringLiteral("/srv/altrove/ditta.fdb"), QString()},
        {serverUtenti, QStringLiteral("../ditta.fdb"), QString()},
        {serverUtenti, cartella + QStringLiteral("../ditta.fdb"), QString()},
        {serverUtenti, QStringLiteral("C:\\Dati\\ditta.fdb"), QString()},
        {serverUtenti, QString(), QString()},
        // Its folder's own dati.ini decides.
        {serverUtenti, cartella + QStringLiteral("Archivi/Propria/ditta.fdb"), QString()},
        // The user database opened in-process, by the named-pipe form, or not as "user/user.fdb".
        {cartella + QStringLiteral("user/user.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"), QString()},
        {QStringLiteral("\\\\SRV\\C:\\Dati\\user.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"), QString()},
        {QStringLiteral("localhost:/srv/velkora/utenti.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.utenti + QStringLiteral(" | ") + c.percorso).toStdString());
        EXPECT_EQ(NomeSulServerDegliUtenti(c.utenti, cartella, c.percorso), c.nome);
    }
}

// The Windows forms of a location, run through the real client from a folder of the test's
// own: the names tried are what the workstation would use, and nothing is created elsewhere.
class NetworkLocation : public ::testing::Test
{
protected:
    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database connection;
};

TEST_F(NetworkLocation, NamedPipeFormFromDatiIniAddsABackslashAndTriesNothingElse)
{
    const QString cartella = QStringLiteral(R"(\\SRV\Archivi\Suite\user\)");
    platform::IniFile ini(cartella + QStringLiteral("dati.ini")); // relative: in the test folder
    ASSERT_TRUE(ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("PercorsoDatabase"),
                                QStringLiteral(R"(C:\Dati)")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"),
                                QStringLiteral("SRV")));
    ApriOCreaDatabase(connection, cartella, QStringLiteral("user.fdb"), {}, {}, nullptr,
                      folder.messages);
    EXPECT_EQ(connection.databaseName(), QStringLiteral(R"(\\SRV\C:\Dati\user.fdb)"));
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty()) << "no prompt in the named-pipe form";
}

TEST_F(NetworkLocation, DriveLetterShareTriesTheServerFormThenPrompts)
{
    folder.messages.onNextDialog(cancelPrompt);
    const bool ok = ApriOCreaDatabase(connection, QStringLiteral(R"(\\SRV\D\Suite\user\)"),
                                      QStringLiteral("user.fdb"), {}, {}, nullptr, folder.messages);
    EXPECT_FALSE(ok);
    EXPECT_EQ(connection.databaseName(), QStringLiteral(R"(SRV:D:\Suite\user\user.fdb)"));
    EXPECT_EQ(folder.messages.texts(), (QStringList{kNoIni, kNotOpened}));
}

TEST_F(NetworkLocation, NamedShareWithoutServerPathWarnsAndTriesNothing)
{
    const bool ok = ApriOCreaDatabase(connection, QStringLiteral(R"(\\SRV\Archivi\Suite\user\)"),
                                      QStringLiteral("user.fdb"), {}, {}, nullptr, folder.messages);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(connection.databaseName().isEmpty()) << "nothing attached or created";
    EXPECT_EQ(folder.messages.texts(), QStringList{kShareWarning});
}

TEST_F(NetworkLocation, NamedShareWithServerPathThatFailsReportsTheNetworkPath)
{
    const QString cartella = QStringLiteral(R"(\\SRV\Archivi\Suite\user\)");
    platform::IniFile(cartella + QStringLiteral("dati.ini"))
        .writeString(QStringLiteral("CONFIG"), QStringLiteral("Percorso Nel Server"),
                     QStringLiteral(R"(D:\Suite\user\)"));
    const bool ok = ApriOCreaDatabase(connection, cartella, QStringLiteral("user.fdb"), {}, {},
                                      nullptr, folder.messages);
    EXPECT_FALSE(ok);
    EXPECT_EQ(connection.databaseName(), QStringLiteral(R"(SRV:D:\Suite\user\user.fdb)"));
    EXPECT_EQ(folder.messages.texts(), QStringList{kNetworkFailure});
}

// A local folder where the database can be neither attached nor created: the folder the file
// name leads into does not exist (a path that is a folder itself is refused with its own box).
// The user is asked for the server.
class UnreachableDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cartella = folder.path() + QStringLiteral("dati/");
        folder.makeFolder(QStringLiteral("dati"));
    }
    bool apri()
    {
        return ApriOCreaDatabase(connection, cartella, QStringLiteral("manca/user.fdb"), {}, {},
                                 nullptr, folder.messages);
    }
    QString ini(const char* key)
    {
        return platform::IniFile(cartella + QStringLiteral("dati.ini"))
            .readString(QStringLiteral("config"), QString::fromUtf8(key), QStringLiteral("<none>"));
    }

    ProgramFolder folder;
    QString cartella;
    db::Database connection;
};

TEST_F(UnreachableDatabase, PromptIsSetUpAsDesigned)
{
    folder.messages.onNextDialog([](QDialog& d) {
        auto& dialog = dynamic_cast<TKivIn2Form&>(d);
        EXPECT_EQ(dialog.windowTitle(), kNoIni);
        EXPECT_EQ(dialog.Label1->text(),
                  QStringLiteral("Inserire il nome del computer e la lettera della sua\r\nunità "
                                 "disco dove risulta ospitato (o sarà ospitato) il database"));
        EXPECT_EQ(dialog.font().family(), QStringLiteral("Arial"));
        EXPECT_EQ(dialog.font().pointSize(), 8);
        EXPECT_EQ(dialog.Label1->y(), 22) << "moved 10 pixels up";
        EXPECT_TRUE(dialog.Edit1->text().isEmpty());
        EXPECT_TRUE(dialog.Edit2->text().isEmpty());
        return cancelPrompt(d);
    });
    apri();
    EXPECT_EQ(folder.messages.dialogTitles(), QStringList{kNoIni});
}

TEST_F(UnreachableDatabase, PromptAnswersAreWrittenToDatiIni)
{
    struct Case
    {
        const char* server;
        const char* letter;
        const char* storedServer;
        const char* storedLetter;
        const char* tried;
    } cases[] = {
        // A port where no server listens: the attach fails at once.
        {"localhost/3059", "", "localhost/3059", "<none>", "localhost/3059:"},
        {"localhost/3059", "D", "localhost/3059", "D", "localhost/3059:D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        QFile::remove(cartella + QStringLiteral("dati.ini"));
        folder.messages.clear();
        folder.messages.onNextDialog(answerPrompt(QString::fromUtf8(c.server), QString::fromUtf8(c.letter)));
        EXPECT_FALSE(apri());
        EXPECT_EQ(ini("Nome Server"), QString::fromUtf8(c.storedServer));
        EXPECT_EQ(ini("Lettera Disco Server"), QString::fromUtf8(c.storedLetter));
        EXPECT_TRUE(connection.databaseName().startsWith(QString::fromUtf8(c.tried)))
            << connection.databaseName().toStdString();
        EXPECT_EQ(folder.messages.texts(), QStringList{kNoIni}) << "the caller reports the failure";
    }
}

TEST_F(UnreachableDatabase, CancelledOrClosedPromptLeavesDatiIniAlone)
{
    const std::function<int(QDialog&)> endings[] = {
        cancelPrompt,
        [](QDialog& d) {
            d.close(); // the title bar's close button: Esito stays 0
            EXPECT_EQ(dynamic_cast<TKivIn2Form&>(d).Esito, 0);
            return d.result();
        },
    };
    for (const auto& ending : endings) {
        folder.messages.clear();
        folder.messages.onNextDialog(ending);
        EXPECT_FALSE(apri());
        EXPECT_FALSE(QFile::exists(cartella + QStringLiteral("dati.ini")));
        EXPECT_EQ(folder.messages.texts(), (QStringList{kNoIni, kNotOpened}));
    }
}

// The data form asks through whatever prompt the program installed; the dialog is only the
// start program's choice. Without one the question goes unanswered, as a cancelled prompt.
TEST_F(UnreachableDatabase, TheQuestionGoesToTheInstalledPrompt)
{
    class ScriptedPrompt : public ServerPrompt
    {
    public:
        std::optional<Risposta> chiedi(const QString& titolo, const QString& testo, QWidget*,
                                       platform::MessageService&) override
        {
            asked << titolo << testo;
            return Risposta{QStringLiteral("localhost/3059"), QStringLiteral("Q")};
        }
        QStringList asked;
    };
    struct Restore
    {
        ServerPrompt* previous = ServerPrompt::installed();
        ~Restore() { ServerPrompt::install(previous); }
    } restore;

    ScriptedPrompt scripted;
    ServerPrompt::install(&scripted);
    EXPECT_FALSE(apri());
    ASSERT_EQ(scripted.asked.size(), 2);
    EXPECT_EQ(scripted.asked.at(0), kNoIni);
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
    EXPECT_EQ(ini("Nome Server"), QStringLiteral("localhost/3059"));
    EXPECT_EQ(ini("Lettera Disco Server"), QStringLiteral("Q"));
    EXPECT_TRUE(connection.databaseName().startsWith(QStringLiteral("localhost/3059:")));

    QFile::remove(cartella + QStringLiteral("dati.ini"));
    folder.messages.clear();
    ServerPrompt::install(nullptr);
    EXPECT_FALSE(apri());
    EXPECT_FALSE(QFile::exists(cartella + QStringLiteral("dati.ini")));
    EXPECT_EQ(folder.messages.texts(), (QStringList{kNoIni, kNotOpened}));
}

TEST_F(UnreachableDatabase, ConfiguredServerIsUsedWithoutPrompt)
{
    platform::IniFile(cartella + QStringLiteral("dati.ini"))
        .writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"), QStringLiteral("localhost/3059"));
    EXPECT_FALSE(apri());
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
    EXPECT_EQ(connection.databaseName(), QStringLiteral("localhost/3059:") + cartella + QStringLiteral("manca/user.fdb"));
}

// A local folder whose dati.ini names the server: the database is the server's, even with a
// database file in the folder itself, which is neither attached nor changed. (No server listens
// on the port, so the attempt through it fails and nothing else is tried.)
TEST(ApriOCreaDatabase, NamedServerIsUsedInsteadOfTheLocalFile)
{
    ProgramFolder folder;
    const QString local = folder.installUserDatabase();
    const QString cartella = folder.file(QStringLiteral("user/"));
    const QByteArray before = fileHash(local);
    platform::IniFile ini(cartella + QStringLiteral("dati.ini"));
    ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"), QStringLiteral("localhost/3059"));
    ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Lettera Disco Server"), QStringLiteral("C"));
    db::Database connection;
    EXPECT_FALSE(ApriOCreaDatabase(connection, cartella, QStringLiteral("user.fdb"), {}, {}, nullptr,
                                   folder.messages));
    EXPECT_FALSE(connection.attached());
    EXPECT_EQ(connection.databaseName(), QStringLiteral("localhost/3059:") + local)
        << "C is the root in the standard map: the server gets the same path";
    EXPECT_EQ(fileHash(local), before);
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
    EXPECT_TRUE(folder.messages.boxes().empty()) << "the caller reports the failure";

    // Without a server name the folder's own file is attached, as before.
    QFile::remove(cartella + QStringLiteral("dati.ini"));
    EXPECT_TRUE(ApriOCreaDatabase(connection, cartella, QStringLiteral("user.fdb"), {}, {}, nullptr,
                                  folder.messages));
    EXPECT_EQ(connection.databaseName(), local);
}

TEST(ConnettiOCrea, AnExistingFileThatIsNoDatabaseIsNeverReplaced)
{
    ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("user.fdb"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'x'));
    f.close();
    const QByteArray before = fileHash(path);
    db::Database connection;
    EXPECT_FALSE(ConnettiOCrea(connection, path, {}, {}, {}, {}, folder.messages));
    EXPECT_FALSE(connection.attached());
    EXPECT_EQ(fileHash(path), before);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST(ConnettiOCrea, MissingDatabaseIsCreatedWithTheSuiteCredentials)
{
    ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("nuovo.fdb"));
    db::Database connection;
    ASSERT_TRUE(ConnettiOCrea(connection, path, {}, {}, {}, {}, folder.messages));
    EXPECT_TRUE(connection.attached());
    EXPECT_EQ(connection.params(),
              (QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")}));
    EXPECT_EQ(folder.messages.texts(), QStringList{kCreated});
    // A second time the file is attached, not created again.
    folder.messages.clear();
    db::Database again;
    ASSERT_TRUE(ConnettiOCrea(again, path, {}, {}, {}, {}, folder.messages));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

// A user database that is there but cannot be opened: the user learns which file and why before
// the usual question for the server, and the file is left as it was.
class UnopenableDatabase : public ::testing::Test
{
protected:
    void SetUp() override { folder.makeFolder(QStringLiteral("user")); }
    void TearDown() override
    {
        if (holder.state() != QProcess::NotRunning) {
            holder.closeWriteChannel();
            if (!holder.waitForFinished(10000))
                holder.kill();
        }
    }

    bool apri()
    {
        return ApriOCreaDatabase(connection, folder.path() + QStringLiteral("user/"),
                                 QStringLiteral("user.fdb"), {}, {}, nullptr, folder.messages);
    }

    // Another program instance holding the database with the embedded engine: an interactive
    // isql session attached to it, waiting for its next command.
    void holdFromAnotherProcess(const QString& path)
    {
        holder.setProcessChannelMode(QProcess::MergedChannels);
        holder.start(QStringLiteral("isql-fb"), {QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                 QStringLiteral("-password"), QStringLiteral("quillbark"),
                                                 path});
        ASSERT_TRUE(holder.waitForStarted()) << "isql-fb (firebird3.0-utils) is needed";
        holder.write("SELECT 'attached' || 'ok' FROM RDB$DATABASE;\n");
        QByteArray output;
        while (!output.contains("attachedok") && holder.waitForReadyRead(10000))
            output += holder.readAll();
        ASSERT_TRUE(output.contains("attachedok")) << output.toStdString();
    }

    ProgramFolder folder;
    db::Database connection;
    QProcess holder;
};

TEST_F(UnopenableDatabase, SaysWhichFileAndWhyBeforeAskingForTheServer)
{
    enum class Setup { Garbage, NoPermission, HeldByAnotherProcess, Missing };
    struct Case
    {
        const char* name;
        Setup setup;
        const char* reason; // null: no box of its own
    } cases[] = {
        {"a file that is no database", Setup::Garbage,
         "il file non è un database valido oppure è danneggiato."},
        {"a file without permissions", Setup::NoPermission,
         "mancano i permessi per leggere o scrivere il file."},
        {"a database held by another process", Setup::HeldByAnotherProcess,
         "il file è già aperto da un altro programma (un'altra copia del programma o un server di "
         "database)."},
        {"no file at all: created without a word of its own", Setup::Missing, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.userDatabase();
        QFile::remove(path);
        folder.messages.clear();
        switch (c.setup) {
        case Setup::Garbage: {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(16384, 'x'));
            break;
        }
        case Setup::NoPermission:
            test::copyTemplate(path);
            // Even for root the engine refuses a file that grants nobody reading or writing.
            ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
            break;
        case Setup::HeldByAnotherProcess:
            test::copyTemplate(path);
            holdFromAnotherProcess(path);
            break;
        case Setup::Missing:
            break;
        }
        const QByteArray before = fileHash(path);
        if (c.reason)
            folder.messages.onNextDialog(cancelPrompt);
        const bool ok = apri();

        if (!c.reason) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(folder.messages.texts(), QStringList{kCreated});
            connection.detach();
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(fileHash(path), before) << "the file is left as it was";
        ASSERT_EQ(folder.messages.boxes().size(), 3u) << folder.messages.texts().join(u'|').toStdString();
        const auto& box = folder.messages.boxes().front();
        EXPECT_EQ(box.kind, BoxKind::Error);
        EXPECT_EQ(box.text, QStringLiteral("Impossibile aprire il database \"%1\": %2")
                                .arg(path, QString::fromUtf8(c.reason)));
        EXPECT_TRUE(box.detail.contains(path)) << "the engine's words: " << box.detail.toStdString();
        EXPECT_EQ(folder.messages.texts().mid(1), (QStringList{kNoIni, kNotOpened}))
            << "then the usual way";
        EXPECT_EQ(folder.messages.dialogTitles(), QStringList{kNoIni});

        if (c.setup == Setup::HeldByAnotherProcess) {
            holder.closeWriteChannel();
            ASSERT_TRUE(holder.waitForFinished(10000));
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

} // namespace
