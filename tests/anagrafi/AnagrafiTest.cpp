// The customer module as a user meets it: the real library loaded from a program folder through
// the program's loader, its windows on a real company archive, edited as a person would (typing
// into the fields, clicking the buttons), with a second attachment playing the other workstation.
#include "TestPaths.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "print/PdfText.h"
#include "support/ProgramFolder.h"
#include "support/QtPrinting.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTableView>
#include <QProcess>
#include <QTest>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>

using namespace velkora;
using velkora::test::ProgramFolder;

namespace {

using EntryX = void (*)(std::int32_t, std::int32_t);

const QString kRigaBloccata = QStringLiteral(
    "Attenzione: altri utenti stanno lavorando su questo record. Provare ad aggiornare la griglia. "
    "Nel caso in cui questo messaggio riapparisse, provare ad editare il record in un secondo "
    "momento.");
const QString kEliminaBloccato = QStringLiteral(
    "Impossibile cancellare questo record, altri utenti stanno lavorando su questo record.");
const QString kConfermaElimina = QStringLiteral("Conferma la cacellazione del record?");
const QString kConfermaAnnulla =
    QStringLiteral("Conferma l'annullamento delle modifiche apportate?");
const QString kConfermaChiudi = QStringLiteral("Salvare le modifiche apportate?");

// A program folder with the user database, the module library under the name the loader finds
// for "Anagrafi.dll", and the archive of the company ROSSI SRL named by the user's parameter set.
class AnagrafiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        folder.makeFolder(QStringLiteral("Archivi/Rossi"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE),
                                folder.file(QStringLiteral("libAnagrafi.so"))));
        archivio = folder.file(QStringLiteral("Archivi/Rossi/ditta.fdb"));
        data::SchemaInstaller::createDatabase(archivio, data::SchemaInstaller::dittaSchemaSql());

        test::attach(utenti, folder.userDatabase());
        for (const char* sql : {
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'Mario Rossi', 'ROSSI "
                 "SRL')",
                 "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                 "VALUES (1, 'ROSSI SRL', 'ArchivioDitta', 'Archivi\\Rossi\\ditta.fdb', 1)",
                 "INSERT INTO NORVILOGFUNZ (CODICESESSIONE, FUNZIONECHIAMATA, IDFINESTRA) "
                 "VALUES (1, 'ShowClientiFormX', 57)",
             })
            test::exec(utenti, QString::fromUtf8(sql));

        test::attach(ditta, archivio);
        for (const char* nome : {"Caffè Ducale S.r.l.", "Edilizia Forlì S.p.A.", "L'Arte del Pane"})
            test::exec(ditta, QStringLiteral("INSERT INTO CLIENTI (CODICE, RAGIONESOCIALE) VALUES "
                                             "(GEN_ID(CODICECLIENTICOUNTER, 1), '%1')")
                                  .arg(QString::fromUtf8(nome).replace(QLatin1Char('\''),
                                                                       QStringLiteral("''"))));
        test::exec(ditta, QStringLiteral("INSERT INTO FORNITORI (CODICE, RAGIONESOCIALE) VALUES "
                                         "(1, 'Cartiera Fontana')"));

        salvato = platform::Environment::process();
        platform::Environment::process() = folder.environment();
        libreria = platform::DynamicLibrary::load(QStringLiteral("Anagrafi.dll"), folder.path());
        ASSERT_NE(libreria, nullptr);
    }

    void TearDown() override
    {
        // The windows hold attachments to the folder's databases: they go before the folder.
        for (QWidget* w : finestre())
            delete w;
        altro.reset();
        ditta.detach();
        utenti.detach();
        platform::Environment::process() = salvato;
    }

    void chiama(const char* funzione, std::int32_t idFinestra = 0)
    {
        auto entry = reinterpret_cast<EntryX>(
            platform::DynamicLibrary::function(libreria, QString::fromLatin1(funzione)));
        ASSERT_NE(entry, nullptr) << funzione;
        entry(1, idFinestra);
    }

    static std::vector<QWidget*> finestre()
    {
        std::vector<QWidget*> trovate;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("TClientiForm") ||
                w->objectName() == QLatin1String("TFornitoriForm") ||
                w->objectName() == QLatin1String("TArticoliForm"))
                trovate.push_back(w);
        }
        return trovate;
    }

    // The customer window, opened from the entry point; fails the test when it did not open.
    QWidget* apriClienti(std::int32_t idFinestra = 0)
    {
        chiama("ShowClientiFormX", idFinestra);
        const std::vector<QWidget*> trovate = finestre();
        EXPECT_EQ(trovate.size(), 1u)
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        return trovate.size() == 1 ? trovate.front() : nullptr;
    }

    static QTableView* griglia(QWidget* w)
    {
        return w->findChild<QTableView*>(QStringLiteral("Griglia"));
    }
    static QLineEdit* campo(QWidget* w, const char* colonna)
    {
        return w->findChild<QLineEdit*>(QStringLiteral("Edit") + QString::fromLatin1(colonna));
    }
    static QPushButton* pulsante(QWidget* w, const char* nome)
    {
        return w->findChild<QPushButton*>(QString::fromLatin1(nome));
    }
    static int tag(QWidget* w) { return pulsante(w, "ButtonSalva")->property("tag").toInt(); }

    // The print library of the build, in the program folder where the print call looks for it.
    bool installaVorp()
    {
        return QFile::copy(
            QDir(QString::fromUtf8(test::kProgramDir)).filePath(QStringLiteral("libVorp.so")),
            folder.file(QStringLiteral("libVorp.so")));
    }

    // The next print preview saves its report as the PDF file (its title kept in titolo) and
    // closes, as a user does with "Salva PDF".
    void salvaAnteprimaIn(const QString& pdf, std::string* titolo = nullptr)
    {
        folder.messages.onNextDialog([titolo](QDialog& dialog) {
            if (titolo)
                *titolo = dialog.windowTitle().toStdString();
            EXPECT_NE(qobject_cast<QPrintPreviewDialog*>(&dialog), nullptr);
            if (QAction* salva = dialog.findChild<QAction*>(QStringLiteral("SalvaPdf")))
                salva->trigger();
            else
                ADD_FAILURE() << "the preview has no Salva PDF";
            return int(QDialog::Rejected);
        });
        folder.messages.onNextDialog([pdf](QDialog& dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(&dialog);
            if (!chooser)
                return int(QDialog::Rejected);
            chooser->selectFile(pdf);
            static_cast<QDialog*>(chooser)->accept();
            return chooser->result();
        });
    }

    // The names in the grid, in the order shown.
    static QStringList nomi(QWidget* w)
    {
        QStringList out;
        QAbstractItemModel* m = griglia(w)->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 1).data().toString();
        return out;
    }

    // Selects the row of the name in the grid.
    static void seleziona(QWidget* w, const QString& nome)
    {
        const int r = static_cast<int>(nomi(w).indexOf(nome));
        ASSERT_GE(r, 0) << nome.toStdString();
        griglia(w)->setCurrentIndex(griglia(w)->model()->index(r, 1));
    }

    // Types into a field as a person does: select all, type the new text one key at a time
    // (accented letters too, as a keyboard sends them).
    static void scrivi(QLineEdit* edit, const QString& testo)
    {
        edit->setFocus();
        edit->selectAll();
        for (const QChar c : testo)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // A column of the archive's row, as committed (read in a fresh transaction).
    QString colonna(const QString& tabella, const QString& col, qint32 codice)
    {
        db::Transaction t(&ditta);
        db::Query q(&ditta, &t);
        q.add(QStringLiteral("SELECT %1 FROM %2 WHERE CODICE = :C").arg(col, tabella));
        q.setParam(QStringLiteral("C"), codice);
        q.open();
        const QString v = q.isEmpty() ? QStringLiteral("<nessuna riga>") : q.asString(0);
        t.rollback();
        return v;
    }

    // The other workstation: its own attachment to the archive, holding a row's lock in an
    // open no-wait transaction.
    void altroBlocca(qint32 codice, const QString& tabella = QStringLiteral("CLIENTI"))
    {
        altro = std::make_unique<Altro>();
        test::attach(altro->database, archivio);
        altro->transazione.setDatabase(&altro->database);
        db::Query q(&altro->database, &altro->transazione);
        q.add(QStringLiteral("UPDATE %1 SET CODICE=CODICE WHERE CODICE = :C").arg(tabella));
        q.setParam(QStringLiteral("C"), codice);
        q.execSql();
    }

    struct Altro
    {
        db::Database database;
        db::Transaction transazione;
        ~Altro()
        {
            if (transazione.active())
                transazione.rollback();
            database.detach();
        }
    };

    ProgramFolder folder;
    QString archivio;
    db::Database utenti;
    db::Database ditta;
    std::unique_ptr<Altro> altro;
    platform::Environment salvato;
    platform::DynamicLibrary::Handle libreria = nullptr;
};

TEST_F(AnagrafiTest, TheCustomerListOpensOnTheCompanyArchiveAndRecordsItsHandle)
{
    QWidget* w = apriClienti(57);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_EQ(nomi(w), (QStringList{QStringLiteral("Caffè Ducale S.r.l."),
                                    QStringLiteral("Edilizia Forlì S.p.A."),
                                    QStringLiteral("L'Arte del Pane")}));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LabelConteggio"))->text(),
              QStringLiteral("3 clienti"));
    EXPECT_EQ(campo(w, "RAGIONESOCIALE")->text(), QStringLiteral("Caffè Ducale S.r.l."));
    EXPECT_EQ(tag(w), 0);

    db::Transaction t(&utenti);
    db::Query q(&utenti, &t);
    q.add(QStringLiteral("SELECT HANDLEFINESTRA FROM NORVILOGFUNZ WHERE IDFINESTRA = 57"));
    q.open();
    EXPECT_EQ(q.asInteger(0), static_cast<qint32>(w->winId()));

    // The window's script row is seeded once, for the user who opened it, on the turn of the
    // event loop after the window was shown (its first paint does not wait for it).
    t.rollback();
    QCoreApplication::processEvents();
    db::Query script(&utenti, &t);
    script.add(
        QStringLiteral("SELECT PROGETTO, SCRIPTFORM, CONTESTO, UTENTE, SCRIPT FROM TABSCRIPT"));
    script.open();
    ASSERT_EQ(script.recordCount(), 1);
    EXPECT_EQ(script.asString(0), QStringLiteral("ANAGRAFI"));
    EXPECT_EQ(script.asString(1), QStringLiteral("TClientiForm"));
    EXPECT_EQ(script.asInteger(2), 0);
    EXPECT_EQ(script.asString(3), QStringLiteral("1"));
    EXPECT_TRUE(script.asString(4).contains(QStringLiteral("nessuna istruzione")));
    t.rollback();

    // A second call brings the same window forward; the suppliers open a window of their own.
    chiama("ShowClientiFormX");
    EXPECT_EQ(finestre().size(), 1u);
    chiama("ShowFornitoriFormX");
    ASSERT_EQ(finestre().size(), 2u);
}

TEST_F(AnagrafiTest, TheSearchFiltersEveryColumnWithoutRegardToCase)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    QLineEdit* cerca = w->findChild<QLineEdit*>(QStringLiteral("EditCerca"));
    struct Caso
    {
        const char* testo;
        QStringList attesi;
    };
    const Caso casi[] = {
        {"forlì", {QStringLiteral("Edilizia Forlì S.p.A.")}},
        {"'arte", {QStringLiteral("L'Arte del Pane")}},
        {"S.", {QStringLiteral("Caffè Ducale S.r.l."), QStringLiteral("Edilizia Forlì S.p.A.")}},
        {"nessuno", {}},
        {"",
         {QStringLiteral("Caffè Ducale S.r.l."), QStringLiteral("Edilizia Forlì S.p.A."),
          QStringLiteral("L'Arte del Pane")}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.testo);
        cerca->setText(QString::fromUtf8(c.testo));
        EXPECT_EQ(nomi(w), c.attesi);
    }
}

TEST_F(AnagrafiTest, TypingTurnsTheSaveButtonRedAndSavingCommitsAndTurnsItGreen)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    seleziona(w, QStringLiteral("Edilizia Forlì S.p.A."));
    scrivi(campo(w, "CITTA"), QStringLiteral("Forlì"));
    scrivi(campo(w, "NOTE"), QStringLiteral("Consegna all'ingresso; 'DROP TABLE CLIENTI; --"));
    EXPECT_EQ(tag(w), 1);
    // Nothing is committed yet: another workstation sees the old row.
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("CITTA"), 2), QString());

    pulsante(w, "ButtonSalva")->click();
    EXPECT_EQ(tag(w), 0);
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("CITTA"), 2),
              QStringLiteral("Forlì"));
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("NOTE"), 2),
              QStringLiteral("Consegna all'ingresso; 'DROP TABLE CLIENTI; --"));
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 1),
              QStringLiteral("Caffè Ducale S.r.l."));
    // The window stays on the saved row.
    EXPECT_EQ(campo(w, "RAGIONESOCIALE")->text(), QStringLiteral("Edilizia Forlì S.p.A."));
}

// A name typed with a combining accent is saved composed; one with characters the archive cannot
// hold is refused when saved, naming the field and the character, and nothing is written: the
// typed text stays in the window, the save button red, until the user corrects it.
TEST_F(AnagrafiTest, CharactersTheArchiveCannotHoldAreRefusedNamingTheFieldAndNothingIsSaved)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    seleziona(w, QStringLiteral("Edilizia Forlì S.p.A."));
    QLineEdit* nome = campo(w, "RAGIONESOCIALE");
    // An input method hands over the whole text at once, emoji and combining accent included.
    auto digita = [nome](const QString& testo) {
        nome->setFocus();
        nome->selectAll();
        QTest::sendKeyEvent(QTest::Click, nome, Qt::Key_unknown, testo, Qt::NoModifier);
    };
    const QString rifiutato = QStringLiteral("Pek \u5317\u4eac \U0001F600 cafe\u0301");
    digita(rifiutato);
    ASSERT_EQ(nome->text(), rifiutato);
    pulsante(w, "ButtonSalva")->click();
    ASSERT_EQ(folder.messages.boxes().size(), 1u)
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(folder.messages.boxes().at(0).kind, platform::BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes().at(0).text,
              QStringLiteral("Il campo RAGIONESOCIALE contiene il carattere \"\u5317\" (U+5317), che "
                             "l'archivio non può memorizzare: non è stato scritto nulla."));
    folder.messages.clear();
    EXPECT_EQ(tag(w), 1);
    EXPECT_EQ(nome->text(), rifiutato);
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 2),
              QStringLiteral("Edilizia Forlì S.p.A."));

    digita(QStringLiteral("Pek cafe\u0301"));
    pulsante(w, "ButtonSalva")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tag(w), 0);
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 2),
              QStringLiteral("Pek caf\u00e9"));
}

TEST_F(AnagrafiTest, ANewCustomerTakesTheNextGeneratorValueAndIsSavedWithWhatWasTyped)
{
    test::exec(ditta, QStringLiteral("SET GENERATOR CODICECLIENTICOUNTER TO 41"));
    chiama("ShowNuovoClienteFormX");
    ASSERT_EQ(finestre().size(), 1u);
    QWidget* w = finestre().front();
    EXPECT_EQ(tag(w), 1) << "the new row is not saved yet";
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LabelCodice"))->text(), QStringLiteral("42"));
    scrivi(campo(w, "RAGIONESOCIALE"), QStringLiteral("Pasticceria Zoè"));
    scrivi(campo(w, "PROVINCIA"), QStringLiteral("NAP"));
    EXPECT_EQ(campo(w, "PROVINCIA")->text(), QStringLiteral("NA"))
        << "the field holds what the column holds";
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 42),
              QStringLiteral("<nessuna riga>"));
    pulsante(w, "ButtonSalva")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 42),
              QStringLiteral("Pasticceria Zoè"));
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("PROVINCIA"), 42),
              QStringLiteral("NA"));
    EXPECT_EQ(nomi(w).size(), 4);
    EXPECT_EQ(tag(w), 0);
}

// A generator behind the table's keys (restored from an old copy, say) gives a key a row holds
// already: the new row is refused with the error, nothing half-made stays in the list, and the
// next new row, once the generator is past the keys, is made as usual.
TEST_F(AnagrafiTest, ANewRowWhoseKeyIsTakenIsRefusedAndLeavesTheListAsItWas)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    test::exec(ditta, QStringLiteral("SET GENERATOR CODICECLIENTICOUNTER TO 1"));
    pulsante(w, "ButtonNuovo")->click();
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes().at(0).kind, platform::BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes().at(0).text,
              QStringLiteral("Errore nella creazione della nuova riga."));
    EXPECT_EQ(nomi(w).size(), 3);
    EXPECT_EQ(tag(w), 0);

    folder.messages.clear();
    test::exec(ditta, QStringLiteral("SET GENERATOR CODICECLIENTICOUNTER TO 41"));
    pulsante(w, "ButtonNuovo")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LabelCodice"))->text(), QStringLiteral("42"));
    EXPECT_EQ(tag(w), 1);
    pulsante(w, "ButtonSalva")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(nomi(w).size(), 4);
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("CODICE"), 42),
              QStringLiteral("42"));
}

// "Stampa elenco clienti" prints the list through the real print library with the layout the
// demo ships: the preview is saved as a PDF and read back as text. The layout picks the columns
// and their captions (no e-mail column, the accented caption as written), every customer is
// there, and the window stays on the row the user was on.
TEST_F(AnagrafiTest, TheCustomerListPrintsWithTheLayoutTheDemoShips)
{
    ASSERT_TRUE(installaVorp());
    EXPECT_TRUE(data::SchemaInstaller::initDemoReports(folder.path()).isEmpty());
    const QString pdf = folder.file(QStringLiteral("clienti.pdf"));
    std::string titolo;
    salvaAnteprimaIn(pdf, &titolo);

    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    seleziona(w, QStringLiteral("L'Arte del Pane"));
    chiama("StampaClientiFormX");
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(titolo, "Anteprima di stampa - Elenco clienti");
    const QString testo = test::pdfPages(pdf).join(QLatin1Char('\n'));
    for (const char* atteso : {"Elenco clienti", "Ragione sociale", "Città", "Partita IVA",
                               "Ducale S.r.l.", "Edilizia Forlì S.p.A.", "L'Arte del Pane"})
        EXPECT_TRUE(testo.contains(QString::fromUtf8(atteso))) << atteso << "\n"
                                                               << testo.toStdString();
    EXPECT_FALSE(testo.contains(QStringLiteral("E-mail"))) << "the layout was not used";
    EXPECT_FALSE(testo.contains(QStringLiteral("RAGIONESOCIALE"))) << "the layout was not used";
    EXPECT_EQ(campo(w, "RAGIONESOCIALE")->text(), QStringLiteral("L'Arte del Pane"));

    // A layout the user changed is never replaced by the demo's.
    const QString layout = folder.file(QStringLiteral("Report/ElencoClienti.ini"));
    {
        QFile file(layout);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Report]\nColonne=RAGIONESOCIALE\n");
    }
    EXPECT_EQ(data::SchemaInstaller::initDemoReports(folder.path()),
              QStringList{QStringLiteral("Report/ElencoClienti.ini")});
    QFile file(layout);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Report]\nColonne=RAGIONESOCIALE\n"));
}

// With the search hiding part of the list, "Stampa" prints the rows the user sees, with the
// same layout; the whole list again once the search is cleared.
TEST_F(AnagrafiTest, TheListPrintsTheRowsTheSearchShows)
{
    ASSERT_TRUE(installaVorp());
    EXPECT_TRUE(data::SchemaInstaller::initDemoReports(folder.path()).isEmpty());
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    QLineEdit* cerca = w->findChild<QLineEdit*>(QStringLiteral("EditCerca"));
    const struct
    {
        const char* testo;
        QStringList dentro;
        QStringList fuori;
    } casi[] = {
        {"forlì",
         {QStringLiteral("Edilizia Forlì S.p.A.")},
         {QStringLiteral("Ducale"), QStringLiteral("L'Arte del Pane")}},
        {"",
         {QStringLiteral("Edilizia Forlì S.p.A."), QStringLiteral("Ducale"),
          QStringLiteral("L'Arte del Pane")},
         {}},
    };
    int n = 0;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.testo);
        cerca->setText(QString::fromUtf8(c.testo));
        const QString pdf = folder.file(QStringLiteral("filtro%1.pdf").arg(n++));
        salvaAnteprimaIn(pdf);
        pulsante(w, "ButtonStampa")->click();
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        const QString testo = test::pdfPages(pdf).join(QLatin1Char('\n'));
        EXPECT_TRUE(testo.contains(QStringLiteral("Ragione sociale"))) << "the layout was not used";
        for (const QString& riga : c.dentro)
            EXPECT_TRUE(testo.contains(riga)) << riga.toStdString() << "\n" << testo.toStdString();
        for (const QString& riga : c.fuori)
            EXPECT_FALSE(testo.contains(riga)) << riga.toStdString() << "\n" << testo.toStdString();
    }
}

// From the menu with no list open, the list opens for the print and goes with its preview; a
// list the user had open stays.
TEST_F(AnagrafiTest, PrintingFromTheMenuLeavesNoListTheUserDidNotOpen)
{
    ASSERT_TRUE(installaVorp());
    for (const bool aperta : {false, true}) {
        SCOPED_TRACE(aperta ? "list open" : "no list open");
        if (aperta) {
            ASSERT_NE(apriClienti(), nullptr);
        }
        bool anteprima = false;
        folder.messages.onNextDialog([&anteprima](QDialog& dialog) {
            anteprima = qobject_cast<QPrintPreviewDialog*>(&dialog) != nullptr;
            return int(QDialog::Rejected);
        });
        chiama("StampaClientiFormX");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(anteprima);
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(finestre().size(), aperta ? 1u : 0u);
    }
}

TEST_F(AnagrafiTest, ARowAnotherWorkstationHoldsIsNeitherEditedNorDeleted)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    altroBlocca(2);
    seleziona(w, QStringLiteral("Edilizia Forlì S.p.A."));
    scrivi(campo(w, "CITTA"), QStringLiteral("C"));
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes().at(0).kind, platform::BoxKind::Warning);
    EXPECT_EQ(folder.messages.boxes().at(0).text, kRigaBloccata);
    EXPECT_EQ(campo(w, "CITTA")->text(), QString())
        << "what was typed is dropped: the edit did not start";
    EXPECT_EQ(tag(w), 0);

    folder.messages.clear();
    folder.messages.answerNext(true);
    pulsante(w, "ButtonElimina")->click();
    EXPECT_EQ(folder.messages.texts(), (QStringList{kConfermaElimina, kEliminaBloccato}));
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 2),
              QStringLiteral("Edilizia Forlì S.p.A."));

    // Once the other workstation is done, the row can be edited after a refresh, as the warning
    // advises (until then the window reads as of before the other's commit).
    altro->transazione.commit();
    folder.messages.clear();
    pulsante(w, "ButtonAggiorna")->click();
    seleziona(w, QStringLiteral("Edilizia Forlì S.p.A."));
    scrivi(campo(w, "CITTA"), QStringLiteral("Cesena"));
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tag(w), 1);
}

TEST_F(AnagrafiTest, DeletingAsksFirstAndRemovesOnlyTheSelectedRow)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    seleziona(w, QStringLiteral("L'Arte del Pane"));
    folder.messages.answerNext(false);
    pulsante(w, "ButtonElimina")->click();
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 3),
              QStringLiteral("L'Arte del Pane"));
    EXPECT_EQ(campo(w, "RAGIONESOCIALE")->text(), QStringLiteral("L'Arte del Pane"))
        << "a No leaves the list where it was";

    folder.messages.answerNext(true);
    pulsante(w, "ButtonElimina")->click();
    EXPECT_EQ(folder.messages.texts(), (QStringList{kConfermaElimina, kConfermaElimina}));
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("RAGIONESOCIALE"), 3),
              QStringLiteral("<nessuna riga>"));
    EXPECT_EQ(nomi(w), (QStringList{QStringLiteral("Caffè Ducale S.r.l."),
                                    QStringLiteral("Edilizia Forlì S.p.A.")}));
}

TEST_F(AnagrafiTest, DiscardingAndClosingWithoutSavingLeaveTheArchiveAsItWas)
{
    QWidget* w = apriClienti();
    ASSERT_NE(w, nullptr);
    scrivi(campo(w, "TELEFONO"), QStringLiteral("0521 000000"));
    folder.messages.answerNext(true);
    pulsante(w, "ButtonAnnulla")->click();
    EXPECT_EQ(folder.messages.texts(), QStringList{kConfermaAnnulla});
    EXPECT_EQ(tag(w), 0);
    EXPECT_EQ(campo(w, "TELEFONO")->text(), QString());
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("TELEFONO"), 1), QString());

    scrivi(campo(w, "TELEFONO"), QStringLiteral("0521 111111"));
    w->move(40, 30);
    w->resize(900, 500);
    folder.messages.clear();
    folder.messages.answerNext(false);
    w->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(folder.messages.texts(), QStringList{kConfermaChiudi});
    EXPECT_TRUE(finestre().empty());
    EXPECT_EQ(colonna(QStringLiteral("CLIENTI"), QStringLiteral("TELEFONO"), 1), QString());

    // Its place is kept for the user and opened there next time.
    db::Transaction t(&utenti);
    db::Query q(&utenti, &t);
    q.add(QStringLiteral(
        "SELECT DimX, DimY FROM STOPOS1 WHERE CodiceUtente = 1 AND CodiceSituazione = 1"));
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.asInteger(0), 900);
    EXPECT_EQ(q.asInteger(1), 500);
    t.rollback();
    QWidget* dinuovo = apriClienti();
    ASSERT_NE(dinuovo, nullptr);
    EXPECT_EQ(dinuovo->size(), QSize(900, 500));
}

TEST_F(AnagrafiTest, AMissingArchiveParameterOrTableIsReportedAndNoWindowOpens)
{
    struct Caso
    {
        const char* sql;
        const char* messaggio;
    };
    const Caso casi[] = {
        {"DELETE FROM TABVELKORA",
         "Archivio della ditta ROSSI SRL non impostato: indicare il file dell'archivio nel "
         "parametro ArchivioDitta dei parametri dell'utente."},
        {"INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
         "VALUES (1, 'ROSSI SRL', 'ArchivioDitta', 'Archivi\\Rosi\\ditta.fdb', 1)",
         "L'archivio della ditta ROSSI SRL non esiste: controllare il parametro ArchivioDitta."},
        {"UPDATE TABVELKORA SET VALORE = 'user\\user.fdb'",
         "L'archivio della ditta ROSSI SRL non contiene la tabella CLIENTI: preparare "
         "l'archivio con velkora-admin."},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.sql);
        test::exec(utenti, QString::fromLatin1(c.sql));
        folder.messages.clear();
        chiama("ShowClientiFormX");
        EXPECT_TRUE(finestre().empty());
        ASSERT_EQ(folder.messages.boxes().size(), 1u);
        EXPECT_EQ(folder.messages.boxes().at(0).kind, platform::BoxKind::Error);
        EXPECT_EQ(folder.messages.boxes().at(0).text, QString::fromUtf8(c.messaggio));
    }
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("Archivi/Rosi/ditta.fdb"))))
        << "a mistyped archive is not created";
}

} // namespace

// The items module, written on the module kit alone: the same program folder and archive, its
// own library and table.
class ArticoliTest : public AnagrafiTest
{
protected:
    void SetUp() override
    {
        AnagrafiTest::SetUp();
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ARTICOLI_FILE),
                                folder.file(QStringLiteral("libArticoli.so"))));
        for (const char* riga : {"'Caffè in grani 1 kg', 'PZ', 18.9000, 22.00, 120.000",
                                 "'Farina tipo 00', 'KG', 0.8450, 4.00, 1250.500"})
            test::exec(ditta, QStringLiteral("INSERT INTO ARTICOLI (CODICE, DESCRIZIONE, "
                                             "UNITAMISURA, PREZZO, ALIQUOTAIVA, GIACENZA) VALUES "
                                             "(GEN_ID(CODICEARTICOLICOUNTER, 1), %1)")
                                  .arg(QString::fromUtf8(riga)));
        articoli = platform::DynamicLibrary::load(QStringLiteral("Articoli.dll"), folder.path());
        ASSERT_NE(articoli, nullptr);
    }

    QWidget* apriArticoli()
    {
        auto entry = reinterpret_cast<EntryX>(
            platform::DynamicLibrary::function(articoli, QStringLiteral("ShowArticoliFormX")));
        EXPECT_NE(entry, nullptr);
        if (!entry)
            return nullptr;
        entry(1, 0);
        for (QWidget* w : finestre()) {
            if (w->objectName() == QLatin1String("TArticoliForm"))
                return w;
        }
        ADD_FAILURE() << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        return nullptr;
    }

    // The next file chooser picks the file and accepts, as the user does.
    void scegliFile(const QString& file)
    {
        folder.messages.onNextDialog([file](QDialog& dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(&dialog);
            if (!chooser)
                return int(QDialog::Rejected);
            chooser->selectFile(file);
            static_cast<QDialog*>(chooser)->accept();
            return chooser->result();
        });
    }

    platform::DynamicLibrary::Handle articoli = nullptr;
};

// A new item keyed by the generator, its price typed with the decimal comma, kept to the last
// decimal through the save, the print and the export; the export read back by a CSV reader as a
// spreadsheet would read it.
TEST_F(ArticoliTest, ANewItemKeepsItsExactPriceThroughSavePrintAndExport)
{
    ASSERT_TRUE(installaVorp());
    QWidget* w = apriArticoli();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(nomi(w), (QStringList{QStringLiteral("Caffè in grani 1 kg"),
                                    QStringLiteral("Farina tipo 00")}));
    EXPECT_EQ(griglia(w)->model()->index(1, 3).data().toString(), QStringLiteral("0,8450"));

    pulsante(w, "ButtonNuovo")->click();
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LabelCodice"))->text(), QStringLiteral("3"));
    scrivi(campo(w, "DESCRIZIONE"), QStringLiteral("Tè verde di Niccolò"));
    scrivi(campo(w, "PREZZO"), QStringLiteral("1234567890,1234"));
    scrivi(campo(w, "ALIQUOTAIVA"), QStringLiteral("22"));
    scrivi(campo(w, "GIACENZA"), QStringLiteral("0,001"));
    pulsante(w, "ButtonSalva")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(colonna(QStringLiteral("ARTICOLI"), QStringLiteral("PREZZO"), 3),
              QStringLiteral("1234567890.1234"));
    EXPECT_EQ(colonna(QStringLiteral("ARTICOLI"), QStringLiteral("DESCRIZIONE"), 3),
              QStringLiteral("Tè verde di Niccolò"));
    EXPECT_EQ(colonna(QStringLiteral("ARTICOLI"), QStringLiteral("GIACENZA"), 3),
              QStringLiteral("0.001"));

    // The search narrows the list; the print and the export take the rows it shows.
    scrivi(w->findChild<QLineEdit*>(QStringLiteral("EditCerca")), QStringLiteral("tè"));
    ASSERT_EQ(nomi(w), QStringList{QStringLiteral("Tè verde di Niccolò")});
    const QString pdf = folder.file(QStringLiteral("articoli.pdf"));
    salvaAnteprimaIn(pdf);
    pulsante(w, "ButtonStampa")->click();
    const QString stampa = test::pdfPages(pdf).join(QLatin1Char('\n'));
    EXPECT_TRUE(stampa.contains(QStringLiteral("1234567890,1234"))) << stampa.toStdString();
    EXPECT_TRUE(stampa.contains(QStringLiteral("Tè verde di Niccolò"))) << stampa.toStdString();
    EXPECT_FALSE(stampa.contains(QStringLiteral("Farina"))) << stampa.toStdString();

    const QString csv = folder.file(QStringLiteral("articoli.csv"));
    scegliFile(csv);
    pulsante(w, "ButtonEsporta")->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    QProcess lettore;
    lettore.start(QStringLiteral("python3"),
                  {QStringLiteral("-c"),
                   QStringLiteral("import csv,sys\n"
                                  "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                  "    for r in csv.reader(f, delimiter=';'): print('|'.join(r))"),
                   csv});
    ASSERT_TRUE(lettore.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(lettore.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                      Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("Codice|Descrizione|U.M.|Prezzo|IVA %|Giacenza"),
                           QStringLiteral("3|Tè verde di Niccolò||1234567890,1234|22,00|0,001")}))
        << lettore.readAllStandardError().toStdString();
}

// An item another workstation is editing cannot be changed here: the lock probe refuses the
// first key typed, with the warning that says so, and nothing is written.
TEST_F(ArticoliTest, AnItemAnotherWorkstationHoldsIsNotEdited)
{
    QWidget* w = apriArticoli();
    ASSERT_NE(w, nullptr);
    altroBlocca(2, QStringLiteral("ARTICOLI"));
    seleziona(w, QStringLiteral("Farina tipo 00"));
    scrivi(campo(w, "PREZZO"), QStringLiteral("9"));
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes().at(0).text, kRigaBloccata);
    EXPECT_EQ(campo(w, "PREZZO")->text(), QStringLiteral("0,8450"));
    EXPECT_EQ(tag(w), 0);
    EXPECT_EQ(colonna(QStringLiteral("ARTICOLI"), QStringLiteral("PREZZO"), 2),
              QStringLiteral("0.8450"));
}

// A long list shows its first rows at once and reads the rest in the background while the
// window takes input; the search then covers every row, and the print takes them all.
TEST_F(ArticoliTest, ALongListShowsItsFirstRowsAtOnceAndTheRestFollows)
{
    {
        db::Transaction t(&ditta);
        db::Query q(&ditta, &t);
        q.add(QStringLiteral("INSERT INTO ARTICOLI (CODICE, DESCRIZIONE, PREZZO) VALUES "
                             "(GEN_ID(CODICEARTICOLICOUNTER, 1), :D, 1.5)"));
        for (int i = 0; i < 2500; ++i) {
            q.setParam(QStringLiteral("D"), QStringLiteral("Vite %1 in acciaio").arg(i, 4, 10, QLatin1Char('0')));
            q.execSql();
        }
        t.commit();
    }
    QWidget* w = apriArticoli();
    ASSERT_NE(w, nullptr);
    auto* conteggio = w->findChild<QLabel*>(QStringLiteral("LabelConteggio"));
    EXPECT_LT(griglia(w)->model()->rowCount(), 2502);
    EXPECT_TRUE(conteggio->text().endsWith(QStringLiteral("(lettura in corso...)")))
        << conteggio->text().toStdString();

    scrivi(w->findChild<QLineEdit*>(QStringLiteral("EditCerca")), QStringLiteral("vite 2499"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return conteggio->text() == QStringLiteral("1 di 2502 articoli"); }, 10000))
        << conteggio->text().toStdString();
    EXPECT_EQ(nomi(w), QStringList{QStringLiteral("Vite 2499 in acciaio")});
    EXPECT_TRUE(folder.messages.boxes().empty());
}
