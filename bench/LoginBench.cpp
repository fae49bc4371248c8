// The login of a user whose project has 20 programs and whose first program has a 256-entry
// menu tree: from the login panel (user picked, password typed) to the working state (caption,
// navigation bar with icons and quick items, the whole menu tree, the window at its stored
// place, session and call-log rows written). Measured on three links to the same catalogue:
//   embedded  the user database opened in-process by the embedded engine;
//   tcp       through the Firebird server on loopback (VELKORA_TEST_SERVER, see BenchCatalogue.h);
//   rtt10ms   through a relay of this program on 127.0.0.1 that holds every chunk 5 ms in each
//             direction, so every round trip costs 10 ms more (this kernel has no netem).
// Each link runs the login as the window does it (snapshot: the menu read in one statement, the
// bar, the user and his parameters read once), and the floor: the raw client reading, on an
// attachment already made, the rows the working state shows. On the relay the counter round_trips gives the client's round trips
// per login.
//
// After the benchmarks the program presses the button again on each link and prints where its
// time and round trips go, step by step (the window tells each step's end to an observer), so
// that the table adds up to the button (disable with --no-phases).
//
// Needs the server (scripts/fbserver.sh start) for the tcp and rtt10ms links; without it only the
// embedded link runs.

#include "BenchCatalogue.h"
#include "DelayRelay.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "menu/ImageList.h"
#include "menu/NavigationBar.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"
#include "shell/Iniz.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

using namespace velkora;
using namespace velkora::bench;
using Clock = std::chrono::steady_clock;

namespace {

// ---- The links ------------------------------------------------------------------------------

struct Link
{
    const char* name;
    // The program folder the window is constructed on.
    QString folder;
    // The database name the window's user database and the floor attach; empty for the plain
    // path (embedded).
    QString remoteName;
    DelayRelay* relay = nullptr;
    int loginIterations = 0; // 0: let the library decide from the minimum time
    int floorIterations = 0;
};

std::vector<Link> g_links;

// A window in its login state on the link, ready for OK (see windowReadyToLogin).
std::unique_ptr<TBaseMainForm> windowReadyToLogin(const Link& link, platform::RecordingMessageService& messages)
{
    return bench::windowReadyToLogin(link.folder, link.remoteName, messages);
}

// The working state the login must reach; empty when it did.
std::string workingStateFault(const TBaseMainForm& w, const platform::RecordingMessageService& messages)
{
    if (!messages.boxes().empty())
        return "a message box: " + messages.boxes().front().text.toStdString();
    if (w.MenuProgrammi->groupCount() != kProgrammi)
        return "navigation bar has " + std::to_string(w.MenuProgrammi->groupCount()) + " groups";
    if (w.MenuPrincipale->actions().size() != 1 + kCimeAlbero)
        return "menu bar has " + std::to_string(w.MenuPrincipale->actions().size()) + " menus";
    if (!w.VociMenu[kVociAlbero] || w.ContaVoci != kVociAlbero + 1
        || !w.VociRapide[kVociRapide])
        return "menu tree or quick items incomplete";
    if (w.size() != QSize(900, 640))
        return "window not at its stored size";
    if (!w.windowTitle().contains(kUtente))
        return "caption without the user";
    return {};
}

void destroyWindow(std::unique_ptr<TBaseMainForm>& w)
{
    w.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_Login(benchmark::State& state, const Link* link)
{
    platform::RecordingMessageService messages;
    long long trips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        messages.clear();
        auto w = windowReadyToLogin(*link, messages);
        const long long before = link->relay ? link->relay->roundTrips() : 0;
        state.ResumeTiming();

        w->ButtonOk->click();

        state.PauseTiming();
        if (link->relay)
            trips += link->relay->roundTrips() - before;
        const std::string fault = workingStateFault(*w, messages);
        destroyWindow(w);
        state.ResumeTiming();
        if (!fault.empty()) {
            state.SkipWithError(("working state not reached: " + fault).c_str());
            break;
        }
    }
    if (link->relay)
        state.counters["round_trips"] = static_cast<double>(trips) / static_cast<double>(state.iterations());
}

void BM_Floor(benchmark::State& state, const Link* link)
{
    RawDatabase db(link->remoteName.isEmpty() ? link->folder + QStringLiteral("user/user.fdb") : link->remoteName);
    long long trips = 0;
    for (auto _ : state) {
        const long long before = link->relay ? link->relay->roundTrips() : 0;
        const int rows = floorLogin(db);
        if (link->relay)
            trips += link->relay->roundTrips() - before;
        if (rows != kRigheFloorLogin) {
            state.SkipWithError("the floor read an unexpected number of rows");
            break;
        }
    }
    if (link->relay)
        state.counters["round_trips"] = static_cast<double>(trips) / static_cast<double>(state.iterations());
}

// ---- The login phase by phase ---------------------------------------------------------------

// The steps of TBaseMainForm::ButtonOkClick for a good login, in its order, as the window names
// them to its observer.
const std::vector<const char*>& phases()
{
    static const std::vector<const char*> list = {
        "accessoVerificaPassword", "accessoMostraLavoro", "accessoApriUtente",
        "accessoLeggiConfigurazione", "accessoCaricaBarraEMenu", "accessoPosizioneFinestra",
        "accessoAgenda",
    };
    return list;
}

struct PhaseFigures
{
    std::vector<std::vector<double>> ms;   // per phase, one figure per run
    std::vector<std::vector<double>> trips;
    std::vector<double> totalMs;           // the whole button, same presses
    std::vector<double> totalTrips;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Presses the button and takes the time and the round trips at the end of every step.
PhaseFigures measurePhases(const Link& link, int runs)
{
    PhaseFigures f;
    f.ms.resize(phases().size());
    f.trips.resize(phases().size());
    platform::RecordingMessageService messages;
    for (int r = 0; r < runs; ++r) {
        auto w = windowReadyToLogin(link, messages);
        std::size_t next = 0;
        auto last = Clock::now();
        long long lastTrips = link.relay ? link.relay->roundTrips() : 0;
        w->osservatoreAccesso = [&](const char* passo) {
            const auto now = Clock::now();
            const long long trips = link.relay ? link.relay->roundTrips() : 0;
            if (next < phases().size() && std::strcmp(phases()[next], passo) == 0) {
                f.ms[next].push_back(std::chrono::duration<double, std::milli>(now - last).count());
                f.trips[next].push_back(static_cast<double>(trips - lastTrips));
                ++next;
            }
            last = now;
            lastTrips = trips;
        };
        const long long before = link.relay ? link.relay->roundTrips() : 0;
        const auto start = Clock::now();
        last = start;
        w->ButtonOk->click();
        f.totalMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        f.totalTrips.push_back(static_cast<double>(link.relay ? link.relay->roundTrips() - before : 0));
        destroyWindow(w);
    }
    return f;
}

void printPhases()
{
    std::printf("\nLogin phase by phase (median ms; round trips counted on the rtt10ms relay)\n");
    std::vector<PhaseFigures> figures;
    for (const Link& link : g_links)
        figures.push_back(measurePhases(link, link.relay ? 3 : 7));
    std::printf("%-32s", "phase");
    for (const Link& link : g_links)
        std::printf("%12s", link.name);
    std::printf("%13s\n", "round trips");
    for (std::size_t i = 0; i < phases().size(); ++i) {
        std::printf("%-32s", phases()[i]);
        double trips = 0;
        for (std::size_t l = 0; l < g_links.size(); ++l) {
            std::printf("%12.2f", median(figures[l].ms[i]));
            if (g_links[l].relay)
                trips = median(figures[l].trips[i]);
        }
        std::printf("%13.0f\n", trips);
    }
    std::printf("%-32s", "sum of the phases");
    double tripsTotal = 0;
    for (std::size_t l = 0; l < g_links.size(); ++l) {
        double sum = 0;
        for (std::size_t i = 0; i < phases().size(); ++i)
            sum += median(figures[l].ms[i]);
        std::printf("%12.2f", sum);
        if (g_links[l].relay)
            for (std::size_t i = 0; i < phases().size(); ++i)
                tripsTotal += median(figures[l].trips[i]);
    }
    std::printf("%13.0f\n", tripsTotal);
    std::printf("%-32s", "ButtonOkClick, same presses");
    double buttonTrips = 0;
    for (std::size_t l = 0; l < g_links.size(); ++l) {
        std::printf("%12.2f", median(figures[l].totalMs));
        if (g_links[l].relay)
            buttonTrips = median(figures[l].totalTrips);
    }
    std::printf("%13.0f\n", buttonTrips);
}

// Inside CaricaProgrammi: its 21 statements through the db layer (the programs, then the quick
// items of each program), the 20 icons loaded in both sizes and the navigation bar's widgets,
// each timed alone on a window logged in on the link.
void printInsideCaricaProgrammi()
{
    std::printf("\nInside CaricaProgrammi, each part alone (median ms of 7 runs)\n");
    std::printf("%-32s", "part");
    for (const Link& link : g_links)
        std::printf("%12s", link.name);
    std::printf("\n");
    std::vector<double> statements;
    std::vector<double> icons;
    std::vector<double> bars;
    for (const Link& link : g_links) {
        platform::RecordingMessageService messages;
        auto w = windowReadyToLogin(link, messages);
        w->ButtonOk->click();
        std::vector<double> s;
        std::vector<double> i;
        std::vector<double> b;
        for (int r = 0; r < 7; ++r) {
            auto start = Clock::now();
            db::Query& q = w->QueryAux;
            q.close();
            q.clear();
            q.add(QStringLiteral("SELECT * FROM PROGRAMMI WHERE CODICE IN("));
            q.add(QStringLiteral("SELECT PROGRAMMA FROM DETTPROGETTI"));
            q.add(QStringLiteral("WHERE PROGETTO='1')"));
            q.open();
            for (int p = 1; p <= kProgrammi; ++p) {
                db::Query& q2 = w->QueryAux2;
                q2.close();
                q2.clear();
                q2.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
                q2.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(p) + QStringLiteral(")AND"));
                q2.add(QStringLiteral("(VOCERAPIDA='1')"));
                q2.add(QStringLiteral("ORDER BY MENU"));
                q2.open();
            }
            s.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            start = Clock::now();
            ImageList large{QSize(32, 32)};
            ImageList small{QSize(16, 16)};
            for (int p = 1; p <= kProgrammi; ++p) {
                const QIcon icon(link.folder + QStringLiteral("Grafica/prog%1.png").arg(p));
                large.add(icon.pixmap(large.size()));
                small.add(icon.pixmap(small.size()));
            }
            i.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            // The bar's widgets alone: a new bar in the logged-in window, filled with the same
            // groups and links (no pictures), then removed.
            start = Clock::now();
            auto* bar = new NavigationBar(w->centralWidget());
            bar->show();
            for (int p = 1; p <= kProgrammi; ++p) {
                NavigationBar::Group* g = bar->addGroup(QStringLiteral("Programma %1").arg(p), p);
                for (int l = 0; l < (p == kPrimoProgramma ? 2 * kCimeAlbero : 2); ++l)
                    bar->addLink(g, QStringLiteral("Funzione %1").arg(l), l);
            }
            b.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            delete bar;
        }
        statements.push_back(median(s));
        icons.push_back(median(i));
        bars.push_back(median(b));
        destroyWindow(w);
    }
    std::printf("%-32s", "21 SELECTs through db::Query");
    for (double v : statements)
        std::printf("%12.2f", v);
    std::printf("\n%-32s", "20 icons, two sizes");
    for (double v : icons)
        std::printf("%12.2f", v);
    std::printf("\n%-32s", "bar: 20 groups, 54 links");
    for (double v : bars)
        std::printf("%12.2f", v);
    std::printf("\n");
}

// What one client call costs on the relay, in round trips: the raw client and the db layer.
void printRoundTripsPerCall(const Link& link)
{
    std::printf("\nRound trips per call on the rtt10ms relay\n");
    auto measure = [&](const char* what, const std::function<void()>& call) {
        std::vector<double> trips;
        std::vector<double> ms;
        for (int r = 0; r < 5; ++r) {
            const long long before = link.relay->roundTrips();
            const auto start = Clock::now();
            call();
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            trips.push_back(static_cast<double>(link.relay->roundTrips() - before));
        }
        std::printf("%-60s%5.0f  (%.1f ms)\n", what, median(trips), median(ms));
    };
    {
        RawDatabase raw(link.remoteName);
        measure("raw: start + commit of an empty transaction", [&] { raw.start(); raw.commit(); });
        raw.start();
        measure("raw: new statement text, one row (prepare/execute/fetch)",
                [&] { raw.select("SELECT CODICE FROM UTENTI WHERE NOMEUTENTE='Bench'"); });
        measure("raw: new statement text, 256 menu rows", [&] { raw.select(kSelectMenu); });
        raw.commit();
    }
    db::Database database;
    database.setDatabaseName(link.remoteName);
    database.params() = QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
    {
        db::Transaction t(&database);
        db::Query q(&database, &t);
        int n = 0;
        measure("db::Query open, new text, one row (transaction running)", [&] {
            q.close();
            q.clear();
            q.add(QStringLiteral("SELECT CODICE FROM UTENTI WHERE CODICE=") + db::quotedInt(++n % 3 + 1));
            q.open();
        });
        measure("db::Query open, new text, one row with a short blob", [&] {
            q.close();
            q.clear();
            q.add(QStringLiteral("SELECT * FROM DETTMENU WHERE (PROGRAMMA=") + db::quotedInt(4 * (++n % 5 + 1))
                  + QStringLiteral(")AND(MENU='101')"));
            q.open();
        });
        measure("db::Transaction restart", [&] { t.restart(); });
        measure("db::Transaction commit + start", [&] { t.commit(); t.start(); });
        t.rollback();
    }
    database.detach();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    bool showPhases = true;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-phases") == 0)
            showPhases = false;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());

    std::printf("load average at start: %s\n", loadAverage().c_str());
    QTemporaryDir dir;
    const QString embeddedFolder = dir.path() + QLatin1Char('/');
    makeProgramFolder(embeddedFolder);
    // The windows are constructed with the program folder as current directory, as the start
    // program runs (FormCreate looks for "Grafica" there).
    QDir::setCurrent(dir.path());

    std::unique_ptr<DelayRelay> relay;
    std::unique_ptr<RawDatabase> holder;
    QString serverFolder;
    g_links.push_back({"embedded", embeddedFolder, QString(), nullptr, 0, 0});
    if (serverUp()) {
        serverFolder = copyForServer(embeddedFolder);
        const QString path = serverFolder + QStringLiteral("user/user.fdb");
        // The server keeps the file open for the whole run; windows constructed on this folder
        // reach it through the server, which its dati.ini names.
        const QString remoteName = benchServer().address + QLatin1Char(':') + path;
        holder = std::make_unique<RawDatabase>(remoteName);
        relay = std::make_unique<DelayRelay>(std::chrono::microseconds(5000), std::chrono::seconds(900));
        g_links.push_back({"tcp", serverFolder, remoteName, nullptr, 0, 0});
        g_links.push_back({"rtt10ms", serverFolder,
                           QStringLiteral("127.0.0.1/%1:").arg(relay->port()) + path, relay.get(), 5, 10});
    } else {
        std::printf("the Firebird server is not listening on 127.0.0.1:%u: embedded link only\n",
                    unsigned(benchServer().port));
    }

    for (const Link& link : g_links) {
        const std::string n = link.name;
        auto* f = benchmark::RegisterBenchmark(("Floor/" + n).c_str(), BM_Floor, &link);
        auto* s = benchmark::RegisterBenchmark(("Login/" + n + "/snapshot").c_str(), BM_Login, &link);
        for (auto* b : {f, s})
            b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (link.floorIterations)
            f->Iterations(link.floorIterations);
        if (link.loginIterations)
            s->Iterations(link.loginIterations);
    }

    benchmark::Initialize(&count, args.data());
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("load average after the benchmarks: %s\n", loadAverage().c_str());
    if (showPhases) {
        printPhases();
        printInsideCaricaProgrammi();
        for (const Link& link : g_links)
            if (link.relay)
                printRoundTripsPerCall(link);
        std::printf("load average at the end: %s\n", loadAverage().c_str());
    }
    benchmark::Shutdown();

    holder.reset();
    relay.reset();
    if (!serverFolder.isEmpty())
        QDir(serverFolder).removeRecursively();
    return 0;
}
