// The users of the shared data form in its three modes: the password rule, making a user current
// by name and by number, the company that comes with it, and names that try to break the
// statements.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "platform/IniFile.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::ProgramFolder;

namespace {

const QString kDelete = QStringLiteral("'; DELETE FROM UTENTI; --");
const QString kAlwaysTrue = QStringLiteral("x') OR ('1'='1");
const QString kNonAscii = QString::fromUtf8("Perè à ´ €");

int countUsers(db::Database& database)
{
    db::Transaction t(&database);
    db::Query q(&database, &t);
    q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
    q.open();
    return static_cast<int>(q.asInteger(0));
}

// A user database with users chosen to tell the rules apart; the rows go in in this order, which
// is the order the engine returns rows of one name in.
class UsersMode0 : public ::testing::Test
{
protected:
    struct Utente
    {
        const char* codice; // SQL literal: a number or NULL
        QString nome;
        const char* password; // SQL literal
        QString ditta;
    };

    void SetUp() override
    {
        folder.installUserDatabase();
        test::attach(other, folder.userDatabase());
        const Utente utenti[] = {
            {"1", QStringLiteral("ROSSI"), "'Segreta1'", QStringLiteral("ALFA SRL")},
            {"2", QStringLiteral("NULLA"), "NULL", QString()},
            {"3", QStringLiteral("VUOTA"), "''", QStringLiteral("BETA")},
            {"4", QStringLiteral("DOPPIO"), "'prima'", QStringLiteral("D1")},
            {"5", QStringLiteral("DOPPIO"), "'seconda'", QStringLiteral("D2")},
            {"6", QStringLiteral("D'ANGELO"), "'l''una'", QStringLiteral("L'AQUILA SPA")},
            {"7", kNonAscii, "'€uro'", QString::fromUtf8("Società è")},
            {"8", kDelete, "'x'", QStringLiteral("DITTA'; --")},
            {"NULL", QStringLiteral("SENZACODICE"), "NULL", QStringLiteral("GAMMA")},
        };
        for (const Utente& u : utenti) {
            test::exec(other, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, PWDUTENTE, DITTA) VALUES (")
                                  + QString::fromUtf8(u.codice) + QLatin1Char(',') + db::quoted(u.nome)
                                  + QLatin1Char(',') + QString::fromUtf8(u.password) + QLatin1Char(',')
                                  + (u.ditta.isNull() ? QStringLiteral("NULL") : db::quoted(u.ditta))
                                  + QLatin1Char(')'));
        }
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
    }

    void TearDown() override
    {
        // Nothing in this Part writes to the database or shows a box.
        EXPECT_EQ(countUsers(other), 9);
        EXPECT_TRUE(folder.messages.boxes().empty());
    }

    ProgramFolder folder;
    db::Database other; // a second workstation on the same database
    std::unique_ptr<TTabXForm> form;
};

TEST_F(UsersMode0, PasswordRule)
{
    struct Case
    {
        QString nome;
        QString password;
        bool accettata;
    } cases[] = {
        {QStringLiteral("ROSSI"), QStringLiteral("Segreta1"), true},
        {QStringLiteral("ROSSI"), QStringLiteral("segreta1"), false},
        {QStringLiteral("ROSSI"), QStringLiteral("Segreta1 "), false},
        {QStringLiteral("ROSSI"), QStringLiteral(" Segreta1"), false},
        {QStringLiteral("ROSSI"), QStringLiteral("Segreta"), false},
        {QStringLiteral("ROSSI"), QString(), false},
        {QStringLiteral("rossi"), QStringLiteral("Segreta1"), false},
        // No stored password: anything goes in, the empty text included.
        {QStringLiteral("NULLA"), QString(), true},
        {QStringLiteral("NULLA"), QStringLiteral("qualunque"), true},
        {QStringLiteral("VUOTA"), QString(), true},
        {QStringLiteral("VUOTA"), QStringLiteral("qualunque"), true},
        // Two rows with one name: the first decides.
        {QStringLiteral("DOPPIO"), QStringLiteral("prima"), true},
        {QStringLiteral("DOPPIO"), QStringLiteral("seconda"), false},
        // Names and passwords with quotes and characters beyond ASCII are compared as they are.
        {QStringLiteral("D'ANGELO"), QStringLiteral("l'una"), true},
        {QStringLiteral("D'ANGELO"), QStringLiteral("l''una"), false},
        {QStringLiteral("D''ANGELO"), QStringLiteral("l'una"), false},
        {kNonAscii, QString::fromUtf8("€uro"), true},
        {kNonAscii, QString::fromUtf8("€URO"), false},
        {kDelete, QStringLiteral("x"), true},
        {kDelete, QStringLiteral("y"), false},
        // Unknown users are refused, whatever the name tries to do to the statement.
        {QString(), QString(), false},
        {QStringLiteral("SCONOSCIUTO"), QString(), false},
        {kAlwaysTrue, QStringLiteral("Segreta1"), false},
        // Longer than the column: no stored name can equal it.
        {QString(300, QLatin1Char('A')), QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(("name <" + c.nome.left(40) + "> password <" + c.password + ">").toStdString());
        EXPECT_EQ(form->VerificaPasswordUser(c.nome, c.password), c.accettata);
    }
}

TEST_F(UsersMode0, ANameBeyondTheEnginesKeySizeReachesTheCallerAsAnError)
{
    // The engine refuses to compare a text longer than an index key of the name column; like any
    // failing statement here it goes to the caller, and the table is untouched (see TearDown).
    const QString enorme = QString(5000, QLatin1Char('\'')) + QStringLiteral("; DELETE FROM UTENTI; --");
    EXPECT_THROW(form->VerificaPasswordUser(enorme, QString()), db::DbError);
    EXPECT_THROW(form->SetUserPerNome(enorme), db::DbError);
    // The form goes on working.
    EXPECT_TRUE(form->VerificaPasswordUser(QStringLiteral("ROSSI"), QStringLiteral("Segreta1")));
}

TEST_F(UsersMode0, MakingAUserCurrentByNameOrNumber)
{
    struct Case
    {
        const char* what;
        QString nome; // by name when set
        qint32 numero; // by number otherwise
        qint32 numUser;
        QString nomeUser;
        QString ditta;
    } cases[] = {
        {"by name", QStringLiteral("ROSSI"), 0, 1, QStringLiteral("ROSSI"), QStringLiteral("ALFA SRL")},
        {"by number", QString(), 1, 1, QStringLiteral("ROSSI"), QStringLiteral("ALFA SRL")},
        {"NULL company", QStringLiteral("NULLA"), 0, 2, QStringLiteral("NULLA"), QString()},
        {"first duplicate decides the number", QStringLiteral("DOPPIO"), 0, 4, QStringLiteral("DOPPIO"),
         QStringLiteral("D1")},
        // The company is read by name, so the second row of a repeated name gets the first's.
        {"second duplicate by number", QString(), 5, 5, QStringLiteral("DOPPIO"), QStringLiteral("D1")},
        {"apostrophe", QStringLiteral("D'ANGELO"), 0, 6, QStringLiteral("D'ANGELO"),
         QStringLiteral("L'AQUILA SPA")},
        {"non-ASCII", kNonAscii, 0, 7, kNonAscii, QString::fromUtf8("Società è")},
        {"statement in the name", kDelete, 0, 8, kDelete, QStringLiteral("DITTA'; --")},
        {"unknown name", QStringLiteral("SCONOSCIUTO"), 0, 0, QString(), QString()},
        {"name that would match every row", kAlwaysTrue, 0, 0, QString(), QString()},
        {"empty name", QString(), -1, 0, QString(), QString()},
        {"unknown number", QString(), 99, 99, QString(), QString()},
        // A row without a number cannot be reached by number, so its name does not come back.
        {"row without a number", QStringLiteral("SENZACODICE"), 0, 0, QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Leftovers of an earlier user must not survive.
        form->NumUser = 42;
        form->NomeUser = QStringLiteral("PRIMA");
        form->DittaCorrente = QStringLiteral("PRIMA");
        if (!c.nome.isNull() || c.numero < 0)
            form->SetUserPerNome(c.nome);
        else
            form->SetUserPerNum(c.numero);
        EXPECT_EQ(form->GetNumUser(), c.numUser);
        EXPECT_EQ(form->GetNomeUser(), c.nomeUser);
        EXPECT_EQ(form->DittaCorrente, c.ditta);
    }
}

// Making a user current together with one of his parameters gives what making him current and
// then reading the parameter gives, for every user of the table (NULL company, repeated names,
// quotes, an unknown number) and parameters found once, twice, in another company only, or not
// at all, and names that try to break the statement.
TEST_F(UsersMode0, AUserMadeCurrentWithAParameterReadsWhatTheTwoStepsRead)
{
    for (const char* riga : {"1, 'ALFA SRL', 'Archivio', 'alfa.fdb'", "1, 'ALTRA', 'Archivio', 'altra.fdb'",
                             "1, 'ALFA SRL', 'Doppio', 'primo'", "1, 'ALFA SRL', 'Doppio', 'secondo'",
                             "1, 'ALTRA', 'SoloAltra', 'x'", "2, '', 'Archivio', 'sezione vuota'",
                             "4, 'D1', 'Archivio', 'd1'", "5, 'D1', 'Archivio', 'd1 del quinto'",
                             "5, 'D2', 'Archivio', 'd2'", "6, 'L''AQUILA SPA', 'Archivio', 'aquila'",
                             "8, 'DITTA''; --', 'Archivio', 'ostile'"})
        test::exec(other, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, "
                                         "VALORE) VALUES (%1)")
                              .arg(QString::fromUtf8(riga)));
    const QString parametri[] = {QStringLiteral("Archivio"), QStringLiteral("Doppio"),
                                 QStringLiteral("SoloAltra"), QStringLiteral("Manca"), kAlwaysTrue,
                                 kDelete, QString()};
    int trovati = 0;
    for (qint32 numero : {1, 2, 3, 4, 5, 6, 7, 8, 99}) {
        for (const QString& parametro : parametri) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(numero).arg(parametro).toStdString());
            form->SetUserPerNum(numero);
            const QString nome = form->GetNomeUser();
            const QString ditta = form->DittaCorrente;
            const QString valore = form->CaricaParametro(parametro);
            form->NumUser = 42;
            form->NomeUser = QStringLiteral("PRIMA");
            form->DittaCorrente = QStringLiteral("PRIMA");
            EXPECT_EQ(form->SetUserPerNumConParametro(numero, parametro), valore);
            EXPECT_EQ(form->GetNumUser(), numero);
            EXPECT_EQ(form->GetNomeUser(), nome);
            EXPECT_EQ(form->DittaCorrente, ditta);
            trovati += valore.isEmpty() ? 0 : 1;
        }
    }
    // The table holds what the rules tell apart: a value for users 1, 2, 4, 5, 6 and 8.
    EXPECT_EQ(trovati, 7);
    EXPECT_EQ(form->SetUserPerNumConParametro(5, QStringLiteral("Archivio")), QStringLiteral("d1 del quinto"));
}

TEST_F(UsersMode0, CompanyChangedOnAnotherWorkstationIsSeen)
{
    form->SetUserPerNum(1);
    ASSERT_EQ(form->DittaCorrente, QStringLiteral("ALFA SRL"));
    // The form's transaction is still running with its snapshot; the company is read anew.
    ASSERT_TRUE(form->TransazioneUser.active());
    test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='OMEGA' WHERE CODICE=1"));
    form->SetUserPerNum(1);
    EXPECT_EQ(form->DittaCorrente, QStringLiteral("OMEGA"));
    // A user renamed meanwhile: the name and the company come from the same fresh snapshot, so
    // the company (read by name) is found under the new name instead of coming back empty.
    ASSERT_TRUE(form->TransazioneUser.active());
    test::exec(other, QStringLiteral("UPDATE UTENTI SET NOMEUTENTE='ROSSI MARIO' WHERE CODICE=1"));
    form->SetUserPerNum(1);
    EXPECT_EQ(form->GetNomeUser(), QStringLiteral("ROSSI MARIO"));
    EXPECT_EQ(form->DittaCorrente, QStringLiteral("OMEGA"));
    test::exec(other, QStringLiteral("UPDATE UTENTI SET DITTA='ALFA SRL', NOMEUTENTE='ROSSI' "
                                     "WHERE CODICE=1"));
}

TEST_F(UsersMode0, UserListIsAppendedInNumberOrder)
{
    QStringList lista{QStringLiteral("GIÀ PRESENTE")};
    form->CaricaUser(lista);
    // The row without a number sorts first, as the engine puts NULLs first in ascending order.
    EXPECT_EQ(lista, (QStringList{QStringLiteral("GIÀ PRESENTE"), QStringLiteral("SENZACODICE"),
                                  QStringLiteral("ROSSI"), QStringLiteral("NULLA"), QStringLiteral("VUOTA"),
                                  QStringLiteral("DOPPIO"), QStringLiteral("DOPPIO"),
                                  QStringLiteral("D'ANGELO"), kNonAscii, kDelete}));
}

TEST(UsersFailures, AStatementThatFailsReachesTheCaller)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    {
        db::Database d;
        test::attach(d, folder.userDatabase());
        test::exec(d, QStringLiteral("ALTER TABLE UTENTI DROP PWDUTENTE"));
    }
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_THROW(form.VerificaPasswordUser(QStringLiteral("ROSSI"), QString()), db::DbError);
    EXPECT_TRUE(folder.messages.boxes().empty());
    // The other look-ups still work on the same query.
    form.SetUserPerNome(QStringLiteral("ROSSI"));
    EXPECT_EQ(form.GetNumUser(), 0);
}

// Users from files: "NOMIDIT/UTENTI.INI" names them, the per-user files hold the last company.
// The user database is there but has no UTENTI at all, which shows that nothing is read from it.
class UsersMode1 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        {
            db::Database d;
            test::attach(d, folder.userDatabase());
            test::exec(d, QStringLiteral("DROP TABLE UTENTI"));
        }
        folder.makeFolder(QStringLiteral("NOMIDIT/USERCFG"));
        platform::IniFile utenti(folder.file(QStringLiteral("NOMIDIT/UTENTI.INI")));
        for (const char* sezione : {"1 ROSSI", "21 BIANCHI", "3 VERDI"})
            ASSERT_TRUE(utenti.writeString(QString::fromUtf8(sezione), QStringLiteral("Chiave"),
                                           QStringLiteral("x")));
        // The per-user file is named with the name that user 1 resolves to, " BIANCHI".
        writeCompany(QStringLiteral("1  BIANCHI.INI"), QStringLiteral("GAMMA"));
        writeCompany(QStringLiteral("3 VERDI.INI"), QStringLiteral("L'ALTRA"));
        form = std::make_unique<TTabXForm>(nullptr, 1, folder.environment());
        ASSERT_TRUE(folder.messages.boxes().empty());
    }

    void writeCompany(const QString& file, const QString& ditta)
    {
        ASSERT_TRUE(platform::IniFile(folder.file(QStringLiteral("NOMIDIT/USERCFG/") + file))
                        .writeString(QStringLiteral("STATUS MACCHINA"), QStringLiteral("UltimaDitta"), ditta));
    }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
};

TEST_F(UsersMode1, UsersAreTheSectionsOfTheIniFile)
{
    QStringList lista{QStringLiteral("VECCHIO")};
    form->CaricaUser(lista);
    const QStringList sezioni{QStringLiteral("1 ROSSI"), QStringLiteral("21 BIANCHI"), QStringLiteral("3 VERDI")};
    EXPECT_EQ(lista, sezioni);
    EXPECT_EQ(LeggiUtentiIni(folder.path()), sezioni);
    EXPECT_TRUE(LeggiUtentiIni(folder.file(QStringLiteral("altrove/"))).isEmpty());
}

TEST_F(UsersMode1, NumberResolvesToTheLastSectionHoldingItsDigits)
{
    struct Case
    {
        qint32 numero;
        QString nome;
        QString ditta;
    } cases[] = {
        // "1" is found in "1 ROSSI" and again in "21 BIANCHI", which comes later and wins.
        {1, QStringLiteral(" BIANCHI"), QStringLiteral("GAMMA")},
        {2, QStringLiteral(" BIANCHI"), QString()},
        {3, QStringLiteral("VERDI"), QStringLiteral("L'ALTRA")},
        {7, QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numero);
        form->DittaCorrente = QStringLiteral("PRIMA");
        form->SetUserPerNum(c.numero);
        EXPECT_EQ(form->GetNumUser(), c.numero);
        EXPECT_EQ(form->GetNomeUser(), c.nome);
        EXPECT_EQ(form->DittaCorrente, c.ditta);
    }
}

TEST_F(UsersMode1, EveryPasswordIsAcceptedAndNamesGiveUserZero)
{
    for (const QString& nome : {QStringLiteral("ROSSI"), QStringLiteral("NESSUNO"), kDelete, QString()}) {
        SCOPED_TRACE(nome.toStdString());
        EXPECT_TRUE(form->VerificaPasswordUser(nome, QStringLiteral("qualunque")));
        EXPECT_TRUE(form->VerificaPasswordUser(nome, QString()));
        form->NumUser = 3;
        form->SetUserPerNome(nome);
        EXPECT_EQ(form->GetNumUser(), 0);
        EXPECT_EQ(form->GetNomeUser(), QString()) << "no section holds a 0";
        EXPECT_EQ(form->DittaCorrente, QString());
    }
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST(UsersMode3, NothingIsReadAndTheCompanyStays)
{
    ProgramFolder folder; // no database, no NOMIDIT
    TTabXForm form(nullptr, 3, folder.environment());
    QStringList lista{QStringLiteral("RESTA")};
    form.CaricaUser(lista);
    EXPECT_EQ(lista, QStringList{QStringLiteral("RESTA")});
    EXPECT_TRUE(form.VerificaPasswordUser(QStringLiteral("ROSSI"), QStringLiteral("x")));
    form.DittaCorrente = QStringLiteral("DITTA");
    form.SetUserPerNome(QStringLiteral("ROSSI"));
    EXPECT_EQ(form.GetNumUser(), 0);
    form.SetUserPerNum(5);
    EXPECT_EQ(form.GetNumUser(), 5);
    EXPECT_EQ(form.GetNomeUser(), QString());
    EXPECT_EQ(form.DittaCorrente, QStringLiteral("DITTA"));
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
