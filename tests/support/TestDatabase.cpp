#include "TestDatabase.h"

#include "TestPaths.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace velkora::test {

namespace {

QString copyFile(const QString& templateName, const QString& targetPath)
{
    const QString source = QDir(QString::fromUtf8(kTestDataDir)).filePath(templateName);
    if (!QFileInfo::exists(source)) {
        ADD_FAILURE() << "template database missing (build velkora_test_templates): "
                      << source.toStdString();
        return {};
    }
    QDir().mkpath(QFileInfo(targetPath).absolutePath());
    QFile::remove(targetPath);
    if (!QFile::copy(source, targetPath)) {
        ADD_FAILURE() << "cannot copy " << source.toStdString() << " to "
                      << targetPath.toStdString();
        return {};
    }
    // The copy keeps the template's read-only bits if any; the engine needs to write the file.
    QFile::setPermissions(targetPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::WriteGroup | QFile::ReadOther);
    return targetPath;
}

} // namespace

QString copyTemplate(const QString& targetPath)
{
    return copyFile(QStringLiteral("user-template.fdb"), targetPath);
}

QString copyTabxTemplate(const QString& targetPath)
{
    return copyFile(QStringLiteral("tabx-template.fdb"), targetPath);
}

void attach(db::Database& database, const QString& path)
{
    database.setDatabaseName(path);
    database.params() = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    database.attach();
}

void exec(db::Database& database, const QString& sql)
{
    database.executeImmediate(sql);
}

QStringList rows(db::Database& database, const QString& sql)
{
    db::Transaction t(&database);
    db::Query q(&database, &t);
    q.add(sql);
    q.open();
    QStringList out;
    for (; !q.eof(); q.next()) {
        QStringList columns;
        for (int i = 0; i < q.fieldCount(); ++i)
            columns << q.asString(i);
        out << columns.join(QLatin1Char('|'));
    }
    return out;
}

void dropColumn(db::Database& database, const QString& table, const QString& column)
{
    QStringList indexes;
    {
        db::Transaction t(&database);
        db::Query q(&database, &t);
        q.add(QStringLiteral("SELECT DISTINCT TRIM(S.RDB$INDEX_NAME) FROM RDB$INDEX_SEGMENTS S "
                             "JOIN RDB$INDICES I ON I.RDB$INDEX_NAME=S.RDB$INDEX_NAME "
                             "WHERE I.RDB$RELATION_NAME=")
              + db::quoted(table) + QStringLiteral(" AND S.RDB$FIELD_NAME=") + db::quoted(column));
        q.open();
        for (; !q.eof(); q.next())
            indexes << q.asString(0);
    }
    for (const QString& index : indexes)
        exec(database, QStringLiteral("DROP INDEX ") + index);
    exec(database, QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" DROP ") + column);
}

} // namespace velkora::test
