// CaricaMenu alone, on a window already logged in: the menu bar rebuilt from the database for the
// 256-entry tree of the benchmark catalogue's first program and for a program of 5,000 entries
// (tests/support/MenuGrande.h, the rows the menu test checks). Beside each, measured in the same
// run:
//   FloorMenu               the raw client running, in a transaction already started, the one
//                           SELECT of the program's visible menu rows and fetching them all;
//   FloorMenu/with-widgets  what any program showing these menus must do: the raw client reading
//                           the user's parameters (for the captions that show one) and the
//                           program's visible menu rows in two statements, their texts decoded,
//                           children found by parent through a hash, and the same Qt menus,
//                           entries and separators made, with the same tags, names and handler
//                           properties. What it leaves out is the product's own overhead: the
//                           db layer, its column look-ups by name, the tree as a unit, the slot
//                           table.
// CaricaMenuPart splits the 256-entry build into the product's read of the rows, its placeholder
// parameters and its Qt objects. The counter actions_left_per_call counts the actions each
// rebuild leaves as children of the window once the replaced menus are gone.
//
// Embedded, and through the Firebird server on loopback (VELKORA_TEST_SERVER) when it is listening.

#include "BenchCatalogue.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "menu/CatalogoProgetto.h"
#include "platform/Environment.h"
#include "platform/TextCodec.h"
#include "support/MenuGrande.h"
#include "platform/ui/RecordingMessageService.h"
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

#include <QHash>

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

// A program whose menus are rebuilt, and what they hold.
struct Albero
{
    const char* name;
    qint32 programma;
    int voci;
    int cime;
};

// The 5,000-entry program is not in the user's project: the login is the same as without it.
constexpr qint32 kProgrammaGrande = 500;
const Albero kAlberi[] = {
    {"256", kPrimoProgramma, kVociAlbero, kCimeAlbero},
    {"5000", kProgrammaGrande, test::kVociMenuGrande, test::kCimeMenuGrande},
};

std::string selectMenu(const Albero& albero)
{
    return "SELECT MENU, LIVELLOMENU, MENUPREC, DESCRIZIONE, LIVELLO2VERSIONE FROM DETTMENU\n"
           "WHERE PROGRAMMA=" + std::to_string(albero.programma) + " AND VISIBILE='1' ORDER BY MENU";
}

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

void BM_CaricaMenu(benchmark::State& state, const Link* link, const Albero* albero)
{
    platform::RecordingMessageService messages;
    auto w = windowOn(*link, messages);
    const int actionsBefore = windowActions(*w);
    for (auto _ : state) {
        w->CaricaMenu(albero->programma);
        // The menus replaced go with deleteLater, when the event loop next runs: not part of the
        // building, as in the program, where that happens after the click has been handled.
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    if (!w->VociMenu[256] || w->ContaVoci != albero->voci + 1 || !messages.boxes().empty()
        || w->MenuPrincipale->actions().size() != 1 + albero->cime)
        state.SkipWithError("the menu tree is not the expected one");
    // What every rebuild leaves behind as children of the window, after the replaced menus are
    // deleted.
    state.counters["actions_left_per_call"] =
        static_cast<double>(windowActions(*w) - actionsBefore) / static_cast<double>(state.iterations());
}

void BM_FloorMenu(benchmark::State& state, const Link* link, const Albero* albero)
{
    RawDatabase db(link->remoteName.isEmpty() ? link->folder + QStringLiteral("user/user.fdb") : link->remoteName);
    db.start();
    const std::string sql = selectMenu(*albero);
    for (auto _ : state) {
        if (db.select(sql.c_str()) < albero->voci) {
            state.SkipWithError("the floor read an unexpected number of rows");
            break;
        }
    }
}

// ---- The floor with widgets ----------------------------------------------------------------

qint32 intero(const XSQLVAR& v, bool* isNull = nullptr)
{
    const bool n = v.sqlind && *v.sqlind == -1;
    if (isNull)
        *isNull = n;
    return n ? 0 : *reinterpret_cast<const ISC_LONG*>(v.sqldata);
}

QString testo(const XSQLVAR& v)
{
    if (v.sqlind && *v.sqlind == -1)
        return {};
    const auto length = *reinterpret_cast<const short*>(v.sqldata);
    return platform::fromCp1252(v.sqldata + sizeof(short), length);
}

// The menus of a program straight from the raw client's rows into Qt objects, in a main window of
// the product's font with its menu bar.
class FloorTree
{
public:
    FloorTree(const Link& link, const Albero& albero)
        : m_db(link.remoteName.isEmpty() ? link.folder + QStringLiteral("user/user.fdb") : link.remoteName),
          m_select(selectMenu(albero))
    {
        platform::RecordingMessageService messages;
        auto w = windowOn(link, messages);
        m_owner.setFont(w->font());
        m_bar = new QMenuBar(&m_owner);
        m_owner.setMenuBar(m_bar);
        m_owner.show();
        m_db.start();
    }

    // Reads and builds; returns the number of entries made.
    int build()
    {
        QHash<QString, QString> parametri;
        m_db.select("SELECT PARAMETRO, VALORE FROM TABVELKORA WHERE UTENTE=2 AND INTESTAZIONE='BENCH SRL'",
                    [&](const XSQLDA& row) {
                        const QString nome = testo(row.sqlvar[0]);
                        if (!parametri.contains(nome))
                            parametri.insert(nome, testo(row.sqlvar[1]));
                    });
        m_nodes.clear();
        m_tops.clear();
        QHash<QPair<qint64, qint32>, std::vector<std::size_t>> figli;
        m_db.select(m_select.c_str(), [&](const XSQLDA& row) {
            bool livelloNull = false;
            bool precNull = false;
            Node n;
            n.menu = intero(row.sqlvar[0]);
            n.livello = intero(row.sqlvar[1], &livelloNull);
            const qint32 prec = intero(row.sqlvar[2], &precNull);
            n.caption = testo(row.sqlvar[3]);
            n.livello2 = testo(row.sqlvar[4]) == QLatin1String("1");
            const std::size_t i = m_nodes.size();
            m_nodes.push_back(std::move(n));
            if (!livelloNull && m_nodes.back().livello == 0 && precNull)
                m_tops.push_back(i);
            else if (!livelloNull && !precNull)
                figli[{m_nodes.back().livello, prec}].push_back(i);
        });
        for (Node& n : m_nodes)
            n.children = figli.value({qint64(n.livello) + 1, n.menu});
        m_parametri = &parametri;
        int voci = 0;
        for (const std::size_t t : m_tops) {
            const Node& n = m_nodes[t];
            auto* a = new QAction(n.caption, &m_owner);
            a->setProperty("tag", n.menu);
            m_bar->addAction(a);
            ++voci;
            if (n.children.empty()) {
                a->setProperty("gestore", QStringLiteral("EventoVoceOnClick"));
                continue;
            }
            auto* sub = new QMenu(n.caption, m_bar);
            a->setMenu(sub);
            voci += addChildren(sub, n);
        }
        m_parametri = nullptr;
        return voci;
    }

    void destroy()
    {
        for (QAction* a : m_bar->actions())
            delete a->menu();
        qDeleteAll(m_owner.findChildren<QAction*>(Qt::FindDirectChildrenOnly));
    }

private:
    struct Node
    {
        qint32 menu = 0;
        qint32 livello = 0;
        QString caption;
        bool livello2 = false;
        std::vector<std::size_t> children;
    };

    int addChildren(QMenu* menu, const Node& parent)
    {
        int voci = 0;
        for (const std::size_t c : parent.children) {
            const Node& n = m_nodes[c];
            ++voci;
            if (n.caption == QLatin1String("-")) {
                QAction* sep = menu->addSeparator();
                sep->setProperty("tag", n.menu);
                sep->setObjectName(QStringLiteral("N") + QString::number(n.menu));
                continue;
            }
            QString caption = n.caption;
            const qsizetype p = caption.indexOf(QLatin1String("<LINEA>"));
            if (p >= 0) {
                const qsizetype q = caption.indexOf(QLatin1String("</LINEA>"));
                const QString nome = q > p + 7 ? caption.mid(p + 7, q - p - 7) : QString();
                caption = caption.left(p) + m_parametri->value(nome);
            }
            auto* a = new QAction(caption, menu);
            a->setProperty("tag", n.menu);
            menu->addAction(a);
            if (!n.children.empty()) {
                auto* sub = new QMenu(caption, menu);
                a->setMenu(sub);
                voci += addChildren(sub, n);
            } else {
                a->setProperty("gestore", n.livello2 ? QStringLiteral("EventoVoce2OnClick")
                                                     : QStringLiteral("EventoVoceOnClick"));
            }
        }
        return voci;
    }

    RawDatabase m_db;
    std::string m_select;
    std::vector<Node> m_nodes;
    std::vector<std::size_t> m_tops;
    const QHash<QString, QString>* m_parametri = nullptr;
    QMainWindow m_owner;
    QMenuBar* m_bar = nullptr;
};

void BM_FloorMenuWithWidgets(benchmark::State& state, const Link* link, const Albero* albero)
{
    FloorTree tree(*link, *albero);
    for (auto _ : state) {
        const int voci = tree.build();
        state.PauseTiming();
        tree.destroy();
        state.ResumeTiming();
        if (voci != albero->voci) {
            state.SkipWithError("the floor built an unexpected number of entries");
            break;
        }
    }
}

// ---- The parts of CaricaMenu, each alone --------------------------------------------------
//
// To show where the time of the 256-entry build goes: the product's one read of the program's
// rows (leggiMenuProgramma), the placeholder parameters, and the Qt objects of the tree built
// from rows already in memory. The three add up to nearly the whole of CaricaMenu.

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

// Reads the first program's rows through a db::Query, for the Qt objects part.
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
        if (leggiMenuProgramma(q, kPrimoProgramma).size() != kVociAlbero) {
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
    {
        db::Database database;
        database.setDatabaseName(embeddedFolder + QStringLiteral("user/user.fdb"));
        database.params() = QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
        database.attach();
        data::SchemaInstaller::runScript(database, test::menuGrandeSql(kProgrammaGrande, QStringLiteral("Listino1")));
        database.detach();
    }
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
        for (const Albero& albero : kAlberi) {
            const std::string n = std::string(albero.name) + "/" + link.name;
            for (auto* b : {benchmark::RegisterBenchmark(("FloorMenu/" + n).c_str(), BM_FloorMenu, &link, &albero),
                            benchmark::RegisterBenchmark(("FloorMenu/" + n + "/with-widgets").c_str(),
                                                         BM_FloorMenuWithWidgets, &link, &albero),
                            benchmark::RegisterBenchmark(("CaricaMenu/" + n).c_str(), BM_CaricaMenu, &link,
                                                         &albero)})
                b->Unit(benchmark::kMillisecond)->UseRealTime();
        }
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
