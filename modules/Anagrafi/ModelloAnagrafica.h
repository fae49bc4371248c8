#pragma once

#include <QAbstractTableModel>

namespace velkora::db {
class QueryDataSet;
}

namespace velkora::anagrafi {

// The rows of the window's dataset as the grid shows them: row i of the model is row i of the
// dataset, read where the dataset holds it (nothing is copied, so a list of many thousand rows
// shows at once), and the row being edited shows the edit in progress. The model learns of
// changes from the window: carica() after the dataset was read again, copiaRiga() after one row
// changed or was added.
class ModelloAnagrafica : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ModelloAnagrafica(QObject* parent = nullptr);

    // Shows every row of the dataset, which must outlive the model's use of it.
    void carica(const db::QueryDataSet& dataSet);
    // Row `riga` changed, or was added when it is one past the end.
    void copiaRiga(int riga, const db::QueryDataSet& dataSet);
    void svuota();

    // The key of a row (0 when there is no such row).
    qint32 codice(int riga) const;
    // The row holding the key, or -1.
    int rigaDelCodice(qint32 codice) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString testo(int riga, int colonna) const;

    const db::QueryDataSet* m_dataSet = nullptr;
    int m_righe = 0;
};

} // namespace velkora::anagrafi
