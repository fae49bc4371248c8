#include "shell/KivIn2.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "platform/IniFile.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::ProgramFolder;

namespace {

bool hasScriptTable(db::Database& database)
{
    db::Transaction t(&database);
    db::Query q(&database, &t);
    q.add(QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='TABSCRIPT'"));
    q.open();
    return !q.isEmpty();
}

int cancelPrompt(QDialog& d)
{
    dynamic_cast<TKivIn2Form&>(d).CancelBtn->click();
    return d.result();
}

TEST(TTabXForm, AttachesTheUserDatabaseAndCreatesTabscriptOnce)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    {
        TTabXForm form(nullptr, 0, folder.environment());
        EXPECT_TRUE(form.IBDatabaseUser.attached());
        EXPECT_EQ(form.IBDatabaseUser.databaseName(), folder.userDatabase());
        EXPECT_TRUE(hasScriptTable(form.IBDatabaseUser));
        EXPECT_TRUE(folder.messages.boxes().empty());
        test::exec(form.IBDatabaseUser,
                   QStringLiteral("INSERT INTO TABSCRIPT (PROGETTO, SCRIPTFORM, CONTESTO, UTENTE) "
                                  "VALUES ('P', 'F', 1, 'U')"));
    }
    // The second start finds the table and leaves it, rows included, as it is.
    TTabXForm again(nullptr, 0, folder.environment());
    db::Query q(&again.IBDatabaseUser, &again.TransazioneUser);
    q.add(QStringLiteral("SELECT COUNT(*) FROM TABSCRIPT"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 1);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST(TTabXForm, ComponentsAndFieldsAfterConstruction)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_EQ(form.objectName(), QStringLiteral("TabXForm"));
    EXPECT_EQ(form.ModoUtenti, 0);
    EXPECT_EQ(form.NumUser, 0);
    EXPECT_TRUE(form.NomeUser.isEmpty());
    EXPECT_TRUE(form.DittaCorrente.isEmpty());
    EXPECT_EQ(form.PercorsoVerde, folder.file(QStringLiteral("Grafica/Verde.bmp")));
    EXPECT_EQ(form.PercorsoRosso, folder.file(QStringLiteral("Grafica/Rosso.bmp")));
    EXPECT_TRUE(form.MemTabX.active());
    EXPECT_TRUE(form.MemTabX.isEmpty());
    EXPECT_EQ(form.IBTransaction1.params(),
              (QStringList{QStringLiteral("isc_tpb_concurrency"), QStringLiteral("isc_tpb_nowait")}));
    EXPECT_TRUE(form.TransazioneUser.params().isEmpty());
    for (db::Database* d : {&form.IBDatabase1, &form.IBDatabase2, &form.IBDatabase3, &form.IBDatabase4}) {
        EXPECT_FALSE(d->attached());
        EXPECT_EQ(d->sqlDialect(), 3);
    }
    EXPECT_EQ(form.IBDatabaseUser.defaultTransaction(), &form.TransazioneUser);
    form.SetVerde(QStringLiteral("v"));
    form.SetRosso(QStringLiteral("r"));
    EXPECT_EQ(form.PercorsoVerde, QStringLiteral("v"));
    EXPECT_EQ(form.PercorsoRosso, QStringLiteral("r"));
}

TEST(TTabXForm, LocalStartCreatesAMissingDatabaseWithoutPrompt)
{
    ProgramFolder folder;
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_TRUE(QDir(folder.file(QStringLiteral("user"))).exists());
    EXPECT_TRUE(QFile::exists(folder.userDatabase()));
    EXPECT_TRUE(form.IBDatabaseUser.attached());
    EXPECT_EQ(folder.messages.texts(), QStringList{QStringLiteral("Effettuata creazione data base")});
    EXPECT_TRUE(folder.messages.dialogTitles().isEmpty());
    EXPECT_TRUE(hasScriptTable(form.IBDatabaseUser)) << "the new database gets TABSCRIPT too";
}

TEST(TTabXForm, ModeThreeTouchesNothing)
{
    ProgramFolder folder;
    TTabXForm form(nullptr, 3, folder.environment());
    EXPECT_FALSE(form.IBDatabaseUser.attached());
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("user"))).exists());
    EXPECT_TRUE(form.PercorsoVerde.isEmpty());
    EXPECT_TRUE(form.PercorsoRosso.isEmpty());
    EXPECT_TRUE(form.MemTabX.active());
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(TTabXForm, DatabaseThatCannotBeCreatedIsReportedAndConstructionGoesOn)
{
    ProgramFolder folder;
    // "user" is a file: no folder, no database, no dati.ini can be made there.
    QFile f(folder.file(QStringLiteral("user")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    folder.messages.onNextDialog(cancelPrompt);
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_FALSE(form.IBDatabaseUser.attached());
    EXPECT_EQ(folder.messages.texts(),
              (QStringList{QStringLiteral("Non trovato dati.ini"),
                           QStringLiteral("Apertura / creazione del database non riuscita!"),
                           QStringLiteral("Errore inizializzazione database utenti")}));
    EXPECT_EQ(folder.messages.boxes().back().kind, BoxKind::Error);
    EXPECT_TRUE(form.MemTabX.active());
}

TEST(TTabXForm, TabscriptThatCannotBeCreatedIsReported)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    {
        // Another table already holds the constraint name the script table needs.
        db::Database d;
        test::attach(d, folder.userDatabase());
        test::exec(d, QStringLiteral("CREATE TABLE ALTRA (A INTEGER NOT NULL, "
                                     "CONSTRAINT KIVTAB_CHIAVEPRIMARIA PRIMARY KEY (A))"));
    }
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_TRUE(form.IBDatabaseUser.attached());
    ASSERT_EQ(folder.messages.boxes().size(), 1u);
    EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes()[0].text,
              QStringLiteral("Errore interno di CREATE: impossibile creare la tabella TABSCRIPT"));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Ombrix.CreaTabscript.sql"))));
    EXPECT_FALSE(hasScriptTable(form.IBDatabaseUser));
}

// Two workstations starting together on a new database: both find the script table missing and
// the other one creates it between this one's look and its own CREATE (a trigger on the creation
// of tables plays the other workstation, committing the table on its own). The loser finds the
// table made and goes on without a box.
TEST(TTabXForm, TabscriptCreatedMeanwhileByAnotherWorkstationIsNoError)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    {
        db::Database d;
        test::attach(d, folder.userDatabase());
        if (hasScriptTable(d))
            test::exec(d, QStringLiteral("DROP TABLE TABSCRIPT"));
        test::exec(d, QStringLiteral(
                          "CREATE TRIGGER ALTRA_POSTAZIONE BEFORE CREATE TABLE AS\n"
                          "DECLARE PRIMA VARCHAR(1);\n"
                          "BEGIN\n"
                          "  IF (RDB$GET_CONTEXT('USER_SESSION', 'GARA') IS NULL) THEN\n"
                          "  BEGIN\n"
                          "    PRIMA = RDB$SET_CONTEXT('USER_SESSION', 'GARA', '1');\n"
                          "    IN AUTONOMOUS TRANSACTION DO\n"
                          "      EXECUTE STATEMENT 'CREATE TABLE TABSCRIPT (PROGETTO VARCHAR(10))';\n"
                          "  END\n"
                          "END"));
    }
    TTabXForm form(nullptr, 0, folder.environment());
    EXPECT_TRUE(form.IBDatabaseUser.attached());
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('|')).toStdString();
    // The table is the other workstation's (one column), so the race really happened.
    db::Query q(&form.IBDatabaseUser, &form.TransazioneUser);
    q.add(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME='TABSCRIPT'"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 1);
}

TEST(TTabXForm, GarbageDatiIniReadsSafely)
{
    struct Case
    {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"garbage bytes", QByteArray("\x00\xff\xfe[\x01\x02=\x80\x9d\n[CONFIG\n=\n", 20)},
        {"very long line", QByteArray("[CONFIG]\nNome") + QByteArray(2 * 1024 * 1024, 'x') + "\n"},
        {"no sections", QByteArray("PercorsoDatabase=C:\\Dati\nNome Server=SRV\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        folder.installUserDatabase();
        QFile ini(folder.file(QStringLiteral("user/dati.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(c.content);
        ini.close();
        TTabXForm form(nullptr, 0, folder.environment());
        EXPECT_TRUE(form.IBDatabaseUser.attached());
        EXPECT_EQ(form.IBDatabaseUser.databaseName(), folder.userDatabase());
        EXPECT_TRUE(folder.messages.boxes().empty());
    }
}

TEST(TTabXForm, SettaFileIniWritesTheCurrentUsersFile)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("NOMIDIT/USERCFG"));
    TTabXForm form(nullptr, 3, folder.environment());
    form.NumUser = 12;
    form.NomeUser = QStringLiteral("D'ANGELO");
    form.SettaFileIni(QStringLiteral("STATUS MACCHINA"), QStringLiteral("UltimaDitta"),
                      QStringLiteral("ROSSI SRL"));
    platform::IniFile ini(folder.file(QStringLiteral("NOMIDIT/USERCFG/12 D'ANGELO.INI")));
    EXPECT_EQ(ini.readString(QStringLiteral("STATUS MACCHINA"), QStringLiteral("UltimaDitta")),
              QStringLiteral("ROSSI SRL"));
}

} // namespace
