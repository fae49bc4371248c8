// Opening the customer list on a company archive of 10,000 customers, embedded: from the call of
// the module's entry point (as a menu click makes it, with the user database held by the start
// program) to the window shown with its first rows painted. Beside it, the floors measured in
// the same run on an attachment already made: the first screenful of rows read by the raw
// client (the least that shows the same first rows) and every row read into the editable
// dataset the window uses (what the window must hold to edit and search all rows).

#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/RecordingMessageService.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdint>

using namespace velkora;

namespace {

constexpr int kClienti = 10000;
QString g_folder;
platform::RecordingMessageService g_messages;
platform::DynamicLibrary::Handle g_library = nullptr;

void attach(db::Database& d, const QString& path)
{
    d.setDatabaseName(path);
    d.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    d.attach();
}

void exec(db::Database& d, const QString& sql)
{
    db::Transaction t(&d);
    db::Query q(&d, &t);
    q.add(sql);
    q.execSql();
    t.commit();
}

void makeFolder(const QString& folder)
{
    data::SchemaInstaller::initFolder(folder, false);
    QDir(folder).mkpath(QStringLiteral("Archivi/Rossi"));
    const QString archivio = folder + QStringLiteral("Archivi/Rossi/ditta.fdb");
    data::SchemaInstaller::createDatabase(archivio, data::SchemaInstaller::dittaSchemaSql());
    {
        db::Database d;
        attach(d, folder + QStringLiteral("user/user.fdb"));
        exec(d, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'Mario Rossi', 'ROSSI SRL')"));
        exec(d, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                               "VALUES (1, 'ROSSI SRL', 'ArchivioDitta', 'Archivi\\Rossi\\ditta.fdb', 1)"));
        d.detach();
    }
    db::Database d;
    attach(d, archivio);
    db::Transaction t(&d);
    db::Query q(&d, &t);
    q.add(QStringLiteral("INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE, INDIRIZZO, CAP, CITTA, PROVINCIA, "
                         "PARTITAIVA, TELEFONO, EMAIL, NOTE) VALUES (GEN_ID(CODICECLIENTICOUNTER, 1), "
                         ":R, :I, :C, :CI, :P, :IVA, :T, :E, :N)"));
    for (int i = 0; i < kClienti; ++i) {
        q.setParam(QStringLiteral("R"), QStringLiteral("Cliente %1 Città di Forlì S.r.l.").arg(kClienti - i, 5, 10, QLatin1Char('0')));
        q.setParam(QStringLiteral("I"), QStringLiteral("Via Roma %1").arg(i));
        q.setParam(QStringLiteral("C"), QStringLiteral("47121"));
        q.setParam(QStringLiteral("CI"), QStringLiteral("Forlì"));
        q.setParam(QStringLiteral("P"), QStringLiteral("FC"));
        q.setParam(QStringLiteral("IVA"), QStringLiteral("%1").arg(10000000000LL + i));
        q.setParam(QStringLiteral("T"), QStringLiteral("0543 %1").arg(i));
        q.setParam(QStringLiteral("E"), QStringLiteral("cliente%1@example.it").arg(i));
        q.setParam(QStringLiteral("N"), QStringLiteral("Note del cliente numero %1").arg(i));
        q.execSql();
    }
    t.commit();
    d.detach();
}

QWidget* finestra()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("TClientiForm"))
            return w;
    return nullptr;
}

void BM_OpenCustomerList(benchmark::State& state)
{
    using Entry = void (*)(std::int32_t, std::int32_t);
    auto entry = reinterpret_cast<Entry>(
        platform::DynamicLibrary::function(g_library, QStringLiteral("ShowClientiFormX")));
    int rows = 0;
    for (auto _ : state) {
        entry(1, 0);
        QWidget* w = finestra();
        if (!w) {
            state.SkipWithError("the window did not open");
            break;
        }
        // The first rows painted.
        QApplication::processEvents();
        rows = w->findChild<QTableView*>(QStringLiteral("Griglia"))->model()->rowCount();
        state.PauseTiming();
        delete w;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

void BM_FloorFirstScreenful(benchmark::State& state)
{
    db::Database d;
    attach(d, g_folder + QStringLiteral("Archivi/Rossi/ditta.fdb"));
    for (auto _ : state) {
        db::Transaction t(&d);
        db::Query q(&d, &t);
        q.add(QStringLiteral("SELECT FIRST 30 * FROM CLIENTI ORDER BY RAGIONESOCIALE, CODICE"));
        q.open();
        benchmark::DoNotOptimize(q.recordCount());
        t.rollback();
    }
    d.detach();
}

void BM_FloorAllRowsIntoTheDataSet(benchmark::State& state)
{
    db::Database d;
    attach(d, g_folder + QStringLiteral("Archivi/Rossi/ditta.fdb"));
    db::Transaction t(&d);
    d.setDefaultTransaction(&t);
    int rows = 0;
    for (auto _ : state) {
        db::QueryDataSet ds(&d);
        ds.add(QStringLiteral("SELECT * FROM CLIENTI ORDER BY RAGIONESOCIALE, CODICE"));
        ds.open();
        rows = ds.recordCount();
        t.rollback();
    }
    state.counters["rows"] = rows;
    d.detach();
}

} // namespace

BENCHMARK(BM_OpenCustomerList)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FloorFirstScreenful)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorAllRowsIntoTheDataSet)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_folder = dir.path() + QLatin1Char('/');
    makeFolder(g_folder);
    QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE), g_folder + QStringLiteral("libAnagrafi.so"));
    platform::Environment::process() = platform::Environment(g_folder, &g_messages);
    g_library = platform::DynamicLibrary::load(QStringLiteral("Anagrafi.dll"), g_folder);
    if (!g_library)
        return 1;
    // A menu click comes from the running start program, whose main window keeps the user
    // database attached: the window's own attachment finds it open, as it does in the office.
    db::Database programma;
    attach(programma, g_folder + QStringLiteral("user/user.fdb"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (!g_messages.boxes().empty())
        std::printf("a box was shown: %s\n", qPrintable(g_messages.boxes().front().text));
    return 0;
}
