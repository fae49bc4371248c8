#include "menu/ModelloRisultatiRicerca.h"

#include "menu/ImageList.h"

namespace velkora {

ModelloRisultatiRicerca::ModelloRisultatiRicerca(QObject* parent) : QAbstractListModel(parent) {}

void ModelloRisultatiRicerca::imposta(const IndiceMenu* indice, std::vector<int> righe)
{
    beginResetModel();
    m_indice = indice;
    m_righe = std::move(righe);
    endResetModel();
}

const IndiceMenu::Voce* ModelloRisultatiRicerca::voce(int riga) const
{
    if (!m_indice || riga < 0 || riga >= static_cast<int>(m_righe.size()))
        return nullptr;
    return &m_indice->voce(m_righe[static_cast<std::size_t>(riga)]);
}

int ModelloRisultatiRicerca::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_righe.size());
}

QVariant ModelloRisultatiRicerca::data(const QModelIndex& index, int role) const
{
    const IndiceMenu::Voce* v = voce(index.row());
    if (!v)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return v->didascalia;
    case Qt::ToolTipRole:
    case RuoloPercorso:
        return v->percorso;
    case Qt::DecorationRole:
        if (m_immagini && v->immagine >= 0 && v->immagine < m_immagini->count())
            return m_immagini->at(v->immagine);
        return {};
    default:
        return {};
    }
}

} // namespace velkora
