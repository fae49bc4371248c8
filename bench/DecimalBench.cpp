// Reading 100,000 amounts of a NUMERIC(18,4) column, which the db layer keeps exact (a Decimal
// of 64-bit units and the scale), beside the same values read from a DOUBLE PRECISION column of
// the same rows: the way every amount was read before, a double decoded into the QVariant. Both
// are read by the same selection in the same run; the exact path must stay within 1.2 times the
// double one.

#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Decimal.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velkora;

namespace {

constexpr int kRows = 100000;
QString g_database;

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
    database.executeImmediate(QStringLiteral(
        "CREATE TABLE IMPORTI (CODICE INTEGER NOT NULL PRIMARY KEY, IMPORTO NUMERIC(18,4), "
        "VALORE DOUBLE PRECISION)"));
    db::Transaction t(&database);
    db::Query insert(&database, &t);
    insert.add(QStringLiteral("INSERT INTO IMPORTI VALUES (:C, :I, :V)"));
    for (int i = 1; i <= kRows; ++i) {
        // Amounts up to the hundred billions with four decimals.
        const qint64 units = (static_cast<qint64>(i) * 7919 * 1000003) % 1000000000000000LL - 500000000000000LL;
        insert.setParam(QStringLiteral("C"), i);
        insert.setParam(QStringLiteral("I"), QVariant::fromValue(db::Decimal(units, 4)));
        insert.setParam(QStringLiteral("V"), static_cast<double>(units) / 10000.0);
        insert.execSql();
    }
    t.commit();
}

// Reads the column of every row and touches each value, as a grid or a report does.
qint64 readColumn(db::Database& database, const QString& column)
{
    db::Transaction t(&database);
    db::Query query(&database, &t);
    query.add(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM IMPORTI"));
    query.open();
    qint64 seen = 0;
    for (const auto& row : query.takeRows())
        seen += row.front().isNull() ? 0 : 1;
    if (seen != kRows)
        std::abort();
    return seen;
}

void BM_Numeric18_4(benchmark::State& state)
{
    db::Database database;
    attach(database);
    for (auto _ : state)
        benchmark::DoNotOptimize(readColumn(database, QStringLiteral("IMPORTO")));
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Numeric18_4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same rows read as doubles.
void BM_DoublePrecision(benchmark::State& state)
{
    db::Database database;
    attach(database);
    for (auto _ : state)
        benchmark::DoNotOptimize(readColumn(database, QStringLiteral("VALORE")));
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_DoublePrecision)->Unit(benchmark::kMillisecond)->UseRealTime();

// The median of several reads, the two columns taking turns so that both meet the same load of
// the machine.
void printRatio()
{
    db::Database database;
    attach(database);
    readColumn(database, QStringLiteral("IMPORTO")); // the engine's cache warmed for both
    std::vector<double> exact;
    std::vector<double> floating;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        readColumn(database, QStringLiteral("IMPORTO"));
        exact.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        readColumn(database, QStringLiteral("VALORE"));
        floating.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(exact.begin(), exact.end());
    std::sort(floating.begin(), floating.end());
    const double e = exact[exact.size() / 2];
    const double f = floating[floating.size() / 2];
    std::printf("%d values: NUMERIC(18,4) exact %.1f ms, DOUBLE PRECISION %.1f ms, ratio %.2f "
                "(limit 1.20)\n",
                kRows, e, f, e / f);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_database = dir.filePath(QStringLiteral("importi.fdb"));
    fill();
    printRatio();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
