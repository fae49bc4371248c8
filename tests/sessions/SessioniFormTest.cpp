// The open-sessions window on a real user database: what it lists, marking, the confirmation,
// and the closing of the marked sessions, all of them or none.
#include "data/TabX.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "dialoghi/Sessioni.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/QtPrinting.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <map>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kDomanda = QStringLiteral("Effettuare la chiusura delle sessioni selezionate?");
const QString kErrore = QStringLiteral(
    "Errore interno di UPDATE: impossibile chiudere le sessioni selezionate. Riprovare");
const QString kSessioneChiusa = QStringLiteral(
    "Attenzione: la sessione corrente risulta chiusa. Si prega di uscire e rientrare");

// ROSSI (7) has the open sessions 11, 12 and 13 and the closed 14; VERDI (8) has the open 15.
// The generator starts after them, so ROSSI's login opens session 21.
class SessioniFormTest : public ::testing::Test
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
            "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
            "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, DESCRIZIONE, "
            "DLL, FUNZIONE) "
            "VALUES (10, 1, 0, NULL, '1', 'Clienti', 'Manca.dll', 'ApriClienti')",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) VALUES (7, "
            "'ROSSI', 'A', 1, 1)",
            "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) VALUES (8, "
            "'VERDI', 'A', 1, 1)",
            "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE) VALUES "
            "(11, '03/01/2026', '08:00:01', 7)",
            "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE) VALUES "
            "(12, '03/02/2026', '09:30:00', 7)",
            "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE) VALUES "
            "(13, '03/03/2026', '17:45:59', 7)",
            "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE, "
            "DATACHIUSURA, ORACHIUSURA) "
            "VALUES (14, '03/04/2026', '10:00:00', 7, '03/04/2026', '11:00:00')",
            "INSERT INTO NORVILOG (CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE) VALUES "
            "(15, '03/05/2026', '12:00:00', 8)",
            "SET GENERATOR CODICESESSIONENORVILOG TO 20",
        };
        for (const char* s : sql)
            test::exec(other, QString::fromUtf8(s));
    }

    std::unique_ptr<TBaseMainForm> loggedIn()
    {
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("ROSSI")));
        w->ButtonOk->click();
        EXPECT_TRUE(w->SessioneAperta);
        EXPECT_EQ(w->CodiceSessione, 21);
        folder.messages.clear();
        return w;
    }

    // The closing date and time of every session as committed ("" while open).
    std::map<int, QString> chiusure()
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(QStringLiteral("SELECT CODICESESSIONE, DATACHIUSURA, ORACHIUSURA FROM NORVILOG"));
        q.open();
        std::map<int, QString> out;
        for (q.first(); !q.eof(); q.next())
            out[static_cast<int>(q.asInteger(0))] =
                q.isNull(1) ? QString() : q.asString(1) + QLatin1Char(' ') + q.asString(2);
        return out;
    }

    static QStringList righe(const TSessioniForm& f)
    {
        QStringList out;
        for (int r = 0; r < f.GridSessioni->rowCount(); ++r) {
            QStringList celle;
            for (int c = 0; c < f.GridSessioni->columnCount(); ++c)
                celle << f.GridSessioni->item(r, c)->text();
            out << celle.join(QLatin1Char('|'));
        }
        return out;
    }

    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database other;
};

TEST_F(SessioniFormTest, ListsTheOpenSessionsOfTheUser)
{
    auto w = loggedIn();
    TSessioniForm f(w.get(), w->PTabXForm.get());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Sessioni aperte utente: ROSSI"));
    EXPECT_EQ(f.size(), QSize(425, 196));
    EXPECT_EQ(f.Label1->text(),
              QStringLiteral("F3 o doppio click per selezionare / deselezionare"));
    EXPECT_EQ(f.ButtonSel->text(), QStringLiteral("&Seleziona tutte"));
    EXPECT_EQ(f.ButtonDeSel->text(), QStringLiteral("&Deseleziona tutte"));
    EXPECT_EQ(f.ButtonChiudiSel->text(), QStringLiteral("Ch&iudi selezionate"));
    EXPECT_EQ(f.ButtonChiudi->text(), QStringLiteral("Chiudi"));
    QStringList titoli;
    for (int c = 0; c < f.GridSessioni->columnCount(); ++c)
        titoli << f.GridSessioni->horizontalHeaderItem(c)->text();
    EXPECT_EQ(titoli, (QStringList{QStringLiteral("CODICESESSIONE"), QStringLiteral("DATAAPERTURA"),
                                   QStringLiteral("ORAAPERTURA")}));
    QStringList attese{QStringLiteral("11|01/03/2026|08:00:01"),
                       QStringLiteral("12|02/03/2026|09:30:00"),
                       QStringLiteral("13|03/03/2026|17:45:59")};
    QStringList lette = righe(f);
    // The current session is listed like the others; its opening is now.
    ASSERT_EQ(lette.size(), 4);
    EXPECT_TRUE(lette.last().startsWith(QStringLiteral("21|"))) << lette.last().toStdString();
    lette.removeLast();
    EXPECT_EQ(lette, attese);
    EXPECT_TRUE(f.SessioniSelezionate.isEmpty());
}

TEST_F(SessioniFormTest, MarkingTogglesAndSelectAllReplacesTheMarks)
{
    auto w = loggedIn();
    TSessioniForm f(w.get(), w->PTabXForm.get());
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.GridSessioni->setCurrentCell(2, 0);
    f.GridSessioniDblClick();
    f.GridSessioni->setCurrentCell(0, 1);
    f.GridSessioniKeyUp(Qt::Key_F3);
    EXPECT_EQ(f.SessioniSelezionate, (QStringList{QStringLiteral("13"), QStringLiteral("11")}));
    EXPECT_TRUE(f.marcata(0));
    EXPECT_FALSE(f.marcata(1));
    EXPECT_TRUE(f.marcata(2));
    // Double click, then F3 (a real key released in the grid) on the same row: unmarked.
    f.GridSessioni->setCurrentCell(1, 0);
    const QPoint punto = f.GridSessioni->visualRect(f.GridSessioni->model()->index(1, 0)).center();
    QTest::mouseClick(f.GridSessioni->viewport(), Qt::LeftButton, {}, punto);
    QTest::mouseDClick(f.GridSessioni->viewport(), Qt::LeftButton, {}, punto);
    EXPECT_EQ(f.SessioniSelezionate.size(), 3);
    QTest::keyRelease(f.GridSessioni, Qt::Key_F3);
    EXPECT_EQ(f.SessioniSelezionate, (QStringList{QStringLiteral("13"), QStringLiteral("11")}));
    QTest::keyRelease(f.GridSessioni, Qt::Key_F4);
    EXPECT_EQ(f.SessioniSelezionate.size(), 2);

    f.ButtonSel->click();
    EXPECT_EQ(f.SessioniSelezionate, (QStringList{QStringLiteral("11"), QStringLiteral("12"),
                                                  QStringLiteral("13"), QStringLiteral("21")}));
    EXPECT_EQ(f.GridSessioni->currentRow(), 0);
    f.ButtonDeSel->click();
    EXPECT_TRUE(f.SessioniSelezionate.isEmpty());
    EXPECT_FALSE(f.marcata(0));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(SessioniFormTest, MarkedRowsAreDrawnOnTheDesktopColour)
{
    auto w = loggedIn();
    TSessioniForm f(w.get(), w->PTabXForm.get());
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.GridSessioni->setCurrentCell(1, 0);
    f.GridSessioniDblClick();
    const QImage immagine = f.GridSessioni->viewport()->grab().toImage();
    const auto sfondo = [&](int riga, int colonna) {
        const QRect cella =
            f.GridSessioni->visualRect(f.GridSessioni->model()->index(riga, colonna));
        // Inside the cell, left of and above the text.
        return immagine.pixelColor(cella.left() + 1, cella.top() + 1);
    };
    const QColor marcata = sfondo(1, 0);
    EXPECT_EQ(marcata, QColor(0x3A, 0x6E, 0xA5));
    EXPECT_EQ(sfondo(1, 1), marcata) << "every cell of a marked row alike";
    EXPECT_NE(sfondo(0, 0), marcata);
    EXPECT_EQ(sfondo(0, 0), f.GridSessioni->palette().color(QPalette::Base));
}

TEST_F(SessioniFormTest, NoLeavesEverythingYesClosesOnlyTheMarkedOnes)
{
    auto w = loggedIn();
    const std::map<int, QString> prima = chiusure();
    TSessioniForm f(w.get(), w->PTabXForm.get());
    f.GridSessioni->setCurrentCell(0, 0);
    f.GridSessioniDblClick();
    f.GridSessioni->setCurrentCell(2, 0);
    f.GridSessioniDblClick();

    folder.messages.answerNext(false);
    f.ButtonChiudiSel->click();
    EXPECT_EQ(folder.messages.texts(), QStringList{kDomanda});
    EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(chiusure(), prima);
    EXPECT_EQ(f.GridSessioni->rowCount(), 4);

    folder.messages.clear();
    folder.messages.answerNext(true);
    const QDateTime inizio = QDateTime::currentDateTime().addSecs(-1);
    f.ButtonChiudiSel->click();
    const QDateTime fine = QDateTime::currentDateTime().addSecs(1);
    EXPECT_EQ(folder.messages.texts(), QStringList{kDomanda});
    const std::map<int, QString> dopo = chiusure();
    EXPECT_EQ(dopo.at(12), QString());
    EXPECT_EQ(dopo.at(15), QString()) << "another user's session";
    EXPECT_EQ(dopo.at(21), QString());
    EXPECT_EQ(dopo.at(14), prima.at(14));
    ASSERT_FALSE(dopo.at(11).isEmpty());
    EXPECT_EQ(dopo.at(11), dopo.at(13)) << "one date and time for the pass";
    const QDateTime scritta =
        QDateTime::fromString(dopo.at(11), QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    EXPECT_LE(inizio, scritta);
    EXPECT_LE(scritta, fine);
    // The closed sessions left the list.
    QStringList codici;
    for (int r = 0; r < f.GridSessioni->rowCount(); ++r)
        codici << f.GridSessioni->item(r, 0)->text();
    EXPECT_EQ(codici, (QStringList{QStringLiteral("12"), QStringLiteral("21")}));

    // The marks of the closed sessions went with them: a second pass closes only the session
    // marked now and leaves the closing time of the first pass alone.
    EXPECT_TRUE(f.SessioniSelezionate.isEmpty());
    test::exec(other, QStringLiteral(
                          "UPDATE NORVILOG SET DATACHIUSURA='01/15/2020', ORACHIUSURA='08:00:00' "
                          "WHERE CODICESESSIONE IN (11, 13)"));
    f.GridSessioni->setCurrentCell(0, 0);
    f.GridSessioniDblClick();
    folder.messages.clear();
    folder.messages.answerNext(true);
    f.ButtonChiudiSel->click();
    const std::map<int, QString> seconda = chiusure();
    EXPECT_EQ(seconda.at(11), QStringLiteral("15/01/2020 08:00:00"));
    EXPECT_EQ(seconda.at(13), QStringLiteral("15/01/2020 08:00:00"));
    EXPECT_FALSE(seconda.at(12).isEmpty());
    EXPECT_EQ(seconda.at(21), QString());

    // With no marks the question still comes, and a Yes changes nothing.
    const std::map<int, QString> terza = chiusure();
    f.ButtonDeSel->click();
    folder.messages.clear();
    folder.messages.answerNext(true);
    f.ButtonChiudiSel->click();
    EXPECT_EQ(folder.messages.texts(), QStringList{kDomanda});
    EXPECT_EQ(chiusure(), terza);
}

TEST_F(SessioniFormTest, WhenOneUpdateFailsNoneOfThePassStays)
{
    // The second of three marked sessions cannot be updated.
    test::exec(other, QStringLiteral("CREATE EXCEPTION NON_CHIUDERE 'sessione bloccata'"));
    test::exec(other, QStringLiteral(
                          "CREATE TRIGGER BLOCCA_12 FOR NORVILOG BEFORE UPDATE AS "
                          "BEGIN IF (OLD.CODICESESSIONE = 12) THEN EXCEPTION NON_CHIUDERE; END"));
    auto w = loggedIn();
    const std::map<int, QString> prima = chiusure();
    TSessioniForm f(w.get(), w->PTabXForm.get());
    for (int riga : {0, 1, 2}) {
        f.GridSessioni->setCurrentCell(riga, 0);
        f.GridSessioniDblClick();
    }
    folder.messages.answerNext(true);
    f.ButtonChiudiSel->click();
    ASSERT_EQ(folder.messages.texts(), (QStringList{kDomanda, kErrore}));
    EXPECT_EQ(folder.messages.boxes()[1].kind, BoxKind::Error);
    EXPECT_TRUE(folder.messages.boxes()[1].detail.contains(QStringLiteral("sessione bloccata")));
    EXPECT_EQ(chiusure(), prima);
    EXPECT_EQ(f.GridSessioni->rowCount(), 4) << "the list read again, unchanged";

    // The window's transaction is usable again: without the blocked one the pass closes.
    f.GridSessioni->setCurrentCell(1, 0);
    f.GridSessioniDblClick();
    folder.messages.clear();
    folder.messages.answerNext(true);
    f.ButtonChiudiSel->click();
    EXPECT_EQ(folder.messages.texts(), QStringList{kDomanda});
    EXPECT_EQ(f.GridSessioni->rowCount(), 2);
}

TEST_F(SessioniFormTest, ClosingTheCurrentSessionStopsTheNextMenuCall)
{
    auto w = loggedIn();
    folder.messages.onNextDialog([](QDialog& d) {
        auto& f = dynamic_cast<TSessioniForm&>(d);
        for (int r = 0; r < f.GridSessioni->rowCount(); ++r) {
            if (f.GridSessioni->item(r, 0)->text() == QLatin1String("21")) {
                f.GridSessioni->setCurrentCell(r, 0);
                f.GridSessioniDblClick();
            }
        }
        f.ButtonChiudiSel->click();
        f.ButtonChiudi->click();
        return d.result();
    });
    folder.messages.answerNext(true);
    w->Sessioni1->trigger();
    EXPECT_EQ(folder.messages.dialogTitles(),
              QStringList{QStringLiteral("Sessioni aperte utente: ROSSI")});
    EXPECT_EQ(folder.messages.texts(), QStringList{kDomanda});
    const QString chiusa = chiusure().at(21);
    ASSERT_FALSE(chiusa.isEmpty());

    folder.messages.clear();
    w->EseguiFunzioneVoce(10, 1, 1);
    EXPECT_EQ(folder.messages.texts(), QStringList{kSessioneChiusa});

    // Closing the main window does not write a second closing date.
    folder.messages.clear();
    QTest::qWait(1100);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(chiusure().at(21), chiusa);
}

} // namespace
