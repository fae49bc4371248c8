// Work sessions and the call log of the main window on a real user database, with a second
// attachment standing for another workstation, and the recording of window handles by the shared
// data form.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "platform/TextCodec.h"
#include "sessions/SessionLog.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <tuple>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QString kNessunaSessione = QStringLiteral("Attenzione: non risulta aperta nessuna sessione di lavoro");
const QString kSessioneChiusa =
    QStringLiteral("Attenzione: la sessione corrente risulta chiusa. Si prega di uscire e rientrare");
const QString kErroreApertura = QStringLiteral("Errore interno: impossibile aprire la sessione utente");
const QString kErroreChiusura = QStringLiteral("Errore interno: impossibile chiudere la sessione utente");
const QString kErroreLog = QStringLiteral(
    "Errore interno di INSERT: impossibile aggiornare il log delle voci di menu chiamata. Sarà comunque "
    "possibile continuare ad usare il programma");

constexpr qint32 kUtente = 7;

// The local clock to the second, as the statements write it.
QDateTime adesso()
{
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now;
}

// A program folder with the user database and one user, made the current directory so the
// failed-statement files land in it. A second attachment plays the other workstation.
class SessionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        test::attach(other, folder.userDatabase());
        test::exec(other, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) VALUES (7, 'ROSSI')"));
    }

    // A main window with user 7 current, as after the password check of the login.
    std::unique_ptr<TBaseMainForm> login()
    {
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        w->tabX()->SetUserPerNum(kUtente);
        EXPECT_TRUE(folder.messages.boxes().empty());
        return w;
    }

    // The rows of a selection, read in a fresh transaction so they hold what was committed.
    std::vector<std::vector<QVariant>> rows(const QString& sql)
    {
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(sql);
        q.open();
        std::vector<std::vector<QVariant>> out;
        for (q.first(); !q.eof(); q.next()) {
            std::vector<QVariant> row;
            for (int i = 0; i < q.fieldCount(); ++i)
                row.push_back(q.isNull(i) ? QVariant() : q.value(i));
            out.push_back(row);
        }
        t.commit();
        return out;
    }

    qint64 generator(const char* name)
    {
        return rows(QStringLiteral("SELECT GEN_ID(%1,0) FROM RDB$DATABASE").arg(QLatin1String(name)))[0][0]
            .toLongLong();
    }

    // Drops a column of NORVILOGFUNZ, its indexes first, as an older database lacks it.
    void dropLogColumn(const QString& column)
    {
        test::dropColumn(other, QStringLiteral("NORVILOGFUNZ"), column);
    }

    // The lines of a failed-statement file: every line ends with "\r\n".
    QStringList savedLines(const QString& name)
    {
        QFile file(folder.file(name));
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "no file " << name.toStdString();
            return {};
        }
        QStringList lines = platform::fromCp1252(file.readAll()).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.takeLast(), QString()) << "the last line ends with a line break too";
        return lines;
    }

    QStringList ombrixFiles() const
    {
        return QDir(folder.path()).entryList({QStringLiteral("Ombrix.*")}, QDir::Files | QDir::Dirs);
    }

    // Recorded boxes as kind and text, to compare both at once.
    std::vector<std::pair<BoxKind, QString>> boxes() const
    {
        std::vector<std::pair<BoxKind, QString>> out;
        for (const auto& box : folder.messages.boxes())
            out.emplace_back(box.kind, box.text);
        return out;
    }

    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database other;
};

// The date and the time written into a statement, taken from two of its lines ("'mm/dd/yyyy',").
QDateTime clockIn(const QStringList& lines, int dateLine, int timeLine)
{
    if (lines.size() <= std::max(dateLine, timeLine))
        return {};
    return QDateTime(QDate::fromString(lines[dateLine].mid(1, 10), QStringLiteral("MM/dd/yyyy")),
                     QTime::fromString(lines[timeLine].mid(1, 8), QStringLiteral("hh:mm:ss")));
}

void expectWithin(const QDateTime& stamp, const QDateTime& before, const QDateTime& after)
{
    EXPECT_TRUE(stamp.isValid());
    EXPECT_LE(before, stamp);
    EXPECT_LE(stamp, after);
}

TEST_F(SessionsTest, OpenCheckAndCloseASession)
{
    test::exec(other, QStringLiteral("SET GENERATOR CODICESESSIONENORVILOG TO 40"));
    auto w = login();

    const QDateTime primaApertura = adesso();
    w->ApriSessione();
    const QDateTime dopoApertura = adesso();
    EXPECT_EQ(w->CodiceSessione, 41);
    auto r = rows(QStringLiteral("SELECT CODICESESSIONE, DATAAPERTURA, ORAAPERTURA, CODICEUTENTE, DATACHIUSURA, "
                                 "ORACHIUSURA FROM NORVILOG"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0].toInt(), 41);
    expectWithin(QDateTime(r[0][1].toDate(), r[0][2].toTime()), primaApertura, dopoApertura);
    EXPECT_EQ(r[0][3].toInt(), kUtente);
    EXPECT_TRUE(r[0][4].isNull());
    EXPECT_TRUE(r[0][5].isNull());

    EXPECT_TRUE(w->VerificaStatoSessione(true));
    EXPECT_TRUE(folder.messages.boxes().empty());

    const QDateTime primaChiusura = adesso();
    w->ChiudiSessione();
    const QDateTime dopoChiusura = adesso();
    r = rows(QStringLiteral("SELECT DATACHIUSURA, ORACHIUSURA FROM NORVILOG WHERE CODICESESSIONE=41"));
    ASSERT_EQ(r.size(), 1u);
    expectWithin(QDateTime(r[0][0].toDate(), r[0][1].toTime()), primaChiusura, dopoChiusura);

    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(ombrixFiles().isEmpty());
    // Closed is final: the next check stops.
    EXPECT_FALSE(w->VerificaStatoSessione(true));
    EXPECT_EQ(folder.messages.texts(), QStringList{kSessioneChiusa});
}

TEST_F(SessionsTest, CheckReadsTheRowAsOtherWorkstationsLeftIt)
{
    enum class Stato { MaiAperta, Aperta, CancellataAltrove, ChiusaAltrove };
    struct Case
    {
        const char* what;
        Stato stato;
        bool risultato;
        QString avviso;
    } cases[] = {
        {"never opened", Stato::MaiAperta, false, kNessunaSessione},
        {"open", Stato::Aperta, true, QString()},
        {"row deleted on another workstation", Stato::CancellataAltrove, false, kNessunaSessione},
        {"closed on another workstation", Stato::ChiusaAltrove, false, kSessioneChiusa},
    };
    for (const Case& c : cases) {
        for (const bool mostra : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (mostra ? ", with messages" : ", without messages"));
            folder.messages.clear();
            auto w = login();
            if (c.stato != Stato::MaiAperta)
                w->ApriSessione();
            // The window's transaction holds a snapshot from before the other workstation's change;
            // the check must not answer from it.
            w->VerificaStatoSessione(false);
            ASSERT_TRUE(w->TransazioneAux.active());
            const QString dove = QStringLiteral(" WHERE CODICESESSIONE=") + QString::number(w->CodiceSessione);
            if (c.stato == Stato::CancellataAltrove)
                test::exec(other, QStringLiteral("DELETE FROM NORVILOG") + dove);
            if (c.stato == Stato::ChiusaAltrove)
                test::exec(other, QStringLiteral("UPDATE NORVILOG SET DATACHIUSURA='01/02/2003', "
                                                 "ORACHIUSURA='04:05:06'") + dove);
            folder.messages.clear();

            EXPECT_EQ(w->VerificaStatoSessione(mostra), c.risultato);
            if (mostra && !c.avviso.isEmpty())
                EXPECT_EQ(boxes(), (std::vector<std::pair<BoxKind, QString>>{{BoxKind::Warning, c.avviso}}));
            else
                EXPECT_TRUE(folder.messages.boxes().empty());
            EXPECT_TRUE(ombrixFiles().isEmpty());
        }
    }
}

TEST_F(SessionsTest, ClosingASessionClosedElsewhereWritesAndShowsNothing)
{
    auto w = login();
    w->ApriSessione();
    test::exec(other, QStringLiteral("UPDATE NORVILOG SET DATACHIUSURA='01/02/2003', ORACHIUSURA='04:05:06'"));
    w->ChiudiSessione();
    const auto r = rows(QStringLiteral("SELECT DATACHIUSURA, ORACHIUSURA FROM NORVILOG"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0].toDate(), QDate(2003, 1, 2));
    EXPECT_EQ(r[0][1].toTime(), QTime(4, 5, 6));
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(ombrixFiles().isEmpty());
}

TEST_F(SessionsTest, CallLogWithWindowColumnsDrawsAndStoresTheWindowId)
{
    auto w = login();
    ASSERT_TRUE(w->LogFinestre);
    w->ApriSessione();
    test::exec(other, QStringLiteral("SET GENERATOR IDFINESTRANORVILOGFUNZCOUNTER TO 56"));
    // Names with quotes or characters beyond ASCII are logged as they are, not refused.
    const QString nomi[] = {QStringLiteral("ApriClientiX"), QStringLiteral("Dell'Anno"),
                            QStringLiteral("'; DELETE FROM UTENTI; --"), QString::fromUtf8("Funzione è à ´ €"),
                            QString(), QString(255, QLatin1Char('F'))};
    const QDateTime prima = adesso();
    std::vector<qint32> ids;
    for (const QString& nome : nomi)
        ids.push_back(w->AggiornaNorviLogFunz(nome));
    const QDateTime dopo = adesso();
    EXPECT_EQ(ids, (std::vector<qint32>{57, 58, 59, 60, 61, 62}));

    const auto r = rows(QStringLiteral("SELECT CODICESESSIONE, DATACHIAMATAFUNZIONE, ORACHIAMATAFUNZIONE, "
                                       "FUNZIONECHIAMATA, IDFINESTRA, HANDLEFINESTRA FROM NORVILOGFUNZ "
                                       "ORDER BY IDFINESTRA"));
    ASSERT_EQ(r.size(), std::size(nomi));
    for (size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r[i][0].toInt(), w->CodiceSessione);
        expectWithin(QDateTime(r[i][1].toDate(), r[i][2].toTime()), prima, dopo);
        EXPECT_EQ(r[i][3].toString(), nomi[i]);
        EXPECT_EQ(r[i][4].toInt(), ids[i]);
        EXPECT_TRUE(r[i][5].isNull());
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM UTENTI"))[0][0].toInt(), 1);
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(ombrixFiles().isEmpty());
}

TEST_F(SessionsTest, CallLogWithoutWindowColumnsWritesTheFourBasicColumns)
{
    // A log of an older database: neither the window columns nor the item's.
    dropLogColumn(QStringLiteral("IDFINESTRA"));
    dropLogColumn(QStringLiteral("HANDLEFINESTRA"));
    dropLogColumn(QStringLiteral("PROGRAMMA"));
    dropLogColumn(QStringLiteral("MENU"));
    auto w = login();
    ASSERT_FALSE(w->LogFinestre);
    w->ApriSessione();
    EXPECT_EQ(w->AggiornaNorviLogFunz(QStringLiteral("ApriClienti")), 0);
    EXPECT_EQ(generator("IDFINESTRANORVILOGFUNZCOUNTER"), 0) << "no window id is drawn";
    const auto r = rows(QStringLiteral("SELECT * FROM NORVILOGFUNZ"));
    ASSERT_EQ(r.size(), 1u);
    ASSERT_EQ(r[0].size(), 4u);
    EXPECT_EQ(r[0][0].toInt(), w->CodiceSessione);
    EXPECT_EQ(r[0][3].toString(), QStringLiteral("ApriClienti"));

    // A module window that records its handle here fails quietly.
    EXPECT_FALSE(w->tabX()->ScritturaHandleDiApertura(0, 1234));
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(ombrixFiles().isEmpty());
    // The form's query is usable again after the failure.
    w->tabX()->SetUserPerNum(kUtente);
    EXPECT_EQ(w->tabX()->GetNomeUser(), QStringLiteral("ROSSI"));
}

TEST_F(SessionsTest, AModuleRecordsItsWindowHandleUnderItsId)
{
    auto w = login();
    w->ApriSessione();
    const qint32 id = w->AggiornaNorviLogFunz(QStringLiteral("ApriClientiX"));
    const qint32 altro = w->AggiornaNorviLogFunz(QStringLiteral("ApriFornitoriX"));
    ASSERT_NE(id, altro);

    // The module makes its own data form on the same program folder, as module libraries do.
    TTabXForm modulo(nullptr, 0, folder.environment());
    modulo.SetUserPerNum(kUtente);
    struct Case
    {
        const char* what;
        qint32 id;
        qint32 handle;
        qint64 stored;
    } cases[] = {
        {"a handle", id, 0x3A00007, 0x3A00007},
        {"the largest handle", id, std::numeric_limits<qint32>::max(), std::numeric_limits<qint32>::max()},
        {"the smallest handle", id, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::min()},
        {"an id that no call has", 999, 55, std::numeric_limits<qint32>::min()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(modulo.ScritturaHandleDiApertura(c.id, c.handle));
        const auto r = rows(QStringLiteral("SELECT IDFINESTRA, HANDLEFINESTRA FROM NORVILOGFUNZ ORDER BY IDFINESTRA"));
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0][1].toLongLong(), c.stored);
        EXPECT_TRUE(r[1][1].isNull()) << "the other call's row is untouched";
    }
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(ombrixFiles().isEmpty());
}

TEST(WindowHandle, WithoutAUserDatabaseNothingIsStored)
{
    ProgramFolder folder;
    TTabXForm form(nullptr, 3, folder.environment());
    EXPECT_FALSE(form.ScritturaHandleDiApertura(1, 2));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(SessionsTest, TwoWorkstationsDrawUniqueSessionCodesAndWindowIds)
{
    auto primo = login();
    auto secondo = login();
    primo->ApriSessione();
    secondo->ApriSessione();
    ASSERT_NE(primo->CodiceSessione, secondo->CodiceSessione);

    std::set<qint32> ids;
    std::vector<std::tuple<qint32, qint32, QString>> attese; // session, id, function
    for (int i = 0; i < 5; ++i) {
        for (TBaseMainForm* w : {primo.get(), secondo.get()}) {
            const QString funzione = QStringLiteral("F%1_%2").arg(w == primo.get() ? 1 : 2).arg(i);
            const qint32 id = w->AggiornaNorviLogFunz(funzione);
            ids.insert(id);
            attese.emplace_back(w->CodiceSessione, id, funzione);
        }
    }
    EXPECT_EQ(ids.size(), 10u);
    const auto r = rows(QStringLiteral("SELECT CODICESESSIONE, IDFINESTRA, FUNZIONECHIAMATA FROM NORVILOGFUNZ "
                                       "ORDER BY IDFINESTRA"));
    ASSERT_EQ(r.size(), attese.size());
    std::sort(attese.begin(), attese.end(),
              [](const auto& a, const auto& b) { return std::get<1>(a) < std::get<1>(b); });
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i][0].toInt(), std::get<0>(attese[i]));
        EXPECT_EQ(r[i][1].toInt(), std::get<1>(attese[i]));
        EXPECT_EQ(r[i][2].toString(), std::get<2>(attese[i]));
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM NORVILOG WHERE DATACHIUSURA IS NULL"))[0][0].toInt(), 2);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(SessionsTest, FailedOpeningIsSavedAndReportedAndTheNextOpeningWorks)
{
    // A row already holds the code the generator gives next (a database restored without its
    // generator value, say).
    test::exec(other, QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (1, 99)"));
    auto w = login();
    const QDateTime prima = adesso();
    w->ApriSessione();
    const QDateTime dopo = adesso();
    EXPECT_EQ(w->CodiceSessione, 1) << "the drawn code is kept";
    const QStringList righe = savedLines(QStringLiteral("Ombrix.ApriSessione.sql"));
    const QDateTime scritto = clockIn(righe, 3, 4);
    expectWithin(scritto, prima, dopo);
    EXPECT_EQ(righe, istruzioneApriSessione(1, scritto.date(), scritto.time(), kUtente));
    EXPECT_EQ(boxes(), (std::vector<std::pair<BoxKind, QString>>{{BoxKind::Error, kErroreApertura}}));

    folder.messages.clear();
    w->ApriSessione();
    EXPECT_EQ(w->CodiceSessione, 2);
    EXPECT_TRUE(w->VerificaStatoSessione(true));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(SessionsTest, FailedClosingIsSavedAndReportedAndTheSessionStaysOpen)
{
    auto w = login();
    w->ApriSessione();
    // Another workstation holds the row (an uncommitted change); the window's transaction does
    // not wait, so the update fails at once.
    db::Transaction blocco(&other);
    db::Query q(&other, &blocco);
    q.add(QStringLiteral("UPDATE NORVILOG SET CODICEUTENTE=CODICEUTENTE"));
    q.execSql();

    const QDateTime prima = adesso();
    w->ChiudiSessione();
    const QDateTime dopo = adesso();
    const QStringList righe = savedLines(QStringLiteral("Ombrix.ChiudiSessione.sql"));
    ASSERT_EQ(righe.size(), 4);
    const QDateTime scritto(QDate::fromString(righe[1].mid(14, 10), QStringLiteral("MM/dd/yyyy")),
                            QTime::fromString(righe[2].mid(13, 8), QStringLiteral("hh:mm:ss")));
    expectWithin(scritto, prima, dopo);
    EXPECT_EQ(righe, istruzioneChiudiSessione(w->CodiceSessione, scritto.date(), scritto.time()));
    EXPECT_EQ(boxes(), (std::vector<std::pair<BoxKind, QString>>{{BoxKind::Error, kErroreChiusura}}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT DATACHIUSURA FROM NORVILOG"))[0][0].isNull());

    // Once the other workstation lets go, the same window closes the session.
    blocco.rollback();
    folder.messages.clear();
    w->ChiudiSessione();
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_FALSE(rows(QStringLiteral("SELECT DATACHIUSURA FROM NORVILOG"))[0][0].isNull());
}

TEST_F(SessionsTest, FailedCallLogIsSavedAndWarnedAndTheIdStillReturned)
{
    auto w = login();
    w->ApriSessione();
    // Longer than the column: the engine refuses the row.
    const QString lungo = QString(300, QLatin1Char('L')) + QStringLiteral("'è");
    const QDateTime prima = adesso();
    const qint32 id = w->AggiornaNorviLogFunz(lungo);
    const QDateTime dopo = adesso();
    EXPECT_EQ(id, 1);
    const QStringList righe = savedLines(QStringLiteral("Ombrix.AggiornaNorviLogFunz.sql"));
    const QDateTime scritto = clockIn(righe, 5, 6);
    expectWithin(scritto, prima, dopo);
    EXPECT_EQ(righe, istruzioneLogFunzione(w->CodiceSessione, scritto.date(), scritto.time(), lungo, true, 1));
    EXPECT_EQ(boxes(), (std::vector<std::pair<BoxKind, QString>>{{BoxKind::Warning, kErroreLog}}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM NORVILOGFUNZ")).empty());

    // The next call is logged normally.
    folder.messages.clear();
    EXPECT_EQ(w->AggiornaNorviLogFunz(QStringLiteral("ApriClientiX")), 2);
    EXPECT_EQ(rows(QStringLiteral("SELECT IDFINESTRA FROM NORVILOGFUNZ"))[0][0].toInt(), 2);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(SessionsTest, AFailingGeneratorEndsTheOperationWithTheError)
{
    struct Case
    {
        const char* generatore;
        bool apertura; // ApriSessione, or AggiornaNorviLogFunz on an open session
    } cases[] = {
        {"CODICESESSIONENORVILOG", true},
        {"IDFINESTRANORVILOGFUNZCOUNTER", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generatore);
        ProgramFolder own;
        own.installUserDatabase();
        own.makeFolder(QStringLiteral("Grafica"));
        CurrentDirectory ownCwd(own.path());
        {
            db::Database d;
            test::attach(d, own.userDatabase());
            test::exec(d, QStringLiteral("DROP GENERATOR ") + QLatin1String(c.generatore));
        }
        TBaseMainForm w(own.environment());
        if (c.apertura) {
            EXPECT_THROW(w.ApriSessione(), db::DbError);
        } else {
            w.ApriSessione();
            EXPECT_THROW(w.AggiornaNorviLogFunz(QStringLiteral("ApriClientiX")), db::DbError);
        }
        db::Database d;
        test::attach(d, own.userDatabase());
        db::Transaction t(&d);
        db::Query q(&d, &t);
        q.add(QStringLiteral("SELECT (SELECT COUNT(*) FROM NORVILOG), (SELECT COUNT(*) FROM NORVILOGFUNZ) "
                             "FROM RDB$DATABASE"));
        q.open();
        EXPECT_EQ(q.asInteger(0), c.apertura ? 0 : 1);
        EXPECT_EQ(q.asInteger(1), 0);
        EXPECT_TRUE(own.messages.boxes().empty());
        EXPECT_TRUE(QDir(own.path()).entryList({QStringLiteral("Ombrix.*")}).isEmpty());
    }
}

} // namespace
