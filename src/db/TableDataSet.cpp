#include "db/TableDataSet.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

namespace velkora::db {

TableDataSet::TableDataSet(Database* database, Transaction* transaction)
    : QueryDataSet(database, transaction)
{
    setUpdateObject(&m_writes);
}

TableDataSet::~TableDataSet()
{
    setUpdateObject(nullptr);
}

void TableDataSet::setTableName(const QString& name)
{
    close();
    m_tableName = name;
    m_indexName.clear();
    m_indexDefs.reset();
    m_writesMade = false;
}

QString TableDataSet::storedName() const
{
    // A plain name is kept in upper case by the engine, as a statement without quotes would.
    return isPlainIdentifier(m_tableName) ? m_tableName.toUpper() : m_tableName;
}

const std::vector<TableDataSet::IndexDef>& TableDataSet::indexDefs()
{
    if (m_indexDefs)
        return *m_indexDefs;
    Query q(database(), transaction());
    q.add(
        QStringLiteral("SELECT TRIM(I.RDB$INDEX_NAME), TRIM(S.RDB$FIELD_NAME), I.RDB$INDEX_TYPE"));
    q.add(QStringLiteral("FROM RDB$INDICES I"));
    q.add(QStringLiteral("JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME=I.RDB$INDEX_NAME"));
    q.add(QStringLiteral("WHERE I.RDB$RELATION_NAME=:TABELLA"));
    q.add(QStringLiteral("ORDER BY I.RDB$INDEX_ID, S.RDB$FIELD_POSITION"));
    q.setParam(QStringLiteral("TABELLA"), storedName());
    q.open();
    std::vector<IndexDef> defs;
    for (q.first(); !q.eof(); q.next()) {
        const QString name = q.asString(0);
        if (defs.empty() || defs.back().name != name)
            defs.push_back({name, {}, q.asInteger(2) == 1});
        defs.back().fields << q.asString(1);
    }
    m_indexDefs = std::move(defs);
    return *m_indexDefs;
}

void TableDataSet::setIndexName(const QString& name)
{
    if (name == m_indexName)
        return;
    if (!name.isEmpty()) {
        bool known = false;
        for (const IndexDef& def : indexDefs())
            known = known || def.name == name;
        if (!known)
            throw DbLogicError(QStringLiteral("no index %1 on table %2").arg(name, m_tableName));
    }
    const bool wasOpen = active();
    const QString key = wasOpen && !eof() && fieldCount() > 0 ? asString(fieldName(0)) : QString();
    m_indexName = name;
    if (!wasOpen)
        return;
    open();
    if (!key.isEmpty())
        locate(fieldName(0), key);
}

QStringList TableDataSet::selection() const
{
    QStringList lines{QStringLiteral("SELECT * FROM ") + quotedIdentifier(storedName())};
    if (m_indexName.isEmpty() || !m_indexDefs)
        return lines;
    for (const IndexDef& def : *m_indexDefs) {
        if (def.name != m_indexName)
            continue;
        QStringList order;
        for (const QString& field : def.fields)
            order << quotedIdentifier(field) +
                         (def.descending ? QStringLiteral(" DESC") : QString());
        lines << QStringLiteral("ORDER BY ") + order.join(QLatin1Char(','));
    }
    return lines;
}

void TableDataSet::readColumns()
{
    // The columns that can be written (computed ones cannot), in the table's order.
    Query q(database(), transaction());
    q.add(QStringLiteral("SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF"));
    q.add(QStringLiteral("JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME=RF.RDB$FIELD_SOURCE"));
    q.add(QStringLiteral("WHERE RF.RDB$RELATION_NAME=:TABELLA AND F.RDB$COMPUTED_BLR IS NULL"));
    q.add(QStringLiteral("ORDER BY RF.RDB$FIELD_POSITION"));
    q.setParam(QStringLiteral("TABELLA"), storedName());
    q.open();
    QStringList columns;
    for (q.first(); !q.eof(); q.next())
        columns << q.asString(0);
    m_writesMade = true;

    // Values are bound by the columns' names, so a column whose name cannot be a parameter's
    // leaves the table without write statements: a post is then refused, never half made.
    m_writes.modifySql().clear();
    m_writes.insertSql().clear();
    m_writes.deleteSql().clear();
    for (const QString& column : columns) {
        if (!isPlainIdentifier(column))
            return;
    }
    if (columns.isEmpty())
        return;
    const QString table = quotedIdentifier(storedName());
    const QString key = columns.front();
    const QString where =
        QStringLiteral("WHERE ") + quotedIdentifier(key) + QStringLiteral("=:OLD_") + key;
    QStringList assignments;
    QStringList names;
    QStringList values;
    for (const QString& column : columns) {
        assignments << quotedIdentifier(column) + QStringLiteral("=:") + column;
        names << quotedIdentifier(column);
        values << QStringLiteral(":") + column;
    }
    m_writes.modifySql() << QStringLiteral("UPDATE ") + table
                         << QStringLiteral("SET ") + assignments.join(QStringLiteral(", "))
                         << where;
    m_writes.insertSql() << QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                                names.join(QStringLiteral(", ")) + QLatin1Char(')')
                         << QStringLiteral("VALUES (") + values.join(QStringLiteral(", ")) +
                                QLatin1Char(')');
    m_writes.deleteSql() << QStringLiteral("DELETE FROM ") + table << where;
}

void TableDataSet::prepareOpen()
{
    if (!m_writesMade)
        readColumns();
    setSql(selection());
}

void TableDataSet::emptyTable()
{
    close();
    Query q(database(), transaction());
    q.add(QStringLiteral("delete from ") + quotedIdentifier(storedName()));
    q.execSql();
}

} // namespace velkora::db
