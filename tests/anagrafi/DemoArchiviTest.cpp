// The demo lays out the archive of every company its users' parameter sets name, with sample
// customers and suppliers, and writes nowhere outside the program folder.
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace velkora;
using data::SchemaInstaller;
using velkora::test::ProgramFolder;

namespace {

QStringList colonna(const QString& file, const QString& sql)
{
    db::Database d;
    test::attach(d, file);
    db::Transaction t(&d);
    db::Query q(&d, &t);
    q.add(sql);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.asString(0);
    t.rollback();
    d.detach();
    return out;
}

TEST(DemoArchivi, EveryNamedArchiveIsLaidOutOnceWithTheSampleRows)
{
    ProgramFolder folder;
    SchemaInstaller::initFolder(folder.path(), true);
    EXPECT_TRUE(SchemaInstaller::initDemoArchives(folder.path()).isEmpty());

    for (const char* archivio : {"Archivi/Rossi/ditta.fdb", "Archivi/Bianchi/ditta.fdb"}) {
        SCOPED_TRACE(archivio);
        const QString file = folder.file(QString::fromLatin1(archivio));
        ASSERT_TRUE(QFileInfo::exists(file));
        const QStringList clienti =
            colonna(file, QStringLiteral("SELECT RAGIONESOCIALE FROM CLIENTI ORDER BY CODICE"));
        EXPECT_EQ(clienti.size(), 16);
        // Accented letters and apostrophes come back as written.
        EXPECT_TRUE(clienti.contains(QStringLiteral("Edilizia Forlì S.p.A.")));
        EXPECT_TRUE(clienti.contains(QStringLiteral("L'Arte del Pane S.n.c.")));
        EXPECT_EQ(colonna(file, QStringLiteral("SELECT COUNT(*) FROM FORNITORI")), QStringList{QStringLiteral("5")});
        // The generators stand at the last key, so the next new row gets a free one.
        EXPECT_EQ(colonna(file, QStringLiteral("SELECT GEN_ID(CODICECLIENTICOUNTER, 0) FROM RDB$DATABASE")),
                  colonna(file, QStringLiteral("SELECT MAX(CODICE) FROM CLIENTI")));
    }

    // A second run leaves the archives as they are and says so.
    const QStringList saltati = SchemaInstaller::initDemoArchives(folder.path());
    EXPECT_EQ(saltati.size(), 2);
    for (const QString& s : saltati)
        EXPECT_TRUE(s.endsWith(QStringLiteral(": esiste già"))) << s.toStdString();
}

TEST(DemoArchivi, AnArchiveNamedOutsideTheProgramFolderIsNotMade)
{
    ProgramFolder folder;
    SchemaInstaller::initFolder(folder.path(), false);
    const QString fuori = QDir::cleanPath(folder.path() + QStringLiteral("../fuori-anagrafi.fdb"));
    QFile::remove(fuori);
    {
        db::Database d;
        test::attach(d, folder.userDatabase());
        const char* valori[] = {"..\\fuori-anagrafi.fdb", "Archivi\\..\\..\\fuori-anagrafi.fdb",
                                "/tmp/fuori-anagrafi.fdb", "c:\\fuori-anagrafi.fdb", ""};
        int progressivo = 1;
        for (const char* v : valori)
            test::exec(d, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, "
                                         "VALORE, PROGRESSIVO) VALUES (1, 'X', 'ArchivioDitta', "
                                         "'%1', %2)")
                              .arg(QString::fromLatin1(v))
                              .arg(progressivo++));
        d.detach();
    }
    const QStringList saltati = SchemaInstaller::initDemoArchives(folder.path());
    EXPECT_EQ(saltati.size(), 5) << saltati.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFileInfo::exists(fuori));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/fuori-anagrafi.fdb")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

} // namespace
