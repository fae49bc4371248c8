// The office as separate machines: every workstation is a process of the real program (the
// driver, steered by commands) in a mount namespace of its own, where its folder laid out by
// "velkora-admin postazione" stands at the path of the server's folder, so the server's user/
// and Archivi/ are not there. Everything goes through the private server on loopback, and the
// results are read from the databases through the server after the workstations acted.
#include "TestPaths.h"
#include "db/Database.h"
#include "print/PdfText.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "support/Ufficio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace velkora;
using velkora::test::Postazione;
using velkora::test::Ufficio;

namespace {

const QString kSessioneChiusa =
    QStringLiteral("Attenzione: la sessione corrente risulta chiusa. Si prega di uscire e rientrare");
const QString kUtenti = QStringLiteral("user/user.fdb");
const QString kArchivioRossi = QStringLiteral("Archivi/Rossi/ditta.fdb");

// Skips unless the test server runs and mounts can be made.
bool ufficioPossibile(std::string* perche)
{
    if (!test::serverTestsEnabled()) {
        *perche = "the test database server is not started (scripts/fbserver.sh start)";
        return false;
    }
    if (geteuid() != 0) {
        *perche = "the workstations' mount namespaces need the superuser";
        return false;
    }
    return true;
}

class UfficioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string perche;
        if (!ufficioPossibile(&perche))
            GTEST_SKIP() << perche;
        ufficio = std::make_unique<Ufficio>(test::testServer());
        ASSERT_TRUE(ufficio->errore().empty()) << ufficio->errore();
    }

    // A new workstation of the office, at its login window.
    std::unique_ptr<Postazione> avvia(const QString& nome)
    {
        const QString cartella = ufficio->preparaPostazione(nome);
        EXPECT_FALSE(cartella.isEmpty()) << ufficio->errore();
        auto p = std::make_unique<Postazione>(ufficio->cartella(), cartella, nome);
        EXPECT_TRUE(p->pronta()) << nome.toStdString() << " did not start\n"
                                 << p->errori().toStdString();
        return p;
    }

    // Logs in and returns the session's code (0 when the login failed the test).
    static int accedi(Postazione& p, const QString& utente, const QString& password)
    {
        const QJsonObject r = p.comando({QStringLiteral("accedi"), utente, password});
        EXPECT_TRUE(test::riuscito(r) && test::testiBox(r).isEmpty()) << test::mostra(r);
        EXPECT_FALSE(r.value(QStringLiteral("accesso")).toBool()) << test::mostra(r);
        return r.value(QStringLiteral("sessione")).toInt();
    }

    // The rows of a selection on a database of the server's folder, read through the server.
    QStringList righe(const QString& database, const QString& sql)
    {
        db::Database d;
        test::attach(d, ufficio->database(database));
        const QStringList out = test::rows(d, sql);
        d.detach();
        return out;
    }

    int chiamate(int sessione, const QString& funzione)
    {
        return righe(kUtenti, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ WHERE "
                                             "CODICESESSIONE = %1 AND FUNZIONECHIAMATA = '%2'")
                                  .arg(sessione)
                                  .arg(funzione))
            .value(0)
            .toInt();
    }

    // "" while the session is open, its closing date once closed.
    QString chiusura(int sessione)
    {
        return righe(kUtenti, QStringLiteral("SELECT DATACHIUSURA FROM NORVILOG WHERE "
                                             "CODICESESSIONE = %1")
                                  .arg(sessione))
            .value(0, QStringLiteral("<nessuna sessione>"));
    }

    static void terminaBene(Postazione& p)
    {
        const Postazione::Fine fine = p.termina();
        EXPECT_TRUE(fine.finita) << p.nome().toStdString() << " hung and was killed";
        EXPECT_FALSE(fine.crash) << p.errori().toStdString();
        EXPECT_EQ(fine.codice, 0) << p.errori().toStdString();
    }

    std::unique_ptr<Ufficio> ufficio;
};

// The workstation sees its own folder at the server's path and nothing of the server's
// databases; its program logs in through the server, and its menu call is logged there; its end
// closes the session there.
TEST_F(UfficioTest, AWorkstationSeesNoDatabaseAndWorksThroughTheServer)
{
    const QString cartella = ufficio->preparaPostazione(QStringLiteral("vista"));
    ASSERT_FALSE(cartella.isEmpty()) << ufficio->errore();
    QString visto;
    EXPECT_EQ(test::comeDaPostazione(ufficio->cartella(), cartella,
                                     {QStringLiteral("sh"), QStringLiteral("-c"),
                                      QStringLiteral("ls -A user && test ! -e Archivi && "
                                                     "test -x velkora-driver")},
                                     &visto),
              0)
        << visto.toStdString();
    EXPECT_EQ(visto, QStringLiteral("dati.ini\n"));

    auto p = std::make_unique<Postazione>(ufficio->cartella(), cartella, QStringLiteral("vista"));
    ASSERT_TRUE(p->pronta()) << p->errori().toStdString();
    const int sessione = accedi(*p, QStringLiteral("Mario Rossi"), QStringLiteral("rossi"));
    ASSERT_GT(sessione, 0);
    EXPECT_EQ(chiusura(sessione), QString());
    // The program's attachment is a client of the server, from the workstation's program.
    EXPECT_GE(righe(kUtenti, QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE "
                                            "MON$REMOTE_PROTOCOL = 'TCPv4' AND "
                                            "MON$REMOTE_PROCESS LIKE '%velkora-driver'"))
                  .value(0)
                  .toInt(),
              1);

    const QJsonObject voce =
        p->comando({QStringLiteral("voce"), QStringLiteral("elenco contatti")});
    EXPECT_TRUE(test::riuscito(voce) && test::testiBox(voce).isEmpty()) << test::mostra(voce);
    EXPECT_EQ(chiamate(sessione, QStringLiteral("ShowContattAgendaFormX")), 1);

    terminaBene(*p);
    EXPECT_FALSE(chiusura(sessione).isEmpty()) << "the session was left open";
}

// F9 stores the chosen company for the user on the server, F12 the next one.
TEST_F(UfficioTest, F9AndF12StoreTheCompanyOnTheServer)
{
    auto p = avvia(QStringLiteral("ditte"));
    ASSERT_TRUE(p->pronta());
    ASSERT_GT(accedi(*p, QStringLiteral("Mario Rossi"), QStringLiteral("rossi")), 0);
    const QString ditta = QStringLiteral("SELECT DITTA FROM UTENTI WHERE CODICE = 1");
    const struct
    {
        QStringList comando;
        QString ditta;
    } passi[] = {
        {{QStringLiteral("f9"), QStringLiteral("BIANCHI SPA")}, QStringLiteral("BIANCHI SPA")},
        {{QStringLiteral("f12")}, QStringLiteral("ROSSI SRL")},
        {{QStringLiteral("f12")}, QStringLiteral("BIANCHI SPA")},
    };
    for (const auto& passo : passi) {
        SCOPED_TRACE(passo.comando.join(QLatin1Char(' ')).toStdString());
        const QJsonObject r = p->comando(passo.comando);
        ASSERT_TRUE(test::riuscito(r) && test::testiBox(r).isEmpty()) << test::mostra(r);
        EXPECT_EQ(r.value(QStringLiteral("titolo")).toString(),
                  QStringLiteral("Ditta: ") + passo.ditta + QStringLiteral(" - Utente: Mario Rossi"));
        EXPECT_EQ(righe(kUtenti, ditta), QStringList{passo.ditta});
    }
    terminaBene(*p);
}

// "Sessioni" on one workstation closes the session of the same user on another: the other's
// next menu call is refused and not logged; the own session stays open.
TEST_F(UfficioTest, SessioniOnOneWorkstationStopsTheOthersMenuCalls)
{
    auto uno = avvia(QStringLiteral("uno"));
    auto due = avvia(QStringLiteral("due"));
    ASSERT_TRUE(uno->pronta() && due->pronta());
    const int sessioneUno = accedi(*uno, QStringLiteral("Mario Rossi"), QStringLiteral("rossi"));
    const int sessioneDue = accedi(*due, QStringLiteral("Mario Rossi"), QStringLiteral("rossi"));
    ASSERT_GT(sessioneUno, 0);
    ASSERT_GT(sessioneDue, 0);
    const QStringList voce{QStringLiteral("voce"), QStringLiteral("elenco contatti")};
    ASSERT_TRUE(test::testiBox(uno->comando(voce)).isEmpty());
    ASSERT_EQ(chiamate(sessioneUno, QStringLiteral("ShowContattAgendaFormX")), 1);

    const QJsonObject sessioni = due->comando({QStringLiteral("sessioni")});
    ASSERT_TRUE(test::riuscito(sessioni)) << test::mostra(sessioni);
    EXPECT_GE(sessioni.value(QStringLiteral("chiuse")).toInt(), 1) << test::mostra(sessioni);
    EXPECT_FALSE(chiusura(sessioneUno).isEmpty());
    EXPECT_EQ(chiusura(sessioneDue), QString());

    const QJsonObject rifiutata = uno->comando(voce);
    EXPECT_EQ(test::testiBox(rifiutata), QStringList{kSessioneChiusa}) << test::mostra(rifiutata);
    EXPECT_EQ(chiamate(sessioneUno, QStringLiteral("ShowContattAgendaFormX")), 1);
    // The workstation that closed it goes on.
    EXPECT_TRUE(test::testiBox(due->comando(voce)).isEmpty());
    EXPECT_EQ(chiamate(sessioneDue, QStringLiteral("ShowContattAgendaFormX")), 1);
    terminaBene(*uno);
    terminaBene(*due);
}

// The customer list of a workstation is the server's company archive: opened from the menu
// (the call logged), edited by typing, saved, and printed to a PDF.
TEST_F(UfficioTest, TheCustomerListIsEditedAndSavedInTheServersArchive)
{
    auto p = avvia(QStringLiteral("clienti"));
    ASSERT_TRUE(p->pronta());
    const int sessione = accedi(*p, QStringLiteral("Mario Rossi"), QStringLiteral("rossi"));
    const QJsonObject aperta = p->comando({QStringLiteral("clienti")});
    ASSERT_TRUE(aperta.value(QStringLiteral("aperta")).toBool()) << test::mostra(aperta);
    EXPECT_TRUE(test::testiBox(aperta).isEmpty()) << test::mostra(aperta);
    EXPECT_EQ(chiamate(sessione, QStringLiteral("ShowClientiFormX")), 1);

    const QStringList nomi = righe(kArchivioRossi, QStringLiteral(
                                                       "SELECT RAGIONESOCIALE FROM CLIENTI ORDER BY CODICE"));
    ASSERT_FALSE(nomi.isEmpty());
    const QString cliente = nomi.constLast();
    const QString citta = QStringLiteral("Forlì d'Oltre; '--");
    const QJsonObject modifica =
        p->comando({QStringLiteral("modifica"), cliente, QStringLiteral("CITTA"), citta});
    EXPECT_TRUE(test::testiBox(modifica).isEmpty()) << test::mostra(modifica);
    EXPECT_EQ(modifica.value(QStringLiteral("tag")).toInt(), 1) << test::mostra(modifica);
    const QString sql = QStringLiteral("SELECT CITTA FROM CLIENTI WHERE RAGIONESOCIALE = '%1'")
                            .arg(QString(cliente).replace(QLatin1Char('\''), QStringLiteral("''")));
    EXPECT_NE(righe(kArchivioRossi, sql), QStringList{citta}) << "saved before Salva";

    const QJsonObject salva = p->comando({QStringLiteral("salva")});
    EXPECT_TRUE(test::testiBox(salva).isEmpty()) << test::mostra(salva);
    EXPECT_EQ(salva.value(QStringLiteral("tag")).toInt(), 0);
    EXPECT_EQ(righe(kArchivioRossi, sql), QStringList{citta});

    const QString pdf = QDir::temp().filePath(
        QStringLiteral("velkora-ufficio-%1.pdf").arg(QCoreApplication::applicationPid()));
    QFile::remove(pdf);
    const QJsonObject stampa = p->comando({QStringLiteral("stampa"), pdf});
    EXPECT_TRUE(test::testiBox(stampa).isEmpty()) << test::mostra(stampa);
    EXPECT_GT(stampa.value(QStringLiteral("pdf")).toInteger(), 0) << test::mostra(stampa);
    // The report of the rows read through the server, the edit among them.
    const QString testo = test::pdfPages(pdf).join(QLatin1Char('\n'));
    EXPECT_TRUE(testo.contains(cliente) && testo.contains(QStringLiteral("Forlì d'Oltre")))
        << testo.toStdString();
    QFile::remove(pdf);
    ASSERT_TRUE(test::riuscito(p->comando({QStringLiteral("chiudiclienti")})));
    terminaBene(*p);
}

// Two workstations start editing the same customer: the second is refused at once, and the
// warning's detail names who holds it (the first one's user and workstation); once the first
// saved, the second edits it after a refresh, and the archive holds what each saved last.
TEST_F(UfficioTest, TwoWorkstationsCollideOnACustomerAndTheHolderIsNamed)
{
    auto uno = avvia(QStringLiteral("uno"));
    auto due = avvia(QStringLiteral("due"));
    ASSERT_TRUE(uno->pronta() && due->pronta());
    ASSERT_GT(accedi(*uno, QStringLiteral("Mario Rossi"), QStringLiteral("rossi")), 0);
    ASSERT_GT(accedi(*due, QStringLiteral("Luca Verdi"), QString()), 0);
    for (Postazione* p : {uno.get(), due.get()}) {
        const QJsonObject r = p->comando({QStringLiteral("clienti")});
        ASSERT_TRUE(r.value(QStringLiteral("aperta")).toBool()) << test::mostra(r);
    }
    const QString cliente =
        righe(kArchivioRossi, QStringLiteral("SELECT RAGIONESOCIALE FROM CLIENTI ORDER BY CODICE"))
            .value(0);
    ASSERT_FALSE(cliente.isEmpty());
    const QString sql = QStringLiteral("SELECT NOTE FROM CLIENTI WHERE RAGIONESOCIALE = '%1'")
                            .arg(QString(cliente).replace(QLatin1Char('\''), QStringLiteral("''")));

    const QJsonObject primo = uno->comando(
        {QStringLiteral("modifica"), cliente, QStringLiteral("NOTE"), QStringLiteral("da uno")});
    ASSERT_EQ(primo.value(QStringLiteral("tag")).toInt(), 1) << test::mostra(primo);

    const QJsonObject secondo = due->comando(
        {QStringLiteral("modifica"), cliente, QStringLiteral("NOTE"), QStringLiteral("da due")});
    EXPECT_EQ(secondo.value(QStringLiteral("tag")).toInt(), 0) << test::mostra(secondo);
    ASSERT_EQ(test::testiBox(secondo), QStringList{test::kRigaBloccata}) << test::mostra(secondo);
    const QString dettaglio = test::dettagliBox(secondo).value(0);
    EXPECT_TRUE(dettaglio.startsWith(QStringLiteral("Il record è in modifica sulla postazione ")))
        << dettaglio.toStdString();
    EXPECT_TRUE(dettaglio.contains(QStringLiteral(", utente Mario Rossi, dalle ")))
        << dettaglio.toStdString();

    const QJsonObject salvato = uno->comando({QStringLiteral("salva")});
    EXPECT_TRUE(test::testiBox(salvato).isEmpty()) << test::mostra(salvato);
    EXPECT_EQ(righe(kArchivioRossi, sql), QStringList{QStringLiteral("da uno")});

    ASSERT_TRUE(test::riuscito(due->comando({QStringLiteral("aggiorna")})));
    const QJsonObject dopo = due->comando(
        {QStringLiteral("modifica"), cliente, QStringLiteral("NOTE"), QStringLiteral("da due")});
    EXPECT_TRUE(test::testiBox(dopo).isEmpty()) << test::mostra(dopo);
    EXPECT_EQ(dopo.value(QStringLiteral("tag")).toInt(), 1);
    EXPECT_TRUE(test::testiBox(due->comando({QStringLiteral("salva")})).isEmpty());
    EXPECT_EQ(righe(kArchivioRossi, sql), QStringList{QStringLiteral("da due")});
    for (Postazione* p : {uno.get(), due.get()}) {
        EXPECT_TRUE(test::riuscito(p->comando({QStringLiteral("chiudiclienti")})));
        terminaBene(*p);
    }
}

// The README's office section, its commands run as written: those for the server in the
// server's folder, "postazione" on a workstation (in its namespace, at the same path); only the
// example path and server name are replaced by the test's. The workstation then logs in.
TEST(UfficioReadme, TheOfficeSectionsCommandsMakeAWorkingOffice)
{
    std::string perche;
    if (!ufficioPossibile(&perche))
        GTEST_SKIP() << perche;
    QFile readme(QDir(QString::fromUtf8(test::kSourceDir)).filePath(QStringLiteral("README.md")));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString testo = QString::fromUtf8(readme.readAll());
    const qsizetype inizio = testo.indexOf(QStringLiteral("\n## Several workstations (an office)"));
    ASSERT_GE(inizio, 0);
    const qsizetype fine = testo.indexOf(QStringLiteral("\n## "), inizio + 1);
    const QString sezione = testo.mid(inizio, fine - inizio);
    QStringList comandi;
    static const QRegularExpression riga(QStringLiteral("^ {4,}(velkora-admin .*)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = riga.globalMatch(sezione); it.hasNext();)
        comandi << it.next().captured(1).trimmed();
    ASSERT_GE(comandi.size(), 3) << sezione.toStdString();

    QTemporaryDir radice(QStringLiteral("/tmp/velkora-readme-XXXXXX"));
    ASSERT_TRUE(radice.isValid());
    chmod(QFile::encodeName(radice.path()).constData(), 0755);
    const QString server = radice.filePath(QStringLiteral("srv/velkora"));
    const QString postazione = radice.filePath(QStringLiteral("postazione"));
    ASSERT_TRUE(QDir().mkpath(server));
    ASSERT_TRUE(QDir().mkpath(postazione));
    const QString admin =
        QDir(QString::fromUtf8(test::kProgramDir)).filePath(QStringLiteral("velkora-admin"));
    bool sullaPostazione = false;
    for (const QString& comando : comandi) {
        SCOPED_TRACE(comando.toStdString());
        QStringList parole = comando.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_GE(parole.size(), 3);
        parole.removeFirst();
        for (QString& parola : parole) {
            if (parola == QLatin1String("/srv/velkora"))
                parola = server;
            else if (parola == QLatin1String("dbserver"))
                parola = test::testServer();
        }
        QString uscita;
        if (parole.first() == QLatin1String("postazione")) {
            // On the workstation: its folder, empty, stands at the server folder's path.
            sullaPostazione = true;
            ASSERT_EQ(test::comeDaPostazione(server, postazione, QStringList{admin} + parole, &uscita), 0)
                << uscita.toStdString();
        } else {
            ASSERT_EQ(Ufficio::admin(parole, &uscita), 0) << uscita.toStdString();
        }
    }
    ASSERT_TRUE(sullaPostazione) << "the section sets up no workstation";
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(test::kDriverFile),
                            postazione + QStringLiteral("/velkora-driver")));

    Postazione p(server, postazione, QStringLiteral("readme"));
    ASSERT_TRUE(p.pronta()) << p.errori().toStdString();
    const QJsonObject r =
        p.comando({QStringLiteral("accedi"), QStringLiteral("Mario Rossi"), QStringLiteral("rossi")});
    ASSERT_TRUE(test::riuscito(r) && test::testiBox(r).isEmpty()) << test::mostra(r);
    const int sessione = r.value(QStringLiteral("sessione")).toInt();
    const auto sessioni = [&] {
        db::Database d;
        test::attach(d, test::serverDatabaseName(server + QStringLiteral("/user/user.fdb")));
        return test::rows(d, QStringLiteral("SELECT CODICESESSIONE, DATACHIUSURA FROM NORVILOG "
                                            "WHERE CODICESESSIONE = %1")
                                 .arg(sessione));
    };
    EXPECT_EQ(sessioni(), QStringList{QString::number(sessione) + QLatin1Char('|')});
    const Postazione::Fine esito = p.termina();
    EXPECT_TRUE(esito.finita && !esito.crash && esito.codice == 0) << p.errori().toStdString();
    ASSERT_EQ(sessioni().size(), 1);
    EXPECT_FALSE(sessioni().value(0).endsWith(QLatin1Char('|'))) << "the session was left open";
}

} // namespace
