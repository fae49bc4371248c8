// The recent items of the empty search field, read from a seeded call log, and the favourites of
// the navigation bar, read back from the user database after every change: on a real user
// database, with the test module started through the real dispatch.

#include "TestModulePaths.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "dispatch/CartellaConProva.h"
#include "dispatch/ModuleAccess.h"
#include "menu/GruppoPreferiti.h"
#include "menu/ModelloRisultatiRicerca.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "params/Ditte.h"
#include "platform/DynamicLibrary.h"
#include "shell/BaseMain.h"
#include "support/AccessoFinestra.h"
#include "support/ProgramFolder.h"
#include "support/QtPrinting.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::DynamicLibrary;
using namespace velkora::test;

namespace {

// Two programs of the project with six leaves each, a hidden leaf, and a program of another
// project; the user ROSSI with two companies, and BIANCHI.
class PreferitiRecentiTest : public test::CartellaConProva
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CartellaConProva::SetUp());
        for (const char* sql : {
                 "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Contabilità', '')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (20, 'Anagrafiche', '')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (40, 'Altro', '')",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 20)",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (2, 40)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (1, 'ROSSI', 'ALFA', 1, 1)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (2, 'BIANCHI', 'ALFA', 1, 1)",
                 "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                 "VALUES (1, 'ALFA', 'Listino', 'Estate', 1)",
                 "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                 "VALUES (1, 'BETA', 'Listino', 'Inverno', 2)",
             })
            test::exec(other, QString::fromUtf8(sql));
        voce(10, 100, 0, -1, "1", "Prima nota", false);
        voce(20, 200, 0, -1, "1", "Clienti", false);
        for (int i = 1; i <= 6; ++i) {
            voce(10, 100 + i, 1, 100, "1", QStringLiteral("Voce %1").arg(i));
            voce(20, 200 + i, 1, 200, "1", QStringLiteral("Cliente %1").arg(i));
        }
        voce(20, 207, 1, 200, "0", QStringLiteral("Nascosta"));
        voce(40, 10, 0, -1, "1", QStringLiteral("Segreta"));
    }

    void voce(int programma, int menu, int livello, int prec, const char* visibile,
              const QString& descrizione, bool foglia = true)
    {
        test::exec(other, QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, "
                                         "MENUPREC, VISIBILE, DESCRIZIONE, VOCERAPIDA, DLL, "
                                         "FUNZIONE, LIVELLO2VERSIONE) VALUES (%1, %2, %3, %4, "
                                         "'%5', %6, '0', %7, %8, '0')")
                              .arg(programma)
                              .arg(menu)
                              .arg(livello)
                              .arg(prec < 0 ? QStringLiteral("NULL") : QString::number(prec),
                                   QString::fromLatin1(visibile), db::quoted(descrizione),
                                   foglia ? QStringLiteral("'Prova.so'") : QStringLiteral("NULL"),
                                   foglia ? QStringLiteral("'ApriUno'") : QStringLiteral("NULL")));
    }
    void voce(int programma, int menu, int livello, int prec, const char* visibile,
              const char* descrizione, bool foglia)
    {
        voce(programma, menu, livello, prec, visibile, QString::fromUtf8(descrizione), foglia);
    }

    // `volte` calls of the item in the session, `giorniFa` days ago at the time given.
    void chiamate(int sessione, int giorniFa, const char* ora, int programma, int menu, int volte)
    {
        const QString data = QDate::currentDate().addDays(-giorniFa).toString(Qt::ISODate);
        for (int i = 0; i < volte; ++i)
            test::exec(other, QStringLiteral("INSERT INTO NORVILOGFUNZ (CODICESESSIONE, "
                                             "DATACHIAMATAFUNZIONE, ORACHIAMATAFUNZIONE, "
                                             "FUNZIONECHIAMATA, PROGRAMMA, MENU) VALUES "
                                             "(%1, '%2', '%3', 'ApriUno', %4, %5)")
                                  .arg(sessione)
                                  .arg(data, QString::fromLatin1(ora))
                                  .arg(programma)
                                  .arg(menu));
    }

    std::unique_ptr<TBaseMainForm> login(const QString& utente = QStringLiteral("ROSSI"),
                                         ProgramFolder* cartella = nullptr)
    {
        return accediDalPannello(cartella ? *cartella : folder, utente);
    }

    // The captions the list shows.
    static QStringList mostrate(const TBaseMainForm& w)
    {
        QStringList out;
        const ModelloRisultatiRicerca& m = w.RicercaVoci->risultati();
        for (int i = 0; i < m.rowCount(); ++i)
            out << m.index(i).data(Qt::DisplayRole).toString();
        return out;
    }

    static QStringList gruppoPreferiti(const TBaseMainForm& w)
    {
        QStringList out;
        for (int i = 0; i < w.PreferitiVoci->numeroVoci(); ++i)
            out << w.PreferitiVoci->pulsante(i)->text();
        return out;
    }

    // The favourites' rows of the user, in their order, and the section of his text.
    QStringList righePreferiti(int utente = 1)
    {
        return rows(other, QStringLiteral("SELECT PARAMETRO, VALORE FROM TABVELKORA WHERE UTENTE=%1 "
                                          "AND INTESTAZIONE='Preferiti' ORDER BY PROGRESSIVO")
                               .arg(utente));
    }
    QString testoParametri(int utente = 1)
    {
        return rows(other, QStringLiteral("SELECT VELKORA FROM UTENTI WHERE CODICE=%1").arg(utente))
            .value(0);
    }

    // The last call the log holds: function, program and menu.
    QString ultimaChiamata()
    {
        return rows(other, QStringLiteral("SELECT FIRST 1 FUNZIONECHIAMATA, PROGRAMMA, MENU FROM "
                                          "NORVILOGFUNZ WHERE IDFINESTRA IS NOT NULL ORDER BY "
                                          "IDFINESTRA DESC"))
            .value(0);
    }

    static void ctrlF(TBaseMainForm& w)
    {
        // A context menu was the active window for a moment.
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(w.RicercaVoci->campo()->hasFocus());
    }

    // Picks the first entry of the next context menu shown.
    static void sceltaNelMenuContestuale(QString* offerta)
    {
        QTimer::singleShot(0, [offerta] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            *offerta = menu->actions().value(0)->text();
            // Chosen with the keys, as the menu's own choice (what exec() returns).
            menu->setActiveAction(menu->actions().value(0));
            QTest::keyClick(menu, Qt::Key_Return);
        });
    }

};

TEST_F(PreferitiRecentiTest, TheEmptyFieldListsTheUsersRecentItemsNewestAndMostUsedFirst)
{
    test::exec(other, QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (901, 1)"));
    // The same user on another workstation, and another user.
    test::exec(other, QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (902, 1)"));
    test::exec(other, QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (903, 2)"));
    chiamate(901, 0, "09:00:00", 10, 101, 1);
    chiamate(902, 0, "08:00:00", 10, 102, 3); // today most used, on the other workstation
    chiamate(901, 0, "10:00:00", 20, 201, 1);
    chiamate(901, 1, "12:00:00", 20, 202, 5);
    chiamate(902, 1, "12:30:00", 20, 203, 2);
    chiamate(901, 100, "12:00:00", 20, 203, 10); // too old to count
    chiamate(901, 2, "12:00:00", 10, 103, 1);
    chiamate(901, 3, "12:00:00", 10, 104, 1);
    chiamate(901, 4, "12:00:00", 10, 105, 1);
    chiamate(901, 5, "12:00:00", 10, 106, 1);
    chiamate(901, 6, "12:00:00", 20, 204, 1);
    chiamate(901, 7, "12:00:00", 20, 205, 1); // the eleventh
    chiamate(901, 0, "11:00:00", 20, 207, 10); // hidden from the menus
    chiamate(901, 0, "11:00:00", 40, 10, 10);  // a program of another project
    chiamate(901, 0, "11:00:00", 10, 999, 10); // an item deleted from the catalogue
    chiamate(903, 0, "11:00:00", 10, 106, 20); // another user's calls

    auto w = login();
    ctrlF(*w);
    const QStringList attese{QStringLiteral("Voce 2"),    QStringLiteral("Cliente 1"),
                             QStringLiteral("Voce 1"),    QStringLiteral("Cliente 2"),
                             QStringLiteral("Cliente 3"), QStringLiteral("Voce 3"),
                             QStringLiteral("Voce 4"),    QStringLiteral("Voce 5"),
                             QStringLiteral("Voce 6"),    QStringLiteral("Cliente 4")};
    EXPECT_EQ(mostrate(*w), attese);
    EXPECT_TRUE(w->RicercaVoci->tendina()->isVisible());
    auto* titolo = w->RicercaVoci->tendina()->findChild<QLabel*>(QStringLiteral("LabelUsatiDiRecente"));
    ASSERT_NE(titolo, nullptr);
    EXPECT_TRUE(titolo->isVisible());
    EXPECT_EQ(titolo->text(), QStringLiteral("Usati di recente"));
    EXPECT_EQ(w->RicercaVoci->risultati().index(1).data(ModelloRisultatiRicerca::RuoloPercorso).toString(),
              QStringLiteral("Anagrafiche \u203A Clienti \u203A Cliente 1"));

    // Typing and deleting reads nothing: the log emptied meanwhile does not change the list.
    test::exec(other, QStringLiteral("DELETE FROM NORVILOGFUNZ WHERE PROGRAMMA IS NOT NULL"));
    QTest::keyClicks(w->RicercaVoci->campo(), QStringLiteral("cli"));
    EXPECT_FALSE(titolo->isVisible());
    EXPECT_EQ(mostrate(*w).size(), 6);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Backspace);
    EXPECT_EQ(mostrate(*w), attese);

    // Down and Enter start the second row as its menu entry would, and the call names its item.
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Down);
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Down);
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Return);
    EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ultimaChiamata(), QStringLiteral("ApriUno|20|201"));
    EXPECT_FALSE(w->RicercaVoci->tendina()->isVisible());

    // Read again at the next Ctrl+F: now only the call just made.
    ctrlF(*w);
    EXPECT_EQ(mostrate(*w), QStringList{QStringLiteral("Cliente 1")});
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Return);
    EXPECT_EQ(ultimaChiamata(), QStringLiteral("ApriUno|20|201"));
    EXPECT_EQ(rows(other, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ WHERE MENU=201")),
              QStringList{QStringLiteral("2")});
}

TEST_F(PreferitiRecentiTest, FavouritesAreAddedInOrderRemovedAndFollowTheUser)
{
    auto w = login();
    EXPECT_FALSE(w->PreferitiVoci->isVisible()) << "no favourite, no group";

    // From a search row with Ctrl+D.
    ctrlF(*w);
    QTest::keyClicks(w->RicercaVoci->campo(), QStringLiteral("cliente 3"));
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_D, Qt::ControlModifier);
    // From the context menu of a search row.
    w->RicercaVoci->campo()->clear();
    QTest::keyClicks(w->RicercaVoci->campo(), QStringLiteral("voce 5"));
    QString offerta;
    sceltaNelMenuContestuale(&offerta);
    QListView* elenco = w->RicercaVoci->elenco();
    emit elenco->customContextMenuRequested(elenco->visualRect(elenco->model()->index(0, 0)).center());
    EXPECT_EQ(offerta, QStringLiteral("Aggiungi ai preferiti"));
    w->RicercaVoci->annulla();
    // From the context menu of a leaf of the menu bar (program 10's menu "Prima nota").
    QMenu* primaNota = w->MenuPrincipale->actions().value(1)->menu();
    ASSERT_NE(primaNota, nullptr);
    QAction* voce1 = primaNota->actions().value(0);
    ASSERT_EQ(voce1->text(), QStringLiteral("Voce 1"));
    primaNota->popup(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(primaNota));
    const QPoint punto = primaNota->actionGeometry(voce1).center();
    sceltaNelMenuContestuale(&offerta);
    QContextMenuEvent evento(QContextMenuEvent::Mouse, punto, primaNota->mapToGlobal(punto));
    QApplication::sendEvent(primaNota, &evento);
    primaNota->close();
    EXPECT_EQ(offerta, QStringLiteral("Aggiungi ai preferiti"));

    const QStringList tre{QStringLiteral("Cliente 3"), QStringLiteral("Voce 5"), QStringLiteral("Voce 1")};
    EXPECT_EQ(gruppoPreferiti(*w), tre);
    EXPECT_TRUE(w->PreferitiVoci->isVisible());
    EXPECT_EQ(righePreferiti(), (QStringList{QStringLiteral("20.203|Cliente 3"),
                                              QStringLiteral("10.105|Voce 5"),
                                              QStringLiteral("10.101|Voce 1")}));
    EXPECT_TRUE(testoParametri().contains(
        QStringLiteral("[Preferiti]\n20.203=Cliente 3\n10.105=Voce 5\n10.101=Voce 1\n")))
        << testoParametri().toStdString();
    EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();

    // A click on a favourite starts it as the menus would.
    w->PreferitiVoci->pulsante(1)->click();
    EXPECT_EQ(ultimaChiamata(), QStringLiteral("ApriUno|10|105"));

    // Removed from its link's context menu, then added again: it goes to the end.
    sceltaNelMenuContestuale(&offerta);
    emit w->PreferitiVoci->pulsante(0)->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(offerta, QStringLiteral("Rimuovi dai preferiti"));
    EXPECT_EQ(gruppoPreferiti(*w), (QStringList{QStringLiteral("Voce 5"), QStringLiteral("Voce 1")}));
    ctrlF(*w);
    QTest::keyClicks(w->RicercaVoci->campo(), QStringLiteral("cliente 3"));
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_D, Qt::ControlModifier);
    const QStringList riordinati{QStringLiteral("Voce 5"), QStringLiteral("Voce 1"), QStringLiteral("Cliente 3")};
    EXPECT_EQ(gruppoPreferiti(*w), riordinati);
    // Ctrl+D on a favourite removes it.
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(gruppoPreferiti(*w), (QStringList{QStringLiteral("Voce 5"), QStringLiteral("Voce 1")}));
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_D, Qt::ControlModifier);
    w->RicercaVoci->annulla();
    EXPECT_EQ(gruppoPreferiti(*w), riordinati);

    // The company list does not offer the favourites' section; F12 changes company and the
    // favourites stay.
    const ElencoDitte ditte =
        elencoDitte(w->tabX()->QueryVelkora, w->tabX()->NumUser, w->tabX()->DittaCorrente);
    EXPECT_EQ(ditte.ditte, (QStringList{QStringLiteral("ALFA"), QStringLiteral("BETA")}));
    w->FormKeyUp(Qt::Key_F12);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->tabX()->DittaCorrente, QStringLiteral("BETA"));
    EXPECT_EQ(gruppoPreferiti(*w), riordinati);

    // Another user sees none of them.
    w->FormKeyUp(Qt::Key_F8);
    EXPECT_EQ(w->PreferitiVoci->numeroVoci(), 0);
    w.reset();
    auto bianchi = login(QStringLiteral("BIANCHI"));
    EXPECT_EQ(bianchi->PreferitiVoci->numeroVoci(), 0);
    EXPECT_FALSE(bianchi->PreferitiVoci->isVisible());
    bianchi.reset();

    // A new login from another program folder on the same user database: nothing of the
    // favourites lives in the folder.
    other.detach();
    ProgramFolder altra;
    altra.makeFolder(QStringLiteral("user"));
    altra.makeFolder(QStringLiteral("Grafica"));
    ASSERT_TRUE(QFile::link(folder.userDatabase(), altra.userDatabase()));
    ASSERT_TRUE(copyModule(QString::fromUtf8(kTestModuleFile), altra.file(QStringLiteral("Prova.so"))));
    CurrentDirectory qui(altra.path());
    auto altrove = login(QStringLiteral("ROSSI"), &altra);
    EXPECT_EQ(gruppoPreferiti(*altrove), riordinati);
    // An item gone from the menus is not offered, and is back when the item is.
    {
        db::Database db;
        attach(db, altra.userDatabase());
        exec(db, QStringLiteral("UPDATE DETTMENU SET VISIBILE='0' WHERE PROGRAMMA=10 AND MENU=105"));
    }
    altrove->FormKeyUp(Qt::Key_F8);
    altrove.reset();
    altrove = login(QStringLiteral("ROSSI"), &altra);
    EXPECT_EQ(gruppoPreferiti(*altrove), (QStringList{QStringLiteral("Voce 1"), QStringLiteral("Cliente 3")}));
}

} // namespace
