#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace velkora {
class MemTable;
namespace db {
class Query;
class QueryDataSet;
} // namespace db
} // namespace velkora

namespace vorp {

// The rows of a dataset as the report needs them: the column names in the dataset's order and
// every value of every row, read once. Reading a dataset leaves its current row where it was.
struct ReportTable
{
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;

    // The position of a column by name, matched without regard to case; -1 when absent.
    int columnIndex(const QString& name) const;

    static ReportTable fromDataSet(velkora::db::QueryDataSet& dataset);
    static ReportTable fromMemTable(velkora::MemTable& table);
    static ReportTable fromQuery(velkora::db::Query& query);
};

} // namespace vorp
