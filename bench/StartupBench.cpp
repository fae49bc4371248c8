// Time from constructing the main window to its login state ready (data form, user database
// attached, TABSCRIPT check, schema probes, user list) on the demo database, beside the raw
// Firebird client running the same statements: the floor for the same visible result.

#include "GraficaDemo.h"
#include "data/SchemaInstaller.h"
#include "platform/Environment.h"
#include "platform/RecordingMessageService.h"
#include "shell/BaseMain.h"

#include <ibase.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

namespace {

QTemporaryDir* g_folder = nullptr;

QString programFolder()
{
    return g_folder->path() + QLatin1Char('/');
}

void BM_MainWindowToLoginState(benchmark::State& state)
{
    velkora::platform::RecordingMessageService messages;
    velkora::platform::Environment env{programFolder(), &messages};
    for (auto _ : state) {
        velkora::TBaseMainForm window(env);
        if (window.ComboUtenti->count() == 0 || !messages.boxes().empty())
            state.SkipWithError("login state not reached");
        benchmark::DoNotOptimize(window.ComboUtenti->count());
    }
}
BENCHMARK(BM_MainWindowToLoginState)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void check(const ISC_STATUS* status)
{
    if (status[0] == 1 && status[1] != 0)
        throw std::runtime_error("firebird call failed");
}

// Runs one statement text and fetches every row, as the window's statements do.
int runSelect(isc_db_handle* db, isc_tr_handle* tr, const char* sql)
{
    ISC_STATUS_ARRAY status;
    isc_stmt_handle stmt = 0;
    isc_dsql_allocate_statement(status, db, &stmt);
    check(status);
    XSQLDA* out = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(40)));
    out->version = SQLDA_VERSION1;
    out->sqln = 40;
    isc_dsql_prepare(status, tr, &stmt, 0, sql, SQL_DIALECT_V6, out);
    check(status);
    std::vector<std::vector<char>> buffers(out->sqld);
    std::vector<short> nulls(out->sqld);
    for (int i = 0; i < out->sqld; ++i) {
        buffers[i].resize(out->sqlvar[i].sqllen + 2);
        out->sqlvar[i].sqldata = buffers[i].data();
        out->sqlvar[i].sqlind = &nulls[i];
    }
    isc_dsql_execute(status, tr, &stmt, SQL_DIALECT_V6, nullptr);
    check(status);
    int rows = 0;
    while (isc_dsql_fetch(status, &stmt, SQL_DIALECT_V6, out) == 0)
        ++rows;
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    std::free(out);
    return rows;
}

void BM_RawClientSameStatements(benchmark::State& state)
{
    const QByteArray name = QFile::encodeName(programFolder() + QStringLiteral("user/user.fdb"));
    const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                        isc_dpb_password, 9, 'q', 'u', 'i', 'l', 'l', 'b', 'a', 'r', 'k',
                        isc_dpb_sql_dialect, 1, 3};
    for (auto _ : state) {
        ISC_STATUS_ARRAY status;
        isc_db_handle db = 0;
        isc_attach_database(status, 0, name.constData(), &db, sizeof dpb, dpb);
        check(status);
        isc_tr_handle user = 0;
        isc_start_transaction(status, &user, 1, &db, 0, nullptr);
        check(status);
        runSelect(&db, &user, "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS\nWHERE RDB$RELATION_NAME='TABSCRIPT'");
        const char tpb[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait};
        isc_tr_handle aux = 0;
        isc_start_transaction(status, &aux, 1, &db, static_cast<unsigned short>(sizeof tpb), tpb);
        check(status);
        runSelect(&db, &aux, "SELECT * FROM RDB$RELATION_FIELDS WHERE\n(RDB$FIELD_NAME='UTENTEINATTIVO')AND\n(RDB$RELATION_NAME='UTENTI')");
        const int users = runSelect(&db, &aux, "SELECT NOMEUTENTE FROM UTENTI\nWHERE (UTENTEINATTIVO IS NULL)OR(UTENTEINATTIVO='0')\nORDER BY CODICE");
        runSelect(&db, &aux, "SELECT * FROM RDB$RELATION_FIELDS WHERE\n(RDB$FIELD_NAME='HANDLEFINESTRA')AND\n(RDB$RELATION_NAME='NORVILOGFUNZ')");
        runSelect(&db, &aux, "SELECT * FROM RDB$RELATION_FIELDS WHERE\n(RDB$FIELD_NAME='IDFINESTRA')AND\n(RDB$RELATION_NAME='NORVILOGFUNZ')");
        benchmark::DoNotOptimize(users);
        isc_rollback_transaction(status, &aux);
        isc_rollback_transaction(status, &user);
        isc_detach_database(status, &db);
    }
}
BENCHMARK(BM_RawClientSameStatements)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    g_folder = &folder;
    // The demo program folder, with TABSCRIPT already made by a first start, so every
    // iteration measures the ordinary start.
    velkora::data::SchemaInstaller::initFolder(programFolder(), true);
    velkora::admin::ScriviGrafica(programFolder(), true);
    QDir::setCurrent(folder.path());
    {
        velkora::platform::RecordingMessageService messages;
        velkora::TBaseMainForm first(velkora::platform::Environment{programFolder(), &messages});
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
