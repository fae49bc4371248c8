// The real program as a child process, ended by SIGTERM in the states where a termination
// request used to crash it or leave it running. The child is the test driver, which runs the
// program's own start and steers it through its widgets to the state; it must then end by
// itself with status 0, every time, having closed the work session of a logged-in user and
// stored the main window's place as "Esci" does.
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr int kRipetizioni = 20;
// SIGTERM as a desktop logout or a service manager sends it, SIGINT as Ctrl+C, SIGHUP as a closed
// terminal.
constexpr int kSegnali[] = {SIGTERM, SIGINT, SIGHUP};

// A program folder laid out by the admin tool with the demo data, holding the driver in place
// of the program (its folder is the program folder) and the agenda library.
class CartellaDemo
{
public:
    CartellaDemo()
    {
        if (!m_dir.isValid())
            return;
        m_path = m_dir.path() + QLatin1Char('/');
        QProcess admin;
        admin.start(QStringLiteral(VELKORA_ADMIN_FILE), {QStringLiteral("demo"), m_dir.path()});
        if (!admin.waitForFinished(60000) || admin.exitStatus() != QProcess::NormalExit ||
            admin.exitCode() != 0) {
            m_errore = "velkora-admin demo: " + admin.readAllStandardError().toStdString();
            return;
        }
        if (!QFile::copy(QStringLiteral(VELKORA_DRIVER_FILE), programma()) ||
            !QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE),
                         m_path + QStringLiteral("libRubrivo.so")))
            m_errore = "cannot copy the driver or the agenda library";
    }

    QString path() const { return m_path; }
    QString programma() const { return m_path + QStringLiteral("velkora-driver"); }
    const std::string& errore() const { return m_errore; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::string m_errore;
};

struct Esito
{
    bool pronto = false;
    bool finito = false;
    QProcess::ExitStatus stato = QProcess::CrashExit;
    int codice = -1;
    QByteArray errori;
    // From the signal to the end of the process.
    qint64 millisecondi = -1;
};

// Starts the driver, waits for it to reach the state, sends one signal (SIGTERM as a desktop
// logout or a service manager sends it, SIGINT as Ctrl+C does) and waits for the end.
Esito terminaNelloStato(const CartellaDemo& cartella, const QString& stato, int segnale)
{
    Esito esito;
    QProcess p;
    // The program looks for "Grafica" in the current directory: from an empty one it warns
    // while its main window is being made.
    const QTemporaryDir vuota;
    p.setWorkingDirectory(stato == QLatin1String("avvio") ? vuota.path() : cartella.path());
    p.start(cartella.programma(), {stato});
    if (!p.waitForStarted(10000))
        return esito;
    QByteArray uscita;
    while (!uscita.contains("pronto\n") && p.state() == QProcess::Running &&
           p.waitForReadyRead(15000))
        uscita += p.readAllStandardOutput();
    if (!uscita.contains("pronto\n") && p.state() != QProcess::Running) {
        // Ended by itself right after saying so: what it wrote is still to be read.
        p.waitForFinished(1000);
        uscita += p.readAllStandardOutput();
    }
    esito.pronto = uscita.contains("pronto\n");
    if (esito.pronto)
        ::kill(static_cast<pid_t>(p.processId()), segnale);
    QElapsedTimer durata;
    durata.start();
    esito.finito = p.waitForFinished(10000);
    esito.millisecondi = durata.elapsed();
    if (!esito.finito) {
        p.kill();
        p.waitForFinished(5000);
    }
    esito.stato = p.exitStatus();
    esito.codice = p.exitCode();
    esito.errori = p.readAllStandardError();
    return esito;
}

// What the ended program left in the folder's database, read once the child has gone (the
// embedded engine locks the file to one process). The stored window places are then removed,
// so that the next run shows whether it stored one.
struct StatoDatabase
{
    qint64 sessioni = -1;
    qint64 sessioniAperte = -1;
    qint64 posizioni = -1;
};

StatoDatabase leggiDatabase(const CartellaDemo& cartella)
{
    StatoDatabase stato;
    velkora::db::Database d;
    velkora::test::attach(d, cartella.path() + QStringLiteral("user/user.fdb"));
    {
        velkora::db::Transaction t(&d);
        velkora::db::Query q(&d, &t);
        const auto conta = [&q](const QString& sql) {
            q.close();
            q.setSql({sql});
            q.open();
            return q.asInteger(0);
        };
        stato.sessioni = conta(QStringLiteral("SELECT COUNT(*) FROM NORVILOG"));
        stato.sessioniAperte =
            conta(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL"));
        stato.posizioni = conta(QStringLiteral(
            "SELECT COUNT(*) FROM STOPOS1 WHERE CODICESITUAZIONE=1 AND CODICEPROGETTO=1"));
        q.close();
        q.setSql({QStringLiteral("DELETE FROM STOPOS1")});
        q.execSql();
        t.commit();
    }
    d.detach();
    return stato;
}

// The states in which a user is logged in when the signal comes (or was, until the main window
// closed).
bool conUtente(const std::string& stato)
{
    return stato == "agenda" || stato == "rifiuto" || stato == "dialogo" || stato == "ditta" ||
           stato == "sessioni" || stato == "editor";
}

class Terminazione : public ::testing::TestWithParam<const char*>
{
};

TEST_P(Terminazione, SigtermEndsTheProgramWithStatusZero)
{
    const CartellaDemo cartella;
    ASSERT_TRUE(cartella.errore().empty()) << cartella.errore();
    // The demo data holds sessions of its own, some left open.
    const StatoDatabase inizio = leggiDatabase(cartella);
    for (int i = 0; i < kRipetizioni; ++i) {
        SCOPED_TRACE(i);
        const Esito esito =
            terminaNelloStato(cartella, QString::fromLatin1(GetParam()), kSegnali[i % 3]);
        ASSERT_TRUE(esito.pronto) << "the state was not reached\n" << esito.errori.toStdString();
        ASSERT_TRUE(esito.finito) << "still running after SIGTERM\n" << esito.errori.toStdString();
        ASSERT_EQ(esito.stato, QProcess::NormalExit) << "crashed\n" << esito.errori.toStdString();
        ASSERT_EQ(esito.codice, 0) << esito.errori.toStdString();
        EXPECT_LT(esito.millisecondi, 3000) << "the end came late";
        // Every login opened a session and the end closed it; the window's place is stored.
        const StatoDatabase db = leggiDatabase(cartella);
        const bool utente = conUtente(GetParam());
        EXPECT_EQ(db.sessioni, inizio.sessioni + (utente ? i + 1 : 0));
        ASSERT_EQ(db.sessioniAperte, inizio.sessioniAperte) << "the session was left open";
        EXPECT_EQ(db.posizioni, utente ? 1 : 0);
    }
}

// Closing the main window ends the program, as its closing says: the agenda that the session
// does not log, left open, is closed with it, the session is closed and the place stored.
TEST(Chiusura, ClosingTheMainWindowEndsTheProgramWithItsModuleWindows)
{
    const CartellaDemo cartella;
    ASSERT_TRUE(cartella.errore().empty()) << cartella.errore();
    const StatoDatabase inizio = leggiDatabase(cartella);
    // Signal 0 sends nothing: the program must end by itself.
    const Esito esito = terminaNelloStato(cartella, QStringLiteral("chiusura"), 0);
    ASSERT_TRUE(esito.pronto) << esito.errori.toStdString();
    ASSERT_TRUE(esito.finito) << "the program went on running with the agenda\n"
                              << esito.errori.toStdString();
    ASSERT_EQ(esito.stato, QProcess::NormalExit) << esito.errori.toStdString();
    EXPECT_EQ(esito.codice, 0) << esito.errori.toStdString();
    EXPECT_LT(esito.millisecondi, 3000);
    const StatoDatabase db = leggiDatabase(cartella);
    EXPECT_EQ(db.sessioni, inizio.sessioni + 1);
    EXPECT_EQ(db.sessioniAperte, inizio.sessioniAperte);
    EXPECT_EQ(db.posizioni, 1);
}

// Ended from outside with an edit left unsaved in the customer list: nobody is there to answer
// "Salvare le modifiche apportate?", so no box waits; the edit is saved, as the question's
// default answer says, and the program ends in time.
TEST(Chiusura, AnEditLeftInTheCustomerListIsSavedWhenTheProgramIsEnded)
{
    const CartellaDemo cartella;
    ASSERT_TRUE(cartella.errore().empty()) << cartella.errore();
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE),
                            cartella.path() + QStringLiteral("libAnagrafi.so")));
    const StatoDatabase inizio = leggiDatabase(cartella);
    const Esito esito = terminaNelloStato(cartella, QStringLiteral("cliente"), SIGTERM);
    ASSERT_TRUE(esito.pronto) << esito.errori.toStdString();
    ASSERT_TRUE(esito.finito) << "still running after SIGTERM\n" << esito.errori.toStdString();
    ASSERT_EQ(esito.stato, QProcess::NormalExit) << esito.errori.toStdString();
    EXPECT_EQ(esito.codice, 0) << esito.errori.toStdString();
    EXPECT_LT(esito.millisecondi, 3000);
    EXPECT_EQ(leggiDatabase(cartella).sessioniAperte, inizio.sessioniAperte);

    velkora::db::Database archivio;
    velkora::test::attach(archivio, cartella.path() + QStringLiteral("Archivi/Rossi/ditta.fdb"));
    velkora::db::Transaction t(&archivio);
    velkora::db::Query q(&archivio, &t);
    q.add(QStringLiteral("SELECT COUNT(*) FROM CLIENTI WHERE NOTE LIKE '% Z9'"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 1) << "the edit was lost\n" << esito.errori.toStdString();
}

// The end of the desktop session: the display (a private X server) goes away under the logged-in
// program, whose window system library then ends the process itself. The session is closed and
// the window's place stored all the same.
TEST(Chiusura, LosingTheDisplayClosesTheSessionAndStoresThePlace)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const CartellaDemo cartella;
    ASSERT_TRUE(cartella.errore().empty()) << cartella.errore();
    const StatoDatabase inizio = leggiDatabase(cartella);

    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1280x1024x24")});
    QByteArray numero;
    while (!numero.contains('\n') && xvfb.waitForReadyRead(15000))
        numero += xvfb.readAllStandardOutput();
    ASSERT_TRUE(numero.contains('\n')) << "Xvfb gave no display";

    QProcess p;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(numero.trimmed()));
    ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(ambiente);
    p.setWorkingDirectory(cartella.path());
    p.start(cartella.programma(), {QStringLiteral("agenda")});
    ASSERT_TRUE(p.waitForStarted(10000));
    QByteArray uscita;
    while (!uscita.contains("pronto\n") && p.state() == QProcess::Running &&
           p.waitForReadyRead(20000))
        uscita += p.readAllStandardOutput();
    ASSERT_TRUE(uscita.contains("pronto\n")) << p.readAllStandardError().toStdString();

    xvfb.terminate();
    ASSERT_TRUE(xvfb.waitForFinished(10000));
    const bool finito = p.waitForFinished(10000);
    if (!finito) {
        p.kill();
        p.waitForFinished(5000);
    }
    ASSERT_TRUE(finito) << "still running without its display";
    const StatoDatabase db = leggiDatabase(cartella);
    EXPECT_EQ(db.sessioni, inizio.sessioni + 1);
    EXPECT_EQ(db.sessioniAperte, inizio.sessioniAperte) << "the session was left open\n"
                                                        << p.readAllStandardError().toStdString();
    EXPECT_EQ(db.posizioni, 1) << "the window's place was not stored";
}

// avvio: a box shown while the main window is being made; attesa: the login window alone; negato:
// the refusal box over the main window; agenda: the main window and the agenda; rifiuto: the
// refusal to close the main window while the agenda is open; dialogo: a box over a dialog over the
// agenda; ditta, sessioni, editor: the company choice, the open sessions or the parameter-set
// editor over the main window, the agenda open too.
INSTANTIATE_TEST_SUITE_P(Stati, Terminazione,
                         ::testing::Values("avvio", "attesa", "negato", "agenda", "rifiuto",
                                           "dialogo", "ditta", "sessioni", "editor"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string nome = info.param;
                             for (char& c : nome) {
                                 if (c == '-')
                                     c = '_';
                             }
                             return nome;
                         });

} // namespace
