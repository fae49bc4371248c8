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
    // The archive of one company (customers and suppliers) and its demo rows.
    static QString dittaSchemaSql();
    static QString dittaDemoSql();

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
    // Adds to the attached database the tables (with the indexes the script makes on them) and
    // the generators of the script that it lacks, each committed on its own, and returns them as
    // missingObjects() names them. What the database has is left as it is: a column missing from
    // an existing table is not added, and stays in missingObjects().
    static QStringList addMissingObjects(db::Database& database, const QString& sql);

    // The icon file names that the demo data gives the programs, in order of appearance and
    // without repeats (letter case ignored).
    static QStringList demoIconNames();

    // Lays out a program folder: user/user.fdb with the user schema (and the demo data when
    // demo is set) and the folders user, Grafica, NOMIDIT and NOMIDIT/USERCFG. An existing
    // user/user.fdb is refused as by createDatabase, before anything is written; existing
    // folders and the files in them are left as they are. The pictures of Grafica are painted
    // by the admin tool.
    static void initFolder(const QString& programFolder, bool demo);

    // Lays out the company archives that the user database of the folder names in the parameter
    // "ArchivioDitta" of the users' parameter sets (paths relative to the program folder, with
    // either separator), each with the company schema and the demo rows. An archive whose file
    // exists is left alone, and one named outside the program folder (absolute, or leading out
    // through "..") is not made; both are returned as "path: reason" lines for the caller to
    // list, those outside the folder first.
    static QStringList initDemoArchives(const QString& programFolder);
    // The company archives that the user database of the folder names in "ArchivioDitta", as
    // clean absolute paths below the program folder, without repeats, in order of appearance.
    // A name that leads outside the folder (absolute, a drive, "..") is not returned; when
    // `fuori` is given it receives such names as written. The user database is attached by
    // `nomeDatabase` when one is given ("server:path", for a folder that works through a server),
    // otherwise in this process at its place below the folder.
    static QStringList archiviDitta(const QString& programFolder, QStringList* fuori = nullptr,
                                    const QString& nomeDatabase = QString());
    // The report layouts of the demo into the "Report" folder of the program folder. A file that
    // exists (or a link in its place) is left alone and returned, by its path relative to the
    // program folder, for the caller to list.
    static QStringList initDemoReports(const QString& programFolder);

    // The user database's place below a program folder.
    static QString userDatabasePath(const QString& programFolder);
};

} // namespace velkora::data
