#include "PdfText.h"
#include "ReportDocument.h"
#include "support/ProgramFolder.h"

#include "platform/TextCodec.h"

#include <QFile>

#include <algorithm>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

// A table of three customers with amounts, and a layout file written as a Windows program
// writes it: Windows-1252 bytes, any letter case in names.
class ReportLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.columns = {QStringLiteral("CODICE"), QStringLiteral("RAGIONESOCIALE"), QStringLiteral("CITTA"),
                         QStringLiteral("FIDO")};
        table.rows = {{1, QStringLiteral("Alfa S.p.A."), QStringLiteral("Forlì"), 1000.5},
                      {2, QStringLiteral("Bètà S.r.l."), QStringLiteral("Città di Castello"), 234.0},
                      {3, QStringLiteral("Gamma"), QVariant(), QVariant()}};
        folder.makeFolder(QStringLiteral("Report"));
        writeLayout(QStringLiteral("Report/Clienti.ini"),
                    QStringLiteral("[Report]\r\nOrientamento=Orizzontale\r\ncolonne=ragionesociale; Citta ,FIDO,ASSENTE\r\n"
                                   "[CITTA]\r\nTitolo=Città\r\nLarghezza=30\r\n"
                                   "[Fido]\r\nTitolo=Fido concesso\r\nTotale=1\r\nDecimali=2\r\n"));
    }

    void writeLayout(const QString& relative, const QString& text)
    {
        QFile file(folder.file(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(platform::toCp1252(text));
    }

    test::ProgramFolder folder;
    vorp::ReportTable table;
};

struct LayoutCase
{
    const char* name;
    const char* report;
    bool layoutUsed;
};

class ReportLayoutCaseTest : public ReportLayoutTest, public ::testing::WithParamInterface<LayoutCase>
{
};

TEST_P(ReportLayoutCaseTest, TheLayoutChoosesColumnsCaptionsOrientationAndTotals)
{
    const LayoutCase& row = GetParam();
    const vorp::ReportLayout layout =
        vorp::ReportLayout::load(folder.path(), QString::fromUtf8(row.report), table);
    const vorp::ReportDocument document(table, layout, {QStringLiteral("Clienti"), QStringLiteral("Ditta"), QDate(2024, 12, 25)});
    const QString pdf = folder.file(QStringLiteral("clienti.pdf"));
    ASSERT_TRUE(document.writePdf(pdf));
    const QStringList pages = test::pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = test::squeezedLines(pages.front());
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines.at(0), QStringLiteral("Clienti Data: 25/12/2024"));

    // pdfinfo gives the page size in points ("842 x 595 pts (A4)").
    const QString size = test::pdfInfo(pdf, QStringLiteral("Page size"));
    const QStringList sides = size.split(u' ');
    ASSERT_GE(sides.size(), 3) << size.toStdString();
    const double width = sides.at(0).toDouble();
    const double height = sides.at(2).toDouble();
    EXPECT_NEAR(std::max(width, height), 842, 1) << size.toStdString();
    if (row.layoutUsed) {
        EXPECT_GT(width, height) << size.toStdString();
        EXPECT_EQ(lines.at(2), QStringLiteral("RAGIONESOCIALE Città Fido concesso"));
        EXPECT_EQ(lines.at(3), QStringLiteral("Alfa S.p.A. Forlì 1.000,50"));
        EXPECT_EQ(lines.at(4), QStringLiteral("Bètà S.r.l. Città di Castello 234,00"));
        EXPECT_EQ(lines.at(5), QStringLiteral("Gamma"));
        EXPECT_EQ(lines.at(6), QStringLiteral("Totale 1.234,50"));
    } else {
        EXPECT_LT(width, height) << size.toStdString();
        EXPECT_EQ(lines.at(2), QStringLiteral("CODICE RAGIONESOCIALE CITTA FIDO"));
        EXPECT_EQ(lines.at(3), QStringLiteral("1 Alfa S.p.A. Forlì 1.000,50"));
        EXPECT_EQ(lines.at(5), QStringLiteral("3 Gamma"));
        EXPECT_EQ(lines.at(6), QStringLiteral("Pagina 1 di 1"));
    }
    EXPECT_EQ(lines.constLast(), QStringLiteral("Pagina 1 di 1"));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReportLayoutCaseTest,
    ::testing::Values(LayoutCase{"Exact", "Clienti", true},
                      LayoutCase{"OtherCaseAndExtension", "cLIENTI.INI", true},
                      // Only the file name counts: a path never leaves the Report folder.
                      LayoutCase{"PathPartsIgnored", "..\\..\\altrove/Clienti", true},
                      LayoutCase{"Missing", "Fornitori", false},
                      LayoutCase{"Empty", "", false},
                      LayoutCase{"OutsideTheFolder", "/etc/passwd", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportLayoutTest, ALayoutWithoutKnownColumnsPrintsEveryColumnInItsOrientation)
{
    writeLayout(QStringLiteral("Report/Vuoto.ini"), QStringLiteral("[Report]\nOrientamento=orizzontale\nColonne=NESSUNA\n"));
    const vorp::ReportLayout layout = vorp::ReportLayout::load(folder.path(), QStringLiteral("Vuoto"), table);
    ASSERT_EQ(layout.columns.size(), 4u);
    EXPECT_TRUE(layout.landscape);
    EXPECT_EQ(layout.columns.at(3).caption, QStringLiteral("FIDO"));
}

// A layout of many sections is read once, and one listing more columns than any page holds is
// refused with a message that names it: 20,000 column entries used to take minutes.
TEST_F(ReportLayoutTest, AHugeColumnListIsRefusedAndManySectionsAreReadOnce)
{
    QString sezioni = QStringLiteral("[Report]\nColonne=CODICE,FIDO\n");
    for (int i = 0; i < 20000; ++i)
        sezioni += QStringLiteral("[X%1]\nTitolo=colonna %1\n").arg(i);
    sezioni += QStringLiteral("[FIDO]\nTitolo=Fido concesso\nTotale=1\n");
    writeLayout(QStringLiteral("Report/Molte.ini"), sezioni);
    const vorp::ReportLayout layout = vorp::ReportLayout::load(folder.path(), QStringLiteral("Molte"), table);
    ASSERT_EQ(layout.columns.size(), 2u);
    EXPECT_EQ(layout.columns.at(1).caption, QStringLiteral("Fido concesso"));
    EXPECT_TRUE(layout.columns.at(1).total);

    QStringList colonne;
    for (int i = 0; i < 20000; ++i)
        colonne << QStringLiteral("CODICE");
    writeLayout(QStringLiteral("Report/Enorme.ini"),
                QStringLiteral("[Report]\nColonne=") + colonne.join(u',') + u'\n');
    try {
        vorp::ReportLayout::load(folder.path(), QStringLiteral("Enorme"), table);
        FAIL() << "a layout of 20000 columns was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("elenca 20000 colonne")))
            << e.what();
    }
}

TEST_F(ReportLayoutTest, LongTextWrapsInsideItsColumnAndAnEmptyTableSaysSo)
{
    const QString lungo = QStringLiteral("Consorzio agrario interprovinciale delle province di Forlì, Cesena e Rimini "
                                         "società cooperativa a responsabilità limitata");
    table.rows = {{7, lungo, QStringLiteral("Forlì"), 1.0}};
    const vorp::ReportDocument document(table, vorp::ReportLayout::allColumns(table),
                                        {QStringLiteral("T"), QStringLiteral("Ditta"), QDate(2024, 1, 2)});
    const QString pdf = folder.file(QStringLiteral("lungo.pdf"));
    ASSERT_TRUE(document.writePdf(pdf));
    const QStringList lines = test::squeezedLines(test::pdfPages(pdf).value(0));
    // Title, company, captions, the row, the page number: every word printed, none of them cut,
    // the row over more than one line.
    ASSERT_GE(lines.size(), 5);
    const QStringList body = lines.mid(3, lines.size() - 4);
    EXPECT_GE(body.size(), 2);
    for (const QString& word : lungo.split(u' '))
        EXPECT_TRUE(body.join(u' ').split(u' ').contains(word)) << word.toStdString();

    table.rows.clear();
    const vorp::ReportDocument empty(table, vorp::ReportLayout::allColumns(table), {QStringLiteral("T"), QString(), QDate(2024, 1, 2)});
    ASSERT_TRUE(empty.writePdf(pdf));
    EXPECT_TRUE(test::squeezedLines(test::pdfPages(pdf).value(0)).contains(QStringLiteral("Nessun dato da stampare")));
}

TEST_F(ReportLayoutTest, AFileThatCannotBeWrittenIsRefused)
{
    const vorp::ReportDocument document(table, vorp::ReportLayout::allColumns(table), {});
    int pages = -1;
    EXPECT_FALSE(document.writePdf(folder.file(QStringLiteral("manca/cartella/x.pdf")), &pages));
    EXPECT_EQ(pages, 0);
}

// The total goes after the last row when there is room for it on that page, and on a page of
// its own, with its own "Pagina N di N", when the rows fill the last page exactly: never over
// the page number. The rows per page are measured first from a report without a total.
TEST_F(ReportLayoutTest, TheTotalGoesOnAPageOfItsOwnWhenTheRowsFillTheLastPage)
{
    auto righe = [](int count) {
        vorp::ReportTable t;
        t.columns = {QStringLiteral("RIGA"), QStringLiteral("IMPORTO")};
        for (int i = 1; i <= count; ++i)
            t.rows.push_back({QStringLiteral("r%1").arg(i), 1});
        return t;
    };
    auto stampa = [&](const vorp::ReportTable& t, bool totale) {
        vorp::ReportLayout layout = vorp::ReportLayout::allColumns(t);
        layout.columns.at(1).total = totale;
        const vorp::ReportDocument document(t, layout, {QStringLiteral("T"), QStringLiteral("Ditta"), QDate(2024, 1, 2)});
        const QString pdf = folder.file(QStringLiteral("pagine.pdf"));
        EXPECT_TRUE(document.writePdf(pdf));
        QList<QStringList> pages;
        for (const QString& page : test::pdfPages(pdf))
            pages << test::squeezedLines(page);
        return pages;
    };
    const vorp::ReportTable molte = righe(300);
    const QList<QStringList> senzaTotale = stampa(molte, false);
    ASSERT_GE(senzaTotale.size(), 2);
    // Title, company, captions, the rows, the page number.
    const int perPagina = static_cast<int>(senzaTotale.front().size()) - 4;
    ASSERT_GT(perPagina, 10);

    const struct
    {
        const char* name;
        int rows;
        int pages;
        int rowsOnLast; // rows printed on the last page, before the total
    } cases[] = {
        {"RoomForTheTotal", perPagina - 1, 1, perPagina - 1},
        {"RowsFillThePage", perPagina, 2, 0},
        {"RowsFillTheSecondPage", 2 * perPagina, 3, 0},
        {"OneRowOver", perPagina + 1, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<QStringList> pages = stampa(righe(c.rows), true);
        ASSERT_EQ(pages.size(), c.pages);
        for (int p = 0; p < c.pages; ++p) {
            SCOPED_TRACE(p + 1);
            const QStringList& lines = pages.at(p);
            EXPECT_EQ(lines.constLast(), QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(c.pages));
            EXPECT_EQ(lines.filter(QStringLiteral("Totale")).size(), p == c.pages - 1 ? 1 : 0);
        }
        const QStringList& last = pages.constLast();
        ASSERT_GE(last.size(), 5);
        EXPECT_EQ(last.at(last.size() - 2), QStringLiteral("Totale %1").arg(c.rows));
        EXPECT_EQ(last.size() - 5, c.rowsOnLast);
    }
}

} // namespace
