// The menu search of the main window on a real user database: what a typed text finds and in
// which order, what Enter starts through the real dispatch and the test module, and the keys
// around the field.

#include "TestModulePaths.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "dispatch/CartellaConProva.h"
#include "dispatch/ModuleAccess.h"
#include "menu/ModelloRisultatiRicerca.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "platform/DynamicLibrary.h"
#include "shell/BaseMain.h"
#include "support/AccessoFinestra.h"
#include "support/ProgramFolder.h"
#include "support/QtPrinting.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::DynamicLibrary;
using namespace velkora::test;

namespace {

const QString kParametri = QStringLiteral("MODO=RICERCA;NOTA=più");

// Three programs of the project (the third only with a quick item) and one outside it. Their
// menus hold accents, a placeholder at the top and below it, a separator with a child, an
// invisible entry with a visible child, a row at the wrong depth, a mode-2 leaf, a quick item
// that is also a leaf and one whose row is invisible.
class MenuSearchTest : public test::CartellaConProva
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CartellaConProva::SetUp());
        for (
            const char* sql : {
                "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
                "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Contabilità', '')",
                "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (20, 'Anagrafiche', '')",
                "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (30, 'Magazzino', '')",
                "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (40, 'Altro', '')",
                "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
                "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 20)",
                "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 30)",
                "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (2, 40)",
                "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                "VALUES (1, 'ROSSI', 'ALFA', 1, 1)",
                "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                "VALUES (1, 'ALFA', 'Listino', 'Estate', 1)",
            })
            test::exec(other, QString::fromUtf8(sql));
        const QString uno = QStringLiteral("ApriUno");
        const QString dueX = QStringLiteral("ApriDueX");
        const QString finestraX = QStringLiteral("ApriFinestraX");
        voce(10, 100, 0, -1, "1", "Prima nota");
        voce(10, 110, 1, 100, "1", "Registrazioni di prima nota", uno, "0", "1");
        voce(10, 120, 1, 100, "1", "-");
        voce(10, 121, 2, 120, "1", "Figlio del separatore", uno);
        voce(10, 130, 1, 100, "1", "Stampa giornale contabilità", dueX, "1");
        voce(10, 140, 1, 100, "0", "Nascosto");
        voce(10, 141, 2, 140, "1", "Sotto il nascosto", uno);
        voce(10, 150, 1, 100, "1", "Listino <LINEA>Listino</LINEA> attivo", uno);
        // At the top and marked for mode 2: it runs in mode 1, so its function takes the window id.
        voce(10, 200, 0, -1, "1", "Bilancio <LINEA>Listino</LINEA>", finestraX, "1");
        voce(10, 300, 0, -1, "1", "Archivi");
        voce(10, 310, 1, 300, "1", "Piano dei conti", uno);
        voce(10, 320, 2, 300, "1", "Profondità sbagliata", uno);
        voce(20, 100, 0, -1, "1", "Clienti");
        voce(20, 110, 1, 100, "1", "Stampe");
        voce(20, 111, 2, 110, "1", "Stampa elenco clienti", uno);
        voce(20, 112, 2, 110, "1", "Etichette clienti", uno);
        voce(20, 120, 1, 100, "1", "Schede cliente", uno);
        voce(20, 200, 0, -1, "1", "Fornitori");
        voce(20, 210, 1, 200, "1", "Etichette fornitori", dueX, "1");
        voce(20, 900, 1, 999, "0", "Nuovo cliente", finestraX, "0", "1");
        voce(30, 10, 0, -1, "0", "Giacenze", uno, "0", "1");
        voce(40, 10, 0, -1, "1", "Etichette segrete", uno);
    }

    void voce(int programma, int menu, int livello, int prec, const char* visibile,
              const char* descrizione, const QString& funzione = QString(),
              const char* livello2 = "0", const char* rapida = "0")
    {
        auto orNull = [](int v) { return v < 0 ? QStringLiteral("NULL") : QString::number(v); };
        test::exec(
            other,
            QStringLiteral(
                "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                "DESCRIZIONE, VOCERAPIDA, DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB) "
                "VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11)")
                .arg(programma)
                .arg(menu)
                .arg(orNull(livello), orNull(prec), db::quoted(QString::fromUtf8(visibile)),
                     db::quoted(QString::fromUtf8(descrizione)),
                     db::quoted(QString::fromUtf8(rapida)),
                     funzione.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'Prova.so'"),
                     funzione.isEmpty() ? QStringLiteral("NULL") : db::quoted(funzione))
                .arg(db::quoted(QString::fromUtf8(livello2)), db::quoted(kParametri)));
    }

    // The main window, shown and active, with ROSSI logged in through the login panel.
    std::unique_ptr<TBaseMainForm> login()
    {
        auto w = accediDalPannello(folder, QStringLiteral("ROSSI"));
        EXPECT_TRUE(w->MenuProgrammi->isVisible());
        return w;
    }

    // What the list shows: caption, then the path, one line per row.
    static QStringList shown(const TBaseMainForm& w)
    {
        QStringList out;
        const ModelloRisultatiRicerca& m = w.RicercaVoci->risultati();
        for (int i = 0; i < m.rowCount(); ++i)
            out << m.index(i).data(ModelloRisultatiRicerca::RuoloPercorso).toString();
        return out;
    }

    static void type(TBaseMainForm& w, const QString& text)
    {
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
        QLineEdit* campo = w.RicercaVoci->campo();
        EXPECT_TRUE(campo->hasFocus());
        campo->clear();
        QTest::keyClicks(campo, text);
    }

    std::vector<QString> logged()
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(
            QStringLiteral("SELECT FUNZIONECHIAMATA FROM NORVILOGFUNZ "
                           "WHERE FUNZIONECHIAMATA<>'ShowContattAgendaFormD' ORDER BY IDFINESTRA"));
        q.open();
        std::vector<QString> out;
        for (q.first(); !q.eof(); q.next())
            out.push_back(q.asString(0));
        t.commit();
        return out;
    }

};

QString path(std::initializer_list<const char*> parts)
{
    QStringList l;
    for (const char* p : parts)
        l << QString::fromUtf8(p);
    return l.join(QStringLiteral(" \u203A "));
}

struct Ricerca
{
    const char* testo;
    QStringList attese;
};

TEST_F(MenuSearchTest, FindsEveryWordIgnoringCaseAndAccentsCaptionPrefixFirst)
{
    auto w = login();
    const QString listino = path({"Contabilità", "Prima nota", "Listino Estate"});
    const QString registrazioni =
        path({"Contabilità", "Prima nota", "Registrazioni di prima nota"});
    const QString giornale = path({"Contabilità", "Prima nota", "Stampa giornale contabilità"});
    const QString bilancio = path({"Contabilità", "Bilancio <LINEA>Listino</LINEA>"});
    const QString piano = path({"Contabilità", "Archivi", "Piano dei conti"});
    const QString elenco = path({"Anagrafiche", "Clienti", "Stampe", "Stampa elenco clienti"});
    const QString etichetteClienti =
        path({"Anagrafiche", "Clienti", "Stampe", "Etichette clienti"});
    const QString schede = path({"Anagrafiche", "Clienti", "Schede cliente"});
    const QString etichetteFornitori = path({"Anagrafiche", "Fornitori", "Etichette fornitori"});
    const QString nuovo = path({"Anagrafiche", "Nuovo cliente"});
    const QString giacenze = path({"Magazzino", "Giacenze"});
    const Ricerca casi[] = {
        // The caption that starts with the text, then the others in the order of the menus.
        {"contabilita", {giornale, registrazioni, listino, bilancio, piano}},
        {"CONTABILITÀ", {giornale, registrazioni, listino, bilancio, piano}},
        // Words in any order; every word must be somewhere on the path.
        {"nota prima", {registrazioni, giornale, listino}},
        {"clienti stampa", {elenco}},
        {"etichette", {etichetteClienti, etichetteFornitori}},
        // Placeholders filled below the top level, as stored at the top, as the menus show them.
        {"estate", {listino}},
        {"bilancio", {bilancio}},
        // Caption starting with the text, then a word of the caption starting with it, then
        // the text inside a word of the caption, then only on the path.
        {"st", {giornale, elenco, registrazioni, listino, bilancio, etichetteClienti}},
        {"cliente", {schede, nuovo}},
        {"client", {elenco, etichetteClienti, schede, nuovo}},
        // Quick items: the invisible row of the bar's link, the program with no menus.
        {"nuovo", {nuovo}},
        {"giacenze", {giacenze}},
        // Never shown in the menus, so never found.
        {"nascosto", {}},
        {"separatore", {}},
        {"sbagliata", {}},
        {"segrete", {}},
        {"", {}},
        {"  ", {}},
        {"prima nota zzz", {}},
    };
    for (const Ricerca& c : casi) {
        SCOPED_TRACE(c.testo);
        type(*w, QString::fromUtf8(c.testo));
        EXPECT_EQ(shown(*w), c.attese);
        const bool lista = w->RicercaVoci->tendina()->isVisible();
        EXPECT_EQ(lista, !QString::fromUtf8(c.testo).trimmed().isEmpty());
        if (lista) {
            EXPECT_EQ(w->RicercaVoci->elenco()->isVisible(), !c.attese.isEmpty());
        }
    }
    // Typing on narrows the list, deleting widens it again.
    type(*w, QStringLiteral("etichette fo"));
    EXPECT_EQ(shown(*w), QStringList{etichetteFornitori});
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Backspace);
    EXPECT_EQ(shown(*w), (QStringList{etichetteClienti, etichetteFornitori}));
    // The quick item that is also a leaf of the same caption is listed once.
    type(*w, QStringLiteral("registrazioni"));
    EXPECT_EQ(shown(*w), QStringList{registrazioni});
    EXPECT_TRUE(folder.messages.boxes().empty());
}

// Each row shows the small picture of its own program; a program without one shows none.
TEST_F(MenuSearchTest, EachRowShowsTheIconOfItsProgram)
{
    const std::pair<const char*, QColor> icone[] = {{"conta.ico", Qt::red}, {"anag.ico", Qt::blue}};
    for (const auto& [nome, colore] : icone) {
        QImage icona(32, 32, QImage::Format_ARGB32);
        icona.fill(colore);
        ASSERT_TRUE(
            icona.save(folder.file(QStringLiteral("Grafica/") + QString::fromUtf8(nome)), "ICO"));
    }
    test::exec(other, QStringLiteral("UPDATE PROGRAMMI SET ICONA='conta.ico' WHERE CODICE=10"));
    test::exec(other, QStringLiteral("UPDATE PROGRAMMI SET ICONA='anag.ico' WHERE CODICE=20"));
    auto w = login();
    const ModelloRisultatiRicerca& m = w->RicercaVoci->risultati();
    const struct
    {
        const char* testo;
        QColor colore; // invalid: no picture
    } casi[] = {
        {"giornale", Qt::red},
        {"elenco clienti", Qt::blue},
        {"giacenze", QColor()},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.testo);
        type(*w, QString::fromUtf8(c.testo));
        ASSERT_EQ(m.rowCount(), 1);
        const QVariant figura = m.index(0).data(Qt::DecorationRole);
        if (!c.colore.isValid()) {
            EXPECT_FALSE(figura.isValid());
            continue;
        }
        const QImage immagine = qvariant_cast<QPixmap>(figura).toImage();
        ASSERT_FALSE(immagine.isNull());
        EXPECT_EQ(immagine.pixelColor(immagine.width() / 2, immagine.height() / 2).rgb(),
                  c.colore.rgb());
    }
}

struct Avvio
{
    const char* testo;
    int giu;
    const char* funzione;
    bool conFinestra;
    bool conTesto;
};

TEST_F(MenuSearchTest, EnterStartsTheChosenEntryInItsModeThroughTheDispatch)
{
    auto w = login();
    const Avvio casi[] = {
        // Enter without a row chosen starts the best match.
        {"registrazioni", 0, "ApriUno", false, false},
        {"giornale contabilita", 1, "ApriDueX", true, true},
        {"etichette", 2, "ApriDueX", true, true},
        // The quick item starts in mode 1 with the program of its group.
        {"nuovo cliente", 1, "ApriFinestraX", true, false},
        {"st", 3, "ApriUno", false, false},
        // A top-level entry marked for mode 2 runs in mode 1, as its click in the menu bar does.
        {"bilancio", 0, "ApriFinestraX", true, false},
    };
    std::vector<QString> attesi;
    int chiamate = record().calls;
    for (const Avvio& c : casi) {
        SCOPED_TRACE(c.testo);
        type(*w, QString::fromUtf8(c.testo));
        for (int i = 0; i < c.giu; ++i)
            QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Down);
        const QPointer<QAction> primoMenu = w->MenuPrincipale->actions().value(1);
        QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Return);
        // A mode-2 entry rebuilds the menus afterwards, as its click in the menus does.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(primoMenu.isNull(), c.conTesto);
        EXPECT_EQ(record().calls, ++chiamate);
        EXPECT_EQ(record().last.function, c.funzione);
        EXPECT_EQ(record().last.idFinestra.has_value(), c.conFinestra);
        EXPECT_EQ(record().last.form == TextForm::Counted, c.conTesto);
        attesi.push_back(QString::fromUtf8(c.funzione));
        EXPECT_EQ(logged(), attesi);
        // The field is emptied and the list gone.
        EXPECT_TRUE(w->RicercaVoci->campo()->text().isEmpty());
        EXPECT_FALSE(w->RicercaVoci->tendina()->isVisible());
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    }
    // An entry of a program other than the current one starts with its own program.
    w->MenuProgrammi->group(1)->button()->click();
    ASSERT_EQ(w->programmaCorrente(), 20);
    type(*w, QStringLiteral("registrazioni"));
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Return);
    EXPECT_EQ(record().last.function, "ApriUno");
    EXPECT_EQ(logged().size(), attesi.size() + 1);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(MenuSearchTest, AClickOnARowStartsIt)
{
    auto w = login();
    type(*w, QStringLiteral("schede"));
    QListView* elenco = w->RicercaVoci->elenco();
    ASSERT_TRUE(elenco->isVisible());
    const QRect riga = elenco->visualRect(elenco->model()->index(0, 0));
    QTest::mouseClick(elenco->viewport(), Qt::LeftButton, {}, riga.center());
    EXPECT_EQ(record().last.function, "ApriUno");
    EXPECT_EQ(logged(), std::vector<QString>{QStringLiteral("ApriUno")});
}

TEST_F(MenuSearchTest, EscapeCtrlFAndTheKeysOfTheWindow)
{
    auto w = std::make_unique<TBaseMainForm>(folder.environment());
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // On the login panel the field is not there and Ctrl+F leaves the focus alone.
    EXPECT_FALSE(w->RicercaVoci->isVisible());
    w->ComboUtenti->setFocus();
    QTest::keyClick(w->ComboUtenti, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w->ComboUtenti->hasFocus());
    EXPECT_FALSE(w->RicercaVoci->campo()->hasFocus());
    w.reset();

    w = login();
    QWidget* prima = w->MenuProgrammi->group(0)->button();
    prima->setFocus();
    ASSERT_TRUE(prima->hasFocus());
    QTest::keyClick(prima, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* campo = w->RicercaVoci->campo();
    EXPECT_TRUE(campo->hasFocus());
    QTest::keyClicks(campo, QStringLiteral("etich"));
    EXPECT_TRUE(w->RicercaVoci->tendina()->isVisible());
    // Escape: empty field, no list, the focus back where it was.
    QTest::keyClick(campo, Qt::Key_Escape);
    EXPECT_TRUE(campo->text().isEmpty());
    EXPECT_FALSE(w->RicercaVoci->tendina()->isVisible());
    EXPECT_TRUE(prima->hasFocus());

    // The keys of the window pass through the field to the window.
    struct Spia : QObject
    {
        std::vector<int> tasti;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::KeyPress)
                tasti.push_back(static_cast<QKeyEvent*>(e)->key());
            return false;
        }
    } spia;
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(campo, QStringLiteral("etich"));
    w->installEventFilter(&spia);
    for (Qt::Key k : {Qt::Key_F8, Qt::Key_F9, Qt::Key_F12})
        QTest::keyClick(campo, k);
    EXPECT_EQ(spia.tasti, (std::vector<int>{Qt::Key_F8, Qt::Key_F9, Qt::Key_F12}));
    w->removeEventFilter(&spia);

    // Back to the login panel: the field and its list go with the bar, and nothing is left
    // for the next user.
    w->mostraStatoLogin();
    EXPECT_FALSE(w->RicercaVoci->isVisible());
    EXPECT_FALSE(w->RicercaVoci->tendina()->isVisible());
    EXPECT_TRUE(campo->text().isEmpty());
}

TEST_F(MenuSearchTest, F12AndF8PressedInTheFieldChangeCompanyAndUser)
{
    test::exec(other,
               QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                              "PROGRESSIVO) VALUES (1, 'BETA', 'Listino', 'Inverno', 2)"));
    auto w = login();
    const QString bilancio = path({"Contabilità", "Bilancio <LINEA>Listino</LINEA>"});
    type(*w, QStringLiteral("listino"));
    EXPECT_EQ(shown(*w),
              (QStringList{path({"Contabilità", "Prima nota", "Listino Estate"}), bilancio}));

    // The next company: the captions of the list are those of the new company at once.
    QLineEdit* campo = w->RicercaVoci->campo();
    QTest::keyClick(campo, Qt::Key_F12);
    QApplication::processEvents();
    EXPECT_EQ(w->tabX()->DittaCorrente, QStringLiteral("BETA"));
    EXPECT_TRUE(campo->hasFocus());
    EXPECT_EQ(shown(*w),
              (QStringList{path({"Contabilità", "Prima nota", "Listino Inverno"}), bilancio}));
    EXPECT_TRUE(w->RicercaVoci->tendina()->isVisible());

    // Back to the login panel: the field and its list go with the bar, and nothing is left
    // for the next user.
    QTest::keyClick(campo, Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_TRUE(w->PanelLogIn->isVisible());
    EXPECT_FALSE(w->RicercaVoci->isVisible());
    EXPECT_FALSE(w->RicercaVoci->tendina()->isVisible());
    EXPECT_TRUE(campo->text().isEmpty());
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(MenuSearchTest, TheIndexIsReadOnceAndAgainAfterTheMenusAreRebuilt)
{
    auto w = login();
    type(*w, QStringLiteral("estate"));
    ASSERT_EQ(shown(*w).size(), 1);
    // Another workstation changes the parameter and adds an entry: typing reads nothing, so
    // the list stays as the index was built.
    test::exec(other,
               QStringLiteral("UPDATE TABVELKORA SET VALORE='Inverno' WHERE PARAMETRO='Listino'"));
    test::exec(other, QStringLiteral(
                          "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                          "DESCRIZIONE) VALUES (20, 130, 1, 100, '1', 'Estate nuova')"));
    type(*w, QStringLiteral("inverno"));
    EXPECT_TRUE(shown(*w).isEmpty());
    type(*w, QStringLiteral("estate"));
    EXPECT_EQ(shown(*w), QStringList{path({"Contabilità", "Prima nota", "Listino Estate"})});
    QTest::keyClick(w->RicercaVoci->campo(), Qt::Key_Escape);

    // The menus are rebuilt (a company change does this): the next search reads them again.
    w->TransazioneAux.restart();
    w->tabX()->TransazioneUser.restart();
    w->CaricaMenu(w->programmaCorrente());
    type(*w, QStringLiteral("inverno"));
    EXPECT_EQ(shown(*w), QStringList{path({"Contabilità", "Prima nota", "Listino Inverno"})});
    type(*w, QStringLiteral("estate"));
    EXPECT_EQ(shown(*w), QStringList{path({"Anagrafiche", "Clienti", "Estate nuova"})});
}

} // namespace
