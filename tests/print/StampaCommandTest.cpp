#include "PdfText.h"
#include "TestPaths.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

struct Esito
{
    int exitCode = -1;
    QString out;
    QString err;
};

// velkora-admin as a separate process without a display, as a script runs it.
Esito stampa(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QDir(QString::fromUtf8(test::kProgramDir)).filePath(QStringLiteral("velkora-admin")),
                  QStringList{QStringLiteral("stampa")} + arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "velkora-admin did not finish";
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kSelect = QStringLiteral("SELECT CODICE, NOME, TELEFONO FROM RUBRICA ORDER BY CODICE");

// A program folder whose user database holds `count` contacts named "Cliente nº N, Forlì".
class StampaCommandTest : public ::testing::Test
{
protected:
    void fill(int count)
    {
        folder.installUserDatabase();
        db::Database database;
        test::attach(database, folder.userDatabase());
        db::Transaction t(&database);
        db::Query insert(&database, &t);
        insert.add(QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO) VALUES (:C, 1, :N, :T)"));
        for (int i = 1; i <= count; ++i) {
            insert.setParam(QStringLiteral("C"), i);
            insert.setParam(QStringLiteral("N"), QStringLiteral("Cliente nº %1, Forlì").arg(i));
            insert.setParam(QStringLiteral("T"), QStringLiteral("0543 %1").arg(i, 6, 10, QLatin1Char('0')));
            insert.execSql();
        }
        t.commit();
        // The embedded engine locks the file to this process; the tool opens it itself.
        database.detach();
    }

    test::ProgramFolder folder;
};

TEST_F(StampaCommandTest, TwoThousandRowsSpanPagesWithEveryRowOnceAndTheTotalAtTheEnd)
{
    fill(2000);
    folder.makeFolder(QStringLiteral("Report"));
    QFile layout(folder.file(QStringLiteral("Report/Rubrica.ini")));
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write("[Report]\nColonne=CODICE,NOME,TELEFONO\n[CODICE]\nTitolo=Codice\nTotale=1\n"
                 "[NOME]\nTitolo=Nome\nLarghezza=30\n[TELEFONO]\nTitolo=Telefono\nLarghezza=15\n");
    layout.close();
    const QString pdf = folder.file(QStringLiteral("rubrica.pdf"));

    const Esito run = stampa({folder.path(), pdf, kSelect, QStringLiteral("--titolo"), QStringLiteral("Rubrica completa"),
                            QStringLiteral("--report"), QStringLiteral("Rubrica"), QStringLiteral("--ditta"),
                            QStringLiteral("Rossi S.p.A.")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList pages = test::pdfPages(pdf);
    const int count = test::pdfInfo(pdf, QStringLiteral("Pages")).toInt();
    ASSERT_EQ(pages.size(), count);
    // One line per row on A4 portrait: at least 40 rows on a page, so between 2 and 50 pages.
    EXPECT_GT(count, 1);
    EXPECT_LE(count, 50);
    EXPECT_TRUE(run.out.contains(QStringLiteral("2000 righe, %1 pagine").arg(count))) << run.out.toStdString();

    const QRegularExpression rowLine(QStringLiteral("^(\\d+) Cliente nº (\\d+), Forlì 0543 (\\d{6})$"));
    int expected = 1;
    for (int p = 0; p < count; ++p) {
        SCOPED_TRACE(p + 1);
        const QStringList lines = test::squeezedLines(pages.at(p));
        ASSERT_GE(lines.size(), 4);
        EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("Rubrica completa Data: ")));
        EXPECT_EQ(lines.at(1), QStringLiteral("Rossi S.p.A."));
        EXPECT_EQ(lines.at(2), QStringLiteral("Codice Nome Telefono"));
        EXPECT_EQ(lines.constLast(), QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(count));
        for (int l = 3; l < lines.size() - 1; ++l) {
            const QRegularExpressionMatch m = rowLine.match(lines.at(l));
            if (!m.hasMatch()) {
                // Only the last page ends with the total of the codes, 1 + 2 + ... + 2000, under
                // the first column (which has no room for the word "Totale" then).
                EXPECT_EQ(p, count - 1) << lines.at(l).toStdString();
                EXPECT_EQ(lines.at(l), QStringLiteral("2001000"));
                continue;
            }
            EXPECT_EQ(m.captured(1).toInt(), expected);
            EXPECT_EQ(m.captured(2).toInt(), expected);
            EXPECT_EQ(m.captured(3).toInt(), expected);
            ++expected;
        }
    }
    EXPECT_EQ(expected, 2001);
}

// The amounts of the example that a double printed as "12345678901234,57" and
// "-100000000000000,00": the PDF shows every decimal of the column and the exact total.
TEST_F(StampaCommandTest, AmountsArePrintedWithEveryDecimalOfTheirColumnAndTotalledExactly)
{
    folder.installUserDatabase();
    {
        db::Database database;
        test::attach(database, folder.userDatabase());
        test::exec(database, QStringLiteral("CREATE TABLE IMPORTI (CODICE INTEGER NOT NULL PRIMARY KEY, "
                                            "IMPORTO NUMERIC(18,4))"));
        test::exec(database, QStringLiteral("INSERT INTO IMPORTI VALUES (1, 12345678901234.5678)"));
        test::exec(database, QStringLiteral("INSERT INTO IMPORTI VALUES (2, -99999999999999.9999)"));
        test::exec(database, QStringLiteral("INSERT INTO IMPORTI VALUES (3, 0.0001)"));
        database.detach();
    }
    folder.makeFolder(QStringLiteral("Report"));
    QFile layout(folder.file(QStringLiteral("Report/Importi.ini")));
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write("[Report]\nColonne=CODICE,IMPORTO\n[IMPORTO]\nTitolo=Importo\nTotale=1\n");
    layout.close();
    const QString pdf = folder.file(QStringLiteral("importi.pdf"));
    const Esito run = stampa({folder.path(), pdf, QStringLiteral("SELECT CODICE, IMPORTO FROM IMPORTI ORDER BY CODICE"),
                              QStringLiteral("--titolo"), QStringLiteral("Importi"), QStringLiteral("--report"),
                              QStringLiteral("Importi")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = test::squeezedLines(test::pdfPages(pdf).value(0));
    // Title, captions (no company line without --ditta), rows, total, page number.
    ASSERT_EQ(lines.size(), 7) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines.at(1), QStringLiteral("CODICE Importo"));
    EXPECT_EQ(lines.at(2), QStringLiteral("1 12.345.678.901.234,5678"));
    EXPECT_EQ(lines.at(3), QStringLiteral("2 -99.999.999.999.999,9999"));
    EXPECT_EQ(lines.at(4), QStringLiteral("3 0,0001"));
    EXPECT_EQ(lines.at(5), QStringLiteral("Totale -87.654.321.098.765,4320"));
}

struct Refusal
{
    const char* name;
    QStringList arguments; // the folder and the PDF are put first where the row says so
    int exitCode;
    const char* message;
};

TEST_F(StampaCommandTest, BadArgumentsAndFailuresAreReportedWithoutAFile)
{
    fill(3);
    const QString pdf = folder.file(QStringLiteral("x.pdf"));
    const std::vector<Refusal> rows = {
        {"no selection", {folder.path(), pdf}, 2, "Uso: velkora-admin stampa"},
        {"option without value", {folder.path(), pdf, kSelect, QStringLiteral("--titolo")}, 2, "Uso: velkora-admin stampa"},
        {"bad selection", {folder.path(), pdf, QStringLiteral("SELECT NIENTE FROM RUBRICA")}, 1, "Errore nella selezione"},
        {"missing database", {folder.path(), pdf, kSelect, QStringLiteral("--database"), folder.file(QStringLiteral("no.fdb"))},
         1, "Impossibile aprire il database"},
        {"unwritable file", {folder.path(), folder.file(QStringLiteral("manca/x.pdf")), kSelect}, 1, "Impossibile scrivere il file"},
    };
    for (const Refusal& row : rows) {
        SCOPED_TRACE(row.name);
        const Esito run = stampa(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(row.message))) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }
}

} // namespace
