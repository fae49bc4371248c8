#pragma once

#include "menu/IndiceMenu.h"
#include "sessions/UsatiDiRecente.h"

#include <vector>

namespace velkora {

// The rows of "Usati di recente": for each use, in the order given (ordinaUsi), the entry of the
// index that starts that item; an item the index does not hold (gone from the user's menus,
// hidden, of a program no longer in his project) is left out. An item shown both as a menu
// entry and as a quick item is listed once, by its menu entry, whose path says where it sits.
// At most `quante` rows.
std::vector<int> vociRecenti(const IndiceMenu& indice, const std::vector<UsoVoce>& usi,
                             int quante = 10);

// The entry of the index that starts the item (programma, menu): its menu entry when it has
// one, otherwise its quick item; -1 when the index holds neither.
int posizioneVoce(const IndiceMenu& indice, qint32 programma, qint32 menu);

} // namespace velkora
