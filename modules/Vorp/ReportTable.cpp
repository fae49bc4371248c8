#include "ReportTable.h"

#include <velkora/db/Query.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/tabx/MemTable.h>

namespace vorp {

namespace {

// Reads every row of a dataset that moves with first()/next(), then puts the current row back
// where the caller had it (the window showing the dataset keeps its position).
template <typename DataSet, typename Value>
void readRows(DataSet& data, int current, const QStringList& columns, ReportTable& out, Value value)
{
    out.rows.reserve(static_cast<std::size_t>(data.recordCount()));
    for (data.first(); !data.eof(); data.next()) {
        std::vector<QVariant> row;
        row.reserve(static_cast<std::size_t>(columns.size()));
        for (int i = 0; i < columns.size(); ++i)
            row.push_back(value(data, i, columns.at(i)));
        out.rows.push_back(std::move(row));
    }
    data.first();
    for (int i = 0; i < current && !data.eof(); ++i)
        data.next();
}

} // namespace

int ReportTable::columnIndex(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

ReportTable ReportTable::fromDataSet(velkora::db::QueryDataSet& dataset)
{
    ReportTable out;
    if (!dataset.active())
        dataset.open();
    for (int i = 0; i < dataset.fieldCount(); ++i)
        out.columns << dataset.fieldName(i);
    readRows(dataset, dataset.row(), out.columns, out,
             [](velkora::db::QueryDataSet& d, int, const QString& c) { return d.value(c); });
    return out;
}

ReportTable ReportTable::fromMemTable(velkora::MemTable& table)
{
    ReportTable out;
    if (!table.active())
        return out;
    for (const velkora::MemTable::FieldDef& f : table.fields())
        out.columns << f.name;
    readRows(table, table.row(), out.columns, out,
             [](velkora::MemTable& t, int, const QString& c) { return t.value(c); });
    return out;
}

ReportTable ReportTable::fromQuery(velkora::db::Query& query)
{
    ReportTable out;
    if (!query.isOpen())
        query.open();
    for (int i = 0; i < query.fieldCount(); ++i)
        out.columns << query.fieldName(i);
    readRows(query, query.row(), out.columns, out,
             [](velkora::db::Query& q, int i, const QString&) { return q.value(i); });
    return out;
}

} // namespace vorp
