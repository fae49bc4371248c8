#pragma once

#include "menu/IndiceMenu.h"

#include <QAbstractListModel>
#include <vector>

namespace velkora {

class ImageList;

// The entries a menu search found, in the order found: the caption as the display text, the
// path as tool tip and second line, the program's small picture.
class ModelloRisultatiRicerca : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Ruolo
    {
        RuoloPercorso = Qt::UserRole + 1,
    };

    explicit ModelloRisultatiRicerca(QObject* parent = nullptr);

    // The index must outlive its use here; the rows are positions in it.
    void imposta(const IndiceMenu* indice, std::vector<int> righe);
    void impostaImmagini(const ImageList* immagini) { m_immagini = immagini; }

    // The entry of a row; null when out of range.
    const IndiceMenu::Voce* voce(int riga) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const IndiceMenu* m_indice = nullptr;
    std::vector<int> m_righe;
    const ImageList* m_immagini = nullptr;
};

} // namespace velkora
