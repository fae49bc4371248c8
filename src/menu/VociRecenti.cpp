#include "menu/VociRecenti.h"

#include <QHash>
#include <utility>

namespace velkora {

namespace {

quint64 chiave(qint32 programma, qint32 menu)
{
    return (static_cast<quint64>(static_cast<quint32>(programma)) << 32) |
           static_cast<quint32>(menu);
}

// Each item's entry, as posizioneVoce chooses it, in one pass over the index.
QHash<quint64, int> posizioni(const IndiceMenu& indice)
{
    QHash<quint64, int> trovate;
    for (int i = 0; i < indice.size(); ++i) {
        const IndiceMenu::Voce& v = indice.voce(i);
        const quint64 k = chiave(v.programma, v.menu);
        const auto esistente = trovate.constFind(k);
        if (esistente == trovate.cend() || (indice.voce(*esistente).rapida && !v.rapida))
            trovate.insert(k, i);
    }
    return trovate;
}

} // namespace

std::vector<int> vociRecenti(const IndiceMenu& indice, const std::vector<UsoVoce>& usi, int quante)
{
    const QHash<quint64, int> trovate = posizioni(indice);
    std::vector<int> righe;
    for (const UsoVoce& uso : usi) {
        if (static_cast<int>(righe.size()) >= quante)
            break;
        const auto it = trovate.constFind(chiave(uso.programma, uso.menu));
        if (it != trovate.cend())
            righe.push_back(*it);
    }
    return righe;
}

int posizioneVoce(const IndiceMenu& indice, qint32 programma, qint32 menu)
{
    return posizioni(indice).value(chiave(programma, menu), -1);
}

} // namespace velkora
