#include "TestPaths.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkora::test {
namespace {

// The libraries the program and the tool need beside them: the data form and the rules below it.
const QStringList kLibrerieDati = {QStringLiteral("libvelkoradata.so"),
                                   QStringLiteral("libvelkoracore.so")};

struct ToolResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

QString builtTool()
{
    return QDir(QString::fromUtf8(kProgramDir)).filePath(QStringLiteral("velkora-admin"));
}

// velkora-admin run as a separate process, as the build and the README run it (or a copy of it
// placed elsewhere).
ToolResult runTool(const QStringList& arguments, const QString& tool = builtTool())
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "velkora-admin did not finish";
        return {};
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList outputLines(const ToolResult& result)
{
    return result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class AdminToolTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString folder() const { return m_dir.filePath(QStringLiteral("programma")); }
    QString userDatabase() const { return folder() + QStringLiteral("/user/user.fdb"); }

    // The first column of every row of a statement on the folder's user database.
    QStringList column(const QString& sql)
    {
        db::Database database;
        attach(database, userDatabase());
        db::Transaction transaction(&database);
        db::Query query(&database, &transaction);
        query.add(sql);
        query.open();
        QStringList values;
        for (query.first(); !query.eof(); query.next())
            values << query.asString(0);
        return values;
    }

    QTemporaryDir m_dir;
};

TEST_F(AdminToolTest, InitLaysOutAnEmptyFolderThatCheckFindsComplete)
{
    const ToolResult init = runTool({QStringLiteral("init"), folder()});
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();

    for (const char* entry : {"user/user.fdb", "Grafica/Verde.bmp", "Grafica/Rosso.bmp"}) {
        SCOPED_TRACE(entry);
        EXPECT_TRUE(QFileInfo(QDir(folder()).filePath(QString::fromUtf8(entry))).isFile());
    }
    EXPECT_TRUE(QFileInfo(folder() + QStringLiteral("/NOMIDIT/USERCFG")).isDir());
    EXPECT_FALSE(QImage(folder() + QStringLiteral("/Grafica/Verde.bmp")).isNull());
    EXPECT_TRUE(column(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI")).isEmpty());

    const ToolResult check = runTool({QStringLiteral("check"), folder()});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_TRUE(check.out.isEmpty()) << check.out.toStdString();
}

TEST_F(AdminToolTest, DemoLoadsUsersMenusAndTheIconsTheyName)
{
    const ToolResult demo = runTool({QStringLiteral("demo"), folder()});
    ASSERT_EQ(demo.exitCode, 0) << demo.err.toStdString();

    EXPECT_EQ(column(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI ORDER BY CODICE")),
              (QStringList{"Mario Rossi", "Giulia Bianchi", "Luca Verdi", "Amministratore",
                           "Paolo Neri", "Anna Esposito"}));
    // The main demo user's project has programs and the first of them a menu bar.
    EXPECT_FALSE(column(QStringLiteral("SELECT M.DESCRIZIONE FROM DETTMENU M JOIN DETTPROGETTI D "
                                       "ON D.PROGRAMMA = M.PROGRAMMA JOIN UTENTI U ON U.PROGETTO = "
                                       "D.PROGETTO WHERE U.CODICE = 1 AND M.LIVELLOMENU = 0 AND "
                                       "M.VISIBILE = '1'"))
                     .isEmpty());

    const QStringList icons = column(QStringLiteral(
        "SELECT ICONA FROM PROGRAMMI WHERE ICONA IS NOT NULL AND ICONA <> '' ORDER BY CODICE"));
    ASSERT_FALSE(icons.isEmpty());
    for (const QString& icon : icons) {
        SCOPED_TRACE(icon.toStdString());
        const QImage image(folder() + QStringLiteral("/Grafica/") + icon);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(32, 32));
    }

    const ToolResult check = runTool({QStringLiteral("check"), folder()});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
}

// A database in place holds an office's data: every command that would create it must refuse
// and leave the file exactly as it was.
TEST_F(AdminToolTest, CommandsRefuseAnExistingDatabaseAndLeaveItUntouched)
{
    ASSERT_EQ(runTool({QStringLiteral("init"), folder()}).exitCode, 0);
    const QByteArray before = fileHash(userDatabase());
    ASSERT_FALSE(before.isEmpty());
    const QString expected = QStringLiteral("Il database %1 esiste già: non viene sovrascritto")
                                 .arg(QDir::toNativeSeparators(userDatabase()));

    const QStringList commands[] = {
        {QStringLiteral("init"), folder()},
        {QStringLiteral("demo"), folder()},
        {QStringLiteral("template"), userDatabase()},
        {QStringLiteral("tabx"), userDatabase()},
    };
    for (const QStringList& arguments : commands) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.contains(expected)) << result.err.toStdString();
        EXPECT_EQ(fileHash(userDatabase()), before);
    }
}

// An archive made before the items existed gets their table and generator from "ditta", its rows
// kept; a second run finds nothing to add; a database that is no archive is left as it was.
TEST_F(AdminToolTest, DittaCompletesAnOlderArchiveAndLeavesOtherDatabasesAlone)
{
    const QString archivio = QDir(folder()).filePath(QStringLiteral("vecchia.fdb"));
    QString vecchio = data::SchemaInstaller::dittaSchemaSql();
    vecchio.remove(QRegularExpression(QStringLiteral(R"(CREATE TABLE ARTICOLI[^;]*;|CREATE INDEX ARTICOLI_[^;]*;|CREATE GENERATOR CODICEARTICOLICOUNTER;)")));
    ASSERT_FALSE(vecchio.contains(QStringLiteral("ARTICOLI")));
    data::SchemaInstaller::createDatabase(archivio, vecchio);
    {
        db::Database ditta;
        test::attach(ditta, archivio);
        test::exec(ditta, QStringLiteral("INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE) VALUES (1, 'Caffè Ducale')"));
    }

    const ToolResult primo = runTool({QStringLiteral("ditta"), archivio});
    EXPECT_EQ(primo.exitCode, 0) << primo.err.toStdString();
    EXPECT_TRUE(primo.out.contains(QStringLiteral(": tabella ARTICOLI"))) << primo.out.toStdString();
    EXPECT_TRUE(primo.out.contains(QStringLiteral(": generatore CODICEARTICOLICOUNTER")))
        << primo.out.toStdString();
    {
        db::Database ditta;
        test::attach(ditta, archivio);
        EXPECT_TRUE(data::SchemaInstaller::missingObjects(ditta, data::SchemaInstaller::dittaSchemaSql()).isEmpty());
        EXPECT_EQ(test::rows(ditta, QStringLiteral("SELECT RAGIONESOCIALE FROM CLIENTI")),
                  QStringList{QStringLiteral("Caffè Ducale")});
    }
    const ToolResult secondo = runTool({QStringLiteral("ditta"), archivio});
    EXPECT_EQ(secondo.exitCode, 0);
    EXPECT_TRUE(secondo.out.contains(QStringLiteral("ha già tutte le tabelle"))) << secondo.out.toStdString();

    ASSERT_EQ(runTool({QStringLiteral("init"), folder()}).exitCode, 0);
    const ToolResult altro = runTool({QStringLiteral("ditta"), userDatabase()});
    EXPECT_EQ(altro.exitCode, 1);
    EXPECT_TRUE(altro.err.contains(QStringLiteral("non è l'archivio di una ditta"))) << altro.err.toStdString();
    db::Database utenti;
    test::attach(utenti, userDatabase());
    EXPECT_EQ(test::rows(utenti, QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                                "RDB$RELATION_NAME IN ('CLIENTI', 'ARTICOLI')")),
              QStringList{QStringLiteral("0")});
}

// A folder without a database may still hold an office's pictures and settings: init and demo
// add what is missing and leave every file that is there byte for byte, naming the pictures
// they left alone.
TEST_F(AdminToolTest, InitAndDemoNeverOverwriteAFile)
{
    struct Case
    {
        const char* command;
        // Pictures the command paints that the folder lacked.
        QStringList written;
        // Pictures that were there and are reported as left alone.
        QStringList skipped;
    } const cases[] = {
        {"init", {}, {"Grafica/Verde.bmp", "Grafica/Rosso.bmp"}},
        {"demo",
         {"Grafica/anagrafiche.ico", "Grafica/contabilita.ico", "Grafica/magazzino.ico"},
         {"Grafica/Verde.bmp", "Grafica/Rosso.bmp", "Grafica/agenda.ico",
          "Report/ElencoClienti.ini"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const QString root = m_dir.filePath(QString::fromUtf8(c.command));
        const QStringList existing{"Grafica/Verde.bmp",
                                   "Grafica/agenda.ico",
                                   "Grafica/altro.png",
                                   "NOMIDIT/UTENTI.INI",
                                   "NOMIDIT/USERCFG/1 Mario Rossi.INI",
                                   "user/dati.ini",
                                   "Report/ElencoClienti.ini"};
        QHash<QString, QByteArray> before;
        for (const QString& relative : existing) {
            const QString path = QDir(root).filePath(relative);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("contenuto dell'ufficio: " + relative.toUtf8());
            file.close();
            before.insert(relative, fileHash(path));
        }
        // A link of a picture's name that leads nowhere yet: writing through it would create a
        // file elsewhere.
        const QString target =
            m_dir.filePath(QStringLiteral("fuori-%1.bmp").arg(QString::fromUtf8(c.command)));
        ASSERT_TRUE(QFile::link(target, QDir(root).filePath(QStringLiteral("Grafica/Rosso.bmp"))));

        const ToolResult result = runTool({QString::fromUtf8(c.command), root});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

        for (const QString& relative : existing) {
            SCOPED_TRACE(relative.toStdString());
            EXPECT_EQ(fileHash(QDir(root).filePath(relative)), before.value(relative));
        }
        EXPECT_FALSE(QFileInfo::exists(target)) << "nothing was written through the link";
        EXPECT_TRUE(QFileInfo(QDir(root).filePath(QStringLiteral("user/user.fdb"))).isFile());
        for (const QString& relative : c.written) {
            SCOPED_TRACE(relative.toStdString());
            EXPECT_FALSE(QImage(QDir(root).filePath(relative)).isNull());
        }
        QStringList reported;
        for (const QString& line : outputLines(result)) {
            if (line.startsWith(QStringLiteral("File esistente lasciato invariato: ")))
                reported << line.section(QStringLiteral(": "), 1);
        }
        QStringList expected;
        for (const QString& relative : c.skipped)
            expected << QDir::toNativeSeparators(relative);
        EXPECT_EQ(reported, expected) << result.out.toStdString();
    }
}

TEST_F(AdminToolTest, BadArgumentsGiveTheUsageAndExitCodeTwo)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("init")},
        {QStringLiteral("frulla"), folder()},
        {QStringLiteral("init"), folder(), QStringLiteral("avanzo")},
        {QStringLiteral("check"), QString()},
        {QStringLiteral("INIT"), folder()},
        {QStringLiteral("postazione"), folder()},
        {QStringLiteral("postazione"), folder(), QStringLiteral(" ")},
        {QStringLiteral("server")},
        {QStringLiteral("server"), folder(), QStringLiteral("localhost"), QStringLiteral("avanzo")},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char('|')).toStdString());
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("Uso: velkora-admin")))
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

TEST_F(AdminToolTest, CheckListsExactlyWhatWasDropped)
{
    ASSERT_FALSE(copyTemplate(userDatabase()).isEmpty());
    {
        db::Database database;
        attach(database, userDatabase());
        exec(database, QStringLiteral("ALTER TABLE UTENTI DROP UTENTEINATTIVO"));
        exec(database, QStringLiteral("ALTER TABLE STOPOS1 DROP PosY"));
        exec(database, QStringLiteral("DROP TABLE DETTPROF"));
        exec(database, QStringLiteral("DROP GENERATOR IDFINESTRANORVILOGFUNZCOUNTER"));
    }

    const ToolResult check = runTool({QStringLiteral("check"), folder()});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(outputLines(check),
              (QStringList{"colonna UTENTI.UTENTEINATTIVO", "tabella DETTPROF",
                           "colonna STOPOS1.POSY", "generatore IDFINESTRANORVILOGFUNZCOUNTER"}));
}

TEST_F(AdminToolTest, CheckWithoutADatabaseExitsTwoWithAMessage)
{
    const ToolResult check = runTool({QStringLiteral("check"), folder()});
    EXPECT_EQ(check.exitCode, 2);
    EXPECT_TRUE(check.err.startsWith(QStringLiteral("Impossibile aprire il database ")))
        << check.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(userDatabase()));
}

TEST_F(AdminToolTest, TemplateAndTabxCreateDatabasesInMissingFolders)
{
    const QString user = m_dir.filePath(QStringLiteral("a/b/user.fdb"));
    const QString tabx = m_dir.filePath(QStringLiteral("c/tabx.fdb"));
    EXPECT_EQ(runTool({QStringLiteral("template"), user}).exitCode, 0);
    EXPECT_EQ(runTool({QStringLiteral("tabx"), tabx}).exitCode, 0);

    db::Database database;
    attach(database, tabx);
    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    query.add(QStringLiteral("SELECT COUNT(*) FROM TABX"));
    EXPECT_NO_THROW(query.open());
    EXPECT_TRUE(QFileInfo(user).isFile());
}

} // namespace
// A folder name is placed into CREATE DATABASE as a quoted literal: a quote in it neither stops
// the creation nor sends the database to a file of another name.
TEST_F(AdminToolTest, FoldersWhoseNamesHoldQuotesAreLaidOutAndUsedWhereTheyAre)
{
    for (const char* command : {"init", "demo"}) {
        for (const char* name : {"l'ufficio", "cartella' --", "x' PAGE_SIZE 16384 '"}) {
            SCOPED_TRACE(std::string(command) + " " + name);
            QTemporaryDir root;
            ASSERT_TRUE(root.isValid());
            const QString target = root.filePath(QString::fromUtf8(name));
            const ToolResult made = runTool({QString::fromUtf8(command), target});
            ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
            EXPECT_TRUE(QFileInfo(target + QStringLiteral("/user/user.fdb")).isFile());
            // Nothing was made beside the folder.
            EXPECT_EQ(
                QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                QStringList{QString::fromUtf8(name)});
            const ToolResult check = runTool({QStringLiteral("check"), target});
            EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
            if (QLatin1String(command) != QLatin1String("demo"))
                continue;
            EXPECT_TRUE(QFileInfo(target + QStringLiteral("/Archivi/Rossi/ditta.fdb")).isFile());
            const QString pdf = target + QStringLiteral("/utenti l'elenco.pdf");
            const ToolResult stampa = runTool({QStringLiteral("stampa"), target, pdf,
                                               QStringLiteral("SELECT NOMEUTENTE FROM UTENTI")});
            EXPECT_EQ(stampa.exitCode, 0) << stampa.err.toStdString();
            EXPECT_GT(QFileInfo(pdf).size(), 0);
        }
    }
}

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A user database path that is a link to nothing: the tool makes no database through it (at the
// link's target) and says why in Italian.
TEST_F(AdminToolTest, ADatabasePathThatIsALinkToNothingIsRefused)
{
    const QString bersaglio = m_dir.filePath(QStringLiteral("altrove.fdb"));
    ASSERT_TRUE(QDir().mkpath(folder() + QStringLiteral("/user")));
    ASSERT_TRUE(QFile::link(bersaglio, userDatabase()));
    for (const char* comando : {"init", "demo"}) {
        SCOPED_TRACE(comando);
        const ToolResult r = runTool({QString::fromLatin1(comando), folder()});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(QStringLiteral("il percorso non indica un file di dati")))
            << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(bersaglio));
    }
}

// An installed copy keeps the program beside the tool and the modules in "moduli": init and demo
// copy them into the new folder without replacing a file already there, and "programma" brings an
// existing folder up to the installed files, touching only those that differ.
TEST_F(AdminToolTest, AnInstalledToolCopiesTheProgramAndModulesIntoAFolder)
{
    const QDir installed(m_dir.filePath(QStringLiteral("installato")));
    ASSERT_TRUE(installed.mkpath(QStringLiteral("moduli")));
    const QString tool = installed.filePath(QStringLiteral("velkora-admin"));
    ASSERT_TRUE(QFile::copy(builtTool(), tool));
    // The data libraries lie beside the tool, as in the installed layout.
    for (const QString& libreria : kLibrerieDati)
        ASSERT_TRUE(QFile::copy(QFileInfo(builtTool()).dir().filePath(libreria),
                                installed.filePath(libreria)));
    writeFile(installed.filePath(QStringLiteral("velkora")), "programma 2");
    writeFile(installed.filePath(QStringLiteral("moduli/libRubrivo.so")), "agenda 2");
    writeFile(installed.filePath(QStringLiteral("moduli/libAnagrafi.so")), "clienti 2");

    // A folder that already holds an older program: init keeps it and names it.
    const QDir target(folder());
    ASSERT_TRUE(target.mkpath(QStringLiteral(".")));
    writeFile(target.filePath(QStringLiteral("velkora")), "programma 1");
    const ToolResult init = runTool({QStringLiteral("init"), folder()}, tool);
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("velkora"))), "programma 1");
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("libRubrivo.so"))), "agenda 2");
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("libAnagrafi.so"))), "clienti 2");
    const QStringList lines = outputLines(init);
    EXPECT_TRUE(
        lines.contains(QStringLiteral("File esistente lasciato invariato: ") +
                       QDir::toNativeSeparators(target.filePath(QStringLiteral("velkora")))))
        << init.out.toStdString();
    EXPECT_TRUE(
        lines.contains(QStringLiteral("File del programma copiato: ") +
                       QDir::toNativeSeparators(target.filePath(QStringLiteral("libRubrivo.so")))))
        << init.out.toStdString();
    EXPECT_TRUE(QFileInfo(userDatabase()).isFile());

    // A new version installed: "programma" replaces what differs and leaves the rest.
    writeFile(installed.filePath(QStringLiteral("moduli/libRubrivo.so")), "agenda 3");
    const QByteArray database = fileHash(userDatabase());
    const ToolResult update = runTool({QStringLiteral("programma"), folder()}, tool);
    ASSERT_EQ(update.exitCode, 0) << update.err.toStdString();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("velkora"))), "programma 2");
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("libRubrivo.so"))), "agenda 3");
    EXPECT_EQ(fileHash(userDatabase()), database);
    const QString updated = QStringLiteral("File del programma aggiornato: ");
    EXPECT_TRUE(outputLines(update).contains(
        updated + QDir::toNativeSeparators(target.filePath(QStringLiteral("velkora")))));
    EXPECT_FALSE(outputLines(update).contains(
        updated + QDir::toNativeSeparators(target.filePath(QStringLiteral("libAnagrafi.so")))))
        << update.out.toStdString();
}

// The tool of the build tree is not an installed copy: it has nothing to copy and says so.
TEST_F(AdminToolTest, ProgrammaOutsideAnInstallationFailsWithAMessage)
{
    const ToolResult result = runTool({QStringLiteral("programma"), folder()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("non risulta installato")))
        << result.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

// A workstation of an office: the program, the modules, the pictures, the report layouts and the
// settings folder, and a dati.ini naming the server, but no database. From the build tree it
// takes the program and the modules the build's moduli.txt names; installed, those of "moduli".
// Run again (even for another server), it leaves every file as it is and names it.
TEST_F(AdminToolTest, PostazioneLaysOutAWorkstationThatReachesTheServer)
{
    const QDir build(QString::fromUtf8(kProgramDir));
    QStringList modules;
    {
        QFile list(build.filePath(QStringLiteral("moduli.txt")));
        ASSERT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QByteArray& line : list.readAll().split('\n')) {
            if (!line.trimmed().isEmpty())
                modules << QString::fromUtf8(line.trimmed());
        }
    }
    ASSERT_TRUE(modules.contains(QStringLiteral("libAnagrafi.so"))) << modules.join(' ').toStdString();

    const QDir installed(m_dir.filePath(QStringLiteral("installato")));
    ASSERT_TRUE(installed.mkpath(QStringLiteral("moduli")));
    const QString installedTool = installed.filePath(QStringLiteral("velkora-admin"));
    ASSERT_TRUE(QFile::copy(builtTool(), installedTool));
    // The data libraries lie beside the tool, as in the installed layout.
    for (const QString& libreria : kLibrerieDati)
        ASSERT_TRUE(QFile::copy(build.filePath(libreria), installed.filePath(libreria)));
    writeFile(installed.filePath(QStringLiteral("velkora")), "programma installato");
    writeFile(installed.filePath(QStringLiteral("moduli/libAnagrafi.so")), "clienti installato");

    struct Case
    {
        const char* name;
        QString tool;
        // Each program file of the folder and the file it is a copy of.
        QHash<QString, QString> files;
    };
    QHash<QString, QString> fromBuild{{QStringLiteral("velkora"), build.filePath(QStringLiteral("velkora"))}};
    for (const QString& libreria : kLibrerieDati)
        fromBuild.insert(libreria, build.filePath(libreria));
    for (const QString& module : modules)
        fromBuild.insert(module, build.filePath(module));
    const Case cases[] = {
        {"build tree", builtTool(), fromBuild},
        {"installed",
         installedTool,
         {{QStringLiteral("velkora"), installed.filePath(QStringLiteral("velkora"))},
          {QStringLiteral("libAnagrafi.so"), installed.filePath(QStringLiteral("moduli/libAnagrafi.so"))}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QDir target(m_dir.filePath(QStringLiteral("postazione%1").arg(n++)));
        const ToolResult result =
            runTool({QStringLiteral("postazione"), target.path(), QStringLiteral("dbserver/3051")}, c.tool);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        for (auto it = c.files.cbegin(); it != c.files.cend(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_EQ(fileHash(target.filePath(it.key())), fileHash(it.value()));
        }
        EXPECT_FALSE(QImage(target.filePath(QStringLiteral("Grafica/Verde.bmp"))).isNull());
        EXPECT_TRUE(QFileInfo(target.filePath(QStringLiteral("Report/ElencoClienti.ini"))).isFile());
        EXPECT_TRUE(QFileInfo(target.filePath(QStringLiteral("NOMIDIT/USERCFG"))).isDir());
        EXPECT_FALSE(QFileInfo::exists(target.filePath(QStringLiteral("user/user.fdb"))));
        EXPECT_EQ(QDir(target.filePath(QStringLiteral("user"))).entryList(QDir::Files),
                  QStringList{QStringLiteral("dati.ini")});
        const QByteArray ini = readFile(target.filePath(QStringLiteral("user/dati.ini")));
        EXPECT_EQ(ini, "[CONFIG]\r\nNome Server=dbserver/3051\r\n") << ini.toStdString();

        // Again, for another server: nothing is replaced, every file is named.
        QHash<QString, QByteArray> before;
        for (const QFileInfo& file : QDir(target.path()).entryInfoList(QDir::Files))
            before.insert(file.fileName(), fileHash(file.filePath()));
        const ToolResult again =
            runTool({QStringLiteral("postazione"), target.path(), QStringLiteral("altro")}, c.tool);
        ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_EQ(readFile(target.filePath(QStringLiteral("user/dati.ini"))), ini);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            EXPECT_EQ(fileHash(target.filePath(it.key())), it.value()) << it.key().toStdString();
        // The program files by their paths, the pictures as in the folder.
        for (const QString& kept :
             {QDir::toNativeSeparators(target.filePath(QStringLiteral("velkora"))),
              QDir::toNativeSeparators(target.filePath(QStringLiteral("user/dati.ini"))),
              QStringLiteral("Grafica/Verde.bmp")})
            EXPECT_TRUE(outputLines(again).contains(QStringLiteral("File esistente lasciato invariato: ") + kept))
                << kept.toStdString() << "\n" << again.out.toStdString();
    }
}

// A folder with its own database is the server's: a dati.ini there would hide it.
TEST_F(AdminToolTest, PostazioneRefusesAFolderThatHoldsADatabase)
{
    ASSERT_EQ(runTool({QStringLiteral("init"), folder()}).exitCode, 0);
    const ToolResult result =
        runTool({QStringLiteral("postazione"), folder(), QStringLiteral("dbserver")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("contiene già il database"))) << result.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder() + QStringLiteral("/user/dati.ini")));
    EXPECT_FALSE(QFileInfo::exists(folder() + QStringLiteral("/velkora")));
}

// On the server the databases belong to the server's user: the user database, the archives its
// users name and the folders between them and the program folder; the rest of the folder stays
// the administrator's. The folder gets a dati.ini for the local server, unless it has one.
TEST_F(AdminToolTest, ServerGivesTheDatabasesAndTheirFoldersToFirebird)
{
    const ToolResult missing = runTool({QStringLiteral("server"), folder()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("manca il database"))) << missing.err.toStdString();

    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser gives files to another user";
    const passwd* firebird = getpwnam("firebird");
    ASSERT_NE(firebird, nullptr) << "no user firebird";
    ASSERT_EQ(runTool({QStringLiteral("demo"), folder()}).exitCode, 0);
    const ToolResult result = runTool({QStringLiteral("server"), folder()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

    const struct
    {
        const char* path;
        bool server;
    } cases[] = {
        {"user", true},           {"user/user.fdb", true},
        {"Archivi", true},        {"Archivi/Rossi", true},
        {"Archivi/Rossi/ditta.fdb", true}, {"Archivi/Bianchi/ditta.fdb", true},
        {"user/dati.ini", false}, {"Grafica", false},
        {"Grafica/Verde.bmp", false}, {"NOMIDIT", false},
        {"Report", false},        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        struct stat info{};
        ASSERT_EQ(stat(QFile::encodeName(QDir(folder()).filePath(QString::fromUtf8(c.path))).constData(), &info), 0);
        EXPECT_EQ(info.st_uid == firebird->pw_uid, c.server);
        EXPECT_EQ(info.st_gid == firebird->pw_gid, c.server);
    }
    EXPECT_EQ(readFile(folder() + QStringLiteral("/user/dati.ini")), "[CONFIG]\r\nNome Server=localhost\r\n");
    // The temporary folder above lets only its owner in: the server could not reach the files.
    EXPECT_TRUE(result.err.contains(QStringLiteral("non può entrare nella cartella ") +
                                    QDir::toNativeSeparators(m_dir.path())))
        << result.err.toStdString();

    const ToolResult again = runTool({QStringLiteral("server"), folder(), QStringLiteral("localhost/3051")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(readFile(folder() + QStringLiteral("/user/dati.ini")), "[CONFIG]\r\nNome Server=localhost\r\n");
}

} // namespace velkora::test
