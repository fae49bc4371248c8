#include "ModelloArchivio.h"

#include <velkora/db/Decimal.h>
#include <velkora/db/Query.h>
#include <velkora/db/QueryDataSet.h>

namespace velkora::kit {

QString testoValore(const QVariant& valore)
{
    if (valore.metaType() == QMetaType::fromType<db::Decimal>())
        return valore.value<db::Decimal>().toString(QLatin1Char(','));
    return db::valueToText(valore);
}

ModelloArchivio::ModelloArchivio(const std::vector<ColonnaArchivio>& colonne, QObject* parent)
    : QAbstractTableModel(parent), m_colonne(colonne)
{
}

void ModelloArchivio::carica(const db::QueryDataSet& dataSet)
{
    beginResetModel();
    m_dataSet = &dataSet;
    m_righe = dataSet.active() ? dataSet.recordCount() : 0;
    endResetModel();
}

void ModelloArchivio::copiaRiga(int riga, const db::QueryDataSet& dataSet)
{
    m_dataSet = &dataSet;
    if (riga < 0 || riga > m_righe)
        return;
    if (riga == m_righe) {
        beginInsertRows(QModelIndex(), riga, riga);
        ++m_righe;
        endInsertRows();
        return;
    }
    emit dataChanged(index(riga, 0), index(riga, columnCount() - 1));
}

void ModelloArchivio::allinea(const db::QueryDataSet& dataSet)
{
    m_dataSet = &dataSet;
    const int righe = dataSet.active() ? dataSet.recordCount() : 0;
    if (righe <= m_righe)
        return;
    beginInsertRows(QModelIndex(), m_righe, righe - 1);
    m_righe = righe;
    endInsertRows();
}

void ModelloArchivio::svuota()
{
    beginResetModel();
    m_righe = 0;
    endResetModel();
}

QString ModelloArchivio::testo(int riga, int colonna) const
{
    // While a message box of a service runs its own loop the grid may paint between the
    // dataset being read again and carica(): rows it no longer holds show empty.
    if (!m_dataSet || !m_dataSet->active())
        return {};
    const bool inModifica = m_dataSet->state() == db::QueryDataSet::State::Edit
                            || m_dataSet->state() == db::QueryDataSet::State::Insert;
    if (inModifica && riga == m_dataSet->row())
        return testoValore(m_dataSet->value(m_colonne[static_cast<size_t>(colonna)].colonna));
    if (riga >= m_dataSet->recordCount() || colonna >= m_dataSet->fieldCount())
        return {};
    return testoValore(m_dataSet->valueAt(riga, colonna));
}

qint32 ModelloArchivio::codice(int riga) const
{
    if (riga < 0 || riga >= m_righe)
        return 0;
    return testo(riga, 0).toInt();
}

int ModelloArchivio::rigaDelCodice(qint32 valore) const
{
    for (int r = 0; r < m_righe; ++r) {
        if (codice(r) == valore)
            return r;
    }
    return -1;
}

int ModelloArchivio::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_righe;
}

int ModelloArchivio::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_colonne.size());
}

QVariant ModelloArchivio::data(const QModelIndex& i, int role) const
{
    if (!i.isValid() || i.row() >= m_righe)
        return {};
    if (role == Qt::DisplayRole)
        return testo(i.row(), i.column());
    // The last column (notes, say) may run long: the grid shows it cut, the tooltip whole.
    if (role == Qt::ToolTipRole && i.column() == columnCount() - 1)
        return testo(i.row(), i.column());
    if (role == Qt::TextAlignmentRole
        && (i.column() == 0
            || m_colonne[static_cast<size_t>(i.column())].tipo != ColonnaArchivio::Tipo::Testo))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ModelloArchivio::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= columnCount())
        return {};
    return m_colonne[static_cast<size_t>(section)].etichetta;
}

} // namespace velkora::kit
