// The login in few round trips against the login as the design lists it, every statement on its
// own (written out below from the window's and the data form's own operations): random
// catalogues and users, each built the same way on two fresh user databases, logged in once each
// way, must leave everything a user or the database can see the same: the boxes, the caption,
// the bar (groups, pictures, links, slot tables), the menus, the window's user fields and
// commands, the session and call-log rows and the failed-statement files.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "menu/BarraProgrammi.h"
#include "menu/NavigationBar.h"
#include "platform/MessageService.h"
#include "services/WindowPositions.h"
#include "shell/BaseMain.h"
#include "shell/Iniz.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>

using namespace velkora;
using namespace velkora::test;

namespace {

// The statements that make one random catalogue and its users, in order, from a seed.
QStringList catalogo(quint32 seme)
{
    QRandomGenerator r(seme);
    QStringList sql;
    auto scegli = [&r](const QStringList& valori) { return valori[r.bounded(valori.size())]; };
    auto testo = [&](int lunghezza) {
        QString t;
        for (int i = 0; i < lunghezza; ++i)
            t += QChar(u"abcàèù ';x"[r.bounded(10)]);
        return t;
    };

    // Programs inserted in random code order, some deleted and stored again, so the engine's
    // order is neither the codes' nor the insertions'.
    QList<int> codici;
    const int programmi = 2 + r.bounded(7);
    while (codici.size() < programmi) {
        const int c = 1 + r.bounded(40);
        if (!codici.contains(c))
            codici << c;
    }
    const QStringList icone = {QString(), QStringLiteral("ico1.png"), QStringLiteral("ico2.png"),
                               QStringLiteral("manca.png"), QStringLiteral("../fuori.png")};
    for (int c : codici)
        sql << QStringLiteral(
                   "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (%1, %2, %3)")
                   .arg(c)
                   .arg(db::quoted(QStringLiteral("Programma ") + testo(6)),
                        db::quoted(scegli(icone)));
    for (int c : codici) {
        if (r.bounded(3) == 0) {
            sql << QStringLiteral("DELETE FROM PROGRAMMI WHERE CODICE=%1").arg(c);
            sql << QStringLiteral("INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES "
                                  "(%1, 'Ripreso %1', 'ico1.png')")
                       .arg(c);
        }
        sql << QStringLiteral("INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (%1, %2)")
                   .arg(1 + r.bounded(2))
                   .arg(c);
    }

    // Menu rows: a tree below a few top entries, some quick items, captions with parameters,
    // parameter texts short and long.
    for (int c : codici) {
        const int righe = r.bounded(12);
        for (int m = 1; m <= righe; ++m) {
            const bool cima = m <= 2 || r.bounded(4) == 0;
            const QString descrizione =
                scegli({QStringLiteral("Voce ") + testo(4), QStringLiteral("-"),
                        QStringLiteral("Listino <LINEA>P1</LINEA> x"),
                        QStringLiteral("Nota <LINEA>P2</LINEA>"),
                        QStringLiteral("Senza <LINEA>P3</LINEA>")});
            const QString parametri = scegli(
                {QStringLiteral("NULL"), db::quoted(testo(20)),
                 QStringLiteral("'") + QString(9000, QLatin1Char('z')) + QStringLiteral("'")});
            sql << QStringLiteral(
                       "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, "
                       "VISIBILE, DESCRIZIONE, VOCERAPIDA, DLL, FUNZIONE, "
                       "LIVELLO2VERSIONE, PARAMETRIBLOB) VALUES (%1, %2, %3, %4, %5, %6, "
                       "%7, 'Prova.dll', 'ApriUno', %8, %9)")
                       .arg(c)
                       .arg(m * 10)
                       .arg(cima ? 0 : 1)
                       .arg(cima ? QStringLiteral("NULL")
                                 : QString::number(10 * (1 + r.bounded(m - 1 > 0 ? m - 1 : 1))))
                       .arg(r.bounded(6) == 0 ? QStringLiteral("'0'") : QStringLiteral("'1'"),
                            db::quoted(descrizione),
                            r.bounded(3) == 0 ? QStringLiteral("'1'") : QStringLiteral("'0'"),
                            r.bounded(3) == 0 ? QStringLiteral("'1'") : QStringLiteral("'0'"),
                            parametri);
        }
    }

    // The users: ROSSI with random flags and company, BIANCHI always complete.
    sql << QStringLiteral("INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')");
    sql << QStringLiteral(
               "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, "
               "PROGETTO, MANTIENISTDMIN, ACCESSOVELKORA) VALUES (1, 'ROSSI', %1, %2, %3, "
               "%4, %5)")
               .arg(scegli({QStringLiteral("'ALFA'"), QStringLiteral("'BETA'"),
                            QStringLiteral("NULL")}),
                    r.bounded(6) == 0 ? QStringLiteral("NULL") : QStringLiteral("1"),
                    scegli({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"),
                            QStringLiteral("NULL")}),
                    scegli({QStringLiteral("'1'"), QStringLiteral("'0'"), QStringLiteral("NULL"),
                            QStringLiteral("'1 '")}),
                    scegli({QStringLiteral("'1'"), QStringLiteral("'0'"), QStringLiteral("NULL")}));
    sql << QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, "
                          "PROGETTO) VALUES (2, 'BIANCHI', 'ALFA', 1, 1)");

    // Parameters of both companies, names repeated and with trailing blanks.
    const QStringList nomi = {QStringLiteral("P1"),
                              QStringLiteral("P2"),
                              QStringLiteral("P2 "),
                              QStringLiteral("AperturaAgenda"),
                              QStringLiteral("DllAperturaAgenda"),
                              QStringLiteral("FunzioneAperturaAgenda")};
    const int parametri = r.bounded(10);
    for (int i = 0; i < parametri; ++i) {
        const QString nome = scegli(nomi);
        QString valore = testo(5);
        if (nome == QLatin1String("AperturaAgenda"))
            valore = scegli({QStringLiteral("SI"), QStringLiteral("si")});
        sql << QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                              "PROGRESSIVO) VALUES (%1, %2, %3, %4, %5)")
                   .arg(1 + r.bounded(2))
                   .arg(db::quoted(scegli({QStringLiteral("ALFA"), QStringLiteral("BETA")})),
                        db::quoted(nome), db::quoted(valore))
                   .arg(i);
    }
    return sql;
}

struct Esito
{
    QStringList righe;
    bool operator==(const Esito&) const = default;
};

void PrintTo(const Esito& e, std::ostream* os)
{
    *os << "\n" << e.righe.join(QLatin1Char('\n')).toStdString();
}

// A program folder with the catalogue of a seed. Both logins run on the same database, so the
// engine's row order (which depends on where deleted rows left room) is the same for both.
struct Cartella
{
    explicit Cartella(quint32 seme)
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        for (const char* nome : {"ico1.png", "ico2.png"}) {
            QPixmap figura(32, 32);
            figura.fill(QString::fromLatin1(nome) == QLatin1String("ico1.png") ? Qt::red
                                                                               : Qt::blue);
            EXPECT_TRUE(
                figura.save(folder.file(QStringLiteral("Grafica/") + QString::fromLatin1(nome))));
        }
        test::attach(altra, folder.userDatabase());
        for (const QString& sql : catalogo(seme))
            test::exec(altra, sql);
    }
    ProgramFolder folder;
    db::Database altra;
};

// The login as the design lists it, each statement on its own: the user made current by name,
// the session opened, the flag and the configuration read one after the other, the bar with one
// statement per program for its quick items, every parameter read on its own.
void accediUnoPerUno(TBaseMainForm& w, const QString& nome)
{
    TInizForm splash(&w);
    splash.setWindowFlags(Qt::Dialog);
    if (!w.accessoVerificaPassword(nome, w.EditPassword->text()))
        return;
    w.accessoMostraLavoro(splash);
    TTabXForm& form = *w.tabX();
    form.SetUserPerNome(nome);
    w.ApriSessione();
    w.SessioneAperta = true;
    w.Sessioni1->setEnabled(true);
    db::Query& q = w.QueryAux;
    q.close();
    q.clear();
    q.add(QStringLiteral("SELECT ACCESSOVELKORA FROM UTENTI WHERE"));
    q.add(QStringLiteral("CODICE=") + db::quotedInt(form.NumUser));
    q.open();
    if (!q.isEmpty() && q.asString(0) == QLatin1String("1"))
        w.Accessoavelkora1->setEnabled(true);
    q.close();
    q.clear();
    q.add(QStringLiteral("SELECT PROFILOSICUREZZA,PROGETTO,MANTIENISTDMIN"));
    q.add(QStringLiteral("FROM UTENTI WHERE CODICE=") + db::quotedInt(form.NumUser));
    q.open();
    const bool riga = !q.isEmpty();
    const QString profilo = riga ? q.asString(QStringLiteral("PROFILOSICUREZZA")) : QString();
    const QString progetto = riga ? q.asString(QStringLiteral("PROGETTO")) : QString();
    if (riga && q.asString(QStringLiteral("MANTIENISTDMIN")) == QLatin1String("1"))
        w.MantieniStdMin = true;
    const QString inizio =
        QStringLiteral("E' stato trovato un errore nella configurazione dell'utente ");
    if (profilo.isEmpty() && !w.MantieniStdMin) {
        w.messages().error(inizio + form.NomeUser + QStringLiteral(": manca il profilo sicurezza"),
                           &w);
        return;
    }
    if (progetto.isEmpty()) {
        w.messages().error(inizio + form.NomeUser + QStringLiteral(": manca il progetto"), &w);
        return;
    }
    w.NumProgetto = progetto.toInt();
    w.NumProfilo = profilo.toInt();

    w.setWindowTitle(QStringLiteral("Ditta: ") + form.DittaCorrente +
                     QStringLiteral(" - Utente: ") + form.NomeUser);
    bool configurato = true;
    QString dettaglio;
    try {
        BarraProgrammi({w.MenuProgrammi, w.IconeProgrammi, w.Icone2Programmi, w.GruppiProgrammi,
                        w.VociRapide, w.QueryAux, form.programFolder(),
                        [&w] { w.ProgrammaOnClick(); }})
            .CaricaProgrammi(w.NumProgetto);
        if (!w.MenuProgrammi->activeGroup() && w.MenuProgrammi->groupCount() > 0)
            w.MenuProgrammi->setActiveGroup(w.MenuProgrammi->group(0));
        if (NavigationBar::Group* attivo = w.MenuProgrammi->activeGroup())
            w.CaricaMenu(attivo->tag());
        configurato = w.MenuProgrammi->groupCount() > 0;
    } catch (const db::DbError& e) {
        configurato = false;
        dettaglio = e.message();
    }
    if (!configurato)
        w.messages().error(
            QStringLiteral("Si è verificato un errore durante la configurazione del programma "
                           "sulla base dei criteri di personalizzazione dell'utente selezionato"),
            dettaglio, &w);
    if (!w.MantieniStdMin) {
        w.LabelCambioUtente->setEnabled(true);
        w.LabelCambioDitta->setEnabled(true);
    }
    CaricaPosizioneFinestra(&w, form.NumUser, 1, 1, form.IBDatabaseUser);

    QString libreria = form.CaricaParametro(QStringLiteral("DllAperturaAgenda"));
    QString funzione = form.CaricaParametro(QStringLiteral("FunzioneAperturaAgenda"));
    if (libreria.isEmpty())
        libreria = QStringLiteral("Rubrivo.dll");
    if (funzione.isEmpty())
        funzione = w.LogFinestre ? QStringLiteral("ShowContattAgendaFormX")
                                 : QStringLiteral("ShowContattAgendaFormD");
    const qint32 id = w.AggiornaNorviLogFunz(QStringLiteral("ShowContattAgendaFormD"));
    if (form.CaricaParametro(QStringLiteral("AperturaAgenda")) == QLatin1String("SI"))
        w.CaricaFunzioneDLLX(libreria, funzione, id);
}

// Everything seen after one login, one line per fact; the rows are those of its own session.
Esito accedi(Cartella& cartella, const QString& utente, bool passoPerPasso)
{
    ProgramFolder& folder = cartella.folder;
    db::Database& altra = cartella.altra;
    CurrentDirectory cwd(folder.path());
    for (const QString& nome :
         QDir(folder.path()).entryList({QStringLiteral("Ombrix.*")}, QDir::Files))
        QFile::remove(folder.file(nome));
    folder.messages.clear();
    qint32 sessione = 0;
    Esito esito;
    QStringList& out = esito.righe;
    // How many session codes and window ids the login drew: a number drawn for nothing is a gap
    // in the codes the other way would not leave.
    const auto generatori = [&altra] {
        db::Transaction t(&altra);
        db::Query q(&altra, &t);
        q.add(QStringLiteral("SELECT GEN_ID(CODICESESSIONENORVILOG,0),"));
        q.add(QStringLiteral("GEN_ID(IDFINESTRANORVILOGFUNZCOUNTER,0) FROM RDB$DATABASE"));
        q.open();
        const std::pair<qint64, qint64> valori{q.asInteger(0), q.asInteger(1)};
        t.commit();
        return valori;
    };
    const auto prima = generatori();
    {
        TBaseMainForm w(folder.environment());
        w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(utente));
        w.EditPassword->clear();
        if (passoPerPasso)
            accediUnoPerUno(w, utente);
        else
            w.ButtonOk->click();

        for (const auto& box : folder.messages.boxes())
            out << QStringLiteral("box %1: %2 / %3").arg(int(box.kind)).arg(box.text, box.detail);
        TTabXForm& form = *w.tabX();
        out << QStringLiteral("caption %1").arg(w.windowTitle());
        out << QStringLiteral("user %1 %2 %3")
                   .arg(form.NumUser)
                   .arg(form.NomeUser, form.DittaCorrente);
        out << QStringLiteral("project %1 profile %2 keep %3 session open %4")
                   .arg(w.NumProgetto)
                   .arg(w.NumProfilo)
                   .arg(w.MantieniStdMin)
                   .arg(w.SessioneAperta);
        out << QStringLiteral("commands %1 %2 %3 %4")
                   .arg(w.Sessioni1->isEnabled())
                   .arg(w.Accessoavelkora1->isEnabled())
                   .arg(w.LabelCambioUtente->isEnabled())
                   .arg(w.LabelCambioDitta->isEnabled());
        const NavigationBar& bar = *w.MenuProgrammi;
        for (int g = 0; g < bar.groupCount(); ++g) {
            const NavigationBar::Group* gruppo = bar.group(g);
            out << QStringLiteral("group %1 %2 images %3 %4 slot %5 active %6")
                       .arg(gruppo->tag())
                       .arg(gruppo->caption())
                       .arg(gruppo->largeImageIndex())
                       .arg(gruppo->smallImageIndex())
                       .arg(w.GruppiProgrammi[static_cast<std::size_t>(g + 1)] == gruppo)
                       .arg(bar.activeGroup() == gruppo);
            for (int l = 0; l < gruppo->linkCount(); ++l)
                out << QStringLiteral("  link %1 %2")
                           .arg(gruppo->link(l)->tag())
                           .arg(gruppo->link(l)->caption());
        }
        out << QStringLiteral("pictures %1 %2")
                   .arg(w.IconeProgrammi.count())
                   .arg(w.Icone2Programmi.count());
        int rapide = 0;
        for (std::size_t i = 1; i < w.VociRapide.size(); ++i)
            rapide += w.VociRapide[i] != nullptr;
        out << QStringLiteral("quick item slots %1").arg(rapide);
        std::function<void(const QList<QAction*>&, int)> menu = [&](const QList<QAction*>& voci,
                                                                    int livello) {
            for (const QAction* a : voci) {
                out << QStringLiteral("menu %1 %2 %3 %4 %5")
                           .arg(livello)
                           .arg(a->isSeparator() ? QStringLiteral("-") : a->text())
                           .arg(a->property("tag").toInt())
                           .arg(a->objectName(), a->property("gestore").toString());
                if (a->menu())
                    menu(a->menu()->actions(), livello + 1);
            }
        };
        menu(w.MenuPrincipale->actions().mid(1), 0);
        out << QStringLiteral("entries %1 program %2").arg(w.ContaVoci).arg(w.programmaCorrente());
        sessione = w.CodiceSessione;
    }

    const auto dopo = generatori();
    out << QStringLiteral("drawn: session codes %1 window ids %2")
               .arg(dopo.first - prima.first)
               .arg(dopo.second - prima.second);
    db::Transaction t(&altra);
    db::Query q(&altra, &t);
    q.add(QStringLiteral(
              "SELECT CODICEUTENTE, DATAAPERTURA, ORAAPERTURA, DATACHIUSURA FROM NORVILOG") +
          QStringLiteral(" WHERE CODICESESSIONE=") + db::quotedInt(sessione));
    q.open();
    for (q.first(); !q.eof(); q.next())
        out << QStringLiteral("session of %1 today %2 whole seconds %3 closed %4")
                   .arg(q.asString(0))
                   .arg(q.value(1).toDate() == QDate::currentDate())
                   .arg(q.value(2).toTime().msec() == 0)
                   .arg(!q.isNull(3));
    q.close();
    q.clear();
    q.add(QStringLiteral(
              "SELECT FUNZIONECHIAMATA, IDFINESTRA, DATACHIAMATAFUNZIONE FROM NORVILOGFUNZ") +
          QStringLiteral(" WHERE CODICESESSIONE=") + db::quotedInt(sessione));
    q.open();
    for (q.first(); !q.eof(); q.next())
        out << QStringLiteral("call %1 id %2 today %3")
                   .arg(q.asString(0))
                   .arg(!q.isNull(1))
                   .arg(q.value(2).toDate() == QDate::currentDate());
    t.commit();
    // The failed-statement files with their lines; the drawn session code differs from one
    // login to the other and is put as a name.
    for (auto [nome, testo] : test::fileIstruzioniFallite(folder.path())) {
        testo.replace(QStringLiteral("\r\n") + db::quotedInt(sessione) + QLatin1Char(','),
                      QStringLiteral("\r\n<sessione>,"));
        out << QStringLiteral("file ") + nome << testo.split(QStringLiteral("\r\n"));
    }
    return esito;
}

class LoginOnePassTest : public ::testing::TestWithParam<quint32>
{
};

TEST_P(LoginOnePassTest, RandomCataloguesLogInAsWithTheStatementsOneByOne)
{
    for (const QString& utente : {QStringLiteral("ROSSI"), QStringLiteral("BIANCHI")}) {
        SCOPED_TRACE(utente.toStdString());
        Cartella cartella(GetParam());
        const Esito uno = accedi(cartella, utente, true);
        const Esito passo = accedi(cartella, utente, false);
        EXPECT_EQ(passo, uno);
        // The outcome shows the user logged in (his session row at least), so two empty
        // outcomes cannot pass unnoticed.
        EXPECT_FALSE(uno.righe.filter(QStringLiteral("session of")).isEmpty());
    }
}

// A session row that the engine refuses: the same box both ways, and the file saved is the
// insert of the session, not any statement of the fast path.
TEST(LoginOnePassRefusedSessionTest, BothWaysShowAndSaveTheSessionInsert)
{
    Cartella cartella(7u);
    test::exec(cartella.altra, QStringLiteral("CREATE EXCEPTION SESSIONE_RIFIUTATA 'rifiutata'"));
    test::exec(cartella.altra, QStringLiteral("CREATE TRIGGER RIFIUTA_SESSIONE FOR NORVILOG "
                                              "BEFORE INSERT AS BEGIN EXCEPTION "
                                              "SESSIONE_RIFIUTATA; END"));
    const Esito uno = accedi(cartella, QStringLiteral("ROSSI"), true);
    const Esito passo = accedi(cartella, QStringLiteral("ROSSI"), false);
    EXPECT_EQ(passo, uno);
    EXPECT_TRUE(passo.righe.contains(QStringLiteral("file Ombrix.ApriSessione.sql")));
    EXPECT_TRUE(passo.righe.contains(
        QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE,DATAAPERTURA,ORAAPERTURA,")));
    EXPECT_TRUE(passo.righe.contains(QStringLiteral("<sessione>,")));
    EXPECT_FALSE(passo.righe.filter(QStringLiteral("impossibile aprire la sessione")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Semi, LoginOnePassTest,
                         ::testing::Values(20261210u, 7u, 42u, 1001u, 31337u, 271828u, 5u, 99u,
                                           2024u, 65537u));

} // namespace
