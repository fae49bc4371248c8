// The agenda module as the program meets it: the real library, copied into a program folder and
// loaded by the program's loader through the main window's call, opening its real window on the
// folder's real user database.

#include "support/QtPrinting.h"
#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>


using namespace velkora;
using namespace velkora::test;

namespace {

const QString kLibreria = QStringLiteral("Rubrivo.dll");
const QString kFunzioneX = QStringLiteral("ShowContattAgendaFormX");
const QString kFunzioneD = QStringLiteral("ShowContattAgendaFormD");

const QString kErroreLettura =
    QStringLiteral("Errore nella lettura dei contatti dell'agenda: controllare il collegamento al "
                   "database e riprovare.");
const QString kErroreSalvataggio =
    QStringLiteral("Errore nel salvataggio del contatto: i dati inseriti non sono stati salvati e "
                   "restano nella finestra. "
                   "Controllare il collegamento al database e riprovare.");
const QString kContattoBloccato =
    QStringLiteral("Il contatto è in modifica su un'altra postazione: riprovare tra poco. "
                   "I dati inseriti restano nella finestra.");
const QString kEliminazioneBloccata =
    QStringLiteral("Il contatto è in modifica su un'altra postazione e non può essere eliminato "
                   "ora: riprovare tra poco.");
const QString kContattoSparito = QStringLiteral(
    "Il contatto è stato eliminato da un'altra postazione. Salvarlo come nuovo contatto?");
const QString kConfermaEliminazione = QStringLiteral("Eliminare il contatto selezionato?");

// A row of RUBRICA as the tests compare it: name, phone, e-mail, notes (NULL as empty).
using Riga = QStringList;

// The main window on a program folder holding the user database and a copy of the built
// agenda library under the name the loader finds for "Rubrivo.dll". The process environment,
// which the module's own data form takes, points at the same folder and recorder meanwhile.
class AgendaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        // A fresh copy per test is a library of its own for the process, with no agenda open.
        const QString copia = folder.file(QStringLiteral("libRubrivo.so"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE), copia));

        test::attach(database, folder.userDatabase());
        transazione.setDatabase(&database);
        for (const char* sql : {
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'Mario Rossi', 'ROSSI "
                 "SRL')",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (2, 'Anna Bianchi', 'ROSSI "
                 "SRL')",
             })
            exec(database, QString::fromUtf8(sql));
        inserisci(1, {QStringLiteral("Trasporti Colombo"), QStringLiteral("030 7712345"),
                      QStringLiteral("ordini@trasporticolombo.it"),
                      QStringLiteral("Ritiri entro le 11")});
        inserisci(1, {QStringLiteral("Studio Marchetti"), QStringLiteral("02 5551234"),
                      QStringLiteral("info@studiomarchetti.it"), QStringLiteral("Commercialista")});
        inserisci(2, {QStringLiteral("Cartiera Fontana"), QStringLiteral("0521 998877"),
                      QStringLiteral("vendite@cartierafontana.it"), QString()});
        inserisci(1, {QStringLiteral("Francesca Ricci"), QStringLiteral("347 1122334"),
                      QStringLiteral("f.ricci@example.it"), QString()});

        salvato = platform::Environment::process();
        platform::Environment::process() = folder.environment();
        cwd = std::make_unique<CurrentDirectory>(folder.path());
        window = std::make_unique<TBaseMainForm>(folder.environment());
        window->tabX()->SetUserPerNum(1);
        folder.messages.clear();
    }

    void TearDown() override
    {
        // The agendas hold attachments to the folder's database: they go before the folder.
        for (QWidget* w : agende())
            delete w;
        window.reset();
        cwd.reset();
        platform::Environment::process() = salvato;
    }

    // The agenda windows open in the process.
    static std::vector<QWidget*> agende()
    {
        std::vector<QWidget*> trovate;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("ContattAgendaForm"))
                trovate.push_back(w);
        }
        return trovate;
    }

    // The one agenda open; fails the test when there is not exactly one.
    static QWidget* agenda()
    {
        const std::vector<QWidget*> trovate = agende();
        EXPECT_EQ(trovate.size(), 1u);
        return trovate.size() == 1 ? trovate.front() : nullptr;
    }

    static QTableView* griglia(QWidget* agenda)
    {
        return agenda->findChild<QTableView*>(QStringLiteral("GrigliaContatti"));
    }
    static QPushButton* pulsante(QWidget* w, const char* nome)
    {
        return w->findChild<QPushButton*>(QString::fromUtf8(nome));
    }
    static QString testo(QWidget* w, const char* nome)
    {
        return w->findChild<QLabel*>(QString::fromUtf8(nome))->text();
    }

    // The rows the agenda shows, top to bottom, each as name, phone, e-mail, notes.
    static std::vector<Riga> righeMostrate(QWidget* agenda)
    {
        const QAbstractItemModel* m = griglia(agenda)->model();
        std::vector<Riga> righe;
        for (int r = 0; r < m->rowCount(); ++r) {
            Riga riga;
            for (int c = 0; c < m->columnCount(); ++c)
                riga << m->index(r, c).data().toString();
            righe.push_back(riga);
        }
        return righe;
    }

    static QStringList nomiMostrati(QWidget* agenda)
    {
        QStringList nomi;
        for (const Riga& r : righeMostrate(agenda))
            nomi << r.at(0);
        return nomi;
    }

    static void seleziona(QWidget* agenda, const QString& nome)
    {
        const int riga = nomiMostrati(agenda).indexOf(nome);
        ASSERT_GE(riga, 0) << nome.toStdString();
        griglia(agenda)->selectRow(riga);
    }

    // The user's rows in RUBRICA in the order of their codes, as committed now.
    std::vector<Riga> rubricaDi(qint32 utente)
    {
        transazione.restart();
        db::Query q(&database, &transazione);
        q.setSql({QStringLiteral(
            "SELECT NOME,TELEFONO,EMAIL,NOTE FROM RUBRICA WHERE UTENTE=:U ORDER BY CODICE")});
        q.setParam(QStringLiteral("U"), utente);
        q.open();
        std::vector<Riga> righe;
        for (q.first(); !q.eof(); q.next())
            righe.push_back({q.asString(0), q.asString(1), q.asString(2), q.asString(3)});
        transazione.commit();
        return righe;
    }

    qint64 leggiIntero(const QString& sql)
    {
        transazione.restart();
        db::Query q(&database, &transazione);
        q.setSql({sql});
        q.open();
        const qint64 valore = q.isEmpty() || q.isNull(0) ? -1 : q.asInteger(0);
        transazione.commit();
        return valore;
    }

    void inserisci(qint32 utente, const Riga& riga)
    {
        transazione.restart();
        db::Query q(&database, &transazione);
        q.setSql(
            {QStringLiteral("INSERT INTO RUBRICA (CODICE,UTENTE,NOME,TELEFONO,EMAIL,NOTE) VALUES"),
             QStringLiteral("(GEN_ID(CODICERUBRICACOUNTER,1),:U,:N,:T,:E,:NOTE)")});
        q.setParam(QStringLiteral("U"), utente);
        q.setParam(QStringLiteral("N"), riga.at(0));
        q.setParam(QStringLiteral("T"), riga.at(1));
        q.setParam(QStringLiteral("E"), riga.at(2));
        q.setParam(QStringLiteral("NOTE"),
                   riga.at(3).isEmpty() ? QVariant() : QVariant(riga.at(3)));
        q.execSql();
        transazione.commit();
    }

    // The handle stored in the call log under a window id (-1 for NULL or no row).
    qint64 handleDi(qint32 idFinestra)
    {
        return leggiIntero(
            QStringLiteral("SELECT HANDLEFINESTRA FROM NORVILOGFUNZ WHERE IDFINESTRA=") +
            QString::number(idFinestra));
    }

    void apri(const QString& funzione, qint32 idFinestra)
    {
        window->CaricaFunzioneDLLX(kLibreria, funzione, idFinestra);
    }

    ProgramFolder folder;
    db::Database database;
    db::Transaction transazione;
    platform::Environment salvato;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<TBaseMainForm> window;
};

// A dialog script: fills the fields given (a null text leaves the field alone) and presses
// "Salva"; returns the dialog's result, so an accepted dialog reads as closed.
std::function<int(QDialog&)> compila(const QString& nome, const QString& telefono,
                                     const QString& email, const QString& note)
{
    return [=](QDialog& d) {
        const std::pair<const char*, QString> campi[] = {
            {"EditNome", nome}, {"EditTelefono", telefono}, {"EditEmail", email}};
        for (const auto& [campo, valore] : campi) {
            if (!valore.isNull())
                d.findChild<QLineEdit*>(QString::fromUtf8(campo))->setText(valore);
        }
        if (!note.isNull())
            d.findChild<QPlainTextEdit*>(QStringLiteral("MemoNote"))->setPlainText(note);
        d.findChild<QPushButton*>(QStringLiteral("ButtonOk"))->click();
        return d.result();
    };
}

// Today in long Italian form, written out independently of Qt's locale data.
QString oggiInItaliano()
{
    static const char* const giorni[] = {"Lunedì",  "Martedì", "Mercoledì", "Giovedì",
                                         "Venerdì", "Sabato",  "Domenica"};
    static const char* const mesi[] = {"gennaio",   "febbraio", "marzo",    "aprile",
                                       "maggio",    "giugno",   "luglio",   "agosto",
                                       "settembre", "ottobre",  "novembre", "dicembre"};
    const QDate oggi = QDate::currentDate();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromUtf8(giorni[oggi.dayOfWeek() - 1]))
        .arg(oggi.day())
        .arg(QString::fromUtf8(mesi[oggi.month() - 1]))
        .arg(oggi.year());
}

TEST_F(AgendaTest, OpensANonModalWindowWithTheUsersContactsThatOutlivesTheCall)
{
    apri(kFunzioneX, 0);

    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(a->isWindow());
    EXPECT_EQ(a->windowModality(), Qt::NonModal);
    EXPECT_TRUE(a->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(a->windowTitle(), QStringLiteral("Agenda - Mario Rossi"));
    EXPECT_EQ(testo(a, "LabelData"), oggiInItaliano());

    QStringList intestazioni;
    for (int c = 0; c < griglia(a)->model()->columnCount(); ++c)
        intestazioni << griglia(a)->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(intestazioni, (QStringList{"Nome", "Telefono", "E-mail", "Note"}));
    // Only user 1's contacts (not "Cartiera Fontana" of user 2), sorted by name.
    const std::vector<Riga> attese = {
        {"Francesca Ricci", "347 1122334", "f.ricci@example.it", ""},
        {"Studio Marchetti", "02 5551234", "info@studiomarchetti.it", "Commercialista"},
        {"Trasporti Colombo", "030 7712345", "ordini@trasporticolombo.it", "Ritiri entro le 11"},
    };
    EXPECT_EQ(righeMostrate(a), attese);
    EXPECT_EQ(testo(a, "LabelConteggio"), QStringLiteral("3 contatti"));
    // Nothing selected yet: only a new contact can be made.
    EXPECT_TRUE(pulsante(a, "ButtonNuovo")->isEnabled());
    EXPECT_FALSE(pulsante(a, "ButtonModifica")->isEnabled());
    EXPECT_FALSE(pulsante(a, "ButtonElimina")->isEnabled());
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join('\n').toStdString();

    // "Chiudi" closes the window and it goes away with its data form.
    QPointer<QWidget> finestra(a);
    pulsante(a, "ButtonChiudi")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(finestra.isNull());
}

TEST_F(AgendaTest, TheWindowIdFormRecordsTheHandleAndTheOtherFormDoesNot)
{
    struct Caso
    {
        const char* cosa;
        const QString& funzione;
        bool conRigaDiLog; // a call-log row is written and its id passed
        qint32 altroId;    // passed when there is no row
        bool registra;
    };
    const Caso casi[] = {
        {"window-id form with the call-log row's id", kFunzioneX, true, 0, true},
        {"window-id form with id 0 (no window columns)", kFunzioneX, false, 0, false},
        {"other form, called by the login with an id", kFunzioneD, true, 0, false},
        {"other form with any second argument", kFunzioneD, false, -7, false},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.cosa);
        const qint32 id = c.conRigaDiLog ? window->AggiornaNorviLogFunz(c.funzione) : c.altroId;
        if (c.conRigaDiLog) {
            ASSERT_GT(id, 0);
        }
        apri(c.funzione, id);

        QWidget* a = agenda();
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(nomiMostrati(a).size(), 3);
        if (c.conRigaDiLog) {
            EXPECT_EQ(handleDi(id), c.registra ? static_cast<qint32>(a->winId()) : -1);
        }
        EXPECT_EQ(leggiIntero(QStringLiteral(
                      "SELECT COUNT(*) FROM NORVILOGFUNZ WHERE HANDLEFINESTRA IS NOT NULL")),
                  c.registra ? 1 : 0);
        EXPECT_TRUE(folder.messages.boxes().empty());
        delete a;
        exec(database, QStringLiteral("UPDATE NORVILOGFUNZ SET HANDLEFINESTRA=NULL"));
    }
}

TEST_F(AgendaTest, ASecondCallBringsTheOpenAgendaForwardAndAnotherUserGetsHisOwn)
{
    apri(kFunzioneX, 0);
    QWidget* prima = agenda();
    ASSERT_NE(prima, nullptr);
    prima->showMinimized();

    const qint32 id = window->AggiornaNorviLogFunz(kFunzioneX);
    apri(kFunzioneX, id);
    ASSERT_EQ(agende().size(), 1u);
    EXPECT_FALSE(prima->isMinimized());
    // The new call-log row names the window the call brought forward.
    EXPECT_EQ(handleDi(id), static_cast<qint32>(prima->winId()));

    window->tabX()->SetUserPerNum(2);
    apri(kFunzioneD, 0);
    ASSERT_EQ(agende().size(), 2u);
    QWidget* seconda = agende().front() == prima ? agende().back() : agende().front();
    EXPECT_EQ(seconda->windowTitle(), QStringLiteral("Agenda - Anna Bianchi"));
    EXPECT_EQ(nomiMostrati(seconda), QStringList{"Cartiera Fontana"});
    EXPECT_EQ(testo(seconda, "LabelConteggio"), QStringLiteral("1 contatto"));
}

TEST_F(AgendaTest, TheSearchFieldFiltersAsOneTypes)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    auto* cerca = a->findChild<QLineEdit*>(QStringLiteral("EditCerca"));

    struct Caso
    {
        QString digitato;
        QStringList nomi;
        QString conteggio;
    };
    const Caso casi[] = {
        {"ricci", {"Francesca Ricci"}, "1 di 3 contatti"},               // name, any case
        {"STUDIOMARCHETTI.IT", {"Studio Marchetti"}, "1 di 3 contatti"}, // e-mail
        {"030", {"Trasporti Colombo"}, "1 di 3 contatti"},               // phone
        {"entro le", {"Trasporti Colombo"}, "1 di 3 contatti"},          // notes
        {"co", {"Studio Marchetti", "Trasporti Colombo"}, "2 di 3 contatti"},
        {"fontana", {}, "Nessun contatto trovato"}, // another user's contact stays hidden
        {"", {"Francesca Ricci", "Studio Marchetti", "Trasporti Colombo"}, "3 contatti"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.digitato.toStdString());
        cerca->clear();
        QTest::keyClicks(cerca, c.digitato);
        EXPECT_EQ(nomiMostrati(a), c.nomi);
        EXPECT_EQ(testo(a, "LabelConteggio"), c.conteggio);
    }
}

TEST_F(AgendaTest, ANewContactIsSavedUnderTheNextGeneratorCodeWithItsTextIntact)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    const qint64 codicePrima =
        leggiIntero(QStringLiteral("SELECT GEN_ID(CODICERUBRICACOUNTER,0) FROM RDB$DATABASE"));

    const QString nome = QStringLiteral("L'Officina di Nicolò");
    const QString note =
        QStringLiteral("Preventivo: 1.200 € più IVA\nchiamare dopo le 15, c'è sempre qualcuno");
    folder.messages.onNextDialog(
        compila(nome, QStringLiteral(" 06 4455667 "), QStringLiteral("info@officina.it"), note));
    pulsante(a, "ButtonNuovo")->click();

    EXPECT_EQ(folder.messages.dialogTitles(), QStringList{"Nuovo contatto"});
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join('\n').toStdString();
    const std::vector<Riga> righe = rubricaDi(1);
    ASSERT_EQ(righe.size(), 4u);
    // The phone is stored without the blanks typed around it.
    EXPECT_EQ(righe.back(), (Riga{nome, "06 4455667", "info@officina.it", note}));
    EXPECT_EQ(
        leggiIntero(QStringLiteral("SELECT CODICE FROM RUBRICA WHERE NOME=") + db::quoted(nome)),
        codicePrima + 1);
    EXPECT_EQ(rubricaDi(2).size(), 1u);

    // Shown, in name order, and selected; the notes on one line in the table.
    EXPECT_EQ(nomiMostrati(a),
              (QStringList{"Francesca Ricci", nome, "Studio Marchetti", "Trasporti Colombo"}));
    const QModelIndexList selezione = griglia(a)->selectionModel()->selectedRows();
    ASSERT_EQ(selezione.size(), 1);
    EXPECT_EQ(selezione.first().data().toString(), nome);
    EXPECT_EQ(
        righeMostrate(a).at(1).at(3),
        QStringLiteral("Preventivo: 1.200 € più IVA chiamare dopo le 15, c'è sempre qualcuno"));
    EXPECT_EQ(testo(a, "LabelConteggio"), QStringLiteral("4 contatti"));
}

TEST_F(AgendaTest, EditingChangesOnlyTheSelectedContact)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    seleziona(a, QStringLiteral("Trasporti Colombo"));

    QStringList mostrati;
    folder.messages.onNextDialog([&](QDialog& d) {
        // The dialog opens with the contact as stored.
        mostrati << d.findChild<QLineEdit*>(QStringLiteral("EditNome"))->text()
                 << d.findChild<QLineEdit*>(QStringLiteral("EditTelefono"))->text()
                 << d.findChild<QLineEdit*>(QStringLiteral("EditEmail"))->text()
                 << d.findChild<QPlainTextEdit*>(QStringLiteral("MemoNote"))->toPlainText();
        // A new phone and the notes emptied (an empty, not a null, text clears the field).
        return compila(QString(), QStringLiteral("030 0000000"), QString(), QStringLiteral(""))(d);
    });
    pulsante(a, "ButtonModifica")->click();

    EXPECT_EQ(folder.messages.dialogTitles(), QStringList{"Modifica contatto"});
    EXPECT_EQ(mostrati, (QStringList{"Trasporti Colombo", "030 7712345",
                                     "ordini@trasporticolombo.it", "Ritiri entro le 11"}));
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join('\n').toStdString();
    // Emptied notes are stored as NULL; the other contacts are as they were.
    const std::vector<Riga> attese = {
        {"Trasporti Colombo", "030 0000000", "ordini@trasporticolombo.it", ""},
        {"Studio Marchetti", "02 5551234", "info@studiomarchetti.it", "Commercialista"},
        {"Francesca Ricci", "347 1122334", "f.ricci@example.it", ""},
    };
    EXPECT_EQ(rubricaDi(1), attese);
    EXPECT_EQ(
        leggiIntero(QStringLiteral("SELECT COUNT(*) FROM RUBRICA WHERE NOTE IS NULL AND UTENTE=1")),
        2);
    EXPECT_EQ(righeMostrate(a).at(2), attese.front());
}

TEST_F(AgendaTest, DeletingAsksFirstAndDeletesOnlyOnYes)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);

    for (const bool si : {false, true}) {
        SCOPED_TRACE(si ? "yes" : "no");
        folder.messages.clear();
        seleziona(a, QStringLiteral("Studio Marchetti"));
        folder.messages.answerNext(si);
        pulsante(a, "ButtonElimina")->click();

        ASSERT_EQ(folder.messages.boxes().size(), 1u);
        EXPECT_EQ(folder.messages.boxes().front().kind, platform::BoxKind::Confirmation);
        EXPECT_EQ(folder.messages.boxes().front().text, kConfermaEliminazione);
        const QStringList restanti =
            si ? QStringList{"Francesca Ricci", "Trasporti Colombo"}
               : QStringList{"Francesca Ricci", "Studio Marchetti", "Trasporti Colombo"};
        EXPECT_EQ(nomiMostrati(a), restanti);
        EXPECT_EQ(rubricaDi(1).size(), static_cast<std::size_t>(restanti.size()));
    }
    // The contact that took the deleted one's place is selected, ready for the next action.
    EXPECT_EQ(griglia(a)->selectionModel()->selectedRows().value(0).data().toString(),
              QStringLiteral("Trasporti Colombo"));
    EXPECT_EQ(rubricaDi(2).size(), 1u);
}

TEST_F(AgendaTest, InvalidInputKeepsTheDialogOpenWithWhatWasTyped)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);

    struct Caso
    {
        const char* cosa;
        QString nome;
        QString note;
        QString avviso;
    };
    const Caso casi[] = {
        {"name missing", QStringLiteral(""), QStringLiteral("nota"),
         QStringLiteral("Inserire il nome del contatto.")},
        {"name only blanks", QStringLiteral("   "), QString(),
         QStringLiteral("Inserire il nome del contatto.")},
        {"notes longer than the column", QStringLiteral("Lungo"), QString(1025, QLatin1Char('n')),
         QStringLiteral(
             "Le note possono contenere al massimo 1024 caratteri: ne contengono 1025.")},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.cosa);
        folder.messages.clear();
        bool apertoDopo = false;
        QString nomeDopo;
        folder.messages.onNextDialog([&](QDialog& d) {
            const int esito = compila(c.nome, QStringLiteral("123"), QString(), c.note)(d);
            apertoDopo = d.isVisible();
            nomeDopo = d.findChild<QLineEdit*>(QStringLiteral("EditNome"))->text();
            d.findChild<QPushButton*>(QStringLiteral("ButtonAnnulla"))->click();
            return esito;
        });
        pulsante(a, "ButtonNuovo")->click();

        ASSERT_EQ(folder.messages.boxes().size(), 1u);
        EXPECT_EQ(folder.messages.boxes().front().kind, platform::BoxKind::Warning);
        EXPECT_EQ(folder.messages.boxes().front().text, c.avviso);
        EXPECT_TRUE(apertoDopo);
        EXPECT_EQ(nomeDopo, c.nome);
        EXPECT_EQ(rubricaDi(1).size(), 3u);
    }
}

TEST_F(AgendaTest, ADatabaseFailureIsReportedAndWhatWasTypedIsKeptForTheRetry)
{
    // The table is gone before the agenda opens: reading and saving both fail.
    exec(database, QStringLiteral("DROP TABLE RUBRICA"));
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(folder.messages.texts(), QStringList{kErroreLettura});
    EXPECT_EQ(folder.messages.boxes().front().kind, platform::BoxKind::Error);
    EXPECT_TRUE(nomiMostrati(a).isEmpty());
    EXPECT_EQ(testo(a, "LabelConteggio"), QStringLiteral("Nessun contatto"));
    folder.messages.clear();

    const QString nome = QStringLiteral("Caffè dell'Àngolo");
    QStringList dopoErrore;
    bool apertoDopoErrore = false;
    folder.messages.onNextDialog([&](QDialog& d) {
        const int esito =
            compila(nome, QStringLiteral("011 223344"), QString(), QStringLiteral("€ 3,50"))(d);
        EXPECT_EQ(esito, QDialog::Rejected);
        apertoDopoErrore = d.isVisible();
        dopoErrore << d.findChild<QLineEdit*>(QStringLiteral("EditNome"))->text()
                   << d.findChild<QLineEdit*>(QStringLiteral("EditTelefono"))->text()
                   << d.findChild<QPlainTextEdit*>(QStringLiteral("MemoNote"))->toPlainText();
        // The database is repaired meanwhile; "Salva" again saves what is still typed.
        exec(database,
             QStringLiteral(
                 "CREATE TABLE RUBRICA (CODICE INTEGER NOT NULL PRIMARY KEY, UTENTE INTEGER, "
                 "NOME VARCHAR(100), TELEFONO VARCHAR(40), EMAIL VARCHAR(100), "
                 "NOTE VARCHAR(1024))"));
        d.findChild<QPushButton*>(QStringLiteral("ButtonOk"))->click();
        return d.result();
    });
    pulsante(a, "ButtonNuovo")->click();

    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes().front().kind, platform::BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes().front().text, kErroreSalvataggio);
    EXPECT_TRUE(apertoDopoErrore);
    EXPECT_EQ(dopoErrore, (QStringList{nome, "011 223344", "€ 3,50"}));
    EXPECT_EQ(rubricaDi(1), (std::vector<Riga>{{nome, "011 223344", "", "€ 3,50"}}));
    EXPECT_EQ(nomiMostrati(a), QStringList{nome});
}

// The connection is lost while a contact is typed (the attachment ended from another one, as a
// server restart ends it): nothing was written yet, so "Salva" attaches again and saves at once.
TEST_F(AgendaTest, ALostConnectionWhileTypingDoesNotCostTheSave)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);
    const QString nome = QStringLiteral("Ferramenta Galli");
    folder.messages.onNextDialog([&](QDialog& d) {
        exec(database, QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> "
                                      "CURRENT_CONNECTION"));
        return compila(nome, QStringLiteral("0365 41234"), QString(), QStringLiteral("Viti"))(d);
    });
    pulsante(a, "ButtonNuovo")->click();

    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rubricaDi(1).back(), (Riga{nome, "0365 41234", "", "Viti"}));
    EXPECT_TRUE(nomiMostrati(a).contains(nome));
}

TEST_F(AgendaTest, AContactHeldByAnotherWorkstationIsNeitherOverwrittenNorDeleted)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);

    // Another workstation changes the contact and has not committed yet.
    db::Database altra;
    test::attach(altra, folder.userDatabase());
    db::Transaction suaTransazione(&altra);
    db::Query suaModifica(&altra, &suaTransazione);
    suaModifica.setSql(
        {QStringLiteral("UPDATE RUBRICA SET TELEFONO='02 9999999' WHERE NOME='Studio Marchetti'")});
    suaModifica.execSql();

    seleziona(a, QStringLiteral("Studio Marchetti"));
    bool apertoDopo = false;
    folder.messages.onNextDialog([&](QDialog& d) {
        compila(QString(), QStringLiteral("02 1111111"), QString(), QString())(d);
        apertoDopo = d.isVisible();
        d.findChild<QPushButton*>(QStringLiteral("ButtonAnnulla"))->click();
        return d.result();
    });
    pulsante(a, "ButtonModifica")->click();
    EXPECT_EQ(folder.messages.texts(), QStringList{kContattoBloccato});
    EXPECT_TRUE(apertoDopo);

    folder.messages.clear();
    folder.messages.answerNext(true);
    pulsante(a, "ButtonElimina")->click();
    EXPECT_EQ(folder.messages.texts(), (QStringList{kConfermaEliminazione, kEliminazioneBloccata}));
    EXPECT_EQ(nomiMostrati(a).size(), 3);

    suaTransazione.commit();
    EXPECT_EQ(rubricaDi(1).at(1).at(1), QStringLiteral("02 9999999"));
}

TEST_F(AgendaTest, SavingAContactDeletedElsewhereOffersToSaveItAsNew)
{
    apri(kFunzioneX, 0);
    QWidget* a = agenda();
    ASSERT_NE(a, nullptr);

    struct Caso
    {
        QString nome;
        bool si;
        QStringList mostrati;
    };
    const Caso casi[] = {
        {"Studio Marchetti", false, {"Francesca Ricci", "Trasporti Colombo"}},
        {"Francesca Ricci", true, {"Francesca Ricci", "Trasporti Colombo"}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome.toStdString());
        folder.messages.clear();
        const std::size_t prima = rubricaDi(1).size();
        seleziona(a, c.nome);
        exec(database, QStringLiteral("DELETE FROM RUBRICA WHERE NOME=") + db::quoted(c.nome));
        folder.messages.answerNext(c.si);
        folder.messages.onNextDialog(
            compila(QString(), QStringLiteral("347 0000000"), QString(), QString()));
        pulsante(a, "ButtonModifica")->click();

        EXPECT_EQ(folder.messages.texts(), QStringList{kContattoSparito});
        const std::vector<Riga> righe = rubricaDi(1);
        ASSERT_EQ(righe.size(), c.si ? prima : prima - 1);
        if (c.si) {
            EXPECT_EQ(righe.back(), (Riga{c.nome, "347 0000000", "f.ricci@example.it", ""}));
        }
        EXPECT_EQ(nomiMostrati(a), c.mostrati);
    }
}

} // namespace
