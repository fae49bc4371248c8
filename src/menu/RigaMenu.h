#pragma once

#include <QString>

namespace velkora {

// A menu row of DETTMENU as the menu construction reads it. A NULL depth or parent never
// matches a parent, as in the statements' comparisons.
struct RigaMenu
{
    qint32 menu = 0;
    bool livelloNull = true;
    qint32 livello = 0;
    bool precNull = true;
    qint32 menuPrec = 0;
    QString descrizione;
    QString livello2;
};

} // namespace velkora
