// The menu search: building its index from a project of 20 programs holding 5,000 entries that
// a click can start (menu leaves and quick items), and answering each keystroke of typical
// searches. Figures:
//   IndiceMenu/costruisci              the index built from the rows already read
//   IndiceMenu/lettura-e-costruzione   the one statement on the embedded engine, its rows read
//                                      through the program's db layer, and the index built
//   FloorLettura                       the raw client running the same statement and fetching
//                                      every row, the least any reader can do
//   Tasto/indice                       one keystroke: the search over the index
//   Tasto/campo                        one keystroke typed into the real field: the search, the
//                                      list model reset and the floating list placed and painted
//   FloorTasto/campo                   the least any program must do to show the same result
//                                      rows for one keystroke: the typed text folded, the folded
//                                      texts of the entries (made before, as the index makes them)
//                                      matched word by word, narrowing from the previous
//                                      keystroke's matches, put in the same four groups, the row
//                                      numbers handed to the plainest model of a list of the same
//                                      size with rows of one height, each visible row painted as
//                                      its caption and path in plain text (no pictures, no
//                                      highlight). Before it runs, its rows are checked to be the
//                                      product's rows for every keystroke
// The keystroke figures report the mean per keystroke over every prefix of the typed texts and
// the slowest keystroke, as wall time (max_ms, which a busy machine inflates) and as the time
// this thread ran (max_cpu_ms).

#include "BenchCatalogue.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "menu/CatalogoProgetto.h"
#include "menu/IndiceMenu.h"
#include "menu/RicercaMenu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QAbstractItemDelegate>
#include <QAbstractListModel>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <functional>

using namespace velkora;
using namespace velkora::bench;

namespace {

constexpr int kProgrammiRicerca = 20;
constexpr int kCime = 5;
constexpr int kSottomenu = 5;
constexpr int kFoglie = 9;
constexpr int kRapide = 25;
// Leaves and quick items of one program: 5 * 5 * 9 + 25 = 250, 5,000 over the project.
constexpr int kVociPerProgramma = kCime * kSottomenu * kFoglie + kRapide;

const char* const kParole[] = {
    "Contabilità", "Prima nota", "Registrazioni",  "Stampa",     "Elenco",   "Clienti",
    "Fornitori",   "Etichette",  "Giacenze",       "Magazzino",  "Fatture",  "Ordini",
    "Listino",     "Bolle",      "Scadenziario",   "Cespiti",    "Bilancio", "Provvigioni",
    "Agenti",      "Articoli",   "Inventario",     "Pagamenti",  "Incassi",  "Liquidazione IVA",
    "Ratei",       "Risconti",   "Conti correnti", "Partitario", "Mastrini", "Riepilogo",
    "Analisi",     "Giornale",   "Attività",       "Qualità",    "Società",  "Unità di misura",
};

QString didascalia(QRandomGenerator& caso, int numero)
{
    const int parole = 2 + caso.bounded(3);
    QStringList l;
    for (int i = 0; i < parole; ++i)
        l << QString::fromUtf8(kParole[caso.bounded(int(std::size(kParole)))]);
    l << QString::number(numero);
    return l.join(QLatin1Char(' '));
}

struct Catalogo
{
    std::vector<ProgrammaRicerca> programmi;
    std::vector<RigaCatalogo> righe;
};

// Every program: 5 top menus, 5 submenus each, 9 leaves in each submenu (one of them a
// placeholder caption and one a mode-2 leaf), and 25 quick items of their own.
Catalogo catalogo()
{
    QRandomGenerator caso(20261210);
    Catalogo c;
    for (int p = 1; p <= kProgrammiRicerca; ++p) {
        c.programmi.push_back(
            {p, QStringLiteral("Programma %1 %2").arg(p).arg(QString::fromUtf8(kParole[p])), -1});
        int menu = 1;
        auto riga = [&](int livello, int prec, const QString& d, bool rapida, bool livello2) {
            RigaCatalogo r;
            r.programma = p;
            r.visibile = true;
            r.rapida = rapida;
            r.riga.menu = menu++;
            r.riga.livelloNull = false;
            r.riga.livello = livello;
            r.riga.precNull = prec < 0;
            r.riga.menuPrec = prec < 0 ? 0 : prec;
            r.riga.descrizione = d;
            r.riga.livello2 = livello2 ? QStringLiteral("1") : QStringLiteral("0");
            c.righe.push_back(r);
            return r.riga.menu;
        };
        for (int t = 0; t < kCime; ++t) {
            const int cima = riga(0, -1, didascalia(caso, menu), false, false);
            for (int s = 0; s < kSottomenu; ++s) {
                const int sotto = riga(1, cima, didascalia(caso, menu), false, false);
                for (int f = 0; f < kFoglie; ++f) {
                    const QString d =
                        f == 0 ? QStringLiteral("Listino <LINEA>Listino</LINEA> %1").arg(menu)
                               : didascalia(caso, menu);
                    riga(2, sotto, d, false, f == 1);
                }
            }
        }
        for (int q = 0; q < kRapide; ++q)
            riga(1, 9999, didascalia(caso, menu), true, false);
    }
    return c;
}

// The processor time this thread has used, in nanoseconds.
qint64 tempoThread()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

const Catalogo& catalogoCondiviso()
{
    static const Catalogo c = catalogo();
    return c;
}

QString riempi(const QString& descrizione)
{
    return descrizione.left(descrizione.indexOf(QLatin1String("<LINEA>"))) +
           QStringLiteral("Estate");
}

// Every prefix of texts a person types: the keystrokes of a search.
QStringList tasti()
{
    QStringList out;
    for (const char* t : {"prima nota", "stampa clienti", "contabilita", "etichette fornitori",
                          "liquidazione iva 12", "qualita", "xyz"}) {
        const QString s = QString::fromUtf8(t);
        for (qsizetype i = 1; i <= s.size(); ++i)
            out << s.left(i);
    }
    return out;
}

void BM_Costruisci(benchmark::State& state)
{
    const Catalogo& c = catalogoCondiviso();
    int voci = 0;
    for (auto _ : state) {
        IndiceMenu indice = IndiceMenu::costruisci(c.programmi, c.righe, riempi);
        voci = indice.size();
        benchmark::DoNotOptimize(voci);
    }
    if (voci != kProgrammiRicerca * kVociPerProgramma)
        state.SkipWithError("the index does not hold every leaf and quick item");
    state.counters["voci"] = voci;
}

struct Db
{
    QString path;
};

void BM_LetturaECostruzione(benchmark::State& state, const Db* d)
{
    db::Database database;
    database.setDatabaseName(d->path);
    database.params() =
        QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
    db::Transaction t(&database);
    t.params() =
        QStringList{QStringLiteral("isc_tpb_concurrency"), QStringLiteral("isc_tpb_nowait")};
    t.start();
    db::Query q(&database, &t);
    const std::vector<ProgrammaRicerca>& programmi = catalogoCondiviso().programmi;
    int voci = 0;
    for (auto _ : state) {
        const IndiceMenu indice =
            IndiceMenu::costruisci(programmi, leggiCatalogoProgetto(q, 1), riempi);
        voci = indice.size();
    }
    if (voci != kProgrammiRicerca * kVociPerProgramma)
        state.SkipWithError("the index does not hold every leaf and quick item");
    state.counters["voci"] = voci;
}

void BM_FloorLettura(benchmark::State& state, const Db* d)
{
    RawDatabase raw(d->path);
    raw.start();
    const char* sql =
        "SELECT PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
        "LIVELLO2VERSIONE, VOCERAPIDA FROM DETTMENU WHERE PROGRAMMA IN(SELECT PROGRAMMA "
        "FROM DETTPROGETTI WHERE PROGETTO='1')AND((VISIBILE='1')OR(VOCERAPIDA='1')) "
        "ORDER BY PROGRAMMA, MENU";
    int righe = 0;
    for (auto _ : state)
        righe = raw.select(sql);
    if (righe != static_cast<int>(catalogoCondiviso().righe.size()))
        state.SkipWithError("the floor read an unexpected number of rows");
}

// Times one keystroke per iteration over every prefix of the typed texts, in order, and reports
// the slowest as wall time (max_ms) and as the time this thread ran (max_cpu_ms).
void misuraTasti(benchmark::State& state, const std::function<void(const QString&)>& tasto)
{
    const QStringList testi = tasti();
    qsizetype i = 0;
    qint64 peggiore = 0;
    qint64 peggioreCpu = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        const qint64 cpu = tempoThread();
        tasto(testi[i]);
        peggiore = std::max(peggiore, timer.nsecsElapsed());
        peggioreCpu = std::max(peggioreCpu, tempoThread() - cpu);
        i = (i + 1) % testi.size();
    }
    state.counters["max_ms"] = double(peggiore) / 1e6;
    state.counters["max_cpu_ms"] = double(peggioreCpu) / 1e6;
}

void BM_TastoIndice(benchmark::State& state)
{
    const Catalogo& c = catalogoCondiviso();
    const IndiceMenu indice = IndiceMenu::costruisci(c.programmi, c.righe, riempi);
    misuraTasti(state, [&](const QString& testo) {
        auto trovate = indice.cerca(testo);
        benchmark::DoNotOptimize(trovate);
    });
}


// The first keystroke of a search, the one that looks through the whole index: one letter.
void BM_PrimaLettera(benchmark::State& state)
{
    const Catalogo& c = catalogoCondiviso();
    const IndiceMenu indice = IndiceMenu::costruisci(c.programmi, c.righe, riempi);
    const QString lettere = QStringLiteral("pscerlaiox");
    qsizetype i = 0;
    std::size_t trovate = 0;
    for (auto _ : state) {
        // A letter that does not go on from the previous one: the whole index is searched.
        trovate += indice.cerca(lettere.mid(i, 1)).size();
        i = (i + 1) % lettere.size();
    }
    state.counters["trovate_per_lettera"] = double(trovate) / double(state.iterations());
}

void BM_TastoCampo(benchmark::State& state)
{
    const Catalogo& c = catalogoCondiviso();
    QWidget finestra;
    finestra.resize(1000, 700);
    auto* layout = new QVBoxLayout(&finestra);
    auto* ricerca = new RicercaMenu(&finestra);
    ricerca->setFixedWidth(185);
    layout->addWidget(ricerca, 0, Qt::AlignTop | Qt::AlignLeft);
    finestra.show();
    QApplication::setActiveWindow(&finestra);
    ricerca->impostaIndice(IndiceMenu::costruisci(c.programmi, c.righe, riempi));
    ricerca->campo()->setFocus();
    QApplication::processEvents();
    misuraTasti(state, [&](const QString& testo) {
        ricerca->campo()->setText(testo);
        ricerca->tendina()->repaint();
    });
    if (!ricerca->tendina()->isVisible())
        state.SkipWithError("the list was not shown");
}

// The floor's search: what any program must compute to show the rows the menu search shows,
// written plainly over the entries' folded texts.
class FloorRicerca
{
public:
    explicit FloorRicerca(const IndiceMenu& indice)
    {
        for (int i = 0; i < indice.size(); ++i) {
            m_didascalie.push_back(indice.voce(i).didascaliaCerca);
            m_percorsi.push_back(indice.voce(i).percorsoCerca);
        }
    }

    std::vector<int> cerca(const QString& testo)
    {
        const QString cercato = testoDiRicerca(testo);
        if (cercato.isEmpty()) {
            m_ultimo.clear();
            m_ultime.clear();
            return {};
        }
        const QStringList parole = cercato.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool restringi = !m_ultimo.isEmpty() && cercato.startsWith(m_ultimo);
        std::vector<int> candidate;
        if (restringi) {
            candidate = std::move(m_ultime);
        } else {
            candidate.resize(m_percorsi.size());
            for (std::size_t i = 0; i < candidate.size(); ++i)
                candidate[i] = static_cast<int>(i);
        }
        m_ultime.clear();
        std::vector<int> gruppi[4];
        for (int i : candidate) {
            const QString& percorso = m_percorsi[static_cast<std::size_t>(i)];
            if (!std::all_of(parole.begin(), parole.end(),
                             [&](const QString& p) { return percorso.contains(p); }))
                continue;
            m_ultime.push_back(i);
            const QString& d = m_didascalie[static_cast<std::size_t>(i)];
            int gruppo = 3;
            if (d.startsWith(cercato))
                gruppo = 0;
            else if (std::all_of(parole.begin(), parole.end(),
                                 [&](const QString& p) { return iniziaParola(d, p); }))
                gruppo = 1;
            else if (std::all_of(parole.begin(), parole.end(),
                                 [&](const QString& p) { return d.contains(p); }))
                gruppo = 2;
            gruppi[gruppo].push_back(i);
        }
        m_ultimo = cercato;
        std::vector<int> trovate;
        for (const auto& g : gruppi)
            trovate.insert(trovate.end(), g.begin(), g.end());
        return trovate;
    }

private:
    static bool iniziaParola(const QString& testo, const QString& parola)
    {
        for (qsizetype i = testo.indexOf(parola); i >= 0; i = testo.indexOf(parola, i + 1))
            if (i == 0 || testo.at(i - 1) == QLatin1Char(' '))
                return true;
        return false;
    }

    std::vector<QString> m_didascalie;
    std::vector<QString> m_percorsi;
    QString m_ultimo;
    std::vector<int> m_ultime;
};

// The plainest list model of the floor: the rows found, each shown as its caption and path.
class FloorModello : public QAbstractListModel
{
public:
    explicit FloorModello(const IndiceMenu& indice) : m_indice(indice) {}

    void imposta(std::vector<int> righe)
    {
        beginResetModel();
        m_righe = std::move(righe);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_righe.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_righe[static_cast<std::size_t>(index.row())];
    }

    const IndiceMenu& indice() const { return m_indice; }

private:
    const IndiceMenu& m_indice;
    std::vector<int> m_righe;
};

// The least painting of a row: its caption and its path, one plain line each.
class FloorDelegato : public QAbstractItemDelegate
{
public:
    using QAbstractItemDelegate::QAbstractItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const IndiceMenu::Voce& v =
            static_cast<const FloorModello*>(index.model())->indice().voce(index.data().toInt());
        QRect r = option.rect;
        r.setHeight(r.height() / 2);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, v.didascalia);
        r.translate(0, r.height());
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, v.percorso);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), 2 * option.fontMetrics.height() + 4);
    }
};

void BM_FloorTastoCampo(benchmark::State& state)
{
    const Catalogo& c = catalogoCondiviso();
    const IndiceMenu indice = IndiceMenu::costruisci(c.programmi, c.righe, riempi);
    const QStringList testi = tasti();
    // The floor must show what the product shows: the same rows in the same order for every
    // keystroke, typed in the same sequence.
    {
        const IndiceMenu prodotto = IndiceMenu::costruisci(c.programmi, c.righe, riempi);
        FloorRicerca floor(indice);
        for (int giro = 0; giro < 2; ++giro)
            for (const QString& t : testi)
                if (floor.cerca(t) != prodotto.cerca(t)) {
                    state.SkipWithError(("the floor's rows differ for \"" + t.toStdString() + "\"").c_str());
                    return;
                }
    }
    FloorRicerca floor(indice);
    QWidget finestra;
    finestra.resize(1000, 700);
    auto* campo = new QLineEdit(&finestra);
    campo->setGeometry(9, 9, 185, campo->sizeHint().height());
    auto* elenco = new QListView(&finestra);
    elenco->setUniformItemSizes(true);
    elenco->setFrameShape(QFrame::NoFrame);
    elenco->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    elenco->setItemDelegate(new FloorDelegato(elenco));
    FloorModello modello(indice);
    elenco->setModel(&modello);
    finestra.show();
    QApplication::setActiveWindow(&finestra);
    campo->setFocus();
    QApplication::processEvents();
    misuraTasti(state, [&](const QString& testo) {
        campo->setText(testo);
        std::vector<int> trovate = floor.cerca(testo);
        const int quante = static_cast<int>(trovate.size());
        modello.imposta(std::move(trovate));
        // The product's list: 440 wide, at most 12 rows high, below the field.
        const int riga = quante == 0 ? 20 : std::max(1, elenco->sizeHintForRow(0));
        const QRect posto(9, campo->geometry().bottom() + 2, 440,
                          riga * std::clamp(quante, 1, 12) + 2);
        if (elenco->geometry() != posto)
            elenco->setGeometry(posto);
        elenco->repaint();
    });
}

// A user database holding the catalogue, every row inserted in one transaction.
void scriviCatalogo(const QString& path)
{
    data::SchemaInstaller::createDatabase(path, data::SchemaInstaller::userSchemaSql());
    db::Database database;
    database.setDatabaseName(path);
    database.params() =
        QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
    db::Transaction t(&database);
    t.start();
    db::Query q(&database, &t);
    const Catalogo& c = catalogoCondiviso();
    for (const ProgrammaRicerca& p : c.programmi) {
        q.clear();
        q.add(QStringLiteral("INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, ") +
              db::quotedInt(p.codice) + QLatin1Char(')'));
        q.execSql();
    }
    for (const RigaCatalogo& r : c.righe) {
        q.clear();
        q.add(QStringLiteral(
                  "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                  "DESCRIZIONE, VOCERAPIDA, LIVELLO2VERSIONE) VALUES (") +
              db::quotedInt(r.programma) + QLatin1Char(',') + db::quotedInt(r.riga.menu) +
              QLatin1Char(',') + db::quotedInt(r.riga.livello) + QLatin1Char(',') +
              (r.riga.precNull ? QStringLiteral("NULL") : db::quotedInt(r.riga.menuPrec)) +
              QStringLiteral(",'1',") + db::quoted(r.riga.descrizione) + QLatin1Char(',') +
              db::quoted(r.rapida ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char(',') +
              db::quoted(r.riga.livello2) + QLatin1Char(')'));
        q.execSql();
    }
    t.commit();
    database.detach();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    QApplication app(argc, argv);
    std::printf("load average at start: %s\n", loadAverage().c_str());

    QTemporaryDir dir;
    const Db db{dir.path() + QStringLiteral("/user.fdb")};
    scriviCatalogo(db.path);

    for (auto* b : {benchmark::RegisterBenchmark("IndiceMenu/costruisci", BM_Costruisci),
                    benchmark::RegisterBenchmark("IndiceMenu/lettura-e-costruzione/embedded",
                                                 BM_LetturaECostruzione, &db),
                    benchmark::RegisterBenchmark("FloorLettura/embedded", BM_FloorLettura, &db)})
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    for (auto* b : {benchmark::RegisterBenchmark("Tasto/indice", BM_TastoIndice),
                    benchmark::RegisterBenchmark("Tasto/indice/prima-lettera", BM_PrimaLettera),
                    benchmark::RegisterBenchmark("Tasto/campo", BM_TastoCampo),
                    benchmark::RegisterBenchmark("FloorTasto/campo", BM_FloorTastoCampo)})
        b->Unit(benchmark::kMicrosecond)->UseRealTime();

    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("loadavg_start", loadAverage());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("load average at the end: %s\n", loadAverage().c_str());
    return 0;
}
