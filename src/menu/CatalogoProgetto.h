#pragma once

#include "menu/RigaMenu.h"

#include <QString>
#include <vector>

namespace velkora {

namespace db {
class Query;
}

// A row of DETTMENU as the menu search reads it: the menu row with its program, whether it is
// visible and whether it is a quick item.
struct RigaCatalogo
{
    qint32 programma = 0;
    RigaMenu riga;
    bool visibile = false;
    bool rapida = false;
};

// The menu rows of every program of a project that can ever be shown (visible rows and quick
// items), ordered by program and menu code, read in one statement on the query given.
std::vector<RigaCatalogo> leggiCatalogoProgetto(db::Query& query, qint32 progetto);
// The visible menu rows of one program, in menu code order, read in one statement: all the
// menu bar shows of it (AlberoMenu).
std::vector<RigaCatalogo> leggiMenuProgramma(db::Query& query, qint32 programma);

} // namespace velkora
