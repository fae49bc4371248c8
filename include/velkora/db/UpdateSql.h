#pragma once

#include <QStringList>

namespace velkora::db {

class QueryDataSet;

// The statements that write an editable query's rows back to its table, each held as text
// lines like every statement of the suite. A dataset with a holder attached runs the modify
// statement when it posts an edited row and the insert statement when it posts an appended one;
// every ":NAME" in them takes the posted row's value of field NAME. The delete and refresh
// statements are kept for the record-editing services that use them.
//
// Attaching goes through QueryDataSet::setUpdateObject(). Either side may be destroyed first:
// the survivor forgets the other.
class UpdateSql
{
public:
    UpdateSql() = default;
    ~UpdateSql();
    UpdateSql(const UpdateSql&) = delete;
    UpdateSql& operator=(const UpdateSql&) = delete;

    QStringList& modifySql() { return m_modifySql; }
    const QStringList& modifySql() const { return m_modifySql; }
    QStringList& insertSql() { return m_insertSql; }
    const QStringList& insertSql() const { return m_insertSql; }
    QStringList& deleteSql() { return m_deleteSql; }
    const QStringList& deleteSql() const { return m_deleteSql; }
    QStringList& refreshSql() { return m_refreshSql; }
    const QStringList& refreshSql() const { return m_refreshSql; }

    // The dataset this holder is attached to, or null.
    QueryDataSet* dataSet() const { return m_dataSet; }

private:
    friend class QueryDataSet;

    QStringList m_modifySql;
    QStringList m_insertSql;
    QStringList m_deleteSql;
    QStringList m_refreshSql;
    QueryDataSet* m_dataSet = nullptr;
};

} // namespace velkora::db
