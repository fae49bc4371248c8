// One click on a menu leaf of a logged-in window, from the click to the module function being
// entered: the leaf's action in the menu bar is triggered, as a click on it does, and the menu
// bar hands it to the dispatch (EseguiFunzioneVoce(programma, menu, 1)); the leaf's function is
// one of the test module that records its call and returns at once. The catalogue is the one of the
// login benchmark (BenchCatalogue.h); its leaf 1111 of program 1 is pointed at the test module,
// copied into each program folder as "Bench.so" (the leaf names "Bench.dll").
//
// Measured on three links to the same catalogue, as the login benchmark does:
//   embedded  the user database opened in-process by the embedded engine;
//   tcp       through the Firebird server on loopback (VELKORA_TEST_SERVER, see BenchCatalogue.h);
//   rtt10ms   through the relay of DelayRelay.h that adds 10 ms to every round trip; there the
//             counter round_trips gives the client's round trips per click.
// Each link also runs the floor: the raw client on an attachment already made, doing the least
// that gives the same visible result (the item read with the profile check, the session read,
// the call-log row written and committed with its window id, the company read).
//
// After the benchmarks the program prints, for every link, the time (and on the relay the round
// trips) of the dispatch's operations run one after the other as the design lists them, each
// statement on its own, beside the click (disable with --no-steps).
//
// Needs the server (scripts/fbserver.sh start) for the tcp and rtt10ms links; without it only the
// embedded link runs.

#include "BenchCatalogue.h"
#include "DelayRelay.h"
#include "TestModulePaths.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "modules/TestModule.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace velkora;
using namespace velkora::bench;
using Clock = std::chrono::steady_clock;

namespace {

// The leaf clicked: a depth-3 leaf of the first program without a parameter text.
constexpr int kVoce = 1111;
const QString kFunzione = QStringLiteral("ApriFinestraX");
const QString kModulo = QStringLiteral("Bench.so");

struct Link
{
    const char* name;
    QString folder;
    // Empty for the plain path (embedded); otherwise the "server:path" name the window and the
    // floor attach.
    QString remoteName;
    DelayRelay* relay = nullptr;
    // The window logged in on this link, kept for the whole run.
    std::unique_ptr<TBaseMainForm> window;
    platform::RecordingMessageService messages;
};

std::vector<std::unique_ptr<Link>> g_links;

const test::ModuleRecord* recordOf(const Link& link)
{
    platform::DynamicLibrary::Handle library =
        platform::DynamicLibrary::loaded(link.folder + kModulo);
    if (!library)
        return nullptr;
    const auto read =
        reinterpret_cast<test::ModuleRecordFunction>(platform::DynamicLibrary::function(
            library, QString::fromLatin1(test::kModuleRecordExport)));
    return read ? read() : nullptr;
}

int moduleCalls(const Link& link)
{
    const test::ModuleRecord* record = recordOf(link);
    return record ? record->calls : 0;
}

// Points leaf kVoce at the test module's function that takes a window id.
void pointLeafAtTestModule(const QString& programFolder)
{
    db::Database database;
    database.setDatabaseName(programFolder + QStringLiteral("user/user.fdb"));
    database.params() =
        QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
    data::SchemaInstaller::runScript(
        database,
        QStringLiteral("UPDATE DETTMENU SET FUNZIONE=%1 WHERE PROGRAMMA=%2 AND MENU=%3;\n")
            .arg(db::quoted(kFunzione), db::quotedInt(kPrimoProgramma), db::quotedInt(kVoce)));
    database.detach();
}

void copyModule(const QString& programFolder)
{
    const QString target = programFolder + kModulo;
    QFile::remove(target);
    if (!QFile::copy(QString::fromUtf8(test::kTestModuleFile), target))
        throw std::runtime_error("cannot copy the test module to " + target.toStdString());
}

// Logs the benchmark user in on the link with the real OK button; throws when the working state
// is not reached.
void logIn(Link& link)
{
    link.window = bench::windowReadyToLogin(link.folder, link.remoteName, link.messages);
    link.window->ButtonOk->click();
    if (!link.messages.boxes().empty())
        throw std::runtime_error("login on " + std::string(link.name) + " showed a box: " +
                                 link.messages.boxes().front().text.toStdString());
    if (link.window->CodiceSessione == 0)
        throw std::runtime_error("login on " + std::string(link.name) + " opened no session");
}

// What one click must have done: the module entered once more with the function of the leaf,
// the user's code and a window id, and no box shown. Empty when it did.
std::string clickFault(const Link& link, int callsBefore)
{
    if (!link.messages.boxes().empty())
        return "a message box: " + link.messages.boxes().front().text.toStdString();
    const test::ModuleRecord* record = recordOf(link);
    if (!record || record->calls != callsBefore + 1)
        return "the module function was not entered once";
    if (record->last.function != kFunzione.toStdString() || record->last.numUser != kCodiceUtente ||
        !record->last.idFinestra || *record->last.idFinestra <= 0)
        return "the module function received other arguments";
    return {};
}

// The action of the leaf in the menu bar (the menu builder tags it with its item code).
QAction* azioneDellaVoce(TBaseMainForm& w)
{
    for (QAction* a : w.MenuPrincipale->findChildren<QAction*>()) {
        if (a->property("tag").toInt() == kVoce &&
            a->property("gestore").toString() == QLatin1String("EventoVoceOnClick"))
            return a;
    }
    throw std::runtime_error("the leaf is not in the menu bar");
}

void BM_Click(benchmark::State& state, Link* link)
{
    QAction* voce = azioneDellaVoce(*link->window);
    long long trips = 0;
    for (auto _ : state) {
        const int callsBefore = moduleCalls(*link);
        const long long before = link->relay ? link->relay->roundTrips() : 0;

        voce->trigger();

        state.PauseTiming();
        if (link->relay)
            trips += link->relay->roundTrips() - before;
        const std::string fault = clickFault(*link, callsBefore);
        state.ResumeTiming();
        if (!fault.empty()) {
            state.SkipWithError(("the click did not reach the module: " + fault).c_str());
            break;
        }
    }
    if (link->relay)
        state.counters["round_trips"] =
            static_cast<double>(trips) / static_cast<double>(state.iterations());
}

// The floor of one click on an attachment already made: one transaction whose every statement
// is a single call of the client (run at once, no separate prepare, execute and fetch): the item
// read with the profile check as a subquery and the parameter text as a string (no blob calls),
// the session read, the call-log row drawing its window id in the same statement, the user's
// company read, then the commit. Returns the window id, or 0 when a read did not find its row.
int floorClick(RawDatabase& db, int codiceSessione)
{
    const std::string sessione = std::to_string(codiceSessione);
    db.start();
    bool found = db.singleton(
        "SELECT D.DLL, D.FUNZIONE, D.LIVELLO2VERSIONE, CAST(D.PARAMETRIBLOB AS VARCHAR(4000)),\n"
        "(SELECT COUNT(*) FROM PROFILI WHERE CODICE=1) FROM DETTMENU D\n"
        "WHERE D.PROGRAMMA=1 AND D.MENU=1111",
        5);
    found =
        db.singleton(
            ("SELECT CODICESESSIONE, DATACHIUSURA FROM NORVILOG WHERE CODICESESSIONE=" + sessione)
                .c_str(),
            2) &&
        found;
    const int id = db.insertReturningInt(
        ("INSERT INTO NORVILOGFUNZ (CODICESESSIONE, DATACHIAMATAFUNZIONE, ORACHIAMATAFUNZIONE,\n"
         "FUNZIONECHIAMATA, IDFINESTRA) VALUES (" +
         sessione +
         ", CURRENT_DATE, CURRENT_TIME, 'ApriFinestraX',\n"
         "GEN_ID(IDFINESTRANORVILOGFUNZCOUNTER, 1)) RETURNING IDFINESTRA")
            .c_str());
    found = db.singleton("SELECT DITTA FROM UTENTI WHERE CODICE=2", 1) && found;
    db.commit();
    return found ? id : 0;
}

void BM_Floor(benchmark::State& state, Link* link)
{
    RawDatabase db(link->remoteName.isEmpty() ? link->folder + QStringLiteral("user/user.fdb")
                                              : link->remoteName);
    const int sessione = link->window->CodiceSessione;
    long long trips = 0;
    for (auto _ : state) {
        const long long before = link->relay ? link->relay->roundTrips() : 0;
        const int id = floorClick(db, sessione);
        if (link->relay)
            trips += link->relay->roundTrips() - before;
        if (id <= 0) {
            state.SkipWithError("the floor did not find its rows");
            break;
        }
    }
    if (link->relay)
        state.counters["round_trips"] =
            static_cast<double>(trips) / static_cast<double>(state.iterations());
}

// ---- The click step by step -----------------------------------------------------------------

// The operations of the dispatch one after the other as the design lists them, for this leaf,
// each statement on its own and measured on its own: what the click's single read and single
// log statement save. The benchmark itself triggers the real menu action.
struct Step
{
    const char* name;
    std::function<void(TBaseMainForm&)> run;
};

const std::vector<Step>& steps()
{
    static const std::vector<Step> list = {
        {"profile read",
         [](TBaseMainForm& w) {
             w.QueryAux.close();
             w.QueryAux.clear();
             w.QueryAux.add(QStringLiteral("SELECT LIVELLOPREDEFINITO FROM PROFILI WHERE"));
             w.QueryAux.add(QStringLiteral("CODICE=") + db::quotedInt(w.NumProfilo));
             w.QueryAux.open();
         }},
        {"item read",
         [](TBaseMainForm& w) {
             db::Query& q = w.QueryAux;
             q.close();
             q.clear();
             q.add(QStringLiteral("SELECT DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB"));
             q.add(QStringLiteral("FROM DETTMENU WHERE"));
             q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(kPrimoProgramma) +
                   QStringLiteral(")AND"));
             q.add(QStringLiteral("(MENU=") + db::quotedInt(kVoce) + QStringLiteral(")"));
             q.open();
             q.first();
             (void)q.asString(QStringLiteral("PARAMETRIBLOB"));
             q.close();
         }},
        {"session check (restart + read)", [](TBaseMainForm& w) { w.VerificaStatoSessione(true); }},
        {"call log (id + insert + commit)",
         [](TBaseMainForm& w) { w.AggiornaNorviLogFunz(kFunzione); }},
        {"company (restart + read)",
         [](TBaseMainForm& w) {
             w.AggiornaDittaUtente(w.tabX()->NumUser, w.tabX()->DittaCorrente);
         }},
    };
    return list;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void printSteps(Link& link)
{
    std::printf("\nThe operations one by one on %s (median of 5 runs)\n", link.name);
    // Round trips are counted on the relay only.
    const char* tripsFormat = link.relay ? "%13.0f\n" : "\n";
    std::printf("%-36s%12s%s\n", "step", "ms", link.relay ? "  round trips" : "");
    // Every run takes the steps in the click's order, so that each statement follows the one it
    // follows in the click (the db layer prepares a statement again when its text changes).
    std::vector<std::vector<double>> ms(steps().size());
    std::vector<std::vector<double>> trips(steps().size());
    for (int r = 0; r < 5; ++r) {
        for (std::size_t i = 0; i < steps().size(); ++i) {
            const long long before = link.relay ? link.relay->roundTrips() : 0;
            const auto start = Clock::now();
            steps()[i].run(*link.window);
            ms[i].push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            trips[i].push_back(
                static_cast<double>(link.relay ? link.relay->roundTrips() - before : 0));
        }
    }
    double sumMs = 0;
    double sumTrips = 0;
    for (std::size_t i = 0; i < steps().size(); ++i) {
        std::printf("%-36s%12.2f", steps()[i].name, median(ms[i]));
        std::printf(tripsFormat, median(trips[i]));
        sumMs += median(ms[i]);
        sumTrips += median(trips[i]);
    }
    std::printf("%-36s%12.2f", "sum of the steps", sumMs);
    std::printf(tripsFormat, sumTrips);
    if (!link.messages.boxes().empty())
        std::printf("(a step showed a box: %s)\n", qPrintable(link.messages.boxes().front().text));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    bool showSteps = true;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-steps") == 0)
            showSteps = false;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());

    std::printf("load average at start: %s\n", loadAverage().c_str());
    QTemporaryDir dir;
    const QString embeddedFolder = dir.path() + QLatin1Char('/');
    makeProgramFolder(embeddedFolder);
    pointLeafAtTestModule(embeddedFolder);
    copyModule(embeddedFolder);
    QDir::setCurrent(dir.path());

    std::unique_ptr<DelayRelay> relay;
    std::unique_ptr<RawDatabase> holder;
    QString serverFolder;
    auto addLink = [](const char* name, const QString& folder, const QString& remoteName,
                      DelayRelay* r) {
        auto link = std::make_unique<Link>();
        link->name = name;
        link->folder = folder;
        link->remoteName = remoteName;
        link->relay = r;
        g_links.push_back(std::move(link));
    };
    addLink("embedded", embeddedFolder, QString(), nullptr);
    if (serverUp()) {
        serverFolder = copyForServer(embeddedFolder);
        copyModule(serverFolder);
        const QString path = serverFolder + QStringLiteral("user/user.fdb");
        const QString remoteName = benchServer().address + QLatin1Char(':') + path;
        holder = std::make_unique<RawDatabase>(remoteName);
        relay = std::make_unique<DelayRelay>(std::chrono::microseconds(5000),
                                             std::chrono::seconds(900));
        addLink("tcp", serverFolder, remoteName, nullptr);
        addLink("rtt10ms", serverFolder, QStringLiteral("127.0.0.1/%1:").arg(relay->port()) + path,
                relay.get());
    } else {
        std::printf("the Firebird server is not listening on 127.0.0.1:%u: embedded link only\n",
                    unsigned(benchServer().port));
    }

    for (auto& link : g_links) {
        logIn(*link);
        const std::string n = link->name;
        auto* f = benchmark::RegisterBenchmark(("Floor/" + n).c_str(), BM_Floor, link.get());
        auto* c = benchmark::RegisterBenchmark(("Click/" + n).c_str(), BM_Click, link.get());
        for (auto* b : {f, c}) {
            b->Unit(benchmark::kMillisecond)->UseRealTime();
            if (link->relay)
                b->Iterations(20);
        }
    }

    benchmark::Initialize(&count, args.data());
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("load average after the benchmarks: %s\n", loadAverage().c_str());
    if (showSteps)
        for (auto& link : g_links)
            printSteps(*link);
    benchmark::Shutdown();

    for (auto& link : g_links) {
        link->window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    g_links.clear();
    holder.reset();
    relay.reset();
    if (!serverFolder.isEmpty())
        QDir(serverFolder).removeRecursively();
    return 0;
}
