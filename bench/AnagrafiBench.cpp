// Opening the customer list on a company archive of 1,000 and of 200,000 customers: from the call
// of the module's entry point (as a menu click makes it, with the user database held by the start
// program) to the window shown with its first rows painted. Beside it, the floor measured in the
// same run: what any window showing those rows pays (attaching the user database and the
// archive, reading the first screenful of rows with the raw client, a grid showing them,
// painted), and every row read into an editable dataset (what reading the whole list costs).
//
// Measured on three links when the test server answers (VELKORA_TEST_SERVER, as the other
// benchmarks): embedded, tcp (the server on loopback: the program folder's "dati.ini" and the
// archive folder's name the server, as on a workstation) and rtt10ms (the relay of DelayRelay.h
// adding 10 ms per round trip), where the counter round_trips gives the client's round trips.

#include "DelayRelay.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <tuple>

using namespace velkora;

namespace {

platform::RecordingMessageService g_messages;
platform::DynamicLibrary::Handle g_library = nullptr;

// One way of reaching the program folder's databases.
struct Link
{
    // The program folder: the one made in-process, or a copy whose "dati.ini" files name the
    // server or the relay.
    QString folder;
    // How the floors attach the archive: its path, or "server:path".
    QString archive;
    bench::DelayRelay* relay = nullptr;
};

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

void makeFolder(const QString& folder, int clienti)
{
    data::SchemaInstaller::initFolder(folder, false);
    QDir(folder).mkpath(QStringLiteral("Archivi/Rossi"));
    const QString archivio = folder + QStringLiteral("Archivi/Rossi/ditta.fdb");
    data::SchemaInstaller::createDatabase(archivio, data::SchemaInstaller::dittaSchemaSql());
    {
        db::Database d;
        attach(d, folder + QStringLiteral("user/user.fdb"));
        exec(d, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'Mario "
                               "Rossi', 'ROSSI SRL')"));
        exec(d, QStringLiteral(
                    "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                    "VALUES (1, 'ROSSI SRL', 'ArchivioDitta', 'Archivi\\Rossi\\ditta.fdb', 1)"));
        d.detach();
    }
    db::Database d;
    attach(d, archivio);
    db::Transaction t(&d);
    db::Query q(&d, &t);
    q.add(QStringLiteral(
        "INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE, INDIRIZZO, CAP, CITTA, PROVINCIA, "
        "PARTITAIVA, TELEFONO, EMAIL, NOTE) VALUES (GEN_ID(CODICECLIENTICOUNTER, 1), "
        ":R, :I, :C, :CI, :P, :IVA, :T, :E, :N)"));
    for (int i = 0; i < clienti; ++i) {
        q.setParam(QStringLiteral("R"), QStringLiteral("Cliente %1 Città di Forlì S.r.l.")
                                            .arg(clienti - i, 6, 10, QLatin1Char('0')));
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

long long roundTrips(const Link& link)
{
    return link.relay ? link.relay->roundTrips() : 0;
}

void BM_OpenCustomerList(benchmark::State& state, const Link* link)
{
    using Entry = void (*)(std::int32_t, std::int32_t);
    auto entry = reinterpret_cast<Entry>(
        platform::DynamicLibrary::function(g_library, QStringLiteral("ShowClientiFormX")));
    platform::Environment::process() = platform::Environment(link->folder, &g_messages);
    // The start program keeps the user database attached, as it does in the office.
    db::Database programma;
    attach(programma, link->archive.left(link->archive.indexOf(QStringLiteral("Archivi/"))) +
                          QStringLiteral("user/user.fdb"));
    int rows = 0;
    long long turns = 0;
    for (auto _ : state) {
        const long long before = roundTrips(*link);
        entry(1, 0);
        QWidget* w = finestra();
        if (!w) {
            state.SkipWithError("the window did not open");
            break;
        }
        // The first rows painted (the rows read later in the background are not waited for).
        w->repaint();
        rows = w->findChild<QTableView*>(QStringLiteral("Griglia"))->model()->rowCount();
        turns = roundTrips(*link) - before;
        state.PauseTiming();
        delete w;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    if (link->relay)
        state.counters["round_trips"] = static_cast<double>(turns);
}

void BM_FloorFirstScreenful(benchmark::State& state, const Link* link)
{
    // The start program keeps the user database attached, as for the window.
    db::Database programma;
    attach(programma, link->archive.left(link->archive.indexOf(QStringLiteral("Archivi/"))) +
                          QStringLiteral("user/user.fdb"));
    long long turns = 0;
    for (auto _ : state) {
        const long long before = roundTrips(*link);
        // What the window's data form attaches: the user database and the archive.
        db::Database utenti;
        attach(utenti, link->archive.left(link->archive.indexOf(QStringLiteral("Archivi/"))) +
                           QStringLiteral("user/user.fdb"));
        db::Database d;
        attach(d, link->archive);
        db::Transaction t(&d);
        db::Query q(&d, &t);
        q.add(QStringLiteral("SELECT FIRST 100 * FROM CLIENTI ORDER BY RAGIONESOCIALE, CODICE"));
        q.open();
        // A grid showing them, painted.
        QStandardItemModel righe(q.recordCount(), q.fieldCount());
        for (int r = 0; r < q.recordCount(); ++r, q.next())
            for (int c = 0; c < q.fieldCount(); ++c)
                righe.setItem(r, c, new QStandardItem(q.asString(c)));
        QTableView griglia;
        griglia.setModel(&righe);
        griglia.resize(980, 600);
        griglia.show();
        griglia.repaint();
        t.rollback();
        turns = roundTrips(*link) - before;
    }
    if (link->relay)
        state.counters["round_trips"] = static_cast<double>(turns);
}

void BM_FloorAllRowsIntoTheDataSet(benchmark::State& state, const Link* link)
{
    db::Database d;
    attach(d, link->archive);
    db::Transaction t(&d);
    d.setDefaultTransaction(&t);
    int rows = 0;
    long long turns = 0;
    for (auto _ : state) {
        const long long before = roundTrips(*link);
        db::QueryDataSet ds(&d);
        ds.add(QStringLiteral("SELECT * FROM CLIENTI ORDER BY RAGIONESOCIALE, CODICE"));
        ds.open();
        rows = ds.recordCount();
        t.rollback();
        turns = roundTrips(*link) - before;
    }
    if (link->relay)
        state.counters["round_trips"] = static_cast<double>(turns);
    state.counters["rows"] = rows;
    d.detach();
}

// A copy of the program folder whose databases the server holds: "dati.ini" in the user folder
// and in the archive's folder name the server (or the relay), as on a workstation.
QString serverFolder(const QString& from, const QString& serverName)
{
    const QString to = bench::copyForServer(from);
    QDir().mkpath(to + QStringLiteral("Archivi/Rossi"));
    const QString archivio = to + QStringLiteral("Archivi/Rossi/ditta.fdb");
    if (!QFile::copy(from + QStringLiteral("Archivi/Rossi/ditta.fdb"), archivio))
        throw std::runtime_error("cannot copy the archive");
    for (const QString& dati :
         {QStringLiteral("user/dati.ini"), QStringLiteral("Archivi/Rossi/dati.ini")}) {
        QFile f(to + dati);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write("[CONFIG]\nNome Server=" + serverName.toUtf8() + "\n") < 0)
            throw std::runtime_error("cannot write dati.ini");
    }
    const passwd* fb = getpwnam("firebird");
    for (const QString& p :
         {to + QStringLiteral("Archivi"), to + QStringLiteral("Archivi/Rossi"), archivio}) {
        if (!fb || chown(QFile::encodeName(p).constData(), fb->pw_uid, fb->pw_gid) != 0)
            throw std::runtime_error("cannot give the archive to the server");
    }
    return to;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::list<Link> links;
    std::list<std::string> names;
    std::unique_ptr<bench::DelayRelay> relay;
    std::vector<QString> copies;
    const bool server = bench::serverUp();
    if (server)
        relay = std::make_unique<bench::DelayRelay>(std::chrono::microseconds(5000),
                                                    std::chrono::seconds(1800));
    else
        std::printf("the test server does not answer: embedded only\n");
    for (const int clienti : {1000, 200000}) {
        const QString folder = dir.path() + QStringLiteral("/%1/").arg(clienti);
        QDir().mkpath(folder);
        makeFolder(folder, clienti);
        QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE), folder + QStringLiteral("libAnagrafi.so"));
        if (!g_library) {
            g_library = platform::DynamicLibrary::load(QStringLiteral("Anagrafi.dll"), folder);
            if (!g_library)
                return 1;
        }
        const std::string size = "/" + std::to_string(clienti);
        links.push_back({folder, folder + QStringLiteral("Archivi/Rossi/ditta.fdb"), nullptr});
        names.push_back("embedded" + size);
        if (!server)
            continue;
        const QString tcp = bench::benchServer().address;
        const QString rtt = QStringLiteral("127.0.0.1/%1").arg(relay->port());
        for (const auto& [name, r, label] :
             {std::tuple{tcp, static_cast<bench::DelayRelay*>(nullptr), "tcp"},
              std::tuple{rtt, relay.get(), "rtt10ms"}}) {
            const QString copy = serverFolder(folder, name);
            copies.push_back(copy);
            links.push_back(
                {copy, name + QLatin1Char(':') + copy + QStringLiteral("Archivi/Rossi/ditta.fdb"), r});
            names.push_back(label + size);
        }
    }
    auto name = names.begin();
    for (const Link& link : links) {
        const std::string n = *name++;
        auto* open = benchmark::RegisterBenchmark(("OpenCustomerList/" + n).c_str(),
                                                  BM_OpenCustomerList, &link);
        auto* first = benchmark::RegisterBenchmark(("FloorFirstScreenful/" + n).c_str(),
                                                   BM_FloorFirstScreenful, &link);
        auto* all = benchmark::RegisterBenchmark(("FloorAllRowsIntoTheDataSet/" + n).c_str(),
                                                 BM_FloorAllRowsIntoTheDataSet, &link);
        for (auto* b : {open, first, all}) {
            b->Unit(benchmark::kMillisecond);
            if (link.relay)
                b->Iterations(3);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (!g_messages.boxes().empty())
        std::printf("a box was shown: %s\n%s\n", qPrintable(g_messages.boxes().front().text),
                    qPrintable(g_messages.boxes().front().detail));
    for (const QString& copy : copies)
        QDir(copy).removeRecursively();
    return 0;
}
