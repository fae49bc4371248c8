// The keyboard commands of the main window (F8, F9, F12) and its closing, on a real user
// database: the company stored in UTENTI, the caption, the menus, the sessions and the window
// positions as the database holds them afterwards.
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "params/CambioDitta.h"
#include "dialoghi/SelezDitta.h"
#include "platform/TextCodec.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/QtPrinting.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QtTest/QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kErroreDitta =
    QStringLiteral("Errore interno: impossibile effettuare il cambio ditta. Riprovare");
const QString kFinestreAperte = QStringLiteral("Chiudere prima tutte le finestre aperte");

// ROSSI has three companies (ALFA, BETA, GAMMA; the menu caption shows a parameter of the
// current one), VERDI's stored company is not among his, BIANCHI keeps the standard window
// (MANTIENISTDMIN), NERI is a second user of the same project.
class ComandiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        test::attach(other, folder.userDatabase());
        const char* sql[] = {
            "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE) VALUES (10, 'Anagrafiche')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE) VALUES (20, 'Contabilita')",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 20)",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
            "VOCERAPIDA) "
            "VALUES (10, 1, 0, NULL, '1', 'Clienti', '1')",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
            "VOCERAPIDA) "
            "VALUES (10, 3, 1, 1, '1', 'Clienti <LINEA>Sede</LINEA>', '0')",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
            "VOCERAPIDA) "
            "VALUES (20, 2, 0, NULL, '1', 'Prima nota <LINEA>Sede</LINEA>', '0')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) VALUES (1, "
            "'ROSSI', 'BETA', 1, 1)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) VALUES (2, "
            "'VERDI', 'SCOMPARSA', 1, 1)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, "
            "MANTIENISTDMIN) "
            "VALUES (3, 'BIANCHI', 'ALFA', 1, 1, '1')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) VALUES (4, "
            "'NERI', 'ALFA', 1, 1)",
        };
        for (const char* s : sql)
            test::exec(other, QString::fromUtf8(s));
        int progressivo = 0;
        for (int utente : {1, 3, 4}) {
            for (const char* ditta : {"ALFA", "BETA", "GAMMA"})
                test::exec(other, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, "
                                                 "PARAMETRO, VALORE, PROGRESSIVO) "
                                                 "VALUES (%1, '%2', 'Sede', 'sede %2', %3)")
                                      .arg(utente)
                                      .arg(QLatin1String(ditta))
                                      .arg(++progressivo));
        }
        for (const char* ditta : {"X", "Y"})
            test::exec(
                other,
                QStringLiteral(
                    "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                    "VALUES (2, '%1', 'Sede', 'sede %1', %2)")
                    .arg(QLatin1String(ditta))
                    .arg(++progressivo));
    }

    std::unique_ptr<TBaseMainForm> start()
    {
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        return w;
    }

    static void login(TBaseMainForm& w, const QString& nome)
    {
        w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(nome));
        w.EditPassword->clear();
        w.ButtonOk->click();
    }

    std::unique_ptr<TBaseMainForm> loggedIn(const QString& nome)
    {
        auto w = start();
        login(*w, nome);
        EXPECT_TRUE(w->SessioneAperta);
        folder.messages.clear();
        return w;
    }

    // A value read in a fresh transaction of the other attachment, so it holds what was
    // committed; NULL reads as the empty text.
    QString valore(const QString& sql)
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(sql);
        q.open();
        return q.isEmpty() ? QStringLiteral("<nessuna riga>") : q.asString(0);
    }

    QString dittaUtente(int utente)
    {
        return valore(QStringLiteral("SELECT DITTA FROM UTENTI WHERE CODICE=%1").arg(utente));
    }

    // The menus of the bar, with the entries of each.
    static QStringList menuPrincipali(const TBaseMainForm& w)
    {
        QStringList out;
        for (const QAction* a : w.MenuPrincipale->actions()) {
            QStringList voci;
            if (a->menu() && a != w.N1->menuAction()) {
                for (const QAction* v : a->menu()->actions())
                    voci << v->text();
            }
            out << a->text() + (voci.isEmpty()
                                    ? QString()
                                    : QStringLiteral(": ") + voci.join(QLatin1Char(',')));
        }
        return out;
    }

    // Picks a company in the dialog the next F9 shows and confirms it; an empty name cancels.
    void sceltaNelDialogo(const QString& ditta)
    {
        folder.messages.onNextDialog([ditta](QDialog& d) {
            auto& dialogo = dynamic_cast<TSelezDittaForm&>(d);
            if (ditta.isEmpty()) {
                dialogo.ButtonCancel->click();
            } else {
                const QList<QListWidgetItem*> righe =
                    dialogo.ListBoxSelDitta->findItems(ditta, Qt::MatchExactly);
                EXPECT_EQ(righe.size(), 1);
                if (!righe.isEmpty())
                    dialogo.ListBoxSelDitta->setCurrentItem(righe.first());
                dialogo.ButtonOk->click();
            }
            return d.result();
        });
    }

    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database other;
};

TEST_F(ComandiTest, F9StoresTheChosenCompanyAndRebuildsTheMenus)
{
    struct Case
    {
        const char* nome;
        const char* scelta; // empty: the dialog is cancelled
        const char* ditta;  // the company afterwards
        bool ricostruiti;
    } cases[] = {
        {"another company", "GAMMA", "GAMMA", true},
        {"cancelled", "", "BETA", false},
        {"the company already current: stored again, menus rebuilt", "BETA", "BETA", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nome);
        // Someone wrote another company behind the window's back: only a stored choice puts
        // the one chosen in its place.
        test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='BETA' WHERE CODICE=1"));
        auto w = loggedIn(QStringLiteral("ROSSI"));
        test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='ALTRA' WHERE CODICE=1"));
        const QPointer<QAction> primoMenu = w->MenuPrincipale->actions().value(1);
        sceltaNelDialogo(QString::fromUtf8(c.scelta));
        w->FormKeyUp(Qt::Key_F9);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(folder.messages.dialogTitles(), QStringList{QStringLiteral("Selezione Ditta")});
        EXPECT_TRUE(folder.messages.boxes().empty());
        const QString ditta = QString::fromUtf8(c.ditta);
        EXPECT_EQ(w->tabX()->DittaCorrente, ditta);
        EXPECT_EQ(w->windowTitle(),
                  QStringLiteral("Ditta: ") + ditta + QStringLiteral(" - Utente: ROSSI"));
        EXPECT_EQ(dittaUtente(1), c.ricostruiti ? ditta : QStringLiteral("ALTRA"));
        EXPECT_EQ(menuPrincipali(*w),
                  (QStringList{QStringLiteral("Sistema"),
                               QStringLiteral("Clienti: Clienti sede ") + ditta}));
        EXPECT_EQ(primoMenu.isNull(), c.ricostruiti) << "the menus were built again";
        EXPECT_EQ(w->MenuProgrammi->groupCount(), 2) << "the bar is not rebuilt";
        EXPECT_TRUE(w->SessioneAperta);
    }
}

// Another workstation of the same user stores its company between this one's write and the
// user being set again (here a trigger stores it in the same moment): the window keeps the
// company chosen on it, in its title, its menus and its data form.
TEST_F(ComandiTest, F9KeepsTheChosenCompanyWhenAnotherWorkstationStoresItsOwnMeanwhile)
{
    auto w = loggedIn(QStringLiteral("ROSSI"));
    test::exec(other, QStringLiteral("CREATE TRIGGER ALTRA_POSTAZIONE FOR UTENTI BEFORE UPDATE AS "
                                     "BEGIN IF (NEW.DITTA = 'GAMMA') THEN NEW.DITTA = 'ALTRA'; END"));
    sceltaNelDialogo(QStringLiteral("GAMMA"));
    w->FormKeyUp(Qt::Key_F9);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(dittaUtente(1), QStringLiteral("ALTRA"));
    EXPECT_EQ(w->tabX()->DittaCorrente, QStringLiteral("GAMMA"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: GAMMA - Utente: ROSSI"));
    EXPECT_EQ(menuPrincipali(*w), (QStringList{QStringLiteral("Sistema"),
                                               QStringLiteral("Clienti: Clienti sede GAMMA")}));
}

TEST_F(ComandiTest, F12MovesToTheNextCompanyWithoutADialog)
{
    struct Case
    {
        const char* utente;
        const char* ditta; // stored before the login
        int codice;
        const char* dopo;
    } cases[] = {
        {"ROSSI", "ALFA", 1, "BETA"},
        {"ROSSI", "GAMMA", 1, "ALFA"},  // from the last line to the first
        {"ROSSI", "gamma", 1, "ALFA"},  // found without regard to case, still the last
        {"VERDI", "SCOMPARSA", 2, "X"}, // missing from the list: the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.utente) + " " + c.ditta);
        test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA=%1 WHERE CODICE=%2")
                              .arg(db::quoted(QString::fromUtf8(c.ditta)))
                              .arg(c.codice));
        auto w = loggedIn(QString::fromUtf8(c.utente));
        w->FormKeyUp(Qt::Key_F12);
        QApplication::processEvents();
        EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
        EXPECT_TRUE(folder.messages.boxes().empty());
        const QString dopo = QString::fromUtf8(c.dopo);
        EXPECT_EQ(dittaUtente(c.codice), dopo);
        EXPECT_EQ(w->tabX()->DittaCorrente, dopo);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: ") + dopo +
                                        QStringLiteral(" - Utente: ") +
                                        QString::fromUtf8(c.utente));
        // No window and no label of its own on the screen.
        for (QWidget* t : QApplication::topLevelWidgets())
            EXPECT_FALSE(t->isVisible() && t != w.get()) << t->objectName().toStdString();
    }
}

TEST(CambioDitta, NextCompanyIndex)
{
    struct Case
    {
        int selezionata;
        int righe;
        int attesa;
    } cases[] = {{0, 3, 1}, {1, 3, 2},  {2, 3, 0},   {-1, 3, 0},
                 {0, 1, 0}, {-1, 1, 0}, {-1, 0, -1}, {5, 3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selezionata << " of " << c.righe);
        EXPECT_EQ(indiceDittaSuccessiva(c.selezionata, c.righe), c.attesa);
    }
}

TEST_F(ComandiTest, AFailedStoreIsSavedAndReportedAndChangesNothing)
{
    auto w = loggedIn(QStringLiteral("ROSSI"));
    const QString titolo = w->windowTitle();
    const QStringList menu = menuPrincipali(*w);
    // Another workstation holds the user's row; the window's transaction does not wait.
    db::Transaction blocco(&other);
    db::Query q(&other, &blocco);
    q.add(QStringLiteral("UPDATE UTENTI SET NOMEUTENTE=NOMEUTENTE WHERE CODICE=1"));
    q.execSql();

    w->FormKeyUp(Qt::Key_F12);
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes()[0].text, kErroreDitta);
    EXPECT_FALSE(folder.messages.boxes()[0].detail.isEmpty()) << "the engine's words as the detail";
    QFile file(folder.file(QStringLiteral("Ombrix.CambioDitta.sql")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(platform::fromCp1252(file.readAll()),
              QStringLiteral("UPDATE UTENTI SET DITTA='GAMMA' WHERE\r\nCODICE='1'\r\n"));
    EXPECT_EQ(w->tabX()->DittaCorrente, QStringLiteral("BETA"));
    EXPECT_EQ(w->windowTitle(), titolo);
    EXPECT_EQ(menuPrincipali(*w), menu);
    blocco.rollback();
    EXPECT_EQ(dittaUtente(1), QStringLiteral("BETA"));

    // Once the row is free the same key works, and a company name with a quote is stored as it is.
    folder.messages.clear();
    test::exec(other,
               QStringLiteral("UPDATE TABVELKORA SET INTESTAZIONE='D''ANGELO; DELETE FROM UTENTI' "
                              "WHERE UTENTE=1 AND INTESTAZIONE='GAMMA'"));
    w->FormKeyUp(Qt::Key_F12);
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dittaUtente(1), QStringLiteral("D'ANGELO; DELETE FROM UTENTI"));
    EXPECT_EQ(valore(QStringLiteral("SELECT COUNT(*) FROM UTENTI")), QStringLiteral("4"));
}

TEST_F(ComandiTest, F8GoesBackToTheLoginPanelLeavingTheSessionOpen)
{
    test::exec(other, QStringLiteral("UPDATE UTENTI SET PWDUTENTE='resta' WHERE CODICE=1"));
    auto w = start();
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("ROSSI")));
    w->EditPassword->setText(QStringLiteral("resta"));
    w->ButtonOk->click();
    ASSERT_TRUE(w->SessioneAperta);
    const qint32 primaSessione = w->CodiceSessione;
    w->RicercaVoci->campo()->setText(QStringLiteral("Cli"));
    w->FormKeyUp(Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Autenticazione"));
    EXPECT_FALSE(w->PanelLogIn->isHidden());
    EXPECT_TRUE(w->MenuProgrammi->isHidden());
    EXPECT_FALSE(w->SessioneAperta);
    EXPECT_FALSE(w->Sessioni1->isEnabled());
    EXPECT_FALSE(w->Accessoavelkora1->isEnabled());
    EXPECT_FALSE(w->LabelCambioDitta->isEnabled());
    EXPECT_FALSE(w->LabelCambioUtente->isEnabled());
    EXPECT_EQ(menuPrincipali(*w), QStringList{QStringLiteral("Sistema")});
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 0);
    EXPECT_EQ(w->IconeProgrammi.count(), 0);
    EXPECT_EQ(w->ContaVoci, 1);
    EXPECT_TRUE(std::all_of(w->VociMenu.begin(), w->VociMenu.end(),
                            [](QAction* a) { return a == nullptr; }));
    EXPECT_TRUE(std::all_of(w->VociRapide.begin(), w->VociRapide.end(),
                            [](QObject* o) { return o == nullptr; }));
    EXPECT_TRUE(std::all_of(w->GruppiProgrammi.begin(), w->GruppiProgrammi.end(),
                            [](QObject* o) { return o == nullptr; }));
    EXPECT_EQ(w->ComboUtenti->currentText(), QStringLiteral("ROSSI")) << "the picked name stays";
    EXPECT_TRUE(w->EditPassword->text().isEmpty()) << "the password of the user who left";
    EXPECT_TRUE(w->RicercaVoci->campo()->text().isEmpty()) << "the search of the user who left";
    EXPECT_EQ(valore(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL")),
              QStringLiteral("1"));

    // Enter alone does not log the user who left in again: his password is asked.
    w->ButtonOk->click();
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_TRUE(folder.messages.boxes().front().text.startsWith(QStringLiteral("Accesso negato")));
    EXPECT_FALSE(w->SessioneAperta);
    folder.messages.clear();

    // Another user logs in: a second session, the first one still open.
    login(*w, QStringLiteral("NERI"));
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(w->SessioneAperta);
    EXPECT_NE(w->CodiceSessione, primaSessione);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: ALFA - Utente: NERI"));
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 2);
    EXPECT_EQ(valore(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL")),
              QStringLiteral("2"));
    EXPECT_EQ(valore(QStringLiteral("SELECT CODICEUTENTE FROM NORVILOG WHERE CODICESESSIONE=%1")
                         .arg(primaSessione)),
              QStringLiteral("1"));
}

TEST_F(ComandiTest, KeysDoNothingInTheLoginStateOrForUsersWhoKeepTheStandardWindow)
{
    struct Case
    {
        const char* nome;
        const char* utente; // empty: never logged in
        bool f8Prima;
    } cases[] = {{"login state", "", false},
                 {"after F8", "ROSSI", true},
                 {"MANTIENISTDMIN", "BIANCHI", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nome);
        test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='BETA' WHERE CODICE IN (1, 3)"));
        auto w = start();
        if (*c.utente)
            login(*w, QString::fromUtf8(c.utente));
        if (c.f8Prima)
            w->FormKeyUp(Qt::Key_F8);
        folder.messages.clear();
        const QString titolo = w->windowTitle();
        const bool pannello = w->PanelLogIn->isHidden();
        for (int tasto : {Qt::Key_F9, Qt::Key_F12, Qt::Key_F8}) {
            // A dialog would find no script and throw: none must be shown.
            w->FormKeyUp(tasto);
            QApplication::processEvents();
        }
        EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
        EXPECT_TRUE(folder.messages.boxes().empty());
        EXPECT_EQ(w->windowTitle(), titolo);
        EXPECT_EQ(w->PanelLogIn->isHidden(), pannello);
        EXPECT_EQ(dittaUtente(1), QStringLiteral("BETA"));
        EXPECT_EQ(dittaUtente(3), QStringLiteral("BETA"));
    }
}

TEST_F(ComandiTest, AKeyReleasedAnywhereInTheWindowReachesTheCommands)
{
    test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='ALFA' WHERE CODICE=1"));
    auto w = loggedIn(QStringLiteral("ROSSI"));
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // Focus on a control made by the login (the bar's group button), then on none at all.
    QWidget* gruppo = w->MenuProgrammi->group(1)->button();
    gruppo->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), gruppo);
    QTest::keyRelease(gruppo, Qt::Key_F12);
    QApplication::processEvents();
    EXPECT_EQ(dittaUtente(1), QStringLiteral("BETA")) << "once, not once per control on the way";
    QTest::keyRelease(gruppo, Qt::Key_A);
    QTest::keyPress(gruppo, Qt::Key_F12);
    QApplication::processEvents();
    EXPECT_EQ(dittaUtente(1), QStringLiteral("BETA")) << "only a released F12 counts";
    QTest::keyRelease(gruppo, Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_FALSE(w->SessioneAperta);
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 0);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

// A top-level window of the program, as a module shows one.
std::unique_ptr<QWidget> finestraModulo()
{
    auto f = std::make_unique<QWidget>();
    f->setWindowTitle(QStringLiteral("modulo"));
    f->show();
    return f;
}

TEST_F(ComandiTest, ClosingChecksTheWindowsLoggedForTheSession)
{
    enum class Handle
    {
        NessunaRiga,
        Null,
        FinestraChiusa,
        FinestraAperta,
        FinestraApertaAltraSessione
    };
    struct Case
    {
        const char* nome;
        Handle handle;
        bool colonneFinestre;
        bool chiude;
    } cases[] = {
        {"no call-log row of the session", Handle::NessunaRiga, true, true},
        {"a NULL handle", Handle::Null, true, true},
        {"the handle of a window already closed", Handle::FinestraChiusa, true, true},
        {"an open window of the session", Handle::FinestraAperta, true, false},
        {"an open window logged for another session", Handle::FinestraApertaAltraSessione, true,
         true},
        {"an open window, call log without window columns", Handle::FinestraAperta, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nome);
        other.detach();
        SetUp();
        if (!c.colonneFinestre)
            test::dropColumn(other, QStringLiteral("NORVILOGFUNZ"), QStringLiteral("IDFINESTRA"));
        auto w = loggedIn(QStringLiteral("ROSSI"));
        EXPECT_EQ(w->LogFinestre, c.colonneFinestre);
        w->move(33, 44);
        std::unique_ptr<QWidget> modulo = finestraModulo();
        qint32 handle = static_cast<qint32>(modulo->winId());
        if (c.handle == Handle::FinestraChiusa)
            modulo->close();
        const qint32 sessione = c.handle == Handle::FinestraApertaAltraSessione
                                    ? w->CodiceSessione + 1000
                                    : w->CodiceSessione;
        if (c.handle != Handle::NessunaRiga)
            test::exec(
                other,
                QStringLiteral(
                    "INSERT INTO NORVILOGFUNZ (CODICESESSIONE, FUNZIONECHIAMATA, HANDLEFINESTRA) "
                    "VALUES (%1, 'Modulo', %2)")
                    .arg(sessione)
                    .arg(c.handle == Handle::Null ? QStringLiteral("NULL")
                                                  : QString::number(handle)));
        const bool chiusa = w->close();
        EXPECT_EQ(chiusa, c.chiude);
        const QString chiusura =
            valore(QStringLiteral("SELECT DATACHIUSURA FROM NORVILOG WHERE CODICESESSIONE=%1")
                       .arg(w->CodiceSessione));
        const QString posizione =
            valore(QStringLiteral("SELECT POSX||','||POSY FROM STOPOS1 WHERE CODICEUTENTE=1 "
                                  "AND CODICESITUAZIONE=1 AND CODICEPROGETTO=1"));
        if (c.chiude) {
            EXPECT_TRUE(folder.messages.boxes().empty())
                << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(chiusura, QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
            EXPECT_EQ(posizione, QStringLiteral("33,44"));
        } else {
            ASSERT_EQ(folder.messages.boxes().size(), 1u);
            EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Warning);
            EXPECT_EQ(folder.messages.boxes()[0].text, kFinestreAperte);
            EXPECT_EQ(chiusura, QString());
            EXPECT_EQ(posizione, QStringLiteral("<nessuna riga>"));
            EXPECT_TRUE(w->SessioneAperta) << "still logged in";
            // Once the module window is closed the main window closes.
            modulo->close();
            folder.messages.clear();
            EXPECT_TRUE(w->close());
            EXPECT_TRUE(folder.messages.boxes().empty());
        }
    }
}

TEST_F(ComandiTest, ClosingInTheLoginStateClosesNoSessionAndStoresNoPosition)
{
    for (bool dopoF8 : {false, true}) {
        SCOPED_TRACE(dopoF8 ? "after F8" : "never logged in");
        auto w = start();
        if (dopoF8) {
            login(*w, QStringLiteral("ROSSI"));
            w->FormKeyUp(Qt::Key_F8);
        }
        EXPECT_TRUE(w->close());
        EXPECT_TRUE(folder.messages.boxes().empty());
        EXPECT_EQ(
            valore(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NOT NULL")),
            QStringLiteral("0"));
        EXPECT_EQ(valore(QStringLiteral("SELECT COUNT(*) FROM STOPOS1")), QStringLiteral("0"));
    }
}

TEST_F(ComandiTest, EsciClosesTheWindowAndTheSession)
{
    auto w = loggedIn(QStringLiteral("ROSSI"));
    w->show();
    w->Esci1->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(valore(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL")),
              QStringLiteral("0"));
    // Closing again (the window asked twice) writes no second closing.
    const QString ora = valore(QStringLiteral("SELECT ORACHIUSURA FROM NORVILOG"));
    QTest::qWait(1100);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(valore(QStringLiteral("SELECT ORACHIUSURA FROM NORVILOG")), ora);
}

} // namespace
