#pragma once

#include <velkora/kit/FinestraArchivio.h>

#include <QAbstractTableModel>

namespace velkora::db {
class QueryDataSet;
}

namespace velkora::kit {

// The rows of an archive window's dataset as the grid shows them: row i of the model is row i of
// the dataset, read where the dataset holds it (nothing is copied, so a list of many thousand rows
// shows at once), and the row being edited shows the edit in progress. Amounts show with the
// decimal comma and every decimal of their column. The model learns of changes from the window:
// carica() after the dataset was read again, copiaRiga() after one row changed or was added.
class ModelloArchivio : public QAbstractTableModel
{
    Q_OBJECT

public:
    ModelloArchivio(const std::vector<ColonnaArchivio>& colonne, QObject* parent = nullptr);

    // Shows every row of the dataset, which must outlive the model's use of it.
    void carica(const db::QueryDataSet& dataSet);
    // Row `riga` changed, or was added when it is one past the end.
    void copiaRiga(int riga, const db::QueryDataSet& dataSet);
    void svuota();
    // Rows the dataset read since (a later page of the selection), appended to the grid.
    void allinea(const db::QueryDataSet& dataSet);

    // The key of a row (0 when there is no such row).
    qint32 codice(int riga) const;
    // The row holding the key, or -1.
    int rigaDelCodice(qint32 codice) const;
    // A cell as the grid shows it.
    QString testo(int riga, int colonna) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const std::vector<ColonnaArchivio>& m_colonne;
    const db::QueryDataSet* m_dataSet = nullptr;
    int m_righe = 0;
};

// A value of a column as the window shows it: an amount with the decimal comma.
QString testoValore(const QVariant& valore);

} // namespace velkora::kit
