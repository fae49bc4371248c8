// The report of 2,000 rows written to a PDF file, as velkora-admin stampa and the preview's
// "Salva PDF" write it: the selection read from the embedded database, the rows measured and
// wrapped, every page drawn. Beside it, the floor: the same texts drawn at fixed places on the
// same number of pages, with nothing measured. The peak memory of one report is printed too.

#include "ReportDocument.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>

using namespace velkora;

namespace {

constexpr int kRows = 2000;
QString g_database;
QString g_pdf;
int g_pages = 0;

const QString kSelect = QStringLiteral("SELECT CODICE, NOME, TELEFONO, EMAIL FROM RUBRICA ORDER BY CODICE");

void attach(db::Database& database)
{
    database.setDatabaseName(g_database);
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    database.attach();
}

void fill()
{
    data::SchemaInstaller::createDatabase(g_database, data::SchemaInstaller::userSchemaSql());
    db::Database database;
    attach(database);
    db::Transaction t(&database);
    db::Query insert(&database, &t);
    insert.add(QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO, EMAIL) VALUES (:C, 1, :N, :T, :E)"));
    for (int i = 1; i <= kRows; ++i) {
        insert.setParam(QStringLiteral("C"), i);
        insert.setParam(QStringLiteral("N"), QStringLiteral("Cliente nº %1 della Città di Forlì").arg(i));
        insert.setParam(QStringLiteral("T"), QStringLiteral("0543 %1").arg(i, 6, 10, QLatin1Char('0')));
        insert.setParam(QStringLiteral("E"), QStringLiteral("cliente%1@esempio.it").arg(i));
        insert.execSql();
    }
    t.commit();
}

vorp::ReportTable readRows(db::Database& database)
{
    db::Transaction t(&database);
    db::Query query(&database, &t);
    query.add(kSelect);
    query.open();
    return vorp::ReportTable::fromQuery(query);
}

void writeReport(db::Database& database)
{
    const vorp::ReportTable table = readRows(database);
    const vorp::ReportDocument document(table, vorp::ReportLayout::allColumns(table),
                                        {QStringLiteral("Elenco clienti"), QStringLiteral("Rossi S.p.A."),
                                         QDate(2024, 12, 25)});
    if (!document.writePdf(g_pdf, &g_pages))
        std::abort();
}

void BM_Report2000RowsToPdf(benchmark::State& state)
{
    db::Database database;
    attach(database);
    for (auto _ : state)
        writeReport(database);
    state.counters["pages"] = g_pages;
}
BENCHMARK(BM_Report2000RowsToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// The least work that puts the same texts on as many pages: read the rows, draw each cell at a
// fixed place without measuring or wrapping.
void BM_Floor(benchmark::State& state)
{
    db::Database database;
    attach(database);
    for (auto _ : state) {
        const vorp::ReportTable table = readRows(database);
        QPdfWriter writer(g_pdf);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                                         QPageLayout::Millimeter));
        QPainter painter(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8.5);
        painter.setFont(font);
        const int perPage = (kRows + g_pages - 1) / std::max(1, g_pages);
        const double line = writer.height() / double(perPage + 4);
        const double column = writer.width() / 4.0;
        for (int r = 0; r < kRows; ++r) {
            if (r > 0 && r % perPage == 0)
                writer.newPage();
            const double y = (r % perPage + 2) * line;
            for (int c = 0; c < 4; ++c)
                painter.drawText(QPointF(c * column, y), db::valueToText(table.rows[r][c]));
        }
    }
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    g_database = dir.filePath(QStringLiteral("rubrica.fdb"));
    g_pdf = dir.filePath(QStringLiteral("rubrica.pdf"));
    fill();

    // Memory of one report: the peak resident size before and after the first one.
    {
        db::Database database;
        attach(database);
        readRows(database); // the engine's own cache warmed, so only the report counts
        const long before = peakKb();
        writeReport(database);
        std::printf("one report of %d rows, %d pages: peak resident memory %ld KB -> %ld KB (+%ld KB), PDF %lld KB\n",
                    kRows, g_pages, before, peakKb(), peakKb() - before,
                    static_cast<long long>(QFileInfo(g_pdf).size() / 1024));
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
