#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>
#include <velkora/db/QueryDataSet.h>
#include <velkora/db/UpdateSql.h>

namespace velkora::db {

// A dataset bound by name to one whole table: it reads every row of the table, knows the
// table's indexes and can be ordered by one of them, writes its rows back through statements it
// makes from the table's columns (the first column is the row key), and can empty its table.
//
// The name is taken as a statement would take it: a plain name (letters, digits, "_", "$") in
// any case names the table created without quotes, any other text names the table exactly as
// written. It is always placed into statements between double quotes, so no name can change a
// statement; a table that does not exist fails when the dataset opens.
class TableDataSet : public QueryDataSet
{
public:
    struct IndexDef
    {
        QString name;
        QStringList fields;
        bool descending = false;
    };

    explicit TableDataSet(Database* database = nullptr, Transaction* transaction = nullptr);
    ~TableDataSet() override;

    // Changing the table closes the dataset and forgets its index.
    void setTableName(const QString& name);
    const QString& tableName() const { return m_tableName; }

    // The table's indexes on columns, in the order they were defined; read once per table.
    const std::vector<IndexDef>& indexDefs();

    // Orders the rows by the fields of the named index (empty: the table's own order). An open
    // dataset reads its rows again and stays on the row that was current. DbLogicError for a
    // name that is not an index of the table.
    void setIndexName(const QString& name);
    const QString& indexName() const { return m_indexName; }

    // Closes the dataset and deletes every row of the table in the dataset's transaction
    // ("delete from" and the table's name in double quotes); nothing is committed.
    void emptyTable();

protected:
    void prepareOpen() override;

private:
    QString storedName() const;
    QStringList selection() const;
    void readColumns();

    QString m_tableName;
    QString m_indexName;
    std::optional<std::vector<IndexDef>> m_indexDefs;
    // The write statements are made from the columns once per table.
    bool m_writesMade = false;
    UpdateSql m_writes;
};

} // namespace velkora::db
