// velkora-admin backup and ripristino: the copy of a whole program folder in one file, restored
// into a new folder, compared table by table (row counts of every table of every database) and
// file by file; a copy taken while a workstation works through the server; a copy cut short or
// damaged refused with nothing written.
#include "TestPaths.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "support/Ufficio.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace velkora::test {
namespace {

struct Esito
{
    int codice = -1;
    QString uscita;
    QString errori;
};

Esito admin(const QStringList& argomenti)
{
    QProcess processo;
    processo.start(QDir(QString::fromUtf8(kProgramDir)).filePath(QStringLiteral("velkora-admin")),
                   argomenti);
    if (!processo.waitForFinished(180000)) {
        processo.kill();
        processo.waitForFinished();
        ADD_FAILURE() << "velkora-admin did not finish";
        return {};
    }
    return {processo.exitCode(), QString::fromUtf8(processo.readAllStandardOutput()),
            QString::fromUtf8(processo.readAllStandardError())};
}

std::string mostra(const Esito& e)
{
    return (QStringLiteral("exit %1\n").arg(e.codice) + e.uscita + e.errori).toStdString();
}

// The row count of every user table of a database ("TABELLA" -> count), read by its name (a
// local path, or "server:path").
QMap<QString, qint64> righePerTabella(const QString& nome)
{
    db::Database database;
    database.setDatabaseName(nome);
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    database.attach();
    db::Transaction transazione(&database);
    db::Query query(&database, &transazione);
    query.add(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS"));
    query.add(QStringLiteral("WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL"));
    query.open();
    QStringList tabelle;
    for (query.first(); !query.eof(); query.next())
        tabelle << query.asString(0);
    QMap<QString, qint64> righe;
    for (const QString& tabella : tabelle) {
        db::Query conta(&database, &transazione);
        conta.add(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(tabella));
        conta.open();
        righe.insert(tabella, conta.asInteger(0));
    }
    transazione.rollback();
    database.detach();
    return righe;
}

// Every plain file below a folder but the databases, by relative path, with its SHA-256.
QMap<QString, QByteArray> fileDi(const QString& cartella)
{
    QMap<QString, QByteArray> file;
    QDirIterator it(cartella, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString percorso = it.next();
        if (percorso.endsWith(QLatin1String(".fdb")))
            continue;
        QFile f(percorso);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        file.insert(QDir(cartella).relativeFilePath(percorso),
                    QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return file;
}

const QStringList kDatabase{QStringLiteral("user/user.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"),
                            QStringLiteral("Archivi/Bianchi/ditta.fdb"),
                            QStringLiteral("Archivi/Generale/archivio.fdb")};

class CopiaUfficioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The demo folder, with a database of a general connection beside the company archives
        // and a settings file of a folder of its own.
        const Esito demo = admin({QStringLiteral("demo"), cartella()});
        ASSERT_EQ(demo.codice, 0) << mostra(demo);
        const Esito generale =
            admin({QStringLiteral("tabx"), cartella() + QStringLiteral("/Archivi/Generale/archivio.fdb")});
        ASSERT_EQ(generale.codice, 0) << mostra(generale);
        QFile ini(cartella() + QStringLiteral("/Archivi/Generale/dati.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[CONFIG]\r\nPercorso Nel Server=D:\\Dati\\\r\n");
    }

    QString cartella() const { return m_dir.filePath(QStringLiteral("ufficio")); }
    QString copia() const { return m_dir.filePath(QStringLiteral("ufficio.copia")); }
    QString ripristinata() const { return m_dir.filePath(QStringLiteral("ripristino")); }

    QTemporaryDir m_dir;
};

TEST_F(CopiaUfficioTest, TheRestoredFolderHoldsEveryTableWithItsRowsAndEveryFile)
{
    // Rows that the demo does not have: 3,000 customers (the backup stream of the archive then
    // comes in pieces of 32 KB and more), a session and a call in the log.
    {
        db::Database archivio;
        attach(archivio, cartella() + QStringLiteral("/Archivi/Rossi/ditta.fdb"));
        exec(archivio, QStringLiteral(
                           "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 3000) DO BEGIN "
                           "INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE, NOTE) VALUES "
                           "(GEN_ID(CODICECLIENTICOUNTER, 1), 'Cliente ' || :I, "
                           "'Note del cliente numero ' || :I); I = I + 1; END END"));
    }
    {
        db::Database utenti;
        attach(utenti, cartella() + QStringLiteral("/user/user.fdb"));
        exec(utenti, QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (7, 1)"));
        exec(utenti, QStringLiteral("INSERT INTO NORVILOGFUNZ (CODICESESSIONE, FUNZIONECHIAMATA, "
                                    "PROGRAMMA, MENU) VALUES (7, 'Dell''Anno', 10, 11)"));
    }
    QMap<QString, QMap<QString, qint64>> prima;
    for (const QString& db : kDatabase)
        prima.insert(db, righePerTabella(cartella() + QLatin1Char('/') + db));
    ASSERT_GT(prima.value(QStringLiteral("user/user.fdb")).value(QStringLiteral("DETTMENU")), 0);
    ASSERT_GT(prima.value(QStringLiteral("Archivi/Rossi/ditta.fdb")).value(QStringLiteral("CLIENTI")), 0);

    const Esito backup = admin({QStringLiteral("backup"), cartella(), copia()});
    ASSERT_EQ(backup.codice, 0) << mostra(backup);
    for (const QString& db : kDatabase)
        EXPECT_TRUE(backup.uscita.contains(QStringLiteral("Database ") + db)) << mostra(backup);
    EXPECT_TRUE(backup.uscita.contains(QStringLiteral("Copia completata: 4 database"))) << mostra(backup);

    const Esito ripristino = admin({QStringLiteral("ripristino"), copia(), ripristinata()});
    ASSERT_EQ(ripristino.codice, 0) << mostra(ripristino);
    EXPECT_TRUE(ripristino.errori.contains(QStringLiteral("è completo"))) << mostra(ripristino);

    for (const QString& db : kDatabase) {
        SCOPED_TRACE(db.toStdString());
        const QMap<QString, qint64> dopo = righePerTabella(ripristinata() + QLatin1Char('/') + db);
        EXPECT_EQ(dopo, prima.value(db));
    }
    // The quote in the logged name came back as it was.
    db::Database utenti;
    attach(utenti, ripristinata() + QStringLiteral("/user/user.fdb"));
    EXPECT_EQ(rows(utenti, QStringLiteral("SELECT FUNZIONECHIAMATA, PROGRAMMA, MENU FROM NORVILOGFUNZ "
                                          "WHERE CODICESESSIONE = 7")),
              QStringList{QStringLiteral("Dell'Anno|10|11")});

    // Report/, Grafica/ and every dati.ini, byte for byte; nothing else of the folder.
    QMap<QString, QByteArray> attesi;
    const QMap<QString, QByteArray> originali = fileDi(cartella());
    for (auto it = originali.cbegin(); it != originali.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("Report/")) || it.key().startsWith(QLatin1String("Grafica/")) ||
            it.key().endsWith(QLatin1String("dati.ini")))
            attesi.insert(it.key(), it.value());
    }
    ASSERT_TRUE(attesi.contains(QStringLiteral("Archivi/Generale/dati.ini")));
    ASSERT_TRUE(attesi.contains(QStringLiteral("Report/ElencoClienti.ini")));
    EXPECT_EQ(fileDi(ripristinata()), attesi);
}

TEST_F(CopiaUfficioTest, NeitherCommandWritesOverWhatIsThere)
{
    // A copy is never written over an existing file.
    QFile esistente(copia());
    ASSERT_TRUE(esistente.open(QIODevice::WriteOnly));
    esistente.write("mio");
    esistente.close();
    const Esito sopra = admin({QStringLiteral("backup"), cartella(), copia()});
    EXPECT_EQ(sopra.codice, 1) << mostra(sopra);
    EXPECT_TRUE(sopra.errori.contains(QStringLiteral("esiste già"))) << mostra(sopra);
    ASSERT_TRUE(esistente.open(QIODevice::ReadOnly));
    EXPECT_EQ(esistente.readAll(), QByteArray("mio"));
    esistente.close();
    ASSERT_TRUE(QFile::remove(copia()));

    const Esito backup = admin({QStringLiteral("backup"), cartella(), copia()});
    ASSERT_EQ(backup.codice, 0) << mostra(backup);
    // A folder that holds anything is not a new folder: nothing in it changes.
    ASSERT_TRUE(QDir().mkpath(ripristinata()));
    QFile dentro(ripristinata() + QStringLiteral("/nota.txt"));
    ASSERT_TRUE(dentro.open(QIODevice::WriteOnly));
    dentro.write("x");
    dentro.close();
    const Esito ripristino = admin({QStringLiteral("ripristino"), copia(), ripristinata()});
    EXPECT_EQ(ripristino.codice, 1) << mostra(ripristino);
    EXPECT_EQ(QDir(ripristinata()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("nota.txt")});
    // Nor is the restore made inside the folder it came from.
    const Esito nellaCartella = admin({QStringLiteral("ripristino"), copia(), cartella()});
    EXPECT_EQ(nellaCartella.codice, 1) << mostra(nellaCartella);
}

// Without a server the copy runs in-process, which the engine refuses while a program of this
// machine holds the database: said in Italian, and no file is left, not even a partial one.
TEST_F(CopiaUfficioTest, AFolderWhoseDatabaseAProgramHoldsIsRefusedWithNoFileLeft)
{
    db::Database tenuto;
    attach(tenuto, cartella() + QStringLiteral("/user/user.fdb"));
    const Esito backup = admin({QStringLiteral("backup"), cartella(), copia()});
    EXPECT_EQ(backup.codice, 1) << mostra(backup);
    EXPECT_TRUE(backup.errori.contains(QStringLiteral("è aperto da un programma"))) << mostra(backup);
    EXPECT_TRUE(backup.errori.contains(QStringLiteral("La copia non è stata scritta"))) << mostra(backup);
    EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("ufficio.copia*")}, QDir::Files),
              QStringList());
}

// A copy cut at any point or changed in any byte is refused before anything is written: the
// target folder is not even made.
TEST_F(CopiaUfficioTest, ADamagedOrTruncatedCopyIsRefusedWithNothingWritten)
{
    const Esito backup = admin({QStringLiteral("backup"), cartella(), copia()});
    ASSERT_EQ(backup.codice, 0) << mostra(backup);
    QFile f(copia());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray integra = f.readAll();
    f.close();
    ASSERT_GT(integra.size(), 10000);

    struct Caso
    {
        const char* nome;
        QByteArray contenuto;
    };
    QByteArray unByte = integra;
    unByte[unByte.size() / 2] = static_cast<char>(unByte.at(unByte.size() / 2) ^ 0x01);
    QByteArray ultimoByte = integra;
    ultimoByte[ultimoByte.size() - 1] = static_cast<char>(ultimoByte.back() ^ 0x80);
    QByteArray percorsoFuori = integra;
    const qsizetype grafica = percorsoFuori.indexOf("Grafica/");
    ASSERT_GT(grafica, 0);
    percorsoFuori.replace(grafica, 8, "../../x/");
    const std::vector<Caso> casi{
        {"empty", QByteArray()},
        {"only the heading", integra.left(16)},
        {"cut in the first database", integra.left(integra.size() / 4)},
        {"cut in the middle", integra.left(integra.size() / 2)},
        {"last byte missing", integra.left(integra.size() - 1)},
        {"closing record missing", integra.left(integra.size() - 37)},
        {"one bit changed in the middle", unByte},
        {"final check sum changed", ultimoByte},
        {"a byte more", integra + QByteArray(1, '\0')},
        {"a path leading outside the folder", percorsoFuori},
        {"another file", QByteArray("VELKORA-COPIA 2\n") + integra.mid(16)},
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(caso.nome);
        const QString danneggiata = m_dir.filePath(QStringLiteral("danneggiata.copia"));
        QFile::remove(danneggiata);
        QFile d(danneggiata);
        ASSERT_TRUE(d.open(QIODevice::WriteOnly));
        d.write(caso.contenuto);
        d.close();
        const Esito r = admin({QStringLiteral("ripristino"), danneggiata, ripristinata()});
        EXPECT_EQ(r.codice, 1) << mostra(r);
        EXPECT_TRUE(r.errori.contains(QStringLiteral("danneggiata o incompleta")) ||
                    r.errori.contains(QStringLiteral("non è una copia")))
            << mostra(r);
        EXPECT_FALSE(QFileInfo::exists(ripristinata())) << mostra(r);
        EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("x")))) << mostra(r);
    }
}

// The folder of an office's server: its dati.ini sends the copy through the server, which reads
// the databases while a workstation is logged in, has the customer list open and holds a row
// in an edit it has not saved.
TEST(CopiaUfficioServerTest, ACopyIsTakenThroughTheServerWhileAWorkstationWorks)
{
    if (!serverTestsEnabled())
        GTEST_SKIP() << "the test database server is not started (scripts/fbserver.sh start)";
    if (geteuid() != 0)
        GTEST_SKIP() << "the workstation's mount namespace needs the superuser";
    Ufficio ufficio(testServer());
    ASSERT_TRUE(ufficio.errore().empty()) << ufficio.errore();
    const QString cartellaPostazione = ufficio.preparaPostazione(QStringLiteral("p1"));
    ASSERT_FALSE(cartellaPostazione.isEmpty()) << ufficio.errore();
    Postazione p(ufficio.cartella(), cartellaPostazione, QStringLiteral("p1"));
    ASSERT_TRUE(p.pronta()) << p.errori().toStdString();
    const QJsonObject accesso =
        p.comando({QStringLiteral("accedi"), QStringLiteral("Mario Rossi"), QStringLiteral("rossi")});
    ASSERT_TRUE(riuscito(accesso)) << test::mostra(accesso);
    const QJsonObject clienti = p.comando({QStringLiteral("clienti")});
    ASSERT_TRUE(riuscito(clienti)) << test::mostra(clienti);
    const QJsonObject modifica =
        p.comando({QStringLiteral("modifica"), QStringLiteral("Caffè Ducale S.r.l."), QStringLiteral("CITTA"),
                   QStringLiteral("Non salvata")});

    // What the server holds, committed, now.
    const QStringList nomi{QStringLiteral("user/user.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb")};
    QMap<QString, QMap<QString, qint64>> prima;
    for (const QString& nome : nomi)
        prima.insert(nome, righePerTabella(ufficio.database(nome)));
    ASSERT_GT(prima.value(QStringLiteral("user/user.fdb")).value(QStringLiteral("NORVILOG")), 0);

    // Taken from another workstation's folder, whose dati.ini names the server: the tool runs
    // there as on that machine, where the server's databases are not on the disk.
    QTemporaryDir dir;
    const QString copia = dir.filePath(QStringLiteral("ufficio.copia"));
    const QString altraPostazione = ufficio.preparaPostazione(QStringLiteral("p2"));
    ASSERT_FALSE(altraPostazione.isEmpty()) << ufficio.errore();
    QString uscita;
    const int codice = comeDaPostazione(
        ufficio.cartella(), altraPostazione,
        {QDir(QString::fromUtf8(kProgramDir)).filePath(QStringLiteral("velkora-admin")),
         QStringLiteral("backup"), ufficio.cartella(), copia},
        &uscita);
    ASSERT_EQ(codice, 0) << uscita.toStdString();
    EXPECT_TRUE(uscita.contains(QStringLiteral("attraverso il server ") + ufficio.server()))
        << uscita.toStdString();
    EXPECT_TRUE(uscita.contains(QStringLiteral("Database Archivi/Rossi/ditta.fdb"))) << uscita.toStdString();
    // The workstation goes on working meanwhile.
    const QJsonObject stato = p.comando({QStringLiteral("stato")});
    EXPECT_TRUE(riuscito(stato)) << test::mostra(stato);

    const QString nuova = dir.filePath(QStringLiteral("ripristino"));
    const Esito ripristino = admin({QStringLiteral("ripristino"), copia, nuova});
    ASSERT_EQ(ripristino.codice, 0) << mostra(ripristino);
    for (const QString& nome : nomi) {
        SCOPED_TRACE(nome.toStdString());
        EXPECT_EQ(righePerTabella(nuova + QLatin1Char('/') + nome), prima.value(nome));
    }
    // The edit the workstation had not saved is not in the copy.
    db::Database archivio;
    attach(archivio, nuova + QStringLiteral("/Archivi/Rossi/ditta.fdb"));
    EXPECT_TRUE(rows(archivio, QStringLiteral("SELECT CODICE FROM CLIENTI WHERE CITTA = 'Non salvata'"))
                    .isEmpty());
    (void)modifica;
}

} // namespace
} // namespace velkora::test
