#pragma once

#include <QString>
#include <QStringList>

namespace velkora::db {
class Database;
}

namespace velkora::data {

// Creates and checks the suite's databases from the scripts in schema/ (compiled into the data
// library as the resources ":/schema/user.sql", ":/schema/tabx.sql" and ":/schema/demo.sql"),
// and lays out a program folder. Used by velkora-admin and by the tests that need a template
// database; the start program itself never changes a schema beyond TABSCRIPT.
class SchemaInstaller
{
public:
    // The statements of a script: split at ";" outside quoted literals, quoted identifiers and
    // comments; "--" and "/* */" comments are removed; blank statements are dropped.
    static QStringList splitScript(const QString& sql);

    static QString userSchemaSql();
    static QString tabxSchemaSql();
    static QString demoSql();

    // Runs every statement of the script in order. Definitions are committed one by one, so
    // tables exist before the rows that go into them; each run of data statements (INSERT,
    // UPDATE, DELETE) shares one transaction, committed before the next definition and at the
    // end. Throws db::DbError with the failing statement's start added to the engine's text;
    // what was committed before it stays, the rows of its own run are rolled back.
    static void runScript(db::Database& database, const QString& sql);

    // Creates the database file at path (SYSDBA, the suite's password, page size 4096) and runs
    // the script in it. An existing file is never touched: std::runtime_error with an Italian
    // message naming it.
    static void createDatabase(const QString& path, const QString& sql);

    // What the attached database lacks of the tables, columns and generators that the script's
    // CREATE TABLE and CREATE GENERATOR/SEQUENCE statements define, in script order, one line
    // each: "tabella X", "colonna X.Y", "generatore G" (names as the engine stores them). The
    // columns of a missing table are not listed separately.
    static QStringList missingObjects(db::Database& database, const QString& sql);

    // The pictures and folders a demo program folder needs: an icon for every ".ico" file that
    // the demo data names, the save-button pictures Verde.bmp and Rosso.bmp in Grafica, and the
    // folders NOMIDIT and NOMIDIT/USERCFG. Existing files are replaced. Needs a QGuiApplication
    // (text is drawn on the icons). Throws std::runtime_error when a file cannot be written.
    static void writeDemoFiles(const QString& programFolder);

    // Lays out a program folder: user/user.fdb with the user schema (and the demo data when
    // demo is set), Grafica with the save-button pictures (and the demo icons), NOMIDIT and
    // NOMIDIT/USERCFG. An existing user/user.fdb is refused as by createDatabase, before
    // anything is written.
    static void initFolder(const QString& programFolder, bool demo);

    // The user database's place below a program folder.
    static QString userDatabasePath(const QString& programFolder);
};

} // namespace velkora::data
