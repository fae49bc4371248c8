#pragma once

#include <QString>
#include <QStringList>

namespace velkora::db {
class Database;
}

namespace velkora::test {

// Copies the user-database template of the build (testdata/user-template.fdb, made by
// velkora-admin from schema/user.sql) to targetPath, replacing a file left there by an earlier
// run, and returns targetPath. Fails the calling test (ADD_FAILURE) and returns an empty text
// when the copy cannot be made.
QString copyTemplate(const QString& targetPath);

// The same for the TABX database template (testdata/tabx-template.fdb).
QString copyTabxTemplate(const QString& targetPath);

// Attaches database to the file at path as SYSDBA with the suite's password (embedded engine
// for a plain local path). Throws db::DbError when it cannot.
void attach(db::Database& database, const QString& path);

// Runs one statement in its own committed transaction, for setting up test data.
void exec(db::Database& database, const QString& sql);

// The rows of a selection, read in a transaction of its own (so they are what is committed),
// each as its columns' texts joined by "|".
QStringList rows(db::Database& database, const QString& sql);

// Drops a column of a table, the indexes on it first (the engine refuses the drop otherwise),
// as an older database lacks the column.
void dropColumn(db::Database& database, const QString& table, const QString& column);

} // namespace velkora::test
