// The lock probe a data window runs before a row is edited (TTabXForm::EventoBeforeEditDataSet)
// on a customers table of 10,000 rows, two workstations each with its own data form:
//   Probe        a free row: the UPDATE that takes the row's lock and the note of who holds it;
//   ProbeHeld    a row the other workstation holds: the refused UPDATE, the look-up of the holder
//                in the monitoring tables and the warning (recorded, not shown);
//   Floor        the least the client must do to take the same lock: the UPDATE of the key to
//                itself, prepared once and executed again with the key bound.
// Measured on three links: embedded (in-process), tcp (the server on loopback, VELKORA_TEST_SERVER)
// and rtt10ms (the relay of DelayRelay.h adding 10 ms per round trip), where the counter
// round_trips gives the client's round trips per probe.

#include "BenchCatalogue.h"
#include "DelayRelay.h"
#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"
#include "platform/SilentAbort.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace velkora;
using namespace velkora::bench;

namespace {

constexpr int kClienti = 10000;
const QStringList kCredenziali = {QStringLiteral("user_name=SYSDBA"),
                                  QStringLiteral("password=quillbark")};

// A workstation: its data form attached to the company database, a dataset over the customers
// and a save button.
struct Postazione
{
    Postazione(const QString& folder, const QString& databaseName, const QString& utente)
        : form(nullptr, 3, platform::Environment{folder, &messages})
    {
        form.NomeUser = utente;
        form.IBDatabase1.setDatabaseName(databaseName);
        form.IBDatabase1.params() = kCredenziali;
        form.IBDatabase1.attach();
        data.setSql({QStringLiteral("SELECT CODICE, NOME FROM CLIENTI ORDER BY CODICE")});
        data.open();
    }

    platform::RecordingMessageService messages;
    TTabXForm form;
    db::QueryDataSet data{&form.IBDatabase1, &form.IBTransaction1};
    QPushButton salva;
};

struct Link
{
    std::string name;
    DelayRelay* relay = nullptr;
    std::unique_ptr<Postazione> a;
    std::unique_ptr<Postazione> b;
};

std::vector<std::unique_ptr<Link>> g_links;

void creaDitta(const QString& path)
{
    db::Database d;
    d.setDatabaseName(path);
    d.params() = kCredenziali;
    d.create(
        {QStringLiteral("USER 'SYSDBA' PASSWORD 'quillbark'"), QStringLiteral("PAGE_SIZE 4096")});
    d.executeImmediate(QStringLiteral(
        "CREATE TABLE CLIENTI (CODICE INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(60))"));
    db::Transaction t(&d);
    db::Query q(&d, &t);
    q.add(QStringLiteral("INSERT INTO CLIENTI (CODICE, NOME) VALUES (:CODICE, :NOME)"));
    for (int i = 1; i <= kClienti; ++i) {
        q.setParam(QStringLiteral("CODICE"), i);
        q.setParam(QStringLiteral("NOME"), QStringLiteral("Cliente %1").arg(i));
        q.execSql();
    }
    t.commit();
    d.detach();
}

long long giri(const Link& link)
{
    return link.relay ? link.relay->roundTrips() : 0;
}

void riportaGiri(benchmark::State& state, const Link& link, long long prima)
{
    if (link.relay)
        state.counters["round_trips"] =
            static_cast<double>(giri(link) - prima) / static_cast<double>(state.iterations());
}

void BM_Probe(benchmark::State& state, Link* link)
{
    Postazione& a = *link->a;
    a.form.IBTransaction1.restart();
    a.data.first();
    const long long prima = giri(*link);
    for (auto _ : state) {
        if (a.data.eof()) {
            state.PauseTiming();
            a.form.IBTransaction1.restart();
            a.data.first();
            state.ResumeTiming();
        }
        a.form.EventoBeforeEditDataSet(a.data, a.salva, QStringLiteral("CLIENTI"));
        a.data.next();
    }
    riportaGiri(state, *link, prima);
    if (!a.messages.boxes().empty() || tagPulsante(a.salva) != 1)
        state.SkipWithError("the probe of a free row did not take the lock");
    a.form.IBTransaction1.restart();
}

void BM_ProbeHeld(benchmark::State& state, Link* link)
{
    Postazione& a = *link->a;
    Postazione& b = *link->b;
    b.form.IBTransaction1.restart();
    b.data.first();
    b.form.EventoBeforeEditDataSet(b.data, b.salva, QStringLiteral("CLIENTI"));
    a.form.IBTransaction1.restart();
    a.data.first();
    int rifiuti = 0;
    const long long prima = giri(*link);
    for (auto _ : state) {
        try {
            a.form.EventoBeforeEditDataSet(a.data, a.salva, QStringLiteral("CLIENTI"));
        } catch (const platform::SilentAbort&) {
            ++rifiuti;
        }
    }
    riportaGiri(state, *link, prima);
    const auto& boxes = a.messages.boxes();
    if (rifiuti != static_cast<int>(state.iterations()) || boxes.empty() ||
        !boxes.back().detail.contains(QStringLiteral("utente Banco B")))
        state.SkipWithError("the probe of a held row was not refused with its holder");
    a.messages.clear();
    b.form.IBTransaction1.restart();
}

void BM_Floor(benchmark::State& state, Link* link)
{
    Postazione& a = *link->a;
    a.form.IBTransaction1.restart();
    db::Query q(&a.form.IBDatabase1, &a.form.IBTransaction1);
    q.add(QStringLiteral("UPDATE CLIENTI SET CODICE = :V WHERE CODICE = :V"));
    int codice = 0;
    const long long prima = giri(*link);
    for (auto _ : state) {
        codice = codice % kClienti + 1;
        q.setParam(QStringLiteral("V"), codice);
        q.execSql();
    }
    riportaGiri(state, *link, prima);
    a.form.IBTransaction1.restart();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    QApplication app(argc, argv);
    std::printf("load average at start: %s\n", loadAverage().c_str());

    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString embeddedPath = folder + QStringLiteral("ditta.fdb");
    creaDitta(embeddedPath);

    std::unique_ptr<DelayRelay> relay;
    QString serverFolder;
    auto addLink = [&](const char* name, const QString& databaseName, DelayRelay* r) {
        auto link = std::make_unique<Link>();
        link->name = name;
        link->relay = r;
        link->a = std::make_unique<Postazione>(folder, databaseName, QStringLiteral("Banco A"));
        link->b = std::make_unique<Postazione>(folder, databaseName, QStringLiteral("Banco B"));
        g_links.push_back(std::move(link));
    };
    addLink("embedded", embeddedPath, nullptr);
    if (serverUp()) {
        // The server opens the file once the embedded link has let it go.
        g_links.front()->a->form.IBDatabase1.detach();
        g_links.front()->b->form.IBDatabase1.detach();
        QDir().mkpath(folder + QStringLiteral("user"));
        QFile::copy(embeddedPath, folder + QStringLiteral("user/ditta.fdb"));
        g_links.front()->a->form.IBDatabase1.attach();
        g_links.front()->b->form.IBDatabase1.attach();
        serverFolder = copyForServer(folder);
        const QString path = serverFolder + QStringLiteral("user/ditta.fdb");
        relay = std::make_unique<DelayRelay>(std::chrono::microseconds(5000),
                                             std::chrono::seconds(900));
        addLink("tcp", benchServer().address + QLatin1Char(':') + path, nullptr);
        addLink("rtt10ms", QStringLiteral("127.0.0.1/%1:").arg(relay->port()) + path, relay.get());
    } else {
        std::printf("the Firebird server is not listening on 127.0.0.1:%u: embedded link only\n",
                    unsigned(benchServer().port));
    }

    for (auto& link : g_links) {
        auto* f =
            benchmark::RegisterBenchmark(("Floor/" + link->name).c_str(), BM_Floor, link.get());
        auto* p =
            benchmark::RegisterBenchmark(("Probe/" + link->name).c_str(), BM_Probe, link.get());
        auto* h = benchmark::RegisterBenchmark(("ProbeHeld/" + link->name).c_str(), BM_ProbeHeld,
                                               link.get());
        for (auto* b : {f, p, h}) {
            b->Unit(benchmark::kMicrosecond)->UseRealTime();
            if (link->relay)
                b->Iterations(20);
        }
    }
    int count = argc;
    benchmark::Initialize(&count, argv);
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("load average after the benchmarks: %s\n", loadAverage().c_str());
    benchmark::Shutdown();

    g_links.clear();
    relay.reset();
    if (!serverFolder.isEmpty())
        QDir(serverFolder).removeRecursively();
    return 0;
}
