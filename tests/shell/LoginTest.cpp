#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "dispatch/ModuleAccess.h"
#include "menu/NavigationBar.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"
#include "TestModulePaths.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/QTest>

#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kNegato = QStringLiteral(
    "Accesso negato: scegliere un'utente ed inserire l'eventuale password. Fare attenzione al "
    "maiuscolo / minuscolo");
const QString kConfigurazione = QStringLiteral(
    "Si è verificato un errore durante la configurazione del programma sulla base dei criteri "
    "di personalizzazione dell'utente selezionato");

// A project of three programs (only the second and third with an icon file), their quick
// items, and users covering the login's cases.
class LoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        for (const char* name : {"b.ico", "c.ico"}) {
            QImage icon(32, 32, QImage::Format_ARGB32);
            icon.fill(Qt::darkGreen);
            ASSERT_TRUE(icon.save(folder.file(QStringLiteral("Grafica/") + QString::fromUtf8(name)), "ICO"));
        }
        test::attach(setup, folder.userDatabase());
        const char* sql[] = {
            "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Anagrafiche', 'manca.ico')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (20, 'Contabilità', 'b.ico')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (30, 'Magazzino', 'c.ico')",
            "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (40, 'Altro progetto', '')",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 20)",
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 30)",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, VOCERAPIDA) "
            "VALUES (10, 1, 0, NULL, '1', 'Clienti', '0')",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, VOCERAPIDA) "
            "VALUES (10, 2, 1, 1, '0', 'Rapida nascosta', '1')",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, VOCERAPIDA) "
            "VALUES (10, 3, 1, 1, '1', 'Rapida <LINEA>P</LINEA>', '1')",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, VOCERAPIDA) "
            "VALUES (20, 5, 0, NULL, '1', 'Prima nota', '1')",
            // Users: ROSSI has everything, BIANCHI is exempt from profiles, VERDI lacks his
            // project, NERI his profile, GIALLI's project has no programs.
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, ACCESSOVELKORA, ABILITASCELTADISCO) "
            "VALUES (1, 'ROSSI', 'Segreta', 'DITTA A', 1, 1, '1', '1')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, MANTIENISTDMIN) "
            "VALUES (2, 'BIANCHI', NULL, 'DITTA A', NULL, 1, '1')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, PROFILOSICUREZZA, PROGETTO) VALUES (3, 'VERDI', '', 1, NULL)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PROFILOSICUREZZA, PROGETTO, ACCESSOVELKORA) VALUES (4, 'NERI', NULL, 1, '0')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, PROFILOSICUREZZA, PROGETTO) VALUES (5, 'GIALLI', 1, 2)",
            "INSERT INTO STOPOS1 (CODICESITUAZIONE, CODICEUTENTE, CODICEPROGETTO, POSX, POSY, DIMX, DIMY) "
            "VALUES (1, 5, 1, 40, 30, 800, 600)",
        };
        for (const char* s : sql)
            test::exec(setup, QString::fromUtf8(s));
    }

    void parametro(int utente, const QString& nome, const QString& valore)
    {
        test::exec(setup, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                                         "VALUES (%1, 'DITTA A', %2, %3, %4)")
                              .arg(utente)
                              .arg(db::quoted(nome), db::quoted(valore))
                              .arg(++m_progressivo));
    }

    std::unique_ptr<TBaseMainForm> start()
    {
        setup.detach();
        CurrentDirectory cwd(folder.path());
        return std::make_unique<TBaseMainForm>(folder.environment());
    }

    static void login(TBaseMainForm& w, const QString& nome, const QString& password)
    {
        w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(nome));
        w.EditPassword->setText(password);
        w.ButtonOk->click();
    }

    qint64 count(TBaseMainForm& w, const QString& sql)
    {
        db::Transaction t(&w.tabX()->IBDatabaseUser);
        db::Query q(&w.tabX()->IBDatabaseUser, &t);
        q.add(sql);
        q.open();
        return q.asInteger(0);
    }

    ProgramFolder folder;
    db::Database setup;
    int m_progressivo = 0;
};

TEST_F(LoginTest, RefusedPasswordsLeaveTheLoginStateAndOpenNoSession)
{
    struct Case
    {
        const char* nome; // empty: no name picked
        const char* password;
    } cases[] = {{"ROSSI", "segreta"}, {"ROSSI", "Segreta "}, {"ROSSI", ""}, {"", "Segreta"}};
    auto w = start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.nome) + "/" + c.password);
        folder.messages.clear();
        login(*w, QString::fromUtf8(c.nome), QString::fromUtf8(c.password));
        ASSERT_EQ(folder.messages.boxes().size(), 1u);
        EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Error);
        EXPECT_EQ(folder.messages.boxes()[0].text, kNegato);
        EXPECT_TRUE(w->EditPassword->text().isEmpty());
        EXPECT_FALSE(w->PanelLogIn->isHidden());
        EXPECT_FALSE(w->SessioneAperta);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Autenticazione"));
    }
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG")), 0);
}

TEST_F(LoginTest, GoodLoginReachesTheWorkingState)
{
    auto w = start();
    login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: DITTA A - Utente: ROSSI"));
    EXPECT_TRUE(w->PanelLogIn->isHidden());
    EXPECT_FALSE(w->MenuProgrammi->isHidden());
    EXPECT_TRUE(w->SessioneAperta);
    EXPECT_TRUE(w->Sessioni1->isEnabled());
    EXPECT_TRUE(w->Accessoavelkora1->isEnabled());
    EXPECT_TRUE(w->LabelCambioUtente->isEnabled());
    EXPECT_TRUE(w->LabelCambioDitta->isEnabled());
    EXPECT_EQ(w->NumProgetto, 1);
    EXPECT_EQ(w->NumProfilo, 1);
    EXPECT_EQ(w->EditPassword->text(), QStringLiteral("Segreta")) << "kept after a good login";
    EXPECT_EQ(w->tabX()->NumUser, 1);
    EXPECT_EQ(w->tabX()->DittaCorrente, QStringLiteral("DITTA A"));

    // The bar: one group per program, icons counted over loaded files only, quick items
    // whatever their visibility, as stored.
    NavigationBar& bar = *w->MenuProgrammi;
    ASSERT_EQ(bar.groupCount(), 3);
    struct Group
    {
        const char* caption;
        int tag;
        int image;
        QStringList links;
    } expected[] = {
        {"Anagrafiche", 10, -1, {QStringLiteral("Rapida nascosta"), QStringLiteral("Rapida <LINEA>P</LINEA>")}},
        {"Contabilità", 20, 0, {QStringLiteral("Prima nota")}},
        {"Magazzino", 30, 1, {}},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const NavigationBar::Group* g = bar.group(i);
        EXPECT_EQ(g->caption(), QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(g->tag(), expected[i].tag);
        EXPECT_EQ(g->largeImageIndex(), expected[i].image);
        EXPECT_EQ(g->smallImageIndex(), expected[i].image);
        QStringList links;
        for (int l = 0; l < g->linkCount(); ++l)
            links << g->link(l)->caption();
        EXPECT_EQ(links, expected[i].links);
        EXPECT_EQ(w->GruppiProgrammi[static_cast<std::size_t>(i + 1)], g);
    }
    EXPECT_EQ(w->IconeProgrammi.count(), 2);
    EXPECT_EQ(w->Icone2Programmi.count(), 2);
    EXPECT_EQ(w->Icone2Programmi.at(0).size(), QSize(16, 16));
    EXPECT_EQ(w->VociRapide[3], bar.group(1)->link(0));
    // The first group is the active one and the menu bar shows its program.
    EXPECT_EQ(bar.activeGroup(), bar.group(0));
    EXPECT_EQ(w->programmaCorrente(), 10);
    ASSERT_EQ(w->MenuPrincipale->actions().size(), 2);
    EXPECT_EQ(w->MenuPrincipale->actions()[1]->text(), QStringLiteral("Clienti"));

    // A session row and the one call-log row of every good login.
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICEUTENTE=1 AND DATACHIUSURA IS NULL")), 1);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ WHERE FUNZIONECHIAMATA='ShowContattAgendaFormD'")), 1);

    // Clicking a group rebuilds the menu bar for its program.
    bar.group(1)->button()->click();
    EXPECT_EQ(w->programmaCorrente(), 20);
    ASSERT_EQ(w->MenuPrincipale->actions().size(), 2);
    EXPECT_EQ(w->MenuPrincipale->actions()[1]->text(), QStringLiteral("Prima nota"));
}

TEST_F(LoginTest, AUserWhoseNameAndPasswordHoldAZeroByteLogsIn)
{
    // Every statement with the name in it runs whole: the look-ups find the user, the session
    // opens and nothing else is touched.
    QString nome = QStringLiteral("ZE");
    nome += QChar(0);
    nome += QStringLiteral("RO'");
    QString password = QStringLiteral("a");
    password += QChar(0);
    password += QStringLiteral("b");
    test::exec(setup, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                                     "VALUES (6, ")
                          + db::quoted(nome) + QLatin1Char(',') + db::quoted(password)
                          + QStringLiteral(", 'DITTA A', 1, 1)"));
    auto w = start();
    ASSERT_GE(w->ComboUtenti->findText(nome), 0);

    login(*w, nome, QStringLiteral("a"));
    ASSERT_EQ(folder.messages.texts(), QStringList{kNegato}) << "the password is compared whole";
    folder.messages.clear();

    login(*w, nome, password);
    EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(w->SessioneAperta);
    EXPECT_EQ(w->tabX()->NumUser, 6);
    EXPECT_EQ(w->tabX()->NomeUser, nome);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: DITTA A - Utente: ") + nome);
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 3);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICEUTENTE=6")), 1);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM UTENTI")), 6);
}

TEST_F(LoginTest, ConfigurationProblemsOfTheUser)
{
    struct Case
    {
        const char* nome;
        QString message; // empty: none
        bool working;    // caption of the working state
        bool labels;
        int profilo;
    } cases[] = {
        {"BIANCHI", QString(), true, false, 0},
        {"NERI", QStringLiteral("E' stato trovato un errore nella configurazione dell'utente NERI: manca il profilo sicurezza"), false, false, 0},
        {"VERDI", QStringLiteral("E' stato trovato un errore nella configurazione dell'utente VERDI: manca il progetto"), false, false, 0},
        {"GIALLI", kConfigurazione, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nome);
        folder.messages.clear();
        auto w = start();
        login(*w, QString::fromUtf8(c.nome), QString());
        if (c.message.isEmpty()) {
            EXPECT_TRUE(folder.messages.boxes().empty());
        } else {
            ASSERT_EQ(folder.messages.boxes().size(), 1u);
            EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Error);
            EXPECT_EQ(folder.messages.boxes()[0].text, c.message);
        }
        EXPECT_EQ(w->windowTitle().startsWith(QStringLiteral("Ditta: ")), c.working);
        EXPECT_EQ(w->LabelCambioUtente->isEnabled(), c.labels);
        EXPECT_TRUE(w->SessioneAperta) << "the session was opened before the checks";
        EXPECT_TRUE(w->Sessioni1->isEnabled());
        EXPECT_TRUE(w->PanelLogIn->isHidden());
        EXPECT_FALSE(w->Accessoavelkora1->isEnabled());
        if (c.working)
            EXPECT_EQ(w->NumProfilo, c.profilo);
        else
            EXPECT_EQ(w->MenuProgrammi->groupCount(), 0);
    }
}

// The benchmark runs the login's steps one by one to time each; that is only worth something
// if the steps, called from outside in the button's order, leave what the button leaves: the
// same boxes, working state and rows, for a good login and for each way a login stops.
TEST_F(LoginTest, TheStepsCalledOneByOneDoWhatTheButtonDoes)
{
    struct Stato
    {
        QStringList boxes;
        QString caption;
        bool pannelloNascosto;
        bool sessione;
        bool etichette;
        qint32 progetto;
        qint32 profilo;
        QStringList gruppi;
        QStringList menu;
        QRect posto;
        qint64 sessioni;
        qint64 chiamate;
        bool operator==(const Stato&) const = default;
    };
    const auto sessioni = [&](TBaseMainForm& w) { return count(w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG")); };
    const auto chiamate = [&](TBaseMainForm& w) { return count(w, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ")); };
    // The rows are counted as those the login added to what the window found.
    const auto stato = [&](TBaseMainForm& w, qint64 sessioniPrima, qint64 chiamatePrima) {
        Stato s{folder.messages.texts(), w.windowTitle(), w.PanelLogIn->isHidden(), w.SessioneAperta,
                w.LabelCambioUtente->isEnabled(), w.NumProgetto, w.NumProfilo, {}, {}, w.geometry(),
                sessioni(w) - sessioniPrima, chiamate(w) - chiamatePrima};
        for (int i = 0; i < w.MenuProgrammi->groupCount(); ++i)
            s.gruppi << w.MenuProgrammi->group(i)->caption();
        for (const QAction* a : w.MenuPrincipale->actions())
            s.menu << a->text();
        return s;
    };
    const auto print = [](const Stato& s) {
        return QStringList{s.boxes.join(QLatin1Char('|')), s.caption, s.gruppi.join(QLatin1Char(',')),
                           s.menu.join(QLatin1Char(',')), QString::number(s.sessioni), QString::number(s.chiamate)}
            .join(QStringLiteral(" / "))
            .toStdString();
    };
    struct Case
    {
        const char* nome;
        const char* password;
    } cases[] = {{"ROSSI", "Segreta"}, {"ROSSI", "sbagliata"}, {"BIANCHI", ""},
                 {"NERI", ""},         {"VERDI", ""},          {"GIALLI", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.nome) + "/" + c.password);
        const QString nome = QString::fromUtf8(c.nome);
        const QString password = QString::fromUtf8(c.password);

        folder.messages.clear();
        auto bottone = start();
        qint64 sessioniPrima = sessioni(*bottone);
        qint64 chiamatePrima = chiamate(*bottone);
        login(*bottone, nome, password);
        const Stato atteso = stato(*bottone, sessioniPrima, chiamatePrima);
        bottone.reset();

        folder.messages.clear();
        auto passi = start();
        sessioniPrima = sessioni(*passi);
        chiamatePrima = chiamate(*passi);
        passi->ComboUtenti->setCurrentIndex(passi->ComboUtenti->findText(nome));
        passi->EditPassword->setText(password);
        if (passi->accessoVerificaPassword(nome, password)) {
            QWidget splash(passi.get(), Qt::Dialog);
            passi->accessoMostraLavoro(splash);
            passi->accessoApriUtente(nome);
            if (passi->accessoLeggiConfigurazione()) {
                passi->accessoCaricaBarraEMenu();
                passi->accessoPosizioneFinestra();
                passi->accessoAgenda();
            }
        }
        const Stato ottenuto = stato(*passi, sessioniPrima, chiamatePrima);
        EXPECT_EQ(ottenuto, atteso) << "button: " << print(atteso) << "\nsteps:  " << print(ottenuto);
    }
}

TEST_F(LoginTest, ProjectWithoutProgramsStillRestoresThePositionAndLogsTheAgenda)
{
    auto w = start();
    login(*w, QStringLiteral("GIALLI"), QString());
    EXPECT_EQ(folder.messages.texts(), QStringList{kConfigurazione});
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 0);
    EXPECT_EQ(w->MenuPrincipale->actions().size(), 1) << "only Sistema";
    EXPECT_EQ(w->pos(), QPoint(40, 30));
    EXPECT_EQ(w->size(), QSize(800, 600));
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ")), 1);
}

TEST_F(LoginTest, AgendaOpensOnlyForSIWithTheWindowIdOfItsLogRow)
{
    // The agenda library of these tests is the test module, in the program folder.
    const QString modulo = folder.file(QStringLiteral("libAgendaProva.so"));
    ASSERT_TRUE(test::copyModule(QString::fromUtf8(test::kTestModuleFile), modulo));
    parametro(1, QStringLiteral("DllAperturaAgenda"), QStringLiteral("AgendaProva.dll"));
    parametro(1, QStringLiteral("FunzioneAperturaAgenda"), QStringLiteral("ApriFinestraX"));
    parametro(1, QStringLiteral("AperturaAgenda"), QStringLiteral("si"));
    {
        auto w = start();
        login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
        EXPECT_FALSE(platform::DynamicLibrary::isLoaded(modulo)) << "\"si\" opens no agenda";
    }
    test::attach(setup, folder.userDatabase());
    test::exec(setup, QStringLiteral("UPDATE TABVELKORA SET VALORE='SI' WHERE PARAMETRO='AperturaAgenda'"));
    auto w = start();
    login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    const test::ModuleRecord* record = test::recordOf(modulo);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->calls, 1);
    EXPECT_EQ(record->last.function, "ApriFinestraX");
    EXPECT_EQ(record->last.numUser, 1);
    const qint64 id = count(*w, QStringLiteral("SELECT MAX(IDFINESTRA) FROM NORVILOGFUNZ WHERE FUNZIONECHIAMATA='ShowContattAgendaFormD'"));
    ASSERT_TRUE(record->last.idFinestra.has_value());
    EXPECT_EQ(*record->last.idFinestra, id);
    EXPECT_GT(id, 0);
}

TEST_F(LoginTest, AgendaDefaultsToRubrivo)
{
    // A copy of the test module under the agenda's library name shows which library the
    // default name reaches.
    const QString rubrivo = folder.file(QStringLiteral("libRubrivo.so"));
    ASSERT_TRUE(test::copyModule(QString::fromUtf8(test::kTestModuleFile), rubrivo));
    parametro(1, QStringLiteral("AperturaAgenda"), QStringLiteral("SI"));
    auto w = start();
    login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    EXPECT_TRUE(platform::DynamicLibrary::isLoaded(rubrivo));
    EXPECT_TRUE(folder.messages.boxes().empty()) << "a missing agenda function is silent";
}

// The bar as the user sees it and as the window's tables hold it: each group with its
// pictures and links, the picture lists, and which slot of the tables refers to what; one line
// for each.
std::string descriviBarra(const TBaseMainForm& w)
{
    QStringList righe;
    const NavigationBar& bar = *w.MenuProgrammi;
    for (int i = 0; i < bar.groupCount(); ++i) {
        const NavigationBar::Group* g = bar.group(i);
        QString riga = QStringLiteral("%1 %2 %3/%4:")
                           .arg(g->caption())
                           .arg(g->tag())
                           .arg(g->largeImageIndex())
                           .arg(g->smallImageIndex());
        for (int l = 0; l < g->linkCount(); ++l)
            riga += QLatin1Char(' ') + g->link(l)->caption();
        righe << riga;
    }
    righe << QStringLiteral("immagini %1 %2")
                 .arg(w.IconeProgrammi.count())
                 .arg(w.Icone2Programmi.count());
    for (std::size_t i = 0; i < w.GruppiProgrammi.size(); ++i) {
        if (const QObject* o = w.GruppiProgrammi[i])
            righe << QStringLiteral("gruppo %1 -> %2")
                         .arg(i)
                         .arg(bar.indexOf(static_cast<const NavigationBar::Group*>(o)));
    }
    for (std::size_t i = 0; i < w.VociRapide.size(); ++i) {
        const QObject* o = w.VociRapide[i];
        if (!o)
            continue;
        QString dove = QStringLiteral("altrove");
        for (int g = 0; g < bar.groupCount(); ++g) {
            for (int l = 0; l < bar.group(g)->linkCount(); ++l) {
                if (bar.group(g)->link(l) == o)
                    dove = QStringLiteral("%1.%2").arg(g).arg(l);
            }
        }
        righe << QStringLiteral("rapida %1 -> %2").arg(i).arg(dove);
    }
    return righe.join(QLatin1Char('\n')).toStdString();
}

// Presses and releases the mouse on the button through the event queue, as a real click
// waits there while the program is busy.
void accodaClic(QAbstractButton* button)
{
    const QPointF centro = QRectF(button->rect()).center();
    const QPointF schermo = button->mapToGlobal(centro);
    for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons premuti =
            tipo == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(button, new QMouseEvent(tipo, centro, schermo, Qt::LeftButton,
                                                            premuti, Qt::NoModifier));
    }
}

TEST_F(LoginTest, ClicksQueuedDuringTheLoginLogInOnce)
{
    auto w = start();
    w->show();
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("ROSSI")));
    w->EditPassword->setText(QStringLiteral("Segreta"));
    // A double click on OK: the second click is still queued when the login lets the event
    // loop run to paint its splash.
    accodaClic(w->ButtonOk);
    accodaClic(w->ButtonOk);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->SessioneAperta);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICEUTENTE=1")), 1);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOGFUNZ")), 1);
    EXPECT_EQ(w->MenuProgrammi->groupCount(), 3);
    EXPECT_EQ(w->IconeProgrammi.count(), 2);
    EXPECT_TRUE(w->PanelLogIn->isEnabledTo(w.get()))
        << "the panel is usable again for a change of user";

    // A refused password gives the panel back for the next try.
    auto rifiutato = start();
    rifiutato->show();
    rifiutato->ComboUtenti->setCurrentIndex(
        rifiutato->ComboUtenti->findText(QStringLiteral("ROSSI")));
    rifiutato->EditPassword->setText(QStringLiteral("sbagliata"));
    folder.messages.clear();
    accodaClic(rifiutato->ButtonOk);
    accodaClic(rifiutato->ButtonOk);
    QCoreApplication::processEvents();
    EXPECT_EQ(folder.messages.boxes().size(), 2u) << "each click is refused on its own";
    EXPECT_TRUE(rifiutato->PanelLogIn->isEnabled());
    EXPECT_FALSE(rifiutato->SessioneAperta);
}

// The window is closed (its title bar's button, a logout) while the login paints its splash: the
// close waits for the login and then closes the session it opened, as any close does.
TEST_F(LoginTest, AClosingAskedForDuringTheLoginClosesTheSessionItOpens)
{
    auto w = start();
    w->show();
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("ROSSI")));
    w->EditPassword->setText(QStringLiteral("Segreta"));
    QTimer::singleShot(0, w.get(), [&w] { w->close(); });
    w->ButtonOk->click();
    EXPECT_FALSE(w->isVisible()) << "the close was not done after the login";
    EXPECT_FALSE(w->SessioneAperta);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE CODICEUTENTE=1")), 1);
    EXPECT_EQ(count(*w, QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL")), 0)
        << "the session of the login was left open";
}

TEST_F(LoginTest, EveryBuildOfTheBarStartsFromEmpty)
{
    auto w = start();
    login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    const std::string prima = descriviBarra(*w);
    ASSERT_EQ(w->MenuProgrammi->groupCount(), 3);
    // A slot left over from an earlier, larger bar must not survive the rebuild.
    QObject vecchio;
    w->GruppiProgrammi[200] = &vecchio;
    w->VociRapide[200] = &vecchio;
    w->CaricaProgrammi();
    EXPECT_EQ(descriviBarra(*w), prima);
    w->CaricaProgrammi();
    EXPECT_EQ(descriviBarra(*w), prima);
    // The groups of the earlier builds go once the event loop runs; the bar keeps working.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(descriviBarra(*w), prima);
    w->MenuProgrammi->group(1)->button()->click();
    EXPECT_EQ(w->programmaCorrente(), 20);
}

TEST_F(LoginTest, IconsAreReadOnlyFromInsideGrafica)
{
    // Icon files outside Grafica, and a link inside it that leads out.
    const QString fuori = folder.file(QStringLiteral("fuori.ico"));
    ASSERT_TRUE(QFile::copy(folder.file(QStringLiteral("Grafica/b.ico")), fuori));
    ASSERT_TRUE(QFile::link(fuori, folder.file(QStringLiteral("Grafica/collegamento.ico"))));
    struct Case
    {
        int codice;
        QString icona;
        bool letta;
    };
    const std::vector<Case> cases = {
        {10, QStringLiteral("../fuori.ico"), false},
        {20, QStringLiteral("..\\fuori.ico"), false},
        {30, QDir(folder.path()).absoluteFilePath(QStringLiteral("fuori.ico")), false},
        {50, QStringLiteral("collegamento.ico"), false},
        {60, QStringLiteral("../Grafica/c.ico"), true},
        {70, QStringLiteral("b.ico"), true},
    };
    for (const Case& c : cases) {
        test::exec(setup, QStringLiteral("UPDATE OR INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, "
                                         "ICONA) VALUES (%1, 'P', %2) MATCHING (CODICE)")
                              .arg(c.codice)
                              .arg(db::quoted(c.icona)));
        test::exec(setup, QStringLiteral("UPDATE OR INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) "
                                         "VALUES (1, %1) MATCHING (PROGETTO, PROGRAMMA)")
                              .arg(c.codice));
    }

    static QStringList avvisi;
    avvisi.clear();
    const QtMessageHandler precedente =
        qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString& testo) {
            if (tipo == QtWarningMsg)
                avvisi << testo;
        });
    auto w = start();
    login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
    qInstallMessageHandler(precedente);

    EXPECT_TRUE(folder.messages.boxes().empty()) << "a refused icon is a missing one: no box";
    ASSERT_EQ(w->MenuProgrammi->groupCount(), static_cast<int>(cases.size()));
    int lette = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.icona.toStdString());
        const NavigationBar::Group* g = nullptr;
        for (int i = 0; i < w->MenuProgrammi->groupCount(); ++i) {
            if (w->MenuProgrammi->group(i)->tag() == c.codice)
                g = w->MenuProgrammi->group(i);
        }
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->largeImageIndex() >= 0, c.letta);
        const bool avvisata = std::any_of(avvisi.begin(), avvisi.end(),
                                          [&](const QString& a) { return a.contains(c.icona); });
        EXPECT_EQ(avvisata, !c.letta) << avvisi.join(QLatin1Char('\n')).toStdString();
        lette += c.letta ? 1 : 0;
    }
    EXPECT_EQ(w->IconeProgrammi.count(), lette);
}

// The agenda's library comes from a parameter that any workstation can change: only a library
// of the program folder may run. Every refused name ends as a missing library does: no box, no
// call, and the login completes.
TEST_F(LoginTest, AgendaLibraryOutsideTheProgramFolderNeverRuns)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString evil = outside.filePath(QStringLiteral("libEvil.so"));
    ASSERT_TRUE(test::copyModule(QString::fromUtf8(test::kTestModuleFile), evil));
    ASSERT_TRUE(QFile::link(evil, folder.file(QStringLiteral("libCollegata.so"))));
    const QString allowed = folder.file(QStringLiteral("moduli/libAgendaProva.so"));
    ASSERT_TRUE(test::copyModule(QString::fromUtf8(test::kTestModuleFile), allowed));
    // From the program folder up to the common temporary folder, then down into the other one.
    const QString upAndOut = QDir(folder.path()).relativeFilePath(evil);
    ASSERT_TRUE(upAndOut.startsWith(QLatin1String("../"))) << upAndOut.toStdString();

    parametro(1, QStringLiteral("DllAperturaAgenda"), QString());
    parametro(1, QStringLiteral("FunzioneAperturaAgenda"), QStringLiteral("ApriFinestraX"));
    parametro(1, QStringLiteral("AperturaAgenda"), QStringLiteral("SI"));

    struct Case
    {
        const char* what;
        QString libreria;
        // The file that must run, empty when nothing may.
        QString runs;
    } const cases[] = {
        {"'..' out of the program folder", upAndOut, {}},
        {"'..' out, backslashes", QString(upAndOut).replace(QLatin1Char('/'), QLatin1Char('\\')), {}},
        {"absolute path", evil, {}},
        {"absolute Windows name", outside.filePath(QStringLiteral("Evil.dll")), {}},
        {"a link in the program folder that points outside", QStringLiteral("Collegata.dll"), {}},
        {"a library only on the system's search path", QStringLiteral("libm.so.6"), {}},
        {"another one", QStringLiteral("libz.so.1"), {}},
        {"a folder below the program folder", QStringLiteral("moduli\\AgendaProva.dll"), allowed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::attach(setup, folder.userDatabase());
        test::exec(setup, QStringLiteral("UPDATE TABVELKORA SET VALORE=%1 WHERE PARAMETRO='DllAperturaAgenda'")
                              .arg(db::quoted(c.libreria)));
        folder.messages.clear();
        auto w = start();
        login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: DITTA A - Utente: ROSSI")) << "the login completes";
        EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_FALSE(platform::DynamicLibrary::isLoaded(evil));
        EXPECT_EQ(test::recordOf(evil), nullptr);
        if (!c.runs.isEmpty()) {
            const test::ModuleRecord* record = test::recordOf(c.runs);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->calls, 1);
            EXPECT_EQ(record->last.function, "ApriFinestraX");
        }
    }
}

TEST_F(LoginTest, EnterInThePasswordFieldLogsIn)
{
    auto w = start();
    w->show();
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("ROSSI")));
    QTest::keyClicks(w->EditPassword, QStringLiteral("Segreta"));
    QTest::keyClick(w->EditPassword, Qt::Key_Return);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ditta: DITTA A - Utente: ROSSI"));
}

TEST_F(LoginTest, DiskChoiceButtonFollowsThePickedUser)
{
    auto w = start();
    struct Case
    {
        const char* nome;
        bool visible;
    } cases[] = {{"ROSSI", true}, {"BIANCHI", false}, {"ROSSI", true}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nome);
        w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QString::fromUtf8(c.nome)));
        EXPECT_EQ(!w->ButtonSceltaDisco->isHidden(), c.visible);
    }
}

TEST_F(LoginTest, AccessFlagEnablesTheParameterEditorItem)
{
    struct Case
    {
        const char* value; // nullptr: NULL
        bool enabled;
    } cases[] = {{"1", true}, {"0", false}, {nullptr, false}, {"SI", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "NULL");
        if (!setup.attached())
            test::attach(setup, folder.userDatabase());
        test::exec(setup, QStringLiteral("UPDATE UTENTI SET ACCESSOVELKORA=%1 WHERE CODICE=1")
                              .arg(c.value ? db::quoted(QString::fromUtf8(c.value)) : QStringLiteral("NULL")));
        auto w = start();
        login(*w, QStringLiteral("ROSSI"), QStringLiteral("Segreta"));
        EXPECT_EQ(w->Accessoavelkora1->isEnabled(), c.enabled);
    }
}

} // namespace
