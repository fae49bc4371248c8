// The login of a user whose project has 20 programs and whose first program has a 256-entry
// menu tree: from the login panel (user picked, password typed) to the working state (caption,
// navigation bar with icons and quick items, the whole menu tree, the window at its stored
// place, session and call-log rows written). Measured on three links to the same catalogue:
//   embedded  the user database opened in-process by the embedded engine;
//   tcp       through the Firebird server on loopback (VELKORA_TEST_SERVER, see BenchCatalogue.h);
//   rtt10ms   through a relay of this program on 127.0.0.1 that holds every chunk 5 ms in each
//             direction, so every round trip costs 10 ms more (this kernel has no netem).
// Each link runs the login with the menu read in one statement (snapshot), with one statement
// per entry and per parent (per-entry), and the floor: the raw client reading, on an attachment
// already made, the rows the working state shows. On the relay the counter round_trips gives
// the client's round trips per login.
//
// After the benchmarks the program repeats the login phase by phase on each link and prints
// where the time and the round trips go (disable with --no-phases).
//
// Needs the server (scripts/fbserver.sh start) for the tcp and rtt10ms links; without it only the
// embedded link runs.

#include "BenchCatalogue.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "menu/ImageList.h"
#include "menu/NavigationBar.h"
#include "platform/Environment.h"
#include "platform/RecordingMessageService.h"
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

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

using namespace velkora;
using namespace velkora::bench;
using Clock = std::chrono::steady_clock;

namespace {

// ---- A loopback relay with a fixed delay ----------------------------------------------------

// Accepts connections on 127.0.0.1 (a port the system picks) and relays each to the server's port
// on 127.0.0.1 (benchServer()). Every chunk read from either side is written to the other side 5 ms
// (the given delay) after it arrived, in the order it arrived; the reader goes on reading
// meanwhile, so the link adds latency without limiting throughput. It also counts round trips: a
// chunk from the client that follows a chunk from the server starts a new exchange.
//
// Everything is bounded: at most maxConnections connections, every loop wakes at least every 20 ms
// and ends when the relay is destroyed or its lifetime is over.
class DelayRelay
{
public:
    DelayRelay(std::chrono::microseconds oneWay, std::chrono::seconds lifetime, int maxConnections = 64)
        : m_delay(oneWay)
        , m_serverPort(benchServer().port)
        , m_deadline(Clock::now() + lifetime)
        , m_maxConnections(maxConnections)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
            || ::listen(m_listen, 16) != 0)
            throw std::runtime_error("relay: cannot listen on 127.0.0.1");
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~DelayRelay()
    {
        m_stop = true;
        m_acceptor.join();
        for (auto& c : m_connections)
            c->join();
        ::close(m_listen);
    }

    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    int port() const { return m_port; }
    long long roundTrips() const { return m_turns.load(); }

private:
    struct Chunk
    {
        Clock::time_point due;
        std::vector<char> bytes; // empty: the sender closed its side
    };

    struct Direction
    {
        int from = -1;
        int to = -1;
        bool fromClient = false;
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<Chunk> queue;
    };

    struct Connection
    {
        Direction up;   // client to server
        Direction down; // server to client
        std::thread threads[4];
        std::atomic<int> finished{0};

        void join()
        {
            for (std::thread& t : threads)
                if (t.joinable())
                    t.join();
            ::close(up.from);
            ::close(up.to);
        }
    };

    bool running() const { return !m_stop && Clock::now() < m_deadline; }

    void acceptLoop()
    {
        int accepted = 0;
        while (running()) {
            // Connections whose four threads are done are closed here.
            for (auto it = m_connections.begin(); it != m_connections.end();) {
                if ((*it)->finished.load() == 4) {
                    (*it)->join();
                    it = m_connections.erase(it);
                } else {
                    ++it;
                }
            }
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            if (++accepted > m_maxConnections) {
                ::close(client);
                continue;
            }
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(m_serverPort);
            if (server < 0 || ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                ::close(client);
                if (server >= 0)
                    ::close(server);
                continue;
            }
            const int one = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            auto c = std::make_unique<Connection>();
            c->up.from = client;
            c->up.to = server;
            c->up.fromClient = true;
            c->down.from = server;
            c->down.to = client;
            Connection* raw = c.get();
            c->threads[0] = std::thread([this, raw] { reader(*raw, raw->up); });
            c->threads[1] = std::thread([this, raw] { writer(*raw, raw->up); });
            c->threads[2] = std::thread([this, raw] { reader(*raw, raw->down); });
            c->threads[3] = std::thread([this, raw] { writer(*raw, raw->down); });
            m_connections.push_back(std::move(c));
        }
    }

    void push(Direction& d, Chunk chunk)
    {
        {
            const std::lock_guard lock(d.mutex);
            d.queue.push_back(std::move(chunk));
        }
        d.ready.notify_one();
    }

    void reader(Connection& c, Direction& d)
    {
        std::vector<char> buffer(65536);
        while (running()) {
            pollfd p{d.from, POLLIN, 0};
            const int r = ::poll(&p, 1, 20);
            if (r == 0 || (r < 0 && errno == EINTR))
                continue;
            const ssize_t n = r < 0 ? -1 : ::recv(d.from, buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                break;
            if (d.fromClient) {
                if (m_lastFromServer.exchange(false))
                    ++m_turns;
            } else {
                m_lastFromServer = true;
            }
            push(d, Chunk{Clock::now() + m_delay, std::vector<char>(buffer.data(), buffer.data() + n)});
        }
        push(d, Chunk{Clock::now() + m_delay, {}});
        ++c.finished;
    }

    void writer(Connection& c, Direction& d)
    {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(d.mutex);
                d.ready.wait_for(lock, std::chrono::milliseconds(20), [&] { return !d.queue.empty(); });
                if (d.queue.empty()) {
                    if (!running())
                        break;
                    continue;
                }
                chunk = std::move(d.queue.front());
                d.queue.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                ::shutdown(d.to, SHUT_WR);
                break;
            }
            std::size_t sent = 0;
            bool failed = false;
            while (sent < chunk.bytes.size() && !failed) {
                const ssize_t n = ::send(d.to, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n > 0)
                    sent += static_cast<std::size_t>(n);
                else if (!(n < 0 && errno == EINTR))
                    failed = true;
            }
            if (failed) {
                // The receiving side is gone: both readers of the connection see the end.
                ::shutdown(d.to, SHUT_RDWR);
                ::shutdown(d.from, SHUT_RDWR);
                break;
            }
        }
        ++c.finished;
    }

    const std::chrono::microseconds m_delay;
    const quint16 m_serverPort; // the port of the server on 127.0.0.1 the relay forwards to
    const Clock::time_point m_deadline;
    const int m_maxConnections;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lastFromServer{true};
    std::atomic<long long> m_turns{0};
    std::thread m_acceptor;
    std::list<std::unique_ptr<Connection>> m_connections; // touched by the acceptor thread only
};

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
    int perEntryIterations = 0;
    int floorIterations = 0;
};

std::vector<Link> g_links;

// A window in its login state on the link, ready for OK (see windowReadyToLogin).
std::unique_ptr<TBaseMainForm> windowReadyToLogin(const Link& link, platform::RecordingMessageService& messages,
                                                  bool perEntry)
{
    auto w = bench::windowReadyToLogin(link.folder, link.remoteName, messages);
    w->leggiMenuRigaPerRiga = perEntry;
    return w;
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

void BM_Login(benchmark::State& state, const Link* link, bool perEntry)
{
    platform::RecordingMessageService messages;
    long long trips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        messages.clear();
        auto w = windowReadyToLogin(*link, messages, perEntry);
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

// The steps of TBaseMainForm::ButtonOkClick for a good login, in its order, each timed on its
// own. The benchmark itself presses the real button; this shows where its time goes.
struct Phase
{
    const char* name;
    std::function<void(TBaseMainForm&)> run;
};

const std::vector<Phase>& phases()
{
    static const std::vector<Phase> list = {
        {"accessoVerificaPassword",
         [](TBaseMainForm& w) { w.accessoVerificaPassword(w.ComboUtenti->currentText(), w.EditPassword->text()); }},
        {"accessoMostraLavoro",
         [](TBaseMainForm& w) {
             auto splash = std::make_unique<TInizForm>(&w);
             splash->setWindowFlags(Qt::Dialog);
             w.accessoMostraLavoro(*splash);
         }},
        {"accessoApriUtente", [](TBaseMainForm& w) { w.accessoApriUtente(w.ComboUtenti->currentText()); }},
        {"accessoLeggiConfigurazione", [](TBaseMainForm& w) { w.accessoLeggiConfigurazione(); }},
        {"accessoCaricaBarraEMenu", [](TBaseMainForm& w) { w.accessoCaricaBarraEMenu(); }},
        {"accessoPosizioneFinestra", [](TBaseMainForm& w) { w.accessoPosizioneFinestra(); }},
        {"accessoAgenda", [](TBaseMainForm& w) { w.accessoAgenda(); }},
    };
    return list;
}

struct PhaseFigures
{
    std::vector<std::vector<double>> ms;   // per phase, one figure per run
    std::vector<std::vector<double>> trips;
    std::vector<double> totalMs;           // the real button, same link and mode
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

PhaseFigures measurePhases(const Link& link, bool perEntry, int runs)
{
    PhaseFigures f;
    f.ms.resize(phases().size());
    f.trips.resize(phases().size());
    platform::RecordingMessageService messages;
    for (int r = 0; r < runs; ++r) {
        auto w = windowReadyToLogin(link, messages, perEntry);
        for (std::size_t i = 0; i < phases().size(); ++i) {
            const long long before = link.relay ? link.relay->roundTrips() : 0;
            const auto start = Clock::now();
            phases()[i].run(*w);
            f.ms[i].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            f.trips[i].push_back(static_cast<double>(link.relay ? link.relay->roundTrips() - before : 0));
        }
        destroyWindow(w);
        w = windowReadyToLogin(link, messages, perEntry);
        const auto start = Clock::now();
        w->ButtonOk->click();
        f.totalMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        destroyWindow(w);
    }
    return f;
}

void printPhases(bool perEntry)
{
    std::printf("\nLogin phase by phase, menu %s (median ms; round trips counted on the rtt10ms relay)\n",
                perEntry ? "per-entry" : "snapshot");
    std::vector<PhaseFigures> figures;
    for (const Link& link : g_links)
        figures.push_back(measurePhases(link, perEntry, link.relay ? (perEntry ? 1 : 3) : 7));
    std::printf("%-32s", "phase");
    for (const Link& link : g_links)
        std::printf("%12s", link.name);
    std::printf("%13s\n", "round trips");
    for (std::size_t i = 0; i < phases().size(); ++i) {
        std::printf("%-32s", phases()[i].name);
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
    std::printf("%-32s", "ButtonOkClick, same runs");
    for (std::size_t l = 0; l < g_links.size(); ++l)
        std::printf("%12.2f", median(figures[l].totalMs));
    std::printf("\n");
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
        auto w = windowReadyToLogin(link, messages, false);
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
    g_links.push_back({"embedded", embeddedFolder, QString(), nullptr, 0, 0, 0});
    if (serverUp()) {
        serverFolder = copyForServer(embeddedFolder);
        const QString path = serverFolder + QStringLiteral("user/user.fdb");
        // The server keeps the file open for the whole run; windows constructed on this folder
        // reach it through the server, which its dati.ini names.
        const QString remoteName = benchServer().address + QLatin1Char(':') + path;
        holder = std::make_unique<RawDatabase>(remoteName);
        relay = std::make_unique<DelayRelay>(std::chrono::microseconds(5000), std::chrono::seconds(900));
        g_links.push_back({"tcp", serverFolder, remoteName, nullptr, 0, 0, 0});
        g_links.push_back({"rtt10ms", serverFolder,
                           QStringLiteral("127.0.0.1/%1:").arg(relay->port()) + path, relay.get(), 5, 2, 10});
    } else {
        std::printf("the Firebird server is not listening on 127.0.0.1:%u: embedded link only\n",
                    unsigned(benchServer().port));
    }

    for (const Link& link : g_links) {
        const std::string n = link.name;
        auto* f = benchmark::RegisterBenchmark(("Floor/" + n).c_str(), BM_Floor, &link);
        auto* s = benchmark::RegisterBenchmark(("Login/" + n + "/snapshot").c_str(), BM_Login, &link, false);
        auto* p = benchmark::RegisterBenchmark(("Login/" + n + "/per-entry").c_str(), BM_Login, &link, true);
        for (auto* b : {f, s, p})
            b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (link.floorIterations)
            f->Iterations(link.floorIterations);
        if (link.loginIterations)
            s->Iterations(link.loginIterations);
        if (link.perEntryIterations)
            p->Iterations(link.perEntryIterations);
    }

    benchmark::Initialize(&count, args.data());
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("load average after the benchmarks: %s\n", loadAverage().c_str());
    if (showPhases) {
        printPhases(false);
        printPhases(true);
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
