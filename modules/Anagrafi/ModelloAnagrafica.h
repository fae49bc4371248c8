#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace velkora::db {
class QueryDataSet;
}

namespace velkora::anagrafi {

// The rows of a list as the grid shows them: a copy, as text, of the window's dataset, row i of
// the model being row i of the dataset. The dataset keeps the truth (and the edit in progress);
// the window copies a row again whenever it changes one.
class ModelloAnagrafica : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ModelloAnagrafica(QObject* parent = nullptr);

    // Copies every row of the open dataset, which must not be editing; it stays on its row.
    void carica(db::QueryDataSet& dataSet);
    // Copies the dataset's current row (or its edit buffer) into row `riga`; a row one past the
    // end is added.
    void copiaRiga(int riga, const db::QueryDataSet& dataSet);
    void svuota();

    // The key of a row.
    qint32 codice(int riga) const;
    // The row holding the key, or -1.
    int rigaDelCodice(qint32 codice) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList riga(const db::QueryDataSet& dataSet) const;

    std::vector<QStringList> m_righe;
};

} // namespace velkora::anagrafi
