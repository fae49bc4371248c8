#include "dialoghi/SelezDitta.h"

#include "data/TabX.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "params/Ditte.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::ProgramFolder;

namespace {

const QString kScritturaFallita = QStringLiteral("Errore interno di lettura parametro ditta");

// A program folder with a fresh user database and a data form on it, the current user 7
// working in company ALFA; user 8 exists beside him with parameter rows of his own.
class Ditte
{
public:
    Ditte()
    {
        folder.installUserDatabase();
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
        cella = std::make_unique<TTabXForm*>(form.get());
        form->NumUser = 7;
        form->NomeUser = QStringLiteral("Rossi");
        form->DittaCorrente = QStringLiteral("ALFA");
        exec(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES "
                            "(7, 'Rossi', 'ALFA')"));
        exec(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES "
                            "(8, 'Bianchi', 'ALFA')"));
        addSection(8, QStringLiteral("DI BIANCHI"));
    }

    db::Database& database() { return form->IBDatabaseUser; }
    void exec(const QString& sql) { test::exec(database(), sql); }

    // One parameter row of the user in a section; a null text stores NULL.
    void addSection(qint32 user, const QString& sezione)
    {
        exec(QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                            "PROGRESSIVO) VALUES (%1, %2, 'Agenda', 'SI', %3)")
                 .arg(user)
                 .arg(sezione.isNull() ? QStringLiteral("NULL") : db::quoted(sezione))
                 .arg(++m_progressivo));
    }

    // The committed DITTA of a user, read in a transaction of its own; nullopt without a row.
    std::optional<QString> stored(qint32 user)
    {
        db::Transaction transaction(&database());
        db::Query query(&database(), &transaction);
        query.add(QStringLiteral("SELECT DITTA FROM UTENTI WHERE CODICE=%1").arg(user));
        query.open();
        if (query.isEmpty())
            return std::nullopt;
        return query.asString(0);
    }

    qint64 count(const QString& sql)
    {
        db::Transaction transaction(&database());
        db::Query query(&database(), &transaction);
        query.add(sql);
        query.open();
        return query.asInteger(0);
    }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    // The main window's reference cell of the data form, as the dialog receives it.
    std::unique_ptr<TTabXForm*> cella;

private:
    int m_progressivo = 0;
};

TEST(SelezDitta, ListsTheSectionsOfTheUserAndSelectsTheCurrentCompany)
{
    struct Case
    {
        const char* name;
        QStringList sezioni; // parameter rows of user 7; a null text is a NULL section
        QString corrente;
        QStringList attese;
        int selezionata;
    };
    const Case cases[] = {
        {"no parameter rows: one empty entry", {}, "ALFA", {""}, -1},
        {"no parameter rows, no current company", {}, "", {""}, 0},
        {"two companies", {"ALFA", "BETA", "ALFA"}, "ALFA", {"ALFA", "BETA"}, 0},
        {"the current one written in other case", {"ALFA", "BETA"}, "alfa", {"ALFA", "BETA"}, 0},
        {"the current one not among them", {"ALFA", "BETA"}, "GAMMA", {"ALFA", "BETA"}, -1},
        {"empty sections listed only first", {QString(), "", "ALFA"}, "ALFA", {"", "ALFA"}, 1},
        {"two spellings: the exact one wins", {"ALFA", "alfa"}, "alfa", {"ALFA", "alfa"}, 1},
        {"a name with a quote", {"L'Aquila", "BETA"}, "l'aquila", {"BETA", "L'Aquila"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ditte d;
        for (const QString& sezione : c.sezioni)
            d.addSection(7, sezione);
        d.form->DittaCorrente = c.corrente;

        const ElencoDitte elenco = elencoDitte(d.form->QueryVelkora, d.form->NumUser, d.form->DittaCorrente);
        EXPECT_EQ(elenco.ditte, c.attese);
        EXPECT_EQ(elenco.selezionata, c.selezionata);

        // The dialog shows the same without being shown: F12 reads it this way.
        TSelezDittaForm dialog(nullptr, d.cella.get());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.ditte(), c.attese);
        EXPECT_EQ(dialog.indiceSelezionato(), c.selezionata);
        EXPECT_EQ(dialog.dittaScelta(), c.selezionata < 0 ? QString() : c.attese.at(c.selezionata));
        EXPECT_TRUE(d.folder.messages.boxes().empty());
    }
}

TEST(SelezDitta, IsTheDesignedWindow)
{
    Ditte d;
    TSelezDittaForm dialog(nullptr, d.cella.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Selezione Ditta"));
    EXPECT_EQ(dialog.size(), QSize(350, 300));
    EXPECT_EQ(dialog.font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(dialog.ButtonOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(dialog.ButtonCancel->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(dialog.ButtonOk->isDefault());
    EXPECT_FALSE(dialog.ButtonOk->icon().isNull());
    EXPECT_FALSE(dialog.ButtonCancel->icon().isNull());
    EXPECT_TRUE(dialog.GroupBox1->title().isEmpty());

    // The list and the frame grow with the window; the buttons stay at its bottom.
    dialog.show();
    // The list, first in tab order, has the focus once the window is active.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.focusWidget(), dialog.ListBoxSelDitta);
    const QSize lista = dialog.ListBoxSelDitta->size();
    const int margine = dialog.height() - dialog.ButtonOk->geometry().bottom();
    dialog.resize(500, 450);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.ListBoxSelDitta->width(), lista.width() + 150);
    EXPECT_EQ(dialog.ListBoxSelDitta->height(), lista.height() + 150);
    EXPECT_EQ(dialog.height() - dialog.ButtonOk->geometry().bottom(), margine);
    dialog.hide();
}

// A double click as the window system delivers it: a click, then the second press as a double
// click (QTest's double click alone is only the second half).
void doppioClic(QWidget* widget, QPoint punto)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, punto);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, punto);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, punto);
}

// Shows the dialog through the recording message service and runs the script on it.
int esegui(Ditte& d, TSelezDittaForm& dialog, std::function<void(TSelezDittaForm&)> script)
{
    d.folder.messages.onNextDialog([&](QDialog&) {
        script(dialog);
        return dialog.result();
    });
    return d.folder.messages.execDialog(dialog);
}

TEST(SelezDitta, WithoutASelectedEntryOnlyCancelCloses)
{
    Ditte d;
    d.addSection(7, QStringLiteral("ALFA"));
    d.addSection(7, QStringLiteral("BETA"));
    d.form->DittaCorrente = QStringLiteral("GAMMA");
    TSelezDittaForm dialog(nullptr, d.cella.get());
    QSignalSpy finished(&dialog, &QDialog::finished);

    const int result = esegui(d, dialog, [&](TSelezDittaForm& w) {
        w.ListBoxSelDitta->setFocus();
        w.ButtonOk->click();
        QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Return);
        QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Enter);
        QTest::keyClick(w.ButtonOk, Qt::Key_Return);
        // A double click below the entries and the handler itself.
        doppioClic(w.ListBoxSelDitta->viewport(),
                   QPoint(10, w.ListBoxSelDitta->viewport()->height() - 5));
        w.ListBoxSelDittaDblClick();
        QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Escape);
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(finished.count(), 0);
        EXPECT_EQ(w.indiceSelezionato(), -1);
        w.ButtonCancel->click();
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(d.folder.messages.dialogTitles(), QStringList{QStringLiteral("Selezione Ditta")});
}

TEST(SelezDitta, EachWayOfConfirmingTakesTheSelectedEntryOnce)
{
    struct Case
    {
        const char* name;
        std::function<void(TSelezDittaForm&)> conferma;
        int risultato;
        QString scelta;
    };
    const auto rigaBeta = [](TSelezDittaForm& w) {
        return w.ListBoxSelDitta->visualItemRect(w.ListBoxSelDitta->item(1)).center();
    };
    const Case cases[] = {
        {"the Ok button", [](TSelezDittaForm& w) { w.ButtonOk->click(); }, QDialog::Accepted,
         "ALFA"},
        {"Enter on the list",
         [](TSelezDittaForm& w) {
             w.ListBoxSelDitta->setFocus();
             QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Return);
         },
         QDialog::Accepted, "ALFA"},
        {"Enter on the window", [](TSelezDittaForm& w) { QTest::keyClick(&w, Qt::Key_Enter); },
         QDialog::Accepted, "ALFA"},
        {"arrow down, then Enter",
         [](TSelezDittaForm& w) {
             w.ListBoxSelDitta->setFocus();
             QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Down);
             QTest::keyClick(w.ListBoxSelDitta, Qt::Key_Return);
         },
         QDialog::Accepted, "BETA"},
        {"a double click on an entry",
         [&](TSelezDittaForm& w) { doppioClic(w.ListBoxSelDitta->viewport(), rigaBeta(w)); },
         QDialog::Accepted, "BETA"},
        {"the Cancel button", [](TSelezDittaForm& w) { w.ButtonCancel->click(); },
         QDialog::Rejected, "ALFA"},
        {"the title-bar close button", [](TSelezDittaForm& w) { w.close(); }, QDialog::Rejected,
         "ALFA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ditte d;
        d.addSection(7, QStringLiteral("ALFA"));
        d.addSection(7, QStringLiteral("BETA"));
        TSelezDittaForm dialog(nullptr, d.cella.get());
        QSignalSpy finished(&dialog, &QDialog::finished);
        const int result = esegui(d, dialog, c.conferma);
        EXPECT_EQ(result, c.risultato);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.dittaScelta(), c.scelta);
    }
}

TEST(SelezDitta, TheEmptyEntryOfAUserWithoutRowsCanBeChosen)
{
    Ditte d;
    d.form->DittaCorrente = QString();
    TSelezDittaForm dialog(nullptr, d.cella.get());
    EXPECT_EQ(esegui(d, dialog, [](TSelezDittaForm& w) { w.ButtonOk->click(); }),
              QDialog::Accepted);
    EXPECT_EQ(dialog.indiceSelezionato(), 0);
    EXPECT_EQ(dialog.dittaScelta(), QString());
}

TEST(SelezDitta, AFailingListQueryReachesTheCallerWithoutABox)
{
    Ditte d;
    test::dropColumn(d.database(), QStringLiteral("TABVELKORA"), QStringLiteral("INTESTAZIONE"));
    EXPECT_THROW(TSelezDittaForm(nullptr, d.cella.get()), db::DbError);
    EXPECT_TRUE(d.folder.messages.boxes().empty());
}

// The main window's own transaction and query, as the company update runs on them, and a
// trigger that counts the updates of UTENTI so a test sees whether one was made.
class Aggiornamento : public Ditte
{
public:
    Aggiornamento() : transazioneAux(&database()), queryAux(&database(), &transazioneAux)
    {
        transazioneAux.params() =
            QStringList{QStringLiteral("isc_tpb_concurrency"), QStringLiteral("isc_tpb_nowait")};
        exec(QStringLiteral("CREATE TABLE AGGIORNAMENTI (CODICE INTEGER)"));
        exec(QStringLiteral("CREATE TRIGGER CONTA_AGGIORNAMENTI FOR UTENTI AFTER UPDATE AS "
                            "BEGIN INSERT INTO AGGIORNAMENTI VALUES (NEW.CODICE); END"));
    }

    qint64 updates() { return count(QStringLiteral("SELECT COUNT(*) FROM AGGIORNAMENTI")); }
    bool aggiorna(qint32 utente, const QString& ditta)
    {
        return aggiornaDittaUtente(queryAux, folder.messages, utente, ditta);
    }

    db::Transaction transazioneAux;
    db::Query queryAux;
};

TEST(AggiornaDittaUtente, WritesTheCompanyOnlyWhenItDiffers)
{
    struct Case
    {
        const char* name;
        qint32 utente;
        QString prima; // stored in UTENTI.DITTA of user 7 first; a null text stores NULL
        QString ditta;
        qint64 aggiornamenti;
        std::optional<QString> dopo; // DITTA of the user afterwards
    };
    const Case cases[] = {
        {"the same company", 7, "ALFA", "ALFA", 0, "ALFA"},
        {"differs only in letter case", 7, "Alfa", "ALFA", 1, "ALFA"},
        {"another company", 7, "ALFA", "BETA", 1, "BETA"},
        {"NULL stored, empty given", 7, QString(), "", 0, ""},
        {"emptied", 7, "ALFA", "", 1, ""},
        {"a name with a quote", 7, "ALFA", "L'Aquila", 1, "L'Aquila"},
        {"a name that would end the statement", 7, "ALFA", "'; DELETE FROM UTENTI; --", 1,
         "'; DELETE FROM UTENTI; --"},
        {"a user without a row", 99, "ALFA", "BETA", 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Aggiornamento a;
        a.exec(QStringLiteral("UPDATE UTENTI SET DITTA=%1 WHERE CODICE=7")
                   .arg(c.prima.isNull() ? QStringLiteral("NULL") : db::quoted(c.prima)));
        a.exec(QStringLiteral("DELETE FROM AGGIORNAMENTI"));

        EXPECT_TRUE(a.aggiorna(c.utente, c.ditta));
        // Read in a transaction of its own: the change is committed, and the main window's
        // transaction is kept open for its further work.
        EXPECT_EQ(a.updates(), c.aggiornamenti);
        EXPECT_EQ(a.stored(c.utente), c.dopo);
        EXPECT_TRUE(a.transazioneAux.active());
        EXPECT_EQ(a.stored(8), QStringLiteral("ALFA"));
        EXPECT_EQ(a.count(QStringLiteral("SELECT COUNT(*) FROM UTENTI")), 2);
        EXPECT_TRUE(a.folder.messages.boxes().empty());
    }
}

TEST(AggiornaDittaUtente, SeesWhatAnotherWorkstationCommittedMeanwhile)
{
    Aggiornamento a;
    // The main window's transaction took its snapshot while ALFA was stored.
    EXPECT_TRUE(a.aggiorna(7, QStringLiteral("ALFA")));
    a.exec(QStringLiteral("UPDATE UTENTI SET DITTA='BETA' WHERE CODICE=7"));
    a.exec(QStringLiteral("DELETE FROM AGGIORNAMENTI"));
    // Without the restart the old snapshot would still show ALFA and nothing would be written.
    EXPECT_TRUE(a.aggiorna(7, QStringLiteral("ALFA")));
    EXPECT_EQ(a.updates(), 1);
    EXPECT_EQ(a.stored(7), QStringLiteral("ALFA"));
}

TEST(AggiornaDittaUtente, AFailedWriteKeepsTheOldCompanyAndSaysSo)
{
    Aggiornamento a;
    a.exec(QStringLiteral("UPDATE UTENTI SET DITTA='Alfa' WHERE CODICE=7"));

    // Another workstation holds the row in an open transaction: the no-wait write fails at once.
    db::Database altra;
    test::attach(altra, a.folder.userDatabase());
    {
        db::Transaction blocco(&altra);
        db::Query query(&altra, &blocco);
        query.add(QStringLiteral("UPDATE UTENTI SET NOMEUTENTE='Rossi' WHERE CODICE=7"));
        query.execSql();

        EXPECT_FALSE(a.aggiorna(7, QStringLiteral("ALFA")));
        ASSERT_EQ(a.folder.messages.boxes().size(), 1u);
        EXPECT_EQ(a.folder.messages.boxes()[0].kind, BoxKind::Error);
        EXPECT_EQ(a.folder.messages.boxes()[0].text, kScritturaFallita);
        blocco.rollback();
    }
    EXPECT_EQ(a.stored(7), QStringLiteral("Alfa"));
    a.folder.messages.clear();

    // A name longer than the column is refused by the engine the same way.
    EXPECT_FALSE(a.aggiorna(7, QString(101, QLatin1Char('X'))));
    EXPECT_EQ(a.folder.messages.texts(), QStringList{kScritturaFallita});
    EXPECT_EQ(a.stored(7), QStringLiteral("Alfa"));
    a.folder.messages.clear();

    // The main window's transaction is usable again afterwards.
    EXPECT_TRUE(a.aggiorna(7, QStringLiteral("ALFA")));
    EXPECT_EQ(a.stored(7), QStringLiteral("ALFA"));
    EXPECT_TRUE(a.folder.messages.boxes().empty());
}

TEST(AggiornaDittaUtente, AFailingReadReachesTheCallerWithoutABox)
{
    Aggiornamento a;
    test::dropColumn(a.database(), QStringLiteral("UTENTI"), QStringLiteral("DITTA"));
    EXPECT_THROW(a.aggiorna(7, QStringLiteral("ALFA")), db::DbError);
    EXPECT_TRUE(a.folder.messages.boxes().empty());
}

} // namespace
