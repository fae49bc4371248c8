// A working day of an office, in short: six workstations (each the program driver in a mount
// namespace of its own, see support/Ufficio.h) log in, call menus, edit the same few customers
// so that they collide, change company with F12 and F9, print the list to PDF, leave with F8
// and log in again, while the office's own server (a private instance on a port of its own) is
// stopped and started once in the middle. At the end: every edit a workstation saw saved is in
// the archive, every session of the day is closed, the validation of the databases finds
// nothing, and no program crashed or hung.
//
// The day lasts VELKORA_GIORNATA_SECONDI seconds of work (150 by default, as the test suite
// runs it; longer by hand), on the port VELKORA_GIORNATA_PORTA (3057 by default). While it runs
// it prints the attachments of each workstation and the transaction counters of the databases.
#include "TestPaths.h"
#include "db/Database.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "support/Ufficio.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velkora;
using velkora::test::Postazione;
using velkora::test::Ufficio;

namespace {

const QString kUtenti = QStringLiteral("user/user.fdb");
const QString kArchivio = QStringLiteral("Archivi/Rossi/ditta.fdb");
// The customers everybody edits: few, so that the workstations collide.
constexpr int kRigheContese = 3;
constexpr int kLimiteNote = 190;

int intero(const char* variabile, int predefinito)
{
    bool ok = false;
    const int valore = qEnvironmentVariableIntValue(variabile, &ok);
    return ok && valore > 0 ? valore : predefinito;
}

void stampa(const QString& riga)
{
    std::printf("[giornata] %s\n", qPrintable(riga));
    std::fflush(stdout);
}

// The office's own server: scripts/fbserver.sh on its own port and folder, so the shared test
// server is left alone. Stopped when the day ends, however it ends.
class ServerGiornata
{
public:
    explicit ServerGiornata(int porta)
        : m_porta(porta)
    {
    }
    ~ServerGiornata() { esegui(QStringLiteral("stop")); }

    bool esegui(const QString& comando, QString* uscita = nullptr)
    {
        QProcess p;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QStringLiteral("VELKORA_FBSERVER_PORT"), QString::number(m_porta));
        ambiente.insert(QStringLiteral("VELKORA_FBSERVER_DIR"),
                        QStringLiteral("/tmp/velkora-fbserver-giornata-%1").arg(m_porta));
        p.setProcessEnvironment(ambiente);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"),
                {QDir(QString::fromUtf8(test::kSourceDir)).filePath(QStringLiteral("scripts/fbserver.sh")),
                 comando});
        const bool finito = p.waitForFinished(120000);
        if (uscita)
            *uscita = QString::fromLocal8Bit(p.readAll());
        return finito && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString indirizzo() const { return QStringLiteral("localhost/%1").arg(m_porta); }

private:
    int m_porta;
};

// A save a workstation asked for: the field before and after its typing. `confermata` when the
// workstation saw it saved (no box, the save button back to green).
struct Salvataggio
{
    QString postazione;
    QString riga;
    QString prima;
    QString dopo;
    bool confermata = false;
    qint64 secondi = 0; // since the morning, when the save was answered
};

struct Diario
{
    std::mutex mutex;
    std::vector<Salvataggio> salvataggi;
    QStringList problemi;                // faults: each fails the day
    std::map<QString, int> imprevisti;   // boxes of the server's restart and the like, counted
    std::map<QString, int> conteggi;
    QElapsedTimer orologio;

    void conta(const QString& cosa)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ++conteggi[cosa];
    }
    void problema(const QString& testo)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        problemi << testo;
    }
    void imprevisto(const QString& testo)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ++imprevisti[testo];
    }
    void salva(Salvataggio s)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        salvataggi.push_back(std::move(s));
    }
};

struct Utente
{
    QString nome;
    QString password;
};

// One workstation's day, on its own thread: the commands of a user at work, with the pauses of
// a person between them. A command that gets no answer, or a program that ends, ends its day
// as a fault.
class Giornata
{
public:
    Giornata(const Ufficio& ufficio, QString cartella, QString nome, Utente utente,
             QStringList righe, Diario& diario, const QDeadlineTimer& fine, unsigned seme)
        : m_ufficio(ufficio)
        , m_cartella(std::move(cartella))
        , m_nome(std::move(nome))
        , m_utente(std::move(utente))
        , m_righe(std::move(righe))
        , m_diario(diario)
        , m_fine(fine)
        , m_caso(seme)
    {
    }

    // The whole day on this thread, which owns the program's process. In the evening the
    // workstations that do not close sessions end first (counting `primi` down); the others then
    // close what F8 left open of their user and end.
    void lavora(std::latch& primi, bool chiudeSessioni)
    {
        m_postazione = std::make_unique<Postazione>(m_ufficio.cartella(), m_cartella, m_nome);
        m_pid.store(m_postazione->pid());
        if (!m_postazione->pronta()) {
            m_diario.problema(m_nome + QStringLiteral(": il programma non è partito\n") +
                              m_postazione->errori());
            m_fermo = true;
        }
        for (int giro = 0; !m_fine.hasExpired() && !m_fermo; ++giro)
            unGiro(giro);
        if (!m_fermo && m_aperta)
            chiudiElenco();
        if (chiudeSessioni)
            primi.wait();
        chiudi(chiudeSessioni);
        if (!chiudeSessioni)
            primi.count_down();
        m_postazione.reset();
    }

    const QString& nome() const { return m_nome; }
    qint64 pid() const { return m_pid.load(); }

private:
    // The end of the day: the user closes the sessions F8 left open (chiudiSessioni), then the
    // program is ended as the system ends it and must end by itself, with status 0.
    void chiudi(bool chiudiSessioni)
    {
        if (!m_fermo && m_postazione->pronta()) {
            if (!m_dentro)
                accedi();
            if (chiudiSessioni && m_dentro)
                comando({QStringLiteral("sessioni")});
        }
        const Postazione::Fine fine = m_postazione->termina(30000);
        if (!fine.finita)
            m_diario.problema(m_nome + QStringLiteral(": bloccato alla chiusura, terminato a forza"));
        else if (fine.crash || fine.codice != 0)
            m_diario.problema(m_nome + QStringLiteral(": terminato con errore (codice %1)\n")
                                           .arg(fine.codice) +
                              m_postazione->errori());
    }

    void pausa(int minimo, int massimo)
    {
        std::uniform_int_distribution<int> d(minimo, massimo);
        std::this_thread::sleep_for(std::chrono::milliseconds(d(m_caso)));
    }

    bool caso(int suQuanti) { return std::uniform_int_distribution<int>(0, suQuanti - 1)(m_caso) == 0; }

    // A command; a workstation that does not answer is a fault and stops for the day.
    QJsonObject comando(const QStringList& parole)
    {
        const QJsonObject r = m_postazione->comando(parole);
        if (r.value(QStringLiteral("esito")).toString() == QLatin1String("errore") &&
            r.value(QStringLiteral("errore")).toString().startsWith(m_nome + QLatin1Char(':'))) {
            m_diario.problema(r.value(QStringLiteral("errore")).toString() + QLatin1Char('\n') +
                              m_postazione->errori());
            m_fermo = true;
        }
        return r;
    }

    // Boxes the day allows for (the lost server while it restarts, a company without the
    // customer); each is noted, and the list is closed to start again from the menu.
    void imprevisto(const QJsonObject& r)
    {
        const QStringList box = test::testiBox(r);
        m_diario.imprevisto(r.value(QStringLiteral("comando")).toString() + QStringLiteral(": ") +
                            (box.isEmpty() ? QString::fromStdString(test::mostra(r))
                                           : box.join(QStringLiteral(" / "))));
        m_diario.conta(QStringLiteral("imprevisti"));
        if (m_aperta && !m_fermo)
            chiudiElenco();
        // The user reads the box and tries again a little later.
        pausa(500, 1000);
    }

    // Closes the customer list (what is not saved is not saved); a list that does not close is
    // noted and stays in use.
    void chiudiElenco()
    {
        const QJsonObject r = comando({QStringLiteral("chiudiclienti")});
        m_aperta = !test::riuscito(r);
        if (m_aperta && !m_fermo)
            m_diario.imprevisto(QStringLiteral("chiudiclienti: ") + QString::fromStdString(test::mostra(r)));
    }

    void accedi()
    {
        const QJsonObject r = comando({QStringLiteral("accedi"), m_utente.nome, m_utente.password});
        m_dentro = test::riuscito(r) && !r.value(QStringLiteral("accesso")).toBool() &&
                   test::testiBox(r).isEmpty();
        if (m_dentro)
            m_diario.conta(QStringLiteral("accessi"));
        else
            imprevisto(r);
    }

    void unGiro(int giro)
    {
        if (!m_dentro) {
            accedi();
            if (!m_dentro) {
                pausa(500, 1000);
                return;
            }
        }
        if (!m_aperta) {
            // A menu call: the customer list from the menu search.
            const QJsonObject r = comando({QStringLiteral("clienti")});
            m_aperta = r.value(QStringLiteral("aperta")).toBool();
            if (!m_aperta || !test::testiBox(r).isEmpty())
                return imprevisto(r);
            m_diario.conta(QStringLiteral("chiamate"));
        }
        modifica(giro);
        if (m_fermo)
            return;
        if (caso(6))
            stampaElenco(giro);
        else if (caso(8))
            cambioDitta();
        else if (caso(10))
            nuovoAccesso();
        pausa(50, 300);
    }

    void modifica(int giro)
    {
        const QString riga = m_righe.at(std::uniform_int_distribution<int>(
            0, static_cast<int>(m_righe.size()) - 1)(m_caso));
        const QString segno = QStringLiteral("|%1.%2").arg(m_nome).arg(giro);
        const QJsonObject r =
            comando({QStringLiteral("aggiungi"), riga, QStringLiteral("NOTE"), segno,
                     QString::number(kLimiteNote)});
        if (m_fermo)
            return;
        if (r.value(QStringLiteral("tag")).toInt() != 1) {
            if (test::testiBox(r) == QStringList{test::kRigaBloccata}) {
                // A collision's detail says who holds the row, that he is done already, or that
                // he could not be looked up, above the engine's text of the conflict. The same warning also comes when the
                // statement failed for another reason (the server restarting): counted apart.
                const QString dettaglio = test::dettagliBox(r).value(0);
                const bool conflitto = dettaglio.contains(QStringLiteral("update conflicts")) ||
                                       dettaglio.contains(QStringLiteral("deadlock")) ||
                                       dettaglio.contains(QStringLiteral("lock conflict"));
                if (!conflitto) {
                    m_diario.imprevisto(QStringLiteral("avviso di record occupato senza conflitto: ") +
                                        dettaglio.simplified());
                } else if (dettaglio.startsWith(test::kDetentoreIgnoto)) {
                    // The holder's lookup met the server restarting: the warning says so.
                    m_diario.imprevisto(QStringLiteral("detentore non trovato: ") + dettaglio.simplified());
                } else if (!dettaglio.startsWith(QStringLiteral("Il record è in modifica sulla postazione ")) &&
                           !dettaglio.startsWith(QStringLiteral("L'altro utente ha già salvato"))) {
                    m_diario.problema(m_nome + QStringLiteral(": l'avviso non nomina chi tiene il record: ") +
                                      dettaglio);
                }
                m_diario.conta(QStringLiteral("collisioni"));
                comando({QStringLiteral("aggiorna")});
                return;
            }
            return imprevisto(r);
        }
        Salvataggio s{m_nome, riga, r.value(QStringLiteral("prima")).toString(),
                      r.value(QStringLiteral("testo")).toString(), false, 0};
        // The user looks at what he typed before saving: the others meet the row held.
        pausa(100, 600);
        const QJsonObject salvato = comando({QStringLiteral("salva")});
        s.confermata = test::riuscito(salvato) && test::testiBox(salvato).isEmpty() &&
                       salvato.value(QStringLiteral("tag")).toInt() == 0;
        s.secondi = m_diario.orologio.elapsed() / 1000;
        m_diario.salva(s);
        if (s.confermata)
            m_diario.conta(QStringLiteral("salvataggi"));
        else if (!m_fermo)
            imprevisto(salvato);
    }

    void stampaElenco(int giro)
    {
        if (!m_aperta)
            return;
        const QString pdf = QDir::temp().filePath(
            QStringLiteral("velkora-giornata-%1-%2-%3.pdf").arg(getpid()).arg(m_nome).arg(giro));
        const QJsonObject r = comando({QStringLiteral("stampa"), pdf});
        if (r.value(QStringLiteral("pdf")).toInteger() > 0 && test::testiBox(r).isEmpty())
            m_diario.conta(QStringLiteral("stampe"));
        else if (!m_fermo)
            imprevisto(r);
        QFile::remove(pdf);
    }

    // F12 moves to the user's next company, F9 brings him back to ROSSI SRL by name (the
    // archive the day edits); the list is closed meanwhile. A user whose window stays minimised
    // (the demo's Amministratore) has neither key: his company stays.
    void cambioDitta()
    {
        if (m_aperta)
            chiudiElenco();
        if (m_aperta)
            return;
        const QJsonObject f12 = comando({QStringLiteral("f12")});
        if (!test::testiBox(f12).isEmpty())
            return imprevisto(f12);
        if (!f12.value(QStringLiteral("titolo")).toString().endsWith(QStringLiteral(" - Utente: ") + m_utente.nome))
            m_diario.problema(m_nome + QStringLiteral(": dopo F12 il titolo non nomina l'utente: ") +
                              test::mostra(f12).c_str());
        const QJsonObject f9 = comando({QStringLiteral("f9"), QStringLiteral("ROSSI SRL")});
        if (!test::testiBox(f9).isEmpty() || !test::riuscito(f9))
            return imprevisto(f9);
        if (!f9.value(QStringLiteral("titolo")).toString().startsWith(QStringLiteral("Ditta: ROSSI SRL - ")))
            m_diario.problema(m_nome + QStringLiteral(": F9 non ha riportato la ditta ROSSI SRL: ") +
                              test::mostra(f9).c_str());
        m_diario.conta(QStringLiteral("F12 e F9"));
    }

    // F8 leaves the session open and goes back to the login; the same user logs in again.
    void nuovoAccesso()
    {
        if (m_aperta)
            chiudiElenco();
        if (m_aperta)
            return;
        const QJsonObject r = comando({QStringLiteral("f8")});
        if (!test::testiBox(r).isEmpty())
            return imprevisto(r);
        // A user whose window stays minimised (the demo's Amministratore) has no F8.
        if (!r.value(QStringLiteral("accesso")).toBool())
            return;
        m_dentro = false;
        m_diario.conta(QStringLiteral("F8"));
        accedi();
    }

    const Ufficio& m_ufficio;
    QString m_cartella;
    QString m_nome;
    Utente m_utente;
    QStringList m_righe;
    Diario& m_diario;
    QDeadlineTimer m_fine;
    std::mt19937 m_caso;
    std::unique_ptr<Postazione> m_postazione;
    std::atomic<qint64> m_pid{0};
    bool m_dentro = false;
    bool m_aperta = false;
    bool m_fermo = false;
};

QStringList righe(Ufficio& ufficio, const QString& database, const QString& sql)
{
    db::Database d;
    test::attach(d, ufficio.database(database));
    const QStringList out = test::rows(d, sql);
    d.detach();
    return out;
}

// The attachments of each workstation to each database, and the transaction counters of the
// databases' headers (fbstat -h, the gstat of this system).
void rapporto(Ufficio& ufficio, const std::vector<std::unique_ptr<Giornata>>& postazioni,
              qint64 secondi)
{
    QHash<qint64, QString> nomi;
    for (const auto& g : postazioni)
        nomi.insert(g->pid(), g->nome());
    for (const QString& database : {kUtenti, kArchivio}) {
        QString riga = QStringLiteral("%1 s %2: collegamenti").arg(secondi).arg(database);
        try {
            const QStringList collegamenti = righe(
                ufficio, database,
                QStringLiteral("SELECT MON$REMOTE_PID, COUNT(*) FROM MON$ATTACHMENTS WHERE "
                               "MON$REMOTE_PID IS NOT NULL GROUP BY MON$REMOTE_PID"));
            for (const QString& c : collegamenti) {
                const QStringList parti = c.split(QLatin1Char('|'));
                riga += QStringLiteral(" %1=%2").arg(
                    nomi.value(parti.value(0).toLongLong(), QStringLiteral("pid ") + parti.value(0)),
                    parti.value(1));
            }
        } catch (const std::exception& e) {
            riga += QStringLiteral(" (non letti: %1)").arg(QString::fromLocal8Bit(e.what()));
        }
        QProcess gstat;
        gstat.setProcessChannelMode(QProcess::MergedChannels);
        gstat.start(QStringLiteral("fbstat"),
                    {QStringLiteral("-h"), ufficio.database(database), QStringLiteral("-user"),
                     QStringLiteral("SYSDBA"), QStringLiteral("-password"), QStringLiteral("quillbark")});
        if (gstat.waitForFinished(60000)) {
            const QString testo = QString::fromLocal8Bit(gstat.readAll());
            for (const char* campo : {"Next transaction", "Oldest active", "Oldest snapshot",
                                      "Oldest transaction"}) {
                const QRegularExpression re(QString::fromLatin1(campo) + QStringLiteral("\\s+(\\d+)"));
                const QRegularExpressionMatch m = re.match(testo);
                riga += QStringLiteral("; %1 %2").arg(QString::fromLatin1(campo).toLower(),
                                                      m.hasMatch() ? m.captured(1) : QStringLiteral("?"));
            }
        }
        stampa(riga);
    }
}

// Follows each row's saves back from its value at the end to its value in the morning: each
// save started from what the one before it left. A save seen saved that is not on that chain
// was lost.
QStringList salvataggiPersi(const QString& riga, const QString& mattina, const QString& sera,
                            const std::vector<Salvataggio>& salvataggi)
{
    QHash<QString, const Salvataggio*> perValore;
    for (const Salvataggio& s : salvataggi) {
        if (s.riga == riga)
            perValore.insert(s.dopo, &s);
    }
    QSet<const Salvataggio*> catena;
    QStringList problemi;
    for (QString valore = sera; valore != mattina;) {
        const Salvataggio* s = perValore.value(valore);
        if (!s || catena.contains(s)) {
            problemi << QStringLiteral("%1: il valore \"%2\" non viene da nessun salvataggio").arg(riga, valore);
            break;
        }
        catena.insert(s);
        valore = s->prima;
    }
    for (const Salvataggio& s : salvataggi) {
        if (s.riga == riga && s.confermata && !catena.contains(&s))
            problemi << QStringLiteral("%1: perso il salvataggio di %2 a %5 s (\"%3\" -> \"%4\")")
                            .arg(riga, s.postazione, s.prima, s.dopo)
                            .arg(s.secondi);
    }
    // What the row went through, for whoever has to find where a save was lost.
    if (!problemi.isEmpty()) {
        QStringList storia;
        for (const Salvataggio& s : salvataggi) {
            if (s.riga == riga)
                storia << QStringLiteral("  %1 s %2%3: \"%4\" -> \"%5\"")
                              .arg(s.secondi)
                              .arg(s.postazione, s.confermata ? QString() : QStringLiteral(" (non confermato)"),
                                   s.prima, s.dopo);
        }
        problemi << QStringLiteral("%1: mattina \"%2\", sera \"%3\"; i salvataggi nell'ordine delle risposte:\n%4")
                        .arg(riga, mattina, sera, storia.join(QLatin1Char('\n')));
    }
    return problemi;
}

TEST(Giornata, SixWorkstationsWorkADayThroughAServerRestart)
{
    if (!test::serverTestsEnabled())
        GTEST_SKIP() << "server tests are off (scripts/test.sh turns them on)";
    if (geteuid() != 0)
        GTEST_SKIP() << "the workstations' mount namespaces need the superuser";
    const int secondi = intero("VELKORA_GIORNATA_SECONDI", 150);
    ServerGiornata server(intero("VELKORA_GIORNATA_PORTA", 3057));
    QString uscita;
    ASSERT_TRUE(server.esegui(QStringLiteral("start"), &uscita)) << uscita.toStdString();
    Ufficio ufficio(server.indirizzo());
    ASSERT_TRUE(ufficio.errore().empty()) << ufficio.errore();

    // Both demo companies have the same customers. Those of BIANCHI SPA get their own names, so
    // that a list that opened on that company (the stored company is the user's, shared by his
    // workstations) never passes for ROSSI SRL's.
    {
        db::Database bianchi;
        test::attach(bianchi, ufficio.database(QStringLiteral("Archivi/Bianchi/ditta.fdb")));
        test::exec(bianchi, QStringLiteral("UPDATE CLIENTI SET RAGIONESOCIALE = "
                                           "SUBSTRING(RAGIONESOCIALE FROM 1 FOR 70) || ' (Bianchi)'"));
        bianchi.detach();
    }
    const QStringList contese =
        righe(ufficio, kArchivio,
              QStringLiteral("SELECT FIRST %1 RAGIONESOCIALE FROM CLIENTI ORDER BY CODICE").arg(kRigheContese));
    ASSERT_EQ(contese.size(), kRigheContese);
    QHash<QString, QString> mattina;
    for (const QString& riga : contese)
        mattina.insert(riga, righe(ufficio, kArchivio,
                                   QStringLiteral("SELECT NOTE FROM CLIENTI WHERE RAGIONESOCIALE = '%1'")
                                       .arg(QString(riga).replace(QLatin1Char('\''), QStringLiteral("''"))))
                                 .value(0));
    const int primaSessione =
        righe(ufficio, kUtenti, QStringLiteral("SELECT COALESCE(MAX(CODICESESSIONE), 0) FROM NORVILOG"))
            .value(0)
            .toInt();

    const Utente utenti[] = {{QStringLiteral("Mario Rossi"), QStringLiteral("rossi")},
                             {QStringLiteral("Luca Verdi"), QString()},
                             {QStringLiteral("Amministratore"), QStringLiteral("Velkora2024")}};
    constexpr int kPostazioni = 6;
    Diario diario;
    const unsigned seme = static_cast<unsigned>(std::random_device{}());
    stampa(QStringLiteral("%1 postazioni, %2 s di lavoro, server %3, seme %4")
               .arg(kPostazioni)
               .arg(secondi)
               .arg(server.indirizzo())
               .arg(seme));
    diario.orologio.start();
    std::vector<std::unique_ptr<Giornata>> postazioni;
    for (int i = 0; i < kPostazioni; ++i) {
        const QString nome = QStringLiteral("p%1").arg(i + 1);
        const QString cartella = ufficio.preparaPostazione(nome);
        ASSERT_FALSE(cartella.isEmpty()) << ufficio.errore();
        postazioni.push_back(std::make_unique<Giornata>(ufficio, cartella, nome, utenti[i % 3], contese,
                                                        diario, QDeadlineTimer(secondi * 1000), seme + i));
    }
    // In the evening the last workstation of each user closes the sessions F8 left open, once
    // the others have ended.
    std::latch primi(kPostazioni - 3);
    std::vector<std::thread> fili;
    for (int i = 0; i < kPostazioni; ++i)
        fili.emplace_back([&postazioni, &primi, i] {
            postazioni[static_cast<size_t>(i)]->lavora(primi, i >= kPostazioni - 3);
        });

    // The day goes by: a report now and then, and the server stopped and started at noon.
    QElapsedTimer orologio;
    orologio.start();
    bool riavviato = false;
    qint64 prossimoRapporto = 5;
    while (orologio.elapsed() < secondi * 1000LL) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const qint64 ora = orologio.elapsed() / 1000;
        if (ora >= prossimoRapporto) {
            rapporto(ufficio, postazioni, ora);
            prossimoRapporto = ora + 20;
        }
        if (!riavviato && ora >= secondi / 2) {
            riavviato = true;
            QString testo;
            const bool fermo = server.esegui(QStringLiteral("stop"), &testo);
            stampa(QStringLiteral("%1 s: server fermato: %2").arg(ora).arg(testo.trimmed()));
            EXPECT_TRUE(fermo) << testo.toStdString();
            std::this_thread::sleep_for(std::chrono::seconds(3));
            ASSERT_TRUE(server.esegui(QStringLiteral("start"), &testo)) << testo.toStdString();
            stampa(QStringLiteral("%1 s: server riavviato: %2").arg(orologio.elapsed() / 1000).arg(testo.trimmed()));
        }
    }
    rapporto(ufficio, postazioni, orologio.elapsed() / 1000);
    for (std::thread& f : fili)
        f.join();

    for (const auto& [cosa, quante] : diario.conteggi)
        stampa(QStringLiteral("%1: %2").arg(cosa).arg(quante));
    for (const auto& [testo, quante] : diario.imprevisti)
        stampa(QStringLiteral("imprevisto (%1 volte): %2").arg(quante).arg(testo));
    for (const QString& testo : diario.problemi)
        ADD_FAILURE() << testo.toStdString();
    EXPECT_GT(diario.conteggi[QStringLiteral("salvataggi")], 0);
    EXPECT_GT(diario.conteggi[QStringLiteral("collisioni")], 0);

    for (const QString& riga : contese) {
        const QString sera = righe(ufficio, kArchivio,
                                   QStringLiteral("SELECT NOTE FROM CLIENTI WHERE RAGIONESOCIALE = '%1'")
                                       .arg(QString(riga).replace(QLatin1Char('\''), QStringLiteral("''"))))
                                 .value(0);
        for (const QString& perso : salvataggiPersi(riga, mattina.value(riga), sera, diario.salvataggi))
            ADD_FAILURE() << perso.toStdString();
    }
    const QStringList aperte =
        righe(ufficio, kUtenti,
              QStringLiteral("SELECT CODICESESSIONE, CODICEUTENTE FROM NORVILOG WHERE CODICESESSIONE > %1 "
                             "AND DATACHIUSURA IS NULL")
                  .arg(primaSessione));
    EXPECT_TRUE(aperte.isEmpty()) << "sessions left open: " << aperte.join(QLatin1Char(' ')).toStdString();
    EXPECT_GT(righe(ufficio, kUtenti,
                    QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICESESSIONE > %1").arg(primaSessione))
                  .value(0)
                  .toInt(),
              kPostazioni);

    for (const QString& database : {kUtenti, kArchivio}) {
        QProcess gfix;
        gfix.setProcessChannelMode(QProcess::MergedChannels);
        gfix.start(QStringLiteral("gfix"),
                   {QStringLiteral("-v"), QStringLiteral("-full"), QStringLiteral("-user"),
                    QStringLiteral("SYSDBA"), QStringLiteral("-password"), QStringLiteral("quillbark"),
                    ufficio.database(database)});
        ASSERT_TRUE(gfix.waitForFinished(120000));
        const QString testo = QString::fromLocal8Bit(gfix.readAll()).trimmed();
        EXPECT_EQ(gfix.exitCode(), 0) << database.toStdString() << ": " << testo.toStdString();
        EXPECT_TRUE(testo.isEmpty()) << database.toStdString() << ": " << testo.toStdString();
    }
}

} // namespace
