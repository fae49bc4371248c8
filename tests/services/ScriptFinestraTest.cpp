// Per-window scripts in TABSCRIPT of a real user database.

#include "services/ScriptFinestra.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDate>
#include <gtest/gtest.h>
#include <memory>

using namespace velkora;
using velkora::test::ProgramFolder;

namespace {

class ScriptFinestra : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
        test::attach(controllo, folder.userDatabase());
    }

    // The committed rows, "PROGETTO|SCRIPTFORM|CONTESTO|UTENTE|SCRIPT|DATA|nulls", in key order;
    // nulls tells which of DESCRIZIONESITUAZIONE, MODIFICATODAUTENTE, STATUS are NULL.
    QStringList righe()
    {
        return test::rows(
            controllo,
            QStringLiteral(
                "SELECT PROGETTO, SCRIPTFORM, CONTESTO, UTENTE, SCRIPT, DATAULTIMAMODIFICA, "
                "IIF(DESCRIZIONESITUAZIONE IS NULL AND MODIFICATODAUTENTE IS NULL AND STATUS IS "
                "NULL, 'null', 'valori') FROM TABSCRIPT ORDER BY PROGETTO, SCRIPTFORM, CONTESTO, "
                "UTENTE"));
    }

    static QString riga(const QString& progetto, const QString& finestra, int contesto,
                        const QString& utente, const QString& script, const QDate& data)
    {
        return QStringList{progetto,
                           finestra,
                           QString::number(contesto),
                           utente,
                           script,
                           data.toString(QStringLiteral("dd/MM/yyyy")),
                           QStringLiteral("null")}
            .join(QLatin1Char('|'));
    }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    db::Database controllo;
};

TEST(DataPerSQL, QuotesTheDateMonthFirst)
{
    struct Caso
    {
        QDate data;
        const char* atteso;
    } casi[] = {{QDate(2006, 3, 3), "'03/03/2006'"},
                {QDate(2024, 12, 25), "'12/25/2024'"},
                {QDate(999, 1, 31), "'01/31/0999'"}};
    for (const Caso& c : casi)
        EXPECT_EQ(DataPerSQL(c.data), QString::fromLatin1(c.atteso));
}

TEST_F(ScriptFinestra, SeedsOnceAndReplacesOnlyWhenForcedOrEmpty)
{
    const QDate oggi = QDate::currentDate();
    // Rows of other windows, projects, contexts and users, with an old date, that no call here
    // may touch.
    test::exec(
        controllo,
        QStringLiteral(
            "INSERT INTO TABSCRIPT VALUES ('ANAG', 'CLIENTI', 2, 'Mario', NULL, 'altro contesto', "
            "NULL, '2001-01-01', NULL)"));
    test::exec(controllo, QStringLiteral("INSERT INTO TABSCRIPT VALUES ('ANAG', 'FORNITORI', 1, "
                                         "'Mario', NULL, 'altra finestra', "
                                         "NULL, '2001-01-01', NULL)"));
    test::exec(
        controllo,
        QStringLiteral(
            "INSERT INTO TABSCRIPT VALUES ('ANAG', 'CLIENTI', 1, 'Luca', NULL, 'altro utente', "
            "NULL, '2001-01-01', NULL)"));
    const QString altre[] = {
        riga(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), 1, QStringLiteral("Luca"),
             QStringLiteral("altro utente"), QDate(2001, 1, 1)),
        riga(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), 2, QStringLiteral("Mario"),
             QStringLiteral("altro contesto"), QDate(2001, 1, 1)),
        riga(QStringLiteral("ANAG"), QStringLiteral("FORNITORI"), 1, QStringLiteral("Mario"),
             QStringLiteral("altra finestra"), QDate(2001, 1, 1))};

    struct Passo
    {
        const char* script;
        const char* forza;
        const char* memorizzato; // the script of (ANAG, CLIENTI, 1, Mario) afterwards
    } passi[] = {
        {"primo", "0", "primo"},                               // new row: seeded whatever the flag
        {"secondo", "0", "primo"},                             // a script is there: kept
        {"secondo", "", "primo"},  {"secondo", "01", "primo"}, // only exactly "1" forces
        {"terzo", "1", "terzo"},                               // forced: replaced
    };
    for (const Passo& p : passi) {
        SCOPED_TRACE(std::string(p.script) + "/" + p.forza);
        form->IniScriptForm(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), QStringLiteral("1"),
                            QStringLiteral("Mario"), QString::fromUtf8(p.script),
                            QString::fromUtf8(p.forza));
        EXPECT_EQ(righe(), (QStringList{altre[0],
                                        riga(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), 1,
                                             QStringLiteral("Mario"),
                                             QString::fromUtf8(p.memorizzato), oggi),
                                        altre[1], altre[2]}));
    }

    // A stored empty script is written without the flag, and the date becomes today.
    test::exec(controllo, QStringLiteral("UPDATE TABSCRIPT SET SCRIPT=NULL, "
                                         "DATAULTIMAMODIFICA='2001-01-01' WHERE UTENTE='Luca'"));
    form->TransazioneUser.restart();
    form->IniScriptForm(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), QStringLiteral("1"),
                        QStringLiteral("Luca"), QStringLiteral("seme"), QStringLiteral("0"));
    EXPECT_EQ(righe().first(), riga(QStringLiteral("ANAG"), QStringLiteral("CLIENTI"), 1,
                                    QStringLiteral("Luca"), QStringLiteral("seme"), oggi));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

// Keys and scripts from callers are stored as they are, or the engine refuses them as a whole
// (the error goes to the caller); other rows, and the users' table, stay as they were.
TEST_F(ScriptFinestra, HostileKeysAndScriptsCannotChangeTheStatement)
{
    test::exec(controllo, QStringLiteral("INSERT INTO TABSCRIPT VALUES ('P', 'F', 1, 'U', NULL, "
                                         "'resta', NULL, '2001-01-01', NULL)"));
    auto utenti = [&] {
        db::Transaction t(&controllo);
        db::Query q(&controllo, &t);
        q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        q.open();
        return q.asInteger(0);
    };
    const qint64 utentiPrima = utenti();
    const QString iniezione = QStringLiteral("'; DELETE FROM UTENTI; --");
    struct Caso
    {
        QString progetto;
        QString finestra;
        QString contesto;
        QString utente;
        QString script;
        bool salvato;
    } casi[] = {
        {QStringLiteral("P"), QStringLiteral("F"), QStringLiteral("1"), QStringLiteral("U'"),
         iniezione, true},
        {QStringLiteral("P'"), QStringLiteral("') OR ('1'='1"), QStringLiteral("1"),
         QStringLiteral("U"), QStringLiteral("x"), true},
        {QStringLiteral("Società"), QStringLiteral("Città"), QStringLiteral("1"),
         QStringLiteral("Nicolò"), QStringLiteral("è così € "), true},
        {QStringLiteral("P"), QStringLiteral("F"), QStringLiteral("2"), QStringLiteral("U"),
         QString(70000, QLatin1Char('\'')), true},
        {QStringLiteral("P"), QStringLiteral("F"), QStringLiteral("1') OR ('1'='1"),
         QStringLiteral("U"), QStringLiteral("x"), false},
        {QStringLiteral("P"), iniezione, QStringLiteral("1"), QStringLiteral("U"),
         QStringLiteral("x"), false},
        {QStringLiteral("P"), QString(16, QLatin1Char('f')), QStringLiteral("1"),
         QStringLiteral("U"), QStringLiteral("x"), false},
        {QString(), QStringLiteral("F"), QStringLiteral("3"), QStringLiteral("U"),
         QStringLiteral("x"), true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE((c.progetto + QLatin1Char('/') + c.finestra + QLatin1Char('/') + c.contesto)
                         .left(60)
                         .toStdString());
        const int prima = righe().size();
        if (c.salvato) {
            EXPECT_NO_THROW(form->IniScriptForm(c.progetto, c.finestra, c.contesto, c.utente,
                                                c.script, QStringLiteral("1")));
            ASSERT_EQ(righe().size(), prima + 1);
            db::Transaction t(&controllo);
            db::Query q(&controllo, &t);
            q.add(QStringLiteral("SELECT SCRIPT FROM TABSCRIPT WHERE PROGETTO=:P AND SCRIPTFORM=:F "
                                 "AND UTENTE=:U AND CONTESTO=:C"));
            q.setParam(QStringLiteral("P"), c.progetto);
            q.setParam(QStringLiteral("F"), c.finestra);
            q.setParam(QStringLiteral("U"), c.utente);
            q.setParam(QStringLiteral("C"), c.contesto.toInt());
            q.open();
            ASSERT_EQ(q.recordCount(), 1);
            EXPECT_EQ(q.asString(0), c.script);
        } else {
            EXPECT_THROW(form->IniScriptForm(c.progetto, c.finestra, c.contesto, c.utente, c.script,
                                             QStringLiteral("1")),
                         db::DbError);
            form->TransazioneUser.rollback();
            EXPECT_EQ(righe().size(), prima);
        }
        EXPECT_TRUE(
            righe().contains(riga(QStringLiteral("P"), QStringLiteral("F"), 1, QStringLiteral("U"),
                                  QStringLiteral("resta"), QDate(2001, 1, 1))));
        EXPECT_EQ(utenti(), utentiPrima);
    }
}

} // namespace
