// Menu leaves and quick items of a logged-in main window on a real user database, calling the
// test module through the program's loader: the kind of call chosen for each function name and
// mode, every way the dispatch stops, and what the click handlers do around it.

#include "TestModulePaths.h"
#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "dispatch/ChiamateModulo.h"
#include "dispatch/EsecuzioneVoce.h"
#include "dispatch/CartellaConProva.h"
#include "dispatch/ModuleAccess.h"
#include "menu/NavigationBar.h"
#include "platform/DynamicLibrary.h"
#include "sessions/SessioniLavoro.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::platform::DynamicLibrary;
using namespace velkora::test;

namespace {

const QString kApertura =
    QStringLiteral("Impossibile caricare la finestra relativa alla voce di menu selezionata. "
                   "Controllare le impostazioni di menu del programma ");
const QString kSessioneChiusa = QStringLiteral(
    "Attenzione: la sessione corrente risulta chiusa. Si prega di uscire e rientrare");
const QString kNessunaSessione =
    QStringLiteral("Attenzione: non risulta aperta nessuna sessione di lavoro");
const QString kDittaFallita = QStringLiteral("Errore interno di lettura parametro ditta");
const QString kParametri = QStringLiteral("MODO=INSERIMENTO;NOTA=più");

// A user database with two programs of one project, menu items naming the test module's
// functions, and three users: ROSSI with an existing profile, BIANCHI whose profile does not
// exist, VERDI with the same missing profile but allowed to skip the check. A second attachment
// plays another workstation and reads what was committed.
class DispatchTest : public test::CartellaConProva
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CartellaConProva::SetUp());
        for (const char* sql : {
                 "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Anagrafiche', "
                 "'')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (20, 'Magazzino', '')",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 20)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (1, 'ROSSI', 'ALFA', 1, 1)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (2, 'BIANCHI', 'ALFA', 99, 1)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, "
                 "MANTIENISTDMIN) "
                 "VALUES (3, 'VERDI', 'ALFA', 99, 1, '1')",
                 "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                 "VALUES (1, 'ALFA', 'Listino', 'Estate', 1)",
             })
            test::exec(other, QString::fromUtf8(sql));
        // Program 10: a submenu "Voci" holding the leaves, a top-level leaf, and a mode-2 leaf
        // whose caption shows a parameter.
        voce(10, 100, 0, -1, QStringLiteral("Voci"), QString(), QString(), "0");
        voce(10, 300, 0, -1, QStringLiteral("Cima"), QStringLiteral("Prova.so"),
             QStringLiteral("ApriUno"), "0");
        voce(10, 310, 1, 100, QStringLiteral("Listino <LINEA>Listino</LINEA>"),
             QStringLiteral("Prova.so"), QStringLiteral("ApriDueX"), "1");
        // Program 20: one quick item, whose code exists in no other program.
        voce(20, 500, 0, -1, QStringLiteral("Articoli"), QStringLiteral("Prova.so"),
             QStringLiteral("ApriFinestraX"), "0", QStringLiteral("1"));
    }

    // A DETTMENU row; an empty library or function is stored as NULL. Depth or parent -1: NULL.
    void voce(int programma, int menu, int livello, int prec, const QString& descrizione,
              const QString& dll, const QString& funzione, const char* livello2,
              const QString& rapida = QStringLiteral("0"), const QString& parametri = kParametri)
    {
        auto orNull = [](int v) { return v < 0 ? QStringLiteral("NULL") : QString::number(v); };
        auto textOrNull = [](const QString& t) {
            return t.isEmpty() ? QStringLiteral("NULL") : db::quoted(t);
        };
        test::exec(other,
                   QStringLiteral(
                       "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                       "DESCRIZIONE, VOCERAPIDA, DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB) "
                       "VALUES (%1, %2, %3, %4, '1', %5, %6, %7, %8, '%9', %10)")
                       .arg(programma)
                       .arg(menu)
                       .arg(orNull(livello), orNull(prec), db::quoted(descrizione),
                            db::quoted(rapida), textOrNull(dll), textOrNull(funzione),
                            QString::fromUtf8(livello2))
                       .arg(db::quoted(parametri)));
    }

    // The main window with the user logged in through the login panel, as a person does it.
    std::unique_ptr<TBaseMainForm> login(const QString& nome)
    {
        CurrentDirectory cwd(folder.path());
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(nome));
        w->EditPassword->clear();
        w->ButtonOk->click();
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(w->PanelLogIn->isVisible());
        folder.messages.clear();
        return w;
    }

    // The leaf of the menu bar with that item code; null when the bar shows none.
    static QAction* leaf(const TBaseMainForm& w, int menu)
    {
        std::function<QAction*(const QList<QAction*>&)> find =
            [&](const QList<QAction*>& actions) -> QAction* {
            for (QAction* a : actions) {
                if (a->menu()) {
                    if (QAction* found = find(a->menu()->actions()))
                        return found;
                } else if (!a->isSeparator() && a->property("tag").toInt() == menu) {
                    return a;
                }
            }
            return nullptr;
        };
        return find(w.MenuPrincipale->actions().mid(1));
    }

    // Call-log rows as committed: the function name and the window id, in the order written.
    std::vector<std::pair<QString, qint32>> logged()
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(
            QStringLiteral("SELECT FUNZIONECHIAMATA, IDFINESTRA FROM NORVILOGFUNZ "
                           "WHERE FUNZIONECHIAMATA<>'ShowContattAgendaFormD' ORDER BY IDFINESTRA"));
        q.open();
        std::vector<std::pair<QString, qint32>> out;
        for (q.first(); !q.eof(); q.next())
            out.emplace_back(q.asString(0), static_cast<qint32>(q.asInteger(1)));
        t.commit();
        return out;
    }

    QString storedCompany(int utente)
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(QStringLiteral("SELECT DITTA FROM UTENTI WHERE CODICE=") + db::quotedInt(utente));
        q.open();
        const QString ditta = q.asString(0);
        t.commit();
        return ditta;
    }

    std::vector<std::pair<BoxKind, QString>> boxes() const
    {
        std::vector<std::pair<BoxKind, QString>> out;
        for (const auto& box : folder.messages.boxes())
            out.emplace_back(box.kind, box.text);
        return out;
    }

};

struct KindCase
{
    const char* funzione;
    qint32 modo;
    TipoChiamata tipo;
    bool conId;
    TextForm forma;
};

TEST_F(DispatchTest, TheLastLetterAndTheModeChooseTheKindAndItsArguments)
{
    const KindCase cases[] = {
        {"ApriFinestraX", 1, TipoChiamata::DLLX, true, TextForm::None},
        {"ApriDueX", 2, TipoChiamata::DLL2X, true, TextForm::Counted},
        {"ApriTreY", 1, TipoChiamata::DLL3Y, true, TextForm::Plain},
        {"ApriTreY", 2, TipoChiamata::DLL3Y, true, TextForm::Plain},
        {"ApriUno", 1, TipoChiamata::DLL, false, TextForm::None},
        {"ApriDueTesto", 2, TipoChiamata::DLL2, false, TextForm::Counted},
        {"apriunox", 1, TipoChiamata::DLL, false, TextForm::None},
        {"apriduex", 2, TipoChiamata::DLL2, false, TextForm::Counted},
        {"apriunoy", 1, TipoChiamata::DLL, false, TextForm::None},
        {"apriduey", 2, TipoChiamata::DLL2, false, TextForm::Counted},
    };
    int menu = 101;
    for (const KindCase& c : cases)
        voce(10, menu++, 1, 100, QString::fromUtf8(c.funzione), QStringLiteral("Prova.so"),
             QString::fromUtf8(c.funzione), c.modo == 1 ? "0" : "1");
    auto w = login(QStringLiteral("ROSSI"));

    const QByteArray testo = QByteArrayLiteral("MODO=INSERIMENTO;NOTA=pi\xF9");
    menu = 101;
    int calls = record().calls;
    for (const KindCase& c : cases) {
        SCOPED_TRACE(std::string(c.funzione) + " mode " + std::to_string(c.modo));
        // The window's own parts, as its EseguiFunzioneVoce hands them on, to see the kind chosen.
        SessioniLavoro sessioni = w->sessioni();
        const ChiamateModulo chiamate(*w->tabX());
        const std::optional<TipoChiamata> tipo =
            EsecuzioneVoce({w->QueryAux, *w->tabX(), folder.messages, w.get(), w->NumProfilo,
                            w->MantieniStdMin, sessioni, chiamate})
                .EseguiFunzioneVoce(10, menu++, c.modo);
        ASSERT_TRUE(tipo.has_value());
        EXPECT_EQ(*tipo, c.tipo);
        EXPECT_TRUE(boxes().empty());

        // The function was called once, with the user, the id its log row got, and the text.
        ASSERT_EQ(record().calls, ++calls);
        const ModuleCall& call = record().last;
        EXPECT_EQ(call.function, c.funzione);
        EXPECT_EQ(call.numUser, 1);
        const auto rows = logged();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back().first, QString::fromUtf8(c.funzione));
        EXPECT_GT(rows.back().second, 0);
        if (c.conId)
            EXPECT_EQ(call.idFinestra, rows.back().second);
        else
            EXPECT_FALSE(call.idFinestra.has_value());
        EXPECT_EQ(call.form, c.forma);
        if (c.forma != TextForm::None) {
            EXPECT_FALSE(call.textIsNull);
            EXPECT_EQ(call.bytes, (testo + '\0').toStdString());
        }
    }
    EXPECT_EQ(logged().size(), std::size(cases));
}

struct StopCase
{
    const char* what;
    const char* utente;
    int menu;
    // Done after the login, before the click.
    std::function<void(db::Database& altra, TBaseMainForm&)> prima;
    std::vector<std::pair<BoxKind, QString>> attese;
    bool registrata;
    bool chiamata;
};

TEST_F(DispatchTest, EveryStopShowsItsBoxAndLogsAndCallsOnlyWhatItShould)
{
    voce(10, 201, 1, 100, QStringLiteral("Senza DLL"), QString(), QStringLiteral("ApriUno"), "0");
    voce(10, 202, 1, 100, QStringLiteral("Senza funzione"), QStringLiteral("Prova.so"), QString(),
         "0");
    voce(10, 203, 1, 100, QStringLiteral("Vuota"), QString(), QString(), "0");
    voce(10, 204, 1, 100, QStringLiteral("Libreria assente"), QStringLiteral("Inesistente.dll"),
         QStringLiteral("ApriFinestraX"), "0");
    voce(10, 205, 1, 100, QStringLiteral("Funzione assente"), QStringLiteral("Prova.so"),
         QStringLiteral("ApriNessunaX"), "0");
    const QString dll =
        QStringLiteral(": manca la DLL di riferimento per caricare la finestra nel menu ");
    const QString funzione =
        QStringLiteral(": manca la funzione di riferimento per caricare la finestra nel menu ");
    const auto nulla = [](db::Database&, TBaseMainForm&) {};
    const StopCase cases[] = {
        {"missing profile",
         "BIANCHI",
         300,
         nulla,
         {{BoxKind::Error,
           QStringLiteral("Errore di configurazione dell'utente BIANCHI: il profilo sicurezza "
                          "assegnato non esiste")}},
         false,
         false},
        {"missing profile, check skipped", "VERDI", 300, nulla, {}, true, true},
        {"missing item",
         "ROSSI",
         999,
         nulla,
         {{BoxKind::Error, kApertura + QStringLiteral("10: manca il menu 999")}},
         false,
         false},
        {"empty DLL",
         "ROSSI",
         201,
         nulla,
         {{BoxKind::Error, kApertura + QStringLiteral("10") + dll + QStringLiteral("201")}},
         false,
         false},
        {"empty FUNZIONE",
         "ROSSI",
         202,
         nulla,
         {{BoxKind::Error, kApertura + QStringLiteral("10") + funzione + QStringLiteral("202")}},
         false,
         false},
        {"both empty",
         "ROSSI",
         203,
         nulla,
         {{BoxKind::Error, kApertura + QStringLiteral("10") + dll + QStringLiteral("203")}},
         false,
         false},
        // The item is complete: its call is logged, then nothing is found to call and nothing
        // is said.
        {"library missing from the program folder", "ROSSI", 204, nulla, {}, true, false},
        {"function missing from the library", "ROSSI", 205, nulla, {}, true, false},
        {"session closed from another workstation",
         "ROSSI",
         300,
         [](db::Database& altra, TBaseMainForm& w) {
             test::exec(altra,
                        QStringLiteral(
                            "UPDATE NORVILOG SET DATACHIUSURA='12/10/2026', ORACHIUSURA='10:00:00' "
                            "WHERE CODICESESSIONE=") +
                            QString::number(w.CodiceSessione));
         },
         {{BoxKind::Warning, kSessioneChiusa}},
         false,
         false},
        {"session row gone",
         "ROSSI",
         300,
         [](db::Database& altra, TBaseMainForm& w) {
             test::exec(altra, QStringLiteral("DELETE FROM NORVILOG WHERE CODICESESSIONE=") +
                                   QString::number(w.CodiceSessione));
         },
         {{BoxKind::Warning, kNessunaSessione}},
         false,
         false},
        {"company write refused",
         "ROSSI",
         300,
         // Longer than the column: the engine refuses the write.
         [](db::Database&, TBaseMainForm& w) {
             w.tabX()->DittaCorrente = QString(101, QLatin1Char('D'));
         },
         {{BoxKind::Error, kDittaFallita}},
         true,
         false},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto w = login(QString::fromUtf8(c.utente));
        c.prima(other, *w);
        const auto before = logged().size();
        const int calls = record().calls;

        w->EseguiFunzioneVoce(10, c.menu, 1);

        EXPECT_EQ(boxes(), c.attese);
        EXPECT_EQ(logged().size(), before + (c.registrata ? 1 : 0));
        EXPECT_EQ(record().calls, calls + (c.chiamata ? 1 : 0));
        EXPECT_EQ(storedCompany(1), QStringLiteral("ALFA"));
        folder.messages.clear();
    }
}

TEST_F(DispatchTest, TheUsersCompanyFollowsTheCurrentOneBeforeTheCall)
{
    auto w = login(QStringLiteral("ROSSI"));
    w->tabX()->DittaCorrente = QStringLiteral("Beta");
    QAction* cima = leaf(*w, 300);
    ASSERT_NE(cima, nullptr);
    cima->trigger();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(storedCompany(1), QStringLiteral("Beta"));
    EXPECT_EQ(record().last.function, "ApriUno");
    // Letter case counts.
    w->tabX()->DittaCorrente = QStringLiteral("BETA");
    cima->trigger();
    EXPECT_EQ(storedCompany(1), QStringLiteral("BETA"));
}

TEST_F(DispatchTest, LeavesAndQuickItemsCallWithTheirOwnProgram)
{
    auto w = login(QStringLiteral("ROSSI"));
    ASSERT_EQ(w->programmaCorrente(), 10);
    ASSERT_EQ(w->MenuProgrammi->groupCount(), 2);

    // A mode-1 leaf: called, and the menus stay as they are.
    QPointer<QAction> cima = leaf(*w, 300);
    ASSERT_FALSE(cima.isNull());
    int calls = record().calls;
    cima->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(record().calls, ++calls);
    EXPECT_EQ(record().last.function, "ApriUno");
    EXPECT_FALSE(cima.isNull()) << "a mode-1 call does not rebuild the menus";

    // The quick item of program 20 while the menu bar shows program 10: it is started with its
    // group's program, where its code exists.
    NavigationBar::Group* magazzino = w->MenuProgrammi->group(1);
    ASSERT_EQ(magazzino->tag(), 20);
    ASSERT_EQ(magazzino->linkCount(), 1);
    magazzino->link(0)->button()->click();
    EXPECT_TRUE(boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(record().calls, ++calls);
    EXPECT_EQ(record().last.function, "ApriFinestraX");
    EXPECT_EQ(logged().back(),
              std::make_pair(QStringLiteral("ApriFinestraX"), *record().last.idFinestra));
    EXPECT_EQ(w->programmaCorrente(), 10);
}

TEST_F(DispatchTest, AModeTwoLeafRebuildsTheMenusAlsoWhenTheDispatchStops)
{
    auto w = login(QStringLiteral("ROSSI"));
    QPointer<QAction> listino = leaf(*w, 310);
    ASSERT_FALSE(listino.isNull());
    EXPECT_EQ(listino->text(), QStringLiteral("Listino Estate"));

    // The called function changes the user's parameter (here another workstation does, while
    // the call runs): the rebuilt caption shows the new value.
    test::exec(other,
               QStringLiteral("UPDATE TABVELKORA SET VALORE='Inverno' WHERE PARAMETRO='Listino'"));
    int calls = record().calls;
    listino->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(record().calls, ++calls);
    EXPECT_EQ(record().last.function, "ApriDueX");
    EXPECT_EQ(record().last.form, TextForm::Counted) << "mode 2 passes the parameter text";
    EXPECT_TRUE(listino.isNull()) << "the menus were rebuilt";
    listino = leaf(*w, 310);
    ASSERT_FALSE(listino.isNull());
    EXPECT_EQ(listino->text(), QStringLiteral("Listino Inverno"));

    // The session closed elsewhere: the click is refused, nothing is logged or called, and the
    // menus are rebuilt all the same.
    test::exec(other, QStringLiteral(
                          "UPDATE NORVILOG SET DATACHIUSURA='12/10/2026' WHERE CODICESESSIONE=") +
                          QString::number(w->CodiceSessione));
    test::exec(other, QStringLiteral(
                          "UPDATE TABVELKORA SET VALORE='Primavera' WHERE PARAMETRO='Listino'"));
    const auto before = logged().size();
    listino->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes(),
              (std::vector<std::pair<BoxKind, QString>>{{BoxKind::Warning, kSessioneChiusa}}));
    EXPECT_EQ(record().calls, calls);
    EXPECT_EQ(logged().size(), before);
    EXPECT_TRUE(listino.isNull());
    listino = leaf(*w, 310);
    ASSERT_FALSE(listino.isNull());
    EXPECT_EQ(listino->text(), QStringLiteral("Listino Primavera"));
}

TEST_F(DispatchTest, WithoutTheWindowColumnsAnXFunctionGetsWindowIdZero)
{
    test::dropColumn(other, QStringLiteral("NORVILOGFUNZ"), QStringLiteral("IDFINESTRA"));
    auto w = login(QStringLiteral("ROSSI"));
    ASSERT_FALSE(w->LogFinestre);
    w->EseguiFunzioneVoce(20, 500, 1);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(record().last.function, "ApriFinestraX");
    EXPECT_EQ(record().last.idFinestra, 0);
}

TEST_F(DispatchTest, ADatabaseErrorReadingTheItemEndsTheDispatchBeforeTheLog)
{
    auto w = login(QStringLiteral("ROSSI"));
    // The item's statement names a column this database lacks.
    test::dropColumn(other, QStringLiteral("DETTMENU"), QStringLiteral("PARAMETRIBLOB"));
    const auto before = logged().size();
    const int calls = record().calls;
    EXPECT_THROW(w->EseguiFunzioneVoce(10, 300, 1), db::DbError);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(logged().size(), before);
    EXPECT_EQ(record().calls, calls);
}

TEST_F(DispatchTest, AMouseClickOnALeafStartsItOnce)
{
    voce(10, 101, 1, 100, QStringLiteral("Finestra"), QStringLiteral("Prova.so"),
         QStringLiteral("ApriFinestraX"), "0");
    auto w = login(QStringLiteral("ROSSI"));
    w->show();
    QAction* voci = w->MenuPrincipale->actions().at(1);
    ASSERT_NE(voci->menu(), nullptr);
    QAction* finestra = leaf(*w, 101);
    ASSERT_NE(finestra, nullptr);

    // Opened from the menu bar and clicked like a person: the menu bar hears of the leaf once.
    const int calls = record().calls;
    const auto before = logged().size();
    w->MenuPrincipale->setActiveAction(voci);
    QMenu* menu = voci->menu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(finestra).center());
    EXPECT_EQ(record().calls, calls + 1);
    EXPECT_EQ(record().last.function, "ApriFinestraX");
    EXPECT_EQ(logged().size(), before + 1);
    EXPECT_TRUE(boxes().empty());
}

} // namespace
