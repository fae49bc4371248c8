#include "data/SchemaInstaller.h"

#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "params/ParameterText.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace velkora::data {
namespace {

using test::attach;

TEST(SplitScriptTest, SplitsAtSemicolonsOutsideLiteralsAndComments)
{
    struct Case
    {
        const char* name;
        QString script;
        QStringList statements;
    };
    const Case cases[] = {
        {"two statements, last without semicolon",
         "SELECT 1 FROM A;\nSELECT 2 FROM B",
         {"SELECT 1 FROM A", "SELECT 2 FROM B"}},
        {"semicolon inside a literal",
         "INSERT INTO T VALUES ('a;b');INSERT INTO T VALUES ('c')",
         {"INSERT INTO T VALUES ('a;b')", "INSERT INTO T VALUES ('c')"}},
        {"doubled quote does not end the literal",
         "INSERT INTO T VALUES ('L''Aquila; centro');X",
         {"INSERT INTO T VALUES ('L''Aquila; centro')", "X"}},
        {"dashes inside a literal are text",
         "INSERT INTO T VALUES ('--; non commento');",
         {"INSERT INTO T VALUES ('--; non commento')"}},
        {"line comment with a semicolon is dropped",
         "-- primo; commento\nCREATE TABLE A (X INTEGER); -- dopo;\nCREATE TABLE B (Y INTEGER);",
         {"CREATE TABLE A (X INTEGER)", "CREATE TABLE B (Y INTEGER)"}},
        {"block comment is dropped", "SELECT /* a; b */ 1 FROM A;", {"SELECT   1 FROM A"}},
        {"semicolon inside a quoted identifier",
         "CREATE TABLE \"A;B\" (X INTEGER);",
         {"CREATE TABLE \"A;B\" (X INTEGER)"}},
        {"empty statements and blank lines vanish",
         ";;\n  ;\nSELECT 1 FROM A;\n\n;",
         {"SELECT 1 FROM A"}},
        {"a script of comments only gives nothing", "-- solo commento;\n/* ; */\n", {}},
        {"empty script", "", {}},
        {"newlines inside a statement are kept",
         "CREATE TABLE A (\n  X INTEGER\n);",
         {"CREATE TABLE A (\n  X INTEGER\n)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SchemaInstaller::splitScript(c.script), c.statements);
    }
}

class SchemaInstallerDbTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// The parser behind missingObjects must read names as the engine stores them: unquoted ones
// upper case, quoted ones as written, and must not take constraints or the comma inside a
// NUMERIC(18,4) for columns.
TEST_F(SchemaInstallerDbTest, MissingObjectsFollowsTheEnginesNamingRules)
{
    const QString created =
        QStringLiteral("CREATE TABLE \"Misto\" (\"Campo\" INTEGER NOT NULL, altro NUMERIC(18,4),\n"
                       "  CONSTRAINT MISTO_PK PRIMARY KEY (\"Campo\"));\n"
                       "CREATE TABLE Piccola (PosX INTEGER);\n"
                       "CREATE SEQUENCE Contatore;\n");
    SchemaInstaller::createDatabase(path("misto.fdb"), created);

    const QString expected =
        created +
        QStringLiteral(
            "CREATE TABLE \"Misto\" (\"Campo\" INTEGER, \"campo\" INTEGER, ALTRO NUMERIC(18,4),\n"
            "  nuova VARCHAR(10), UNIQUE (ALTRO), CHECK (ALTRO > 0));\n"
            "CREATE TABLE piccola (posx INTEGER, posy INTEGER);\n"
            "CREATE TABLE ASSENTE (A INTEGER, B INTEGER);\n"
            "CREATE GENERATOR contatore;\n"
            "CREATE GENERATOR \"contatore\";\n");

    db::Database database;
    attach(database, path("misto.fdb"));
    EXPECT_EQ(SchemaInstaller::missingObjects(database, expected),
              (QStringList{"colonna Misto.campo", "colonna Misto.NUOVA", "colonna PICCOLA.POSY",
                           "tabella ASSENTE", "generatore contatore"}));
}

// Commas and parentheses inside a literal or a comment of a column list belong to their column.
TEST_F(SchemaInstallerDbTest, MissingObjectsReadsLiteralsInAColumnListWhole)
{
    SchemaInstaller::createDatabase(path("letterali.fdb"),
                                    QStringLiteral("CREATE TABLE NOTE (A INTEGER);\n"));
    const QString expected = QStringLiteral(
        "CREATE TABLE NOTE (A INTEGER, STATO VARCHAR(5) DEFAULT ',(x' /* ,( */,\n"
        "  \"Dopo,(\" VARCHAR(5) DEFAULT ')', ULTIMA INTEGER);\n");
    db::Database database;
    attach(database, path("letterali.fdb"));
    EXPECT_EQ(SchemaInstaller::missingObjects(database, expected),
              (QStringList{"colonna NOTE.STATO", "colonna NOTE.Dopo,(", "colonna NOTE.ULTIMA"}));
}

// TABX rows are inserted without a column list, so the order of its columns is binding.
TEST_F(SchemaInstallerDbTest, TabxTemplateHasTheTwelveColumnsInOrderAndItsGenerator)
{
    const QString file = test::copyTabxTemplate(path("tabx.fdb"));
    ASSERT_FALSE(file.isEmpty());
    db::Database database;
    attach(database, file);
    EXPECT_TRUE(
        SchemaInstaller::missingObjects(database, SchemaInstaller::tabxSchemaSql()).isEmpty());

    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    query.add(QStringLiteral("SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS"));
    query.add(QStringLiteral("WHERE RDB$RELATION_NAME='TABX' ORDER BY RDB$FIELD_POSITION"));
    query.open();
    QStringList columns;
    for (query.first(); !query.eof(); query.next())
        columns << query.asString(0).trimmed();
    EXPECT_EQ(columns,
              (QStringList{"CODICE", "CODPROGETTO", "CODSITUAZIONE", "TIPO", "NOME", "NUMERO",
                           "TESTO", "DATA", "MEMO", "LIVELLO1", "LIVELLO2", "UTENTE"}));

    // The literal forms the program writes: decimal text, "." decimals, mm/dd/yyyy dates.
    test::exec(
        database,
        QStringLiteral(
            "INSERT INTO TABX VALUES(GEN_ID(CODICETABXCOUNTER,1),'P','S','TBX','N','12.5','testo',"
            "'03/04/2024','memo','1','2','7')"));
    // A new snapshot, so the read sees the row committed by the insert.
    transaction.commit();
    query.clear();
    query.add(QStringLiteral("SELECT CODICE, NUMERO, DATA, LIVELLO2, UTENTE FROM TABX"));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.asInteger("CODICE"), 1);
    EXPECT_DOUBLE_EQ(query.value("NUMERO").toDouble(), 12.5);
    EXPECT_EQ(query.value("DATA").toDate(), QDate(2024, 3, 4));
    EXPECT_EQ(query.asInteger("LIVELLO2"), 2);
    EXPECT_EQ(query.asInteger("UTENTE"), 7);
}

// The user schema takes the literals of the program as they are written: integers and flags
// as quoted text, dates month first, times with seconds; and the cases that must not be
// refused by a key.
TEST_F(SchemaInstallerDbTest, UserTemplateAcceptsTheProgramsLiteralsAndDuplicates)
{
    const QString file = test::copyTemplate(path("user.fdb"));
    ASSERT_FALSE(file.isEmpty());
    db::Database database;
    attach(database, file);
    EXPECT_TRUE(
        SchemaInstaller::missingObjects(database, SchemaInstaller::userSchemaSql()).isEmpty());

    const QString statements[] = {
        "INSERT INTO NORVILOG (CODICESESSIONE,DATAAPERTURA,ORAAPERTURA,CODICEUTENTE) "
        "VALUES('5','12/31/2024','23:59:58','3')",
        "INSERT INTO UTENTI (CODICE,NOMEUTENTE,UTENTEINATTIVO) VALUES('1','Rossi','1')",
        "INSERT INTO UTENTI (CODICE,NOMEUTENTE) VALUES('2','Rossi')",
        "INSERT INTO STOPOS1 (CodiceSituazione,CodiceUtente,CodiceProgetto,PosX,PosY,DimX,DimY) "
        "VALUES (1,1,1,10,20,300,200)",
        "INSERT INTO STOPOS1 (CODICESITUAZIONE,CODICEUTENTE,CODICEPROGETTO,POSX,POSY,DIMX,DIMY) "
        "VALUES (1,1,1,11,21,301,201)",
        "INSERT INTO TABVELKORA (UTENTE,INTESTAZIONE,PARAMETRO,VALORE,PROGRESSIVO) "
        "VALUES('1','ALFA','A',NULL,'1')",
        "INSERT INTO TABVELKORA (UTENTE,INTESTAZIONE,PARAMETRO,VALORE,PROGRESSIVO) "
        "VALUES('1','ALFA','A','2','2')",
        "INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,ORACHIAMATAFUNZIONE,"
        "FUNZIONECHIAMATA,IDFINESTRA) "
        "VALUES('5','01/02/2025','08:00:00','ShowContattAgendaFormD','9')",
        "UPDATE NORVILOGFUNZ SET HANDLEFINESTRA='4294967295' WHERE IDFINESTRA='9'",
    };
    for (const QString& sql : statements) {
        SCOPED_TRACE(sql.toStdString());
        EXPECT_NO_THROW(test::exec(database, sql));
    }

    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    query.add(QStringLiteral("SELECT DATAAPERTURA FROM NORVILOG WHERE CODICESESSIONE='5'"));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.value(0).toDate(), QDate(2024, 12, 31));
    query.clear();
    // The window position statements name the table in quotes and the columns without.
    query.add(QStringLiteral("SELECT * FROM \"STOPOS1\" WHERE (CodiceSituazione=1)"));
    query.add(QStringLiteral("AND (CodiceUtente=1) AND (CodiceProgetto=1)"));
    query.open();
    EXPECT_EQ(query.recordCount(), 2);
}

// The demo parameter-set texts must be what the program itself rebuilds from the rows: sections
// sorted by name, lines by PROGRESSIVO, "name=value" and a line feed after every line. A demo
// that disagrees would show a different set in the editor than the one the menus use.
TEST_F(SchemaInstallerDbTest, DemoParameterTextsMatchTheirRows)
{
    SchemaInstaller::createDatabase(path("demo.fdb"),
                                    SchemaInstaller::userSchemaSql() + SchemaInstaller::demoSql());
    db::Database database;
    attach(database, path("demo.fdb"));
    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);

    query.add(QStringLiteral("SELECT UTENTE, INTESTAZIONE, PARAMETRO, VALORE FROM TABVELKORA"));
    query.add(QStringLiteral("WHERE INTESTAZIONE IS NOT NULL"));
    query.add(QStringLiteral("ORDER BY UTENTE, INTESTAZIONE, PROGRESSIVO"));
    query.open();
    std::map<qint64, std::vector<ParameterRow>> rows;
    for (query.first(); !query.eof(); query.next()) {
        // The query leaves out NULL sections; an empty one must stay the empty section.
        QString section = query.asString("INTESTAZIONE");
        if (section.isNull())
            section = QStringLiteral("");
        rows[query.asInteger("UTENTE")].push_back(
            {section, query.asString("PARAMETRO"), query.asString("VALORE")});
    }
    std::map<qint64, QString> rebuilt;
    for (const auto& [user, userRows] : rows)
        rebuilt[user] = writeParameterText(userRows);
    ASSERT_FALSE(rebuilt.empty());

    query.clear();
    query.add(
        QStringLiteral("SELECT CODICE, NOMEUTENTE, VELKORA, DITTA FROM UTENTI ORDER BY CODICE"));
    query.open();
    ASSERT_GE(query.recordCount(), 4);
    for (query.first(); !query.eof(); query.next()) {
        SCOPED_TRACE(query.asString("NOMEUTENTE").toStdString());
        const auto it = rebuilt.find(query.asInteger("CODICE"));
        if (it == rebuilt.end()) {
            EXPECT_TRUE(query.isNull("VELKORA"));
            continue;
        }
        EXPECT_EQ(query.asString("VELKORA"), it->second);
        // The user's company must be one of his sections, or his parameters read as empty.
        EXPECT_TRUE(
            it->second.contains(QLatin1Char('[') + query.asString("DITTA") + QLatin1Char(']')));
    }
}

// The menu trees of the demo hang together: every child names an existing parent one level
// up in its program, so nothing in the demo is silently left out of the menus by mistake.
TEST_F(SchemaInstallerDbTest, DemoMenuRowsHaveTheirParentsOneLevelUp)
{
    SchemaInstaller::createDatabase(path("demo.fdb"),
                                    SchemaInstaller::userSchemaSql() + SchemaInstaller::demoSql());
    db::Database database;
    attach(database, path("demo.fdb"));
    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    query.add(
        QStringLiteral("SELECT C.PROGRAMMA, C.MENU, C.LIVELLOMENU, C.MENUPREC, P.LIVELLOMENU"));
    query.add(QStringLiteral("FROM DETTMENU C LEFT JOIN DETTMENU P"));
    query.add(QStringLiteral("ON P.PROGRAMMA = C.PROGRAMMA AND P.MENU = C.MENUPREC"));
    query.open();
    ASSERT_GT(query.recordCount(), 0);
    int deepest = 0;
    for (query.first(); !query.eof(); query.next()) {
        SCOPED_TRACE(
            ("programma " + query.asString(0) + " menu " + query.asString(1)).toStdString());
        const qint64 level = query.asInteger(2);
        deepest = std::max<int>(deepest, static_cast<int>(level));
        if (level == 0) {
            EXPECT_TRUE(query.isNull(3));
        } else {
            ASSERT_FALSE(query.isNull(4)) << "parent row missing";
            EXPECT_EQ(query.asInteger(4), level - 1);
        }
    }
    EXPECT_EQ(deepest, 3);
}

TEST_F(SchemaInstallerDbTest, CreateDatabaseRefusesAnExistingFileAndLeavesItAlone)
{
    QFile file(path("esistente.fdb"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("non un database");
    file.close();

    try {
        SchemaInstaller::createDatabase(path("esistente.fdb"), SchemaInstaller::tabxSchemaSql());
        FAIL() << "an existing file was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(QString::fromStdString(error.what()),
                  QStringLiteral("Il database %1 esiste già: non viene sovrascritto")
                      .arg(QDir::toNativeSeparators(path("esistente.fdb"))));
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("non un database"));
}

// A script that fails half way must not leave a half-made file behind, or the next attempt
// would be refused as "already there".
TEST_F(SchemaInstallerDbTest, CreateDatabaseRemovesTheFileWhenTheScriptFails)
{
    EXPECT_ANY_THROW(SchemaInstaller::createDatabase(
        path("rotto.fdb"),
        QStringLiteral("CREATE TABLE A (X INTEGER);\nCREATE TABLE A (X INTEGER);")));
    EXPECT_FALSE(QFile::exists(path("rotto.fdb")));
}

} // namespace
} // namespace velkora::data
