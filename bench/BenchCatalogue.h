// Shared set-up of the login and menu benchmarks: a catalogue of 20 programs in one project whose
// first program has a 256-entry menu tree, a user with a password, profile, project and
// parameter set, program folders holding it (one for the embedded engine, one the Firebird
// server can reach), and the raw-client helpers that measure the floor: the client library
// doing the least work that gives the same visible result.
//
// Header only, because bench/CMakeLists.txt makes one program of every .cpp file here.

#pragma once

#include "data/SchemaInstaller.h"
#include "data/TabX.h"
#include "db/Database.h"
#include "db/SqlText.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"

#include <ibase.h>

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <grp.h>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velkora::bench {

// The user who logs in, second in the list (codes 1, 2, 3).
inline const QString kUtente = QStringLiteral("Bench");
inline const QString kPassword = QStringLiteral("Segreta.1");
inline constexpr int kIndiceUtente = 1;
inline constexpr int kCodiceUtente = 2;
inline const QString kDitta = QStringLiteral("BENCH SRL");
inline constexpr int kProgetto = 1;
inline constexpr int kProgrammi = 20;
// The program whose tree the login shows: the first one the catalogue returns.
inline constexpr int kPrimoProgramma = 1;
inline constexpr int kVociAlbero = 256;
inline constexpr int kCimeAlbero = 8;
// Quick items: two in each top menu of the first program, two in every other program.
inline constexpr int kVociRapide = 2 * kCimeAlbero + 2 * (kProgrammi - 1);
// Placeholder captions "<LINEA>name</LINEA>" in the first program's tree.
inline constexpr int kSegnaposto = 4;

// One DETTMENU row; parametri, when given, goes into the PARAMETRIBLOB text.
inline QString rigaMenu(int programma, int menu, int livello, int prec, const QString& descrizione,
                        bool rapida, bool livello2, bool foglia, const QString& parametri = QString())
{
    return QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                          "DESCRIZIONE, VOCERAPIDA, DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB) VALUES (%1, "
                          "%2, %3, %4, '1', %5, %6, %7, %8, %9, ")
               .arg(programma)
               .arg(menu)
               .arg(livello)
               .arg(prec < 0 ? QStringLiteral("NULL") : QString::number(prec))
               .arg(velkora::db::quoted(descrizione))
               .arg(velkora::db::quotedInt(rapida ? 1 : 0))
               .arg(foglia ? velkora::db::quoted(QStringLiteral("Bench.dll")) : QStringLiteral("NULL"))
               .arg(foglia ? velkora::db::quoted(QStringLiteral("Funzione%1X").arg(menu)) : QStringLiteral("NULL"))
               .arg(velkora::db::quotedInt(livello2 ? 1 : 0))
        + (parametri.isEmpty() ? QStringLiteral("NULL") : velkora::db::quoted(parametri)) + QStringLiteral(");\n");
}

// The rows of the catalogue, one INSERT per statement.
//
// The first program's tree has 8 top menus of 32 entries each (1 top, 6 at depth 1, 16 at depth
// 2, 9 at depth 3): 256 visible entries, 64 of them with submenus and 16 separators. Every top
// holds a separator at depth 1 and one at depth 2, two quick items, and mode-2 leaves in the odd
// tops; tops 1, 3, 5 and 7 hold a caption taken from a parameter. The other 19 programs have
// 8 entries and 2 quick items each. About one function row in eight carries a parameter text
// (PARAMETRIBLOB), as in the demo data: 24 depth-3 leaves and 6 of the 54 quick items.
inline QString catalogueSql()
{
    QString sql;
    sql += QStringLiteral("INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'COMPLETO');\n");
    const QString utente = QStringLiteral(
        "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA, ACCESSOVELKORA, PROFILOSICUREZZA, "
        "PROGETTO, MANTIENISTDMIN, ABILITASCELTADISCO, UTENTEINATTIVO) VALUES (%1, %2, %3, %4, '1', 1, %5, "
        "'0', '0', '0');\n");
    sql += utente.arg(1).arg(velkora::db::quoted(QStringLiteral("Amministratore")), QStringLiteral("NULL"), velkora::db::quoted(kDitta)).arg(kProgetto);
    sql += utente.arg(kCodiceUtente).arg(velkora::db::quoted(kUtente), velkora::db::quoted(kPassword), velkora::db::quoted(kDitta)).arg(kProgetto);
    sql += utente.arg(3).arg(velkora::db::quoted(QStringLiteral("Ospite")), velkora::db::quoted(QStringLiteral("x")), velkora::db::quoted(kDitta)).arg(kProgetto);

    for (int p = 1; p <= kProgrammi; ++p) {
        sql += QStringLiteral("INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (%1, %2, %3);\n")
                   .arg(p)
                   .arg(velkora::db::quoted(QStringLiteral("Programma %1").arg(p)), velkora::db::quoted(QStringLiteral("prog%1.png").arg(p)));
        sql += QStringLiteral("INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (%1, %2);\n")
                   .arg(kProgetto)
                   .arg(p);
    }

    // The tree of the first program. Codes order every list: top T = 1000*(t+1), depth 1
    // T + 100*(i+1), depth 2 + 10*(j+1), depth 3 + (k+1).
    int righe = 0;
    for (int t = 0; t < kCimeAlbero; ++t) {
        const int cima = 1000 * (t + 1);
        sql += rigaMenu(kPrimoProgramma, cima, 0, -1, QStringLiteral("Menu %1").arg(t + 1), false, false, false);
        ++righe;
        for (int i = 0; i < 6; ++i) {
            const int m1 = cima + 100 * (i + 1);
            if (i == 3) {
                sql += rigaMenu(kPrimoProgramma, m1, 1, cima, QStringLiteral("-"), false, false, false);
                ++righe;
                continue;
            }
            if (i == 5) {
                sql += rigaMenu(kPrimoProgramma, m1, 1, cima, QStringLiteral("Funzione %1").arg(m1), true,
                                false, true, t % 4 == 0 ? QStringLiteral("MODO=RAPIDO") : QString());
                ++righe;
                continue;
            }
            sql += rigaMenu(kPrimoProgramma, m1, 1, cima, QStringLiteral("Gruppo %1").arg(m1), false, false, false);
            ++righe;
            for (int j = 0; j < 4; ++j) {
                const int m2 = m1 + 10 * (j + 1);
                const bool conFigli = j == 0 && i < 3;
                QString descrizione = conFigli ? QStringLiteral("Sottogruppo %1").arg(m2)
                                               : QStringLiteral("Voce %1").arg(m2);
                if (i == 4 && j == 2)
                    descrizione = QStringLiteral("-");
                if (i == 4 && j == 1 && t % 2 == 0)
                    descrizione = QStringLiteral("Listino <LINEA>Listino%1</LINEA> attivo").arg(t + 1);
                sql += rigaMenu(kPrimoProgramma, m2, 2, m1, descrizione, false, j == 3 && t % 2 == 1,
                                !conFigli && descrizione != QLatin1String("-"));
                ++righe;
                if (!conFigli)
                    continue;
                for (int k = 0; k < 3; ++k) {
                    const int m3 = m2 + k + 1;
                    sql += rigaMenu(kPrimoProgramma, m3, 3, m2, QStringLiteral("Funzione %1").arg(m3),
                                    k == 0 && i == 0, false, true,
                                    k == 1 ? QStringLiteral("ESERCIZIO=2024") : QString());
                    ++righe;
                }
            }
        }
    }
    if (righe != kVociAlbero)
        throw std::logic_error("the benchmark tree does not have 256 entries");

    for (int p = 2; p <= kProgrammi; ++p) {
        for (int t = 0; t < 2; ++t) {
            const int cima = 100 * (t + 1);
            sql += rigaMenu(p, cima, 0, -1, QStringLiteral("Archivio %1").arg(t + 1), false, false, false);
            for (int i = 0; i < 3; ++i)
                sql += rigaMenu(p, cima + i + 1, 1, cima, QStringLiteral("Funzione %1").arg(cima + i + 1), i == 0,
                                false, true,
                                i == 0 && t == 0 && p % 4 == 0 ? QStringLiteral("MODO=INSERIMENTO") : QString());
        }
    }

    // The parameter set: the placeholder values and an agenda that stays closed.
    int progressivo = 1;
    auto parametro = [&](const QString& nome, const QString& valore) {
        sql += QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                              "VALUES (%1, %2, %3, %4, %5);\n")
                   .arg(kCodiceUtente)
                   .arg(velkora::db::quoted(kDitta), velkora::db::quoted(nome), velkora::db::quoted(valore))
                   .arg(progressivo++);
    };
    for (int t = 0; t < kCimeAlbero; t += 2)
        parametro(QStringLiteral("Listino%1").arg(t + 1), QStringLiteral("L%1").arg(t + 1));
    parametro(QStringLiteral("AperturaAgenda"), QStringLiteral("NO"));
    parametro(QStringLiteral("ColoreSfondo"), QStringLiteral("Grigio"));

    // The stored place of the main window for this user.
    sql += QStringLiteral("INSERT INTO STOPOS1 (CodiceSituazione, CodiceUtente, CodiceProgetto, PosX, PosY, DimX, "
                          "DimY) VALUES (1, %1, 1, 40, 30, 900, 640);\n")
               .arg(kCodiceUtente);
    return sql;
}

inline void writeIcons(const QString& programFolder)
{
    QDir().mkpath(programFolder + QStringLiteral("Grafica"));
    for (int p = 1; p <= kProgrammi; ++p) {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv((p * 17) % 360, 160, 200));
        QPainter painter(&image);
        painter.drawRect(2, 2, 27, 27);
        painter.end();
        const QString file = programFolder + QStringLiteral("Grafica/prog%1.png").arg(p);
        if (!image.save(file, "PNG"))
            throw std::runtime_error("cannot write " + file.toStdString());
    }
}

// Lays out a program folder (ending in "/") with the catalogue in user/user.fdb, the icons and
// the save-button pictures in Grafica, NOMIDIT and NOMIDIT/USERCFG.
inline void makeProgramFolder(const QString& programFolder)
{
    QDir().mkpath(programFolder + QStringLiteral("user"));
    QDir().mkpath(programFolder + QStringLiteral("NOMIDIT/USERCFG"));
    const QString path = programFolder + QStringLiteral("user/user.fdb");
    data::SchemaInstaller::createDatabase(path, data::SchemaInstaller::userSchemaSql());
    db::Database database;
    database.setDatabaseName(path);
    database.params() = QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
    data::SchemaInstaller::runScript(database, catalogueSql());
    database.detach();
    writeIcons(programFolder);
}

// The Firebird server of the server links, named as the tests name it: VELKORA_TEST_SERVER
// ("localhost/3051" for the instance of scripts/fbserver.sh), plain "localhost" on the standard
// port 3050 when it is unset. Database names on it are address + ":" + path.
struct BenchServer
{
    QString address;
    quint16 port = 3050;
};

inline BenchServer benchServer()
{
    BenchServer server{qEnvironmentVariable("VELKORA_TEST_SERVER").trimmed()};
    if (server.address.isEmpty())
        server.address = QStringLiteral("localhost");
    const qsizetype slash = server.address.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        bool ok = false;
        const uint port = server.address.mid(slash + 1).toUInt(&ok);
        if (ok && port > 0 && port < 65536)
            server.port = static_cast<quint16>(port);
    }
    return server;
}

// Copies a program folder into a new folder below /tmp that the server's user owns, so the
// server can open its database. Returns the new folder, ending in "/".
inline QString copyForServer(const QString& from)
{
    char pattern[] = "/tmp/velkora-bench-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    const QString to = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
    const passwd* fb = getpwnam("firebird");
    if (!fb)
        throw std::runtime_error("no user firebird");
    std::vector<QString> paths{to};
    for (const QString& sub : {QStringLiteral("user"), QStringLiteral("Grafica"), QStringLiteral("NOMIDIT"),
                               QStringLiteral("NOMIDIT/USERCFG")}) {
        QDir().mkpath(to + sub);
        paths.push_back(to + sub);
        const QDir source(from + sub);
        for (const QString& file : source.entryList(QDir::Files)) {
            const QString target = to + sub + QLatin1Char('/') + file;
            if (!QFile::copy(from + sub + QLatin1Char('/') + file, target))
                throw std::runtime_error("cannot copy " + file.toStdString());
            paths.push_back(target);
        }
    }
    // Windows made on this folder reach its database through the server, as a workstation does:
    // the server holds the file, so it cannot be opened in-process.
    QFile dati(to + QStringLiteral("user/dati.ini"));
    if (!dati.open(QIODevice::WriteOnly)
        || dati.write("[CONFIG]\nNome Server=" + benchServer().address.toUtf8() + "\n") < 0)
        throw std::runtime_error("cannot write dati.ini");
    dati.close();
    paths.push_back(dati.fileName());
    for (const QString& p : paths) {
        const QByteArray local = QFile::encodeName(p);
        if (chown(local.constData(), fb->pw_uid, fb->pw_gid) != 0)
            throw std::runtime_error("chown failed: " + std::string(std::strerror(errno)));
        chmod(local.constData(), QFileInfo(p).isDir() ? 0755 : 0660);
    }
    return to;
}

// The offscreen platform says "does not support propagateSizeHints()" for every menu it lays
// out; those lines would bury the figures.
inline void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains(QLatin1String("propagateSizeHints")))
            return;
        if (previous)
            previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

// ---- The raw client -------------------------------------------------------------------------

inline void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] == 1 && status[1] != 0) {
        char text[512];
        const ISC_STATUS* p = status;
        std::string message = what;
        while (fb_interpret(text, sizeof text, &p) > 0)
            message += std::string(": ") + text;
        throw std::runtime_error(message);
    }
}

// One attachment of the client library, as SYSDBA with the suite's password.
class RawDatabase
{
public:
    explicit RawDatabase(const QString& name)
    {
        const QByteArray n = QFile::encodeName(name);
        const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                            isc_dpb_password, 9, 'q', 'u', 'i', 'l', 'l', 'b', 'a', 'r', 'k',
                            isc_dpb_sql_dialect, 1, 3};
        ISC_STATUS_ARRAY status;
        isc_attach_database(status, static_cast<short>(n.size()), n.constData(), &m_db, sizeof dpb, dpb);
        check(status, "attach");
    }
    ~RawDatabase()
    {
        ISC_STATUS_ARRAY status;
        if (m_tr)
            isc_rollback_transaction(status, &m_tr);
        if (m_db)
            isc_detach_database(status, &m_db);
    }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    void start()
    {
        ISC_STATUS_ARRAY status;
        isc_start_transaction(status, &m_tr, 1, &m_db, 0, nullptr);
        check(status, "start");
    }
    void commit()
    {
        ISC_STATUS_ARRAY status;
        isc_commit_transaction(status, &m_tr);
        check(status, "commit");
    }

    // Prepares a new statement text, runs it and fetches every row into the client's buffers,
    // as any program showing those rows must. Returns the number of rows.
    int select(const char* sql) { return select(sql, {}); }

    // The same, handing every fetched row (the client's buffers, at most 20 columns) to perRow.
    int select(const char* sql, const std::function<void(const XSQLDA&)>& perRow)
    {
        ISC_STATUS_ARRAY status;
        isc_stmt_handle stmt = 0;
        isc_dsql_allocate_statement(status, &m_db, &stmt);
        check(status, "allocate");
        std::vector<char> daMemory(XSQLDA_LENGTH(20));
        auto* out = reinterpret_cast<XSQLDA*>(daMemory.data());
        out->version = SQLDA_VERSION1;
        out->sqln = 20;
        isc_dsql_prepare(status, &m_tr, &stmt, 0, sql, SQL_DIALECT_V6, out);
        check(status, sql);
        std::vector<std::vector<char>> buffers(static_cast<std::size_t>(out->sqld));
        std::vector<short> nulls(static_cast<std::size_t>(out->sqld));
        for (int i = 0; i < out->sqld; ++i) {
            buffers[static_cast<std::size_t>(i)].resize(static_cast<std::size_t>(out->sqlvar[i].sqllen) + 2);
            out->sqlvar[i].sqldata = buffers[static_cast<std::size_t>(i)].data();
            out->sqlvar[i].sqlind = &nulls[static_cast<std::size_t>(i)];
        }
        isc_dsql_execute(status, &m_tr, &stmt, SQL_DIALECT_V6, nullptr);
        check(status, "execute");
        int rows = 0;
        ISC_STATUS rc;
        while ((rc = isc_dsql_fetch(status, &stmt, SQL_DIALECT_V6, out)) == 0) {
            if (perRow)
                perRow(*out);
            ++rows;
        }
        if (rc != 100)
            check(status, "fetch");
        isc_dsql_free_statement(status, &stmt, DSQL_drop);
        return rows;
    }

    // Runs a statement that returns one integer (an INSERT ... RETURNING, a singleton SELECT) in
    // one call of the client, without preparing it apart. Returns that integer.
    int insertReturningInt(const char* sql)
    {
        ISC_STATUS_ARRAY status;
        XSQLDA out{};
        ISC_LONG value = 0;
        short null = 0;
        out.version = SQLDA_VERSION1;
        out.sqln = 1;
        out.sqld = 1;
        out.sqlvar[0].sqltype = SQL_LONG + 1;
        out.sqlvar[0].sqllen = sizeof value;
        out.sqlvar[0].sqldata = reinterpret_cast<char*>(&value);
        out.sqlvar[0].sqlind = &null;
        isc_dsql_exec_immed2(status, &m_db, &m_tr, 0, sql, SQL_DIALECT_V6, nullptr, &out);
        check(status, sql);
        return null ? 0 : static_cast<int>(value);
    }

    // Runs a statement that returns at most one row (a singleton SELECT, an INSERT ... RETURNING)
    // in one call of the client, without preparing it apart, every column taken as text of at most
    // 4000 bytes (the engine converts). Returns whether a row came whose first column is not null,
    // so the first column must be one that a found row never has null.
    bool singleton(const char* sql, int columns)
    {
        ISC_STATUS_ARRAY status;
        std::vector<char> daMemory(XSQLDA_LENGTH(columns));
        auto* out = reinterpret_cast<XSQLDA*>(daMemory.data());
        out->version = SQLDA_VERSION1;
        out->sqln = static_cast<short>(columns);
        out->sqld = static_cast<short>(columns);
        std::vector<std::vector<char>> buffers(static_cast<std::size_t>(columns), std::vector<char>(4002));
        std::vector<short> nulls(static_cast<std::size_t>(columns), -1);
        for (int i = 0; i < columns; ++i) {
            out->sqlvar[i].sqltype = SQL_VARYING + 1;
            out->sqlvar[i].sqllen = 4000;
            out->sqlvar[i].sqldata = buffers[static_cast<std::size_t>(i)].data();
            out->sqlvar[i].sqlind = &nulls[static_cast<std::size_t>(i)];
        }
        isc_dsql_exec_immed2(status, &m_db, &m_tr, 0, sql, SQL_DIALECT_V6, nullptr, out);
        check(status, sql);
        return nulls[0] == 0;
    }

private:
    isc_db_handle m_db = 0;
    isc_tr_handle m_tr = 0;
};

// The statements whose rows the menu bar shows: the program's visible menu rows.
inline const char* const kSelectMenu =
    "SELECT MENU, LIVELLOMENU, MENUPREC, DESCRIZIONE, LIVELLO2VERSIONE FROM DETTMENU\n"
    "WHERE PROGRAMMA=1 AND VISIBILE='1' ORDER BY MENU";

// The least a client must read to show what the login shows: the user's row (password,
// company, profile, project), his project's programs, their quick items, the first program's
// menu rows, his parameters (the placeholder captions and the agenda choice) and the window's
// stored place. One transaction, every row fetched. Returns the rows read.
inline int floorLogin(RawDatabase& db)
{
    db.start();
    int rows = 0;
    rows += db.select("SELECT CODICE, PWDUTENTE, DITTA, ACCESSOVELKORA, PROFILOSICUREZZA, PROGETTO, MANTIENISTDMIN\n"
                      "FROM UTENTI WHERE NOMEUTENTE='Bench'");
    rows += db.select("SELECT CODICE, DESCRIZIONE, ICONA FROM PROGRAMMI WHERE CODICE IN\n"
                      "(SELECT PROGRAMMA FROM DETTPROGETTI WHERE PROGETTO=1)");
    rows += db.select("SELECT PROGRAMMA, MENU, DESCRIZIONE FROM DETTMENU WHERE VOCERAPIDA='1' AND PROGRAMMA IN\n"
                      "(SELECT PROGRAMMA FROM DETTPROGETTI WHERE PROGETTO=1) ORDER BY PROGRAMMA, MENU");
    rows += db.select(kSelectMenu);
    rows += db.select("SELECT PARAMETRO, VALORE FROM TABVELKORA WHERE UTENTE=2 AND INTESTAZIONE='BENCH SRL'");
    rows += db.select("SELECT POSX, POSY, DIMX, DIMY FROM STOPOS1\n"
                      "WHERE CODICESITUAZIONE=1 AND CODICEUTENTE=2 AND CODICEPROGETTO=1");
    db.commit();
    return rows;
}

// The rows floorLogin reads from this catalogue.
inline constexpr int kRigheFloorLogin = 1 + kProgrammi + kVociRapide + kVociAlbero + kSegnaposto + 2 + 1;

// Whether the Firebird server answers on its port of 127.0.0.1.
inline bool serverUp()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(benchServer().port);
    const bool ok = s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (s >= 0)
        ::close(s);
    return ok;
}

// The machine's load average, printed beside the figures.
inline std::string loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    return f.readAll().trimmed().toStdString();
}

// A window in its login state on a program folder, the benchmark user picked and his password
// typed: everything a person does before pressing OK.
//
// The data form of the window attaches the folder's user database as its dati.ini says (the plain
// path, or through the server for a folder of copyForServer). For a server link (remoteName not
// empty) the window's user database is re-pointed before the login so that every statement crosses
// the link being measured: detached, named "server:path" (benchServer().address + ":/..." or
// "127.0.0.1/PORT:/..." for the relay) and attached again. TransazioneAux, QueryAux, QueryAux2 and
// the form's own transaction and statements all refer to that one database object, so nothing else
// changes; the detach ended the running transactions, and TransazioneAux is started again as
// FormCreate leaves it (statements prepared on the old attachment are prepared again by the db
// layer, which tracks attachments). The start program's own route to a server is the same
// "server:path" name, taken from "dati.ini".
inline std::unique_ptr<TBaseMainForm> windowReadyToLogin(const QString& folder, const QString& remoteName,
                                                         platform::RecordingMessageService& messages)
{
    auto w = std::make_unique<TBaseMainForm>(platform::Environment{folder, &messages});
    if (!remoteName.isEmpty()) {
        db::Database& database = w->tabX()->IBDatabaseUser;
        database.detach();
        database.setDatabaseName(remoteName);
        database.attach();
        w->TransazioneAux.start();
    }
    w->show();
    w->ComboUtenti->setCurrentIndex(kIndiceUtente);
    w->EditPassword->setText(kPassword);
    QApplication::processEvents();
    return w;
}

} // namespace velkora::bench
