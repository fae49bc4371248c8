// velkora-admin backup and ripristino of the demo folder whose company archive holds 100,000
// customers, each run as the tool runs for the office (its own process, the databases through
// Firebird's backup service in-process), beside the floor measured in the same run: Firebird's own
// gbak backing up the same databases to files and creating them again from those files, one
// process per database, with nothing else (no check sums, no folder, no check of the schema).
#include "TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace velkora;

namespace {

constexpr int kClienti = 100000;
const QStringList kDatabase{QStringLiteral("user/user.fdb"), QStringLiteral("Archivi/Rossi/ditta.fdb"),
                            QStringLiteral("Archivi/Bianchi/ditta.fdb")};

QTemporaryDir* g_dir = nullptr;

QString cartella()
{
    return g_dir->filePath(QStringLiteral("ufficio"));
}

QString admin()
{
    return QDir(QString::fromUtf8(test::kProgramDir)).filePath(QStringLiteral("velkora-admin"));
}

bool esegui(const QString& programma, const QStringList& argomenti)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(programma, argomenti);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed (exit %d, %s): %s\n", qPrintable(programma),
                     qPrintable(argomenti.join(QLatin1Char(' '))), p.exitCode(),
                     p.exitStatus() == QProcess::NormalExit ? "normal" : "crash",
                     p.readAllStandardOutput().constData());
        return false;
    }
    return true;
}

void rimuovi(const QString& percorso)
{
    if (QFileInfo(percorso).isDir())
        QDir(percorso).removeRecursively();
    else
        QFile::remove(percorso);
}

// The demo folder with 100,000 customers more in the archive of the company Rossi, written by a
// process of its own (isql), so that no engine of this process holds the file afterwards.
bool preparaCartella()
{
    if (!esegui(admin(), {QStringLiteral("demo"), cartella()}))
        return false;
    const QString script = g_dir->filePath(QStringLiteral("clienti.sql"));
    QFile f(script);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QStringLiteral(
                "SET TERM ^;\n"
                "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
                "  WHILE (I < %1) DO BEGIN\n"
                "    INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE, INDIRIZZO, CAP, CITTA, PROVINCIA,\n"
                "      PARTITAIVA, TELEFONO, EMAIL, NOTE) VALUES (GEN_ID(CODICECLIENTICOUNTER, 1),\n"
                "      'Cliente ' || :I || ' Citta di Forli S.r.l.', 'Via Roma ' || :I, '47121', 'Forli',\n"
                "      'FC', 10000000000 + :I, '0543 ' || :I, 'cliente' || :I || '@example.it',\n"
                "      'Note del cliente numero ' || :I);\n"
                "    I = I + 1;\n"
                "  END\n"
                "END^\n"
                "SET TERM ;^\n"
                "COMMIT;\n")
                .arg(kClienti)
                .toUtf8());
    f.close();
    return esegui(QStringLiteral("isql-fb"),
                  {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                   QStringLiteral("-password"), QStringLiteral("quillbark"),
                   cartella() + QStringLiteral("/Archivi/Rossi/ditta.fdb"), QStringLiteral("-i"), script});
}

void BM_Backup(benchmark::State& state)
{
    const QString copia = g_dir->filePath(QStringLiteral("bench.copia"));
    for (auto _ : state) {
        if (!esegui(admin(), {QStringLiteral("backup"), cartella(), copia})) {
            state.SkipWithError("backup failed");
            break;
        }
        state.PauseTiming();
        state.counters["MB"] = static_cast<double>(QFileInfo(copia).size()) / (1024.0 * 1024.0);
        rimuovi(copia);
        state.ResumeTiming();
    }
}

void BM_BackupFloor_gbak(benchmark::State& state)
{
    for (auto _ : state) {
        for (int i = 0; i < kDatabase.size(); ++i) {
            const QString file = g_dir->filePath(QStringLiteral("floor%1.fbk").arg(i));
            esegui(QStringLiteral("gbak"), {QStringLiteral("-b"), QStringLiteral("-user"),
                                            QStringLiteral("SYSDBA"),
                                            cartella() + QLatin1Char('/') + kDatabase.at(i), file});
        }
        state.PauseTiming();
        for (int i = 0; i < kDatabase.size(); ++i)
            rimuovi(g_dir->filePath(QStringLiteral("floor%1.fbk").arg(i)));
        state.ResumeTiming();
    }
}

void BM_Ripristino(benchmark::State& state)
{
    const QString copia = g_dir->filePath(QStringLiteral("ripristino.copia"));
    if (!QFileInfo::exists(copia))
        esegui(admin(), {QStringLiteral("backup"), cartella(), copia});
    const QString nuova = g_dir->filePath(QStringLiteral("ripristinata"));
    for (auto _ : state) {
        if (!esegui(admin(), {QStringLiteral("ripristino"), copia, nuova})) {
            state.SkipWithError("ripristino failed");
            break;
        }
        state.PauseTiming();
        rimuovi(nuova);
        state.ResumeTiming();
    }
}

void BM_RipristinoFloor_gbak(benchmark::State& state)
{
    for (int i = 0; i < kDatabase.size(); ++i) {
        const QString file = g_dir->filePath(QStringLiteral("floorr%1.fbk").arg(i));
        if (!QFileInfo::exists(file))
            esegui(QStringLiteral("gbak"), {QStringLiteral("-b"), QStringLiteral("-user"),
                                            QStringLiteral("SYSDBA"),
                                            cartella() + QLatin1Char('/') + kDatabase.at(i), file});
    }
    for (auto _ : state) {
        for (int i = 0; i < kDatabase.size(); ++i)
            esegui(QStringLiteral("gbak"),
                   {QStringLiteral("-c"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                    g_dir->filePath(QStringLiteral("floorr%1.fbk").arg(i)),
                    g_dir->filePath(QStringLiteral("floorr%1.fdb").arg(i))});
        state.PauseTiming();
        for (int i = 0; i < kDatabase.size(); ++i)
            rimuovi(g_dir->filePath(QStringLiteral("floorr%1.fdb").arg(i)));
        state.ResumeTiming();
    }
}

BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BackupFloor_gbak)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Ripristino)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RipristinoFloor_gbak)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    if (!preparaCartella())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
