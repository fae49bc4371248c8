// CaricaMenu alone on the 256-entry tree of the benchmark catalogue, on a window already logged
// in: the menu bar of the first program rebuilt from the database, with the menu read in one
// statement (snapshot) and with one statement per entry and per parent (per-entry). Beside it
// two floors measured in the same run:
//   FloorMenu               the raw client running, in a transaction already started, the one
//                           SELECT of the program's visible menu rows and fetching them all;
//   FloorMenu/with-widgets  the same, plus the same Qt menu tree built straight from rows in
//                           memory: the least work that shows the same menus.
// CaricaMenuPart splits the snapshot build into its database read, its placeholder parameters
// and its Qt objects. The counter actions_left_per_call counts the actions each rebuild leaves
// as children of the window once the replaced menus are gone.
//
// Embedded, and through the Firebird server on loopback (VELKORA_TEST_SERVER) when it is listening.

#include "BenchCatalogue.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "platform/Environment.h"
#include "platform/RecordingMessageService.h"
#include "shell/BaseMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>

using namespace velkora;
using namespace velkora::bench;

namespace {

struct Link
{
    const char* name;
    QString folder;
    // "server:path" for the server link (the window's user database is re-pointed to it, see
    // windowOn); empty for the embedded engine.
    QString remoteName;
};

std::vector<Link> g_links;

// A window logged in as the benchmark user on the link (re-pointed to the server as
// windowReadyToLogin explains).
std::unique_ptr<TBaseMainForm> windowOn(const Link& link, platform::RecordingMessageService& messages)
{
    auto w = bench::windowReadyToLogin(link.folder, link.remoteName, messages);
    w->ButtonOk->click();
    QApplication::processEvents();
    if (!messages.boxes().empty() || w->MenuPrincipale->actions().size() != 1 + kCimeAlbero)
        throw std::runtime_error("the benchmark user could not log in");
    return w;
}

int windowActions(const TBaseMainForm& w)
{
    return static_cast<int>(w.findChildren<QAction*>(Qt::FindDirectChildrenOnly).size());
}

void BM_CaricaMenu(benchmark::State& state, const Link* link, bool perEntry)
{
    platform::RecordingMessageService messages;
    auto w = windowOn(*link, messages);
    w->leggiMenuRigaPerRiga = perEntry;
    const int actionsBefore = windowActions(*w);
    for (auto _ : state) {
        w->CaricaMenu(kPrimoProgramma);
        // The menus replaced go with deleteLater, when the event loop next runs: not part of the
        // building, as in the program, where that happens after the click has been handled.
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    if (!w->VociMenu[kVociAlbero] || w->ContaVoci != kVociAlbero + 1 || !messages.boxes().empty()
        || w->MenuPrincipale->actions().size() != 1 + kCimeAlbero)
        state.SkipWithError("the menu tree is not the expected one");
    // What every rebuild leaves behind as children of the window, after the replaced menus are
    // deleted.
    state.counters["actions_left_per_call"] =
        static_cast<double>(windowActions(*w) - actionsBefore) / static_cast<double>(state.iterations());
}

void BM_FloorMenu(benchmark::State& state, const Link* link)
{
    RawDatabase db(link->remoteName.isEmpty() ? link->folder + QStringLiteral("user/user.fdb") : link->remoteName);
    db.start();
    for (auto _ : state) {
        if (db.select(kSelectMenu) != kVociAlbero) {
            state.SkipWithError("the floor read an unexpected number of rows");
            break;
        }
    }
}

// ---- The parts of CaricaMenu, each alone --------------------------------------------------
//
// To show where the time of the snapshot build goes: the one SELECT through the db layer with
// the same column reads, the placeholder parameters, and the Qt objects of the tree built from
// rows already in memory. The three add up to nearly the whole of CaricaMenu.

const char* const kSelectSnapshot =
    "SELECT MENU, LIVELLOMENU, MENUPREC, DESCRIZIONE, LIVELLO2VERSIONE\nFROM DETTMENU WHERE\n"
    "(PROGRAMMA='1')AND(VISIBILE='1')\nORDER BY MENU";

struct Node
{
    qint32 menu = 0;
    QString caption;
    bool livello2 = false;
    std::vector<std::size_t> children;
};

// Reads the first program's rows through a db::Query as CaricaMenu does, column by name.
int readMenuRows(db::Query& q, std::vector<Node>* nodes, std::vector<std::size_t>* tops)
{
    q.close();
    q.clear();
    q.add(QString::fromLatin1(kSelectSnapshot));
    q.open();
    int n = 0;
    std::map<qint32, std::size_t> index;
    for (q.first(); !q.eof(); q.next()) {
        const qint32 menu = static_cast<qint32>(q.asInteger(QStringLiteral("MENU")));
        const bool livelloNull = q.isNull(QStringLiteral("LIVELLOMENU"));
        const qint32 livello = static_cast<qint32>(q.asInteger(QStringLiteral("LIVELLOMENU")));
        const bool precNull = q.isNull(QStringLiteral("MENUPREC"));
        const qint32 prec = static_cast<qint32>(q.asInteger(QStringLiteral("MENUPREC")));
        const QString descrizione = q.asString(QStringLiteral("DESCRIZIONE"));
        const QString livello2 = q.asString(QStringLiteral("LIVELLO2VERSIONE"));
        ++n;
        if (!nodes)
            continue;
        index[menu] = nodes->size();
        nodes->push_back(Node{menu, descrizione, livello2 == QLatin1String("1"), {}});
        if (!livelloNull && livello == 0 && precNull)
            tops->push_back(nodes->size() - 1);
        else if (!precNull && index.count(prec))
            (*nodes)[index[prec]].children.push_back(nodes->size() - 1);
    }
    return n;
}

void addChildren(QWidget* owner, QMenu* menu, const std::vector<Node>& nodes, const Node& parent)
{
    for (const std::size_t c : parent.children) {
        const Node& n = nodes[c];
        if (n.caption == QLatin1String("-")) {
            QAction* sep = menu->addSeparator();
            sep->setText(QStringLiteral("-"));
            sep->setProperty("tag", n.menu);
            sep->setObjectName(QStringLiteral("N") + QString::number(n.menu));
            continue;
        }
        auto* a = new QAction(n.caption, owner);
        a->setProperty("tag", n.menu);
        menu->addAction(a);
        if (!n.children.empty()) {
            auto* sub = new QMenu(n.caption, menu);
            a->setMenu(sub);
            addChildren(owner, sub, nodes, n);
        } else {
            a->setProperty("gestore", n.livello2 ? QStringLiteral("EventoVoce2OnClick")
                                                 : QStringLiteral("EventoVoceOnClick"));
        }
    }
}

void BM_PartMenuSelect(benchmark::State& state, const Link* link)
{
    platform::RecordingMessageService messages;
    auto w = windowOn(*link, messages);
    db::Query q(&w->tabX()->IBDatabaseUser, &w->TransazioneAux);
    for (auto _ : state) {
        if (readMenuRows(q, nullptr, nullptr) != kVociAlbero) {
            state.SkipWithError("unexpected rows");
            break;
        }
    }
}

void BM_PartPlaceholders(benchmark::State& state, const Link* link)
{
    platform::RecordingMessageService messages;
    auto w = windowOn(*link, messages);
    for (auto _ : state) {
        for (int t = 0; t < kCimeAlbero; t += 2)
            benchmark::DoNotOptimize(w->tabX()->CaricaParametro(QStringLiteral("Listino%1").arg(t + 1)));
    }
}

// The menu tree built straight from rows in memory: the Qt objects any program showing this tree
// must make (a window in the main window's font, its menu bar, 256 entries, 64 submenus).
class DirectTree
{
public:
    explicit DirectTree(const Link& link)
    {
        platform::RecordingMessageService messages;
        auto w = windowOn(link, messages);
        db::Query q(&w->tabX()->IBDatabaseUser, &w->TransazioneAux);
        readMenuRows(q, &m_nodes, &m_tops);
        m_owner.setFont(w->font());
        m_bar = new QMenuBar(&m_owner);
        m_owner.setMenuBar(m_bar);
        m_owner.show();
    }

    void build()
    {
        for (const std::size_t t : m_tops) {
            const Node& n = m_nodes[t];
            auto* a = new QAction(n.caption, &m_owner);
            a->setProperty("tag", n.menu);
            m_bar->addAction(a);
            auto* sub = new QMenu(n.caption, m_bar);
            a->setMenu(sub);
            addChildren(&m_owner, sub, m_nodes, n);
        }
    }

    void destroy()
    {
        for (QAction* a : m_bar->actions())
            delete a->menu();
        qDeleteAll(m_owner.findChildren<QAction*>(Qt::FindDirectChildrenOnly));
    }

private:
    std::vector<Node> m_nodes;
    std::vector<std::size_t> m_tops;
    QMainWindow m_owner;
    QMenuBar* m_bar = nullptr;
};

void BM_PartQtObjects(benchmark::State& state, const Link* link)
{
    DirectTree tree(*link);
    for (auto _ : state) {
        tree.build();
        state.PauseTiming();
        tree.destroy();
        state.ResumeTiming();
    }
}

// The second floor: the raw client's one SELECT, fetched, and the same menu tree built straight
// from rows in memory. This is the least work that gives the same visible result, menus
// included.
void BM_FloorMenuWithWidgets(benchmark::State& state, const Link* link)
{
    DirectTree tree(*link);
    RawDatabase db(link->remoteName.isEmpty() ? link->folder + QStringLiteral("user/user.fdb") : link->remoteName);
    db.start();
    for (auto _ : state) {
        if (db.select(kSelectMenu) != kVociAlbero) {
            state.SkipWithError("the floor read an unexpected number of rows");
            break;
        }
        tree.build();
        state.PauseTiming();
        tree.destroy();
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    QApplication app(argc, argv);
    std::printf("load average at start: %s\n", loadAverage().c_str());

    QTemporaryDir dir;
    const QString embeddedFolder = dir.path() + QLatin1Char('/');
    makeProgramFolder(embeddedFolder);
    QDir::setCurrent(dir.path());

    QString serverFolder;
    std::unique_ptr<RawDatabase> holder;
    g_links.push_back({"embedded", embeddedFolder, QString()});
    if (serverUp()) {
        serverFolder = copyForServer(embeddedFolder);
        const QString name = benchServer().address + QLatin1Char(':') + serverFolder + QStringLiteral("user/user.fdb");
        // The server keeps the file open; a window constructed on the folder reaches it through
        // the server, which the folder's dati.ini names.
        holder = std::make_unique<RawDatabase>(name);
        g_links.push_back({"tcp", serverFolder, name});
    } else {
        std::printf("the Firebird server is not listening on 127.0.0.1:%u: embedded link only\n",
                    unsigned(benchServer().port));
    }

    for (const Link& link : g_links) {
        const std::string n = link.name;
        for (auto* b : {benchmark::RegisterBenchmark(("FloorMenu/" + n).c_str(), BM_FloorMenu, &link),
                        benchmark::RegisterBenchmark(("FloorMenu/" + n + "/with-widgets").c_str(),
                                                     BM_FloorMenuWithWidgets, &link),
                        benchmark::RegisterBenchmark(("CaricaMenu/" + n + "/snapshot").c_str(), BM_CaricaMenu,
                                                     &link, false),
                        benchmark::RegisterBenchmark(("CaricaMenu/" + n + "/per-entry").c_str(), BM_CaricaMenu,
                                                     &link, true)})
            b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    for (auto* b : {benchmark::RegisterBenchmark("CaricaMenuPart/embedded/select-and-read", BM_PartMenuSelect,
                                                 &g_links.front()),
                    benchmark::RegisterBenchmark("CaricaMenuPart/embedded/4-placeholder-parameters",
                                                 BM_PartPlaceholders, &g_links.front()),
                    benchmark::RegisterBenchmark("CaricaMenuPart/embedded/qt-objects", BM_PartQtObjects,
                                                 &g_links.front())})
        b->Unit(benchmark::kMillisecond)->UseRealTime();

    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("load average at the end: %s\n", loadAverage().c_str());

    holder.reset();
    if (!serverFolder.isEmpty())
        QDir(serverFolder).removeRecursively();
    return 0;
}
