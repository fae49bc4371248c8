#include "ModelloAnagrafica.h"

#include "Anagrafica.h"

#include <velkora/db/QueryDataSet.h>

namespace velkora::anagrafi {

ModelloAnagrafica::ModelloAnagrafica(QObject* parent) : QAbstractTableModel(parent) {}

QStringList ModelloAnagrafica::riga(const db::QueryDataSet& dataSet) const
{
    QStringList valori;
    valori.reserve(static_cast<int>(campiAnagrafica().size()));
    for (const Campo& c : campiAnagrafica())
        valori << dataSet.asString(c.colonna);
    return valori;
}

void ModelloAnagrafica::carica(db::QueryDataSet& dataSet)
{
    beginResetModel();
    const int corrente = dataSet.row();
    m_righe.clear();
    m_righe.reserve(static_cast<size_t>(dataSet.recordCount()));
    for (dataSet.first(); !dataSet.eof(); dataSet.next())
        m_righe.push_back(riga(dataSet));
    dataSet.first();
    while (!dataSet.eof() && dataSet.row() < corrente)
        dataSet.next();
    endResetModel();
}

void ModelloAnagrafica::copiaRiga(int r, const db::QueryDataSet& dataSet)
{
    if (r < 0 || r > rowCount())
        return;
    if (r == rowCount()) {
        beginInsertRows(QModelIndex(), r, r);
        m_righe.push_back(riga(dataSet));
        endInsertRows();
        return;
    }
    m_righe[static_cast<size_t>(r)] = riga(dataSet);
    emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

void ModelloAnagrafica::svuota()
{
    beginResetModel();
    m_righe.clear();
    endResetModel();
}

qint32 ModelloAnagrafica::codice(int r) const
{
    if (r < 0 || r >= rowCount())
        return 0;
    return m_righe[static_cast<size_t>(r)].value(0).toInt();
}

int ModelloAnagrafica::rigaDelCodice(qint32 valore) const
{
    const QString testo = QString::number(valore);
    for (size_t r = 0; r < m_righe.size(); ++r) {
        if (m_righe[r].value(0) == testo)
            return static_cast<int>(r);
    }
    return -1;
}

int ModelloAnagrafica::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_righe.size());
}

int ModelloAnagrafica::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(campiAnagrafica().size());
}

QVariant ModelloAnagrafica::data(const QModelIndex& i, int role) const
{
    if (!i.isValid() || i.row() >= rowCount())
        return {};
    const QString& testo = m_righe[static_cast<size_t>(i.row())].at(i.column());
    if (role == Qt::DisplayRole)
        return testo;
    // Notes may run long: the grid shows them cut, the tooltip whole.
    if (role == Qt::ToolTipRole && i.column() == columnCount() - 1 && !testo.isEmpty())
        return testo;
    if (role == Qt::TextAlignmentRole && i.column() == 0)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ModelloAnagrafica::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= columnCount())
        return {};
    return campiAnagrafica()[static_cast<size_t>(section)].etichetta;
}

} // namespace velkora::anagrafi
