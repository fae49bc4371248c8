#include "shell/KivIn2.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "menu/NavigationBar.h"
#include "platform/DateFormat.h"
#include "platform/ui/GuardedApplication.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kGraficaWarning = QStringLiteral("Directory \"Grafica\" mancante");

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// A program folder with the schema and a few users, started from a current directory that
// has "Grafica" unless a test says otherwise.
class BaseMainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        test::attach(setup, folder.userDatabase());
        // Codes out of name order, so the list shows it is ordered by code.
        const char* rows[] = {
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (3, 'VERDI', NULL)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (1, 'ROSSI', '0')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (2, 'BIANCHI', '1')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (4, 'D''ANGELO', 'X')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (5, 'NERI')",
        };
        for (const char* sql : rows)
            test::exec(setup, QString::fromUtf8(sql));
    }

    std::unique_ptr<TBaseMainForm> start()
    {
        setup.detach();
        CurrentDirectory cwd(folder.path());
        return std::make_unique<TBaseMainForm>(folder.environment());
    }

    ProgramFolder folder;
    db::Database setup;
};

TEST_F(BaseMainTest, OpensInTheLoginStateWithTheActiveUsersByCode)
{
    auto w = start();
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(comboItems(w->ComboUtenti),
              (QStringList{QStringLiteral("ROSSI"), QStringLiteral("VERDI"), QStringLiteral("NERI")}));
    EXPECT_EQ(w->ComboUtenti->currentIndex(), -1) << "nothing selected";
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Autenticazione"));
    EXPECT_FALSE(w->PanelLogIn->isHidden());
    EXPECT_TRUE(w->MenuProgrammi->isHidden());
    EXPECT_TRUE(w->ButtonSceltaDisco->isHidden());
    EXPECT_FALSE(w->Sessioni1->isEnabled());
    EXPECT_FALSE(w->Accessoavelkora1->isEnabled());
    EXPECT_TRUE(w->Esci1->isEnabled());
    EXPECT_FALSE(w->LabelCambioUtente->isEnabled());
    EXPECT_FALSE(w->LabelCambioDitta->isEnabled());
    EXPECT_FALSE(w->MantieniStdMin);
    EXPECT_FALSE(w->SessioneAperta);
    EXPECT_TRUE(w->LogFinestre);
    EXPECT_EQ(w->EditPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(platform::shortDateFormat(), QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(w->TransazioneAux.params(),
              (QStringList{QStringLiteral("isc_tpb_concurrency"), QStringLiteral("isc_tpb_nowait")}));
    EXPECT_TRUE(w->TransazioneAux.active());
    EXPECT_EQ(w->QueryAux.transaction(), &w->TransazioneAux);
    EXPECT_EQ(w->QueryAux2.database(), &w->tabX()->IBDatabaseUser);
    EXPECT_EQ(w->tabX()->ModoUtenti, 0);
    EXPECT_EQ(w->tabX()->parent(), w.get());
}

TEST_F(BaseMainTest, LayoutOfTheLoginPanel)
{
    auto w = start();
    EXPECT_EQ(w->width(), 696);
    EXPECT_EQ(w->height(), 480);
    EXPECT_EQ(w->PanelLogIn->size(), QSize(289, 185));
    EXPECT_EQ(w->ComboUtenti->geometry().topLeft(), QPoint(36, 35));
    EXPECT_EQ(w->EditPassword->geometry().topLeft(), QPoint(36, 91));
    EXPECT_EQ(w->ButtonOk->geometry(), QRect(112, 128, 75, 25));
    EXPECT_EQ(w->ButtonSceltaDisco->geometry(), QRect(172, 65, 89, 18));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("Selezionare l'utente e premere OK"));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("Password"));
    EXPECT_EQ(w->Label4->text(), QStringLiteral("28 10 2008"));
    EXPECT_EQ(w->LabelCambioUtente->text(), QStringLiteral("F8 - Cambio Utente"));
    EXPECT_EQ(w->LabelCambioDitta->text(), QStringLiteral("F9 - Cambio Ditta"));
    EXPECT_EQ(w->ButtonOk->toolTip(),
              QStringLiteral("Premere dopo\r\naver inserito i dati\r\nper l'autenticazione"));
    EXPECT_EQ(w->MenuProgrammi->width(), 185);
    // OK's picture has a look of its own out of use; the disk button has its picture.
    const QIcon ok = w->ButtonOk->icon();
    EXPECT_NE(ok.pixmap(16, QIcon::Normal).toImage(), ok.pixmap(16, QIcon::Disabled).toImage());
    EXPECT_FALSE(w->ButtonSceltaDisco->icon().pixmap(16).isNull());
    // Tab order inside the login panel.
    EXPECT_EQ(w->ComboUtenti->nextInFocusChain(), w->EditPassword);
    EXPECT_EQ(w->EditPassword->nextInFocusChain(), w->ButtonOk);
    // The system menu.
    ASSERT_EQ(w->MenuPrincipale->actions().size(), 1);
    EXPECT_EQ(w->N1->title(), QStringLiteral("Sistema"));
    const QList<QAction*> items = w->N1->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Sessioni"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Accesso a velkora"));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("Esci"));

    // The F8/F9 labels stay at the bottom-right corner, the login panel near the centre.
    w->show();
    QApplication::processEvents();
    const QPoint labelFromCorner = QPoint(w->Panel1->width(), w->Panel1->height()) - w->LabelCambioDitta->pos();
    const QPoint panelCentre = w->PanelLogIn->geometry().center();
    w->resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(QPoint(w->Panel1->width(), w->Panel1->height()) - w->LabelCambioDitta->pos(), labelFromCorner);
    EXPECT_GT(w->PanelLogIn->geometry().center().x(), panelCentre.x() + 100);
}

TEST_F(BaseMainTest, WithoutTheInactiveColumnEveryUserIsListed)
{
    test::exec(setup, QStringLiteral("ALTER TABLE UTENTI DROP UTENTEINATTIVO"));
    auto w = start();
    EXPECT_EQ(comboItems(w->ComboUtenti),
              (QStringList{QStringLiteral("ROSSI"), QStringLiteral("BIANCHI"), QStringLiteral("VERDI"),
                           QStringLiteral("D'ANGELO"), QStringLiteral("NERI")}));
}

TEST_F(BaseMainTest, WindowColumnsOfTheCallLogDecideLogFinestre)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> drop;
        bool logFinestre;
    } cases[] = {
        {"both columns", {}, true},
        {"handle without id", {"IDFINESTRA"}, false},
        {"id without handle", {"HANDLEFINESTRA"}, false},
        {"neither", {"IDFINESTRA", "HANDLEFINESTRA"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder own;
        own.installUserDatabase();
        own.makeFolder(QStringLiteral("Grafica"));
        {
            db::Database d;
            test::attach(d, own.userDatabase());
            for (const char* column : c.drop)
                test::dropColumn(d, QStringLiteral("NORVILOGFUNZ"), QString::fromUtf8(column));
        }
        CurrentDirectory cwd(own.path());
        TBaseMainForm w(own.environment());
        EXPECT_EQ(w.LogFinestre, c.logFinestre);
        EXPECT_TRUE(own.messages.boxes().empty());
    }
}

TEST_F(BaseMainTest, MissingGraficaInTheCurrentDirectoryIsWarnedEvenWhenTheProgramFolderHasIt)
{
    setup.detach();
    ProgramFolder elsewhere; // a current directory without "Grafica"
    CurrentDirectory cwd(elsewhere.path());
    TBaseMainForm w(folder.environment());
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Warning);
    EXPECT_EQ(folder.messages.boxes()[0].text, kGraficaWarning);
    EXPECT_EQ(w.ComboUtenti->count(), 3) << "the start goes on";
}

TEST(BaseMainStart, WindowOpensInTheLoginStateWhenTheDatabaseCannotBeMade)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("Grafica"));
    QFile f(folder.file(QStringLiteral("user")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    folder.messages.onNextDialog([](QDialog& d) {
        dynamic_cast<TKivIn2Form&>(d).CancelBtn->click();
        return d.result();
    });
    CurrentDirectory cwd(folder.path());
    TBaseMainForm w(folder.environment());
    EXPECT_EQ(folder.messages.texts(),
              (QStringList{QStringLiteral("Non trovato dati.ini"),
                           QStringLiteral("Apertura / creazione del database non riuscita!"),
                           QStringLiteral("Errore inizializzazione database utenti")}));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Autenticazione"));
    EXPECT_FALSE(w.PanelLogIn->isHidden());
    EXPECT_EQ(w.ComboUtenti->count(), 0);
    EXPECT_FALSE(w.LogFinestre);
}

TEST(BaseMainStart, AnEmptyNewDatabaseOpensTheWindowAndSaysWhyTheListIsEmpty)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("Grafica"));
    CurrentDirectory cwd(folder.path());
    TBaseMainForm w(folder.environment());
    ASSERT_EQ(folder.messages.boxes().size(), 2u);
    EXPECT_EQ(folder.messages.boxes()[0].text, QStringLiteral("Effettuata creazione data base"));
    EXPECT_EQ(folder.messages.boxes()[1].kind, BoxKind::Error);
    EXPECT_TRUE(folder.messages.boxes()[1].text.startsWith(
        QStringLiteral("Impossibile leggere l'elenco degli utenti dal database:")));
    EXPECT_EQ(w.ComboUtenti->count(), 0);
    EXPECT_FALSE(w.PanelLogIn->isHidden());
}

// A user database that is a damaged file: the user is told which file and why, the window opens
// in its login state, and a login attempt says the database is not there, all in Italian.
TEST(BaseMainStart, ADamagedDatabaseIsNamedAndALoginSaysThereIsNoDatabase)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("Grafica"));
    folder.makeFolder(QStringLiteral("user"));
    QFile f(folder.userDatabase());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(16384, '\x5a'));
    f.close();
    folder.messages.onNextDialog([](QDialog& d) {
        dynamic_cast<TKivIn2Form&>(d).CancelBtn->click();
        return d.result();
    });
    CurrentDirectory cwd(folder.path());
    TBaseMainForm w(folder.environment());
    EXPECT_EQ(folder.messages.texts(),
              (QStringList{QStringLiteral("Impossibile aprire il database \"%1\": il file non è un "
                                          "database valido oppure è danneggiato.")
                               .arg(folder.userDatabase()),
                           QStringLiteral("Non trovato dati.ini"),
                           QStringLiteral("Apertura / creazione del database non riuscita!"),
                           QStringLiteral("Errore inizializzazione database utenti")}));
    EXPECT_FALSE(w.PanelLogIn->isHidden());

    folder.messages.clear();
    EXPECT_FALSE(platform::GuardedApplication::guard(
        [&] {
            w.ButtonOk->click();
            return true;
        },
        folder.messages));
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes()[0].text,
              QStringLiteral("Il database non è collegato: l'operazione non può essere eseguita. "
                             "Riavviare il programma quando il database è disponibile."));
    EXPECT_EQ(folder.messages.boxes()[0].detail, QStringLiteral("query on a detached database"));
}

} // namespace
