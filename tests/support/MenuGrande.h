// A program whose menus hold 5,000 entries, for the menu test and the menu benchmark: the same
// rows in both. Header only, because the benchmarks link no test library.

#pragma once

#include "db/SqlText.h"

#include <QString>

namespace velkora::test {

// Entries the menus of the program show: 10 top menus of 500 entries each.
inline constexpr int kVociMenuGrande = 5000;
inline constexpr int kCimeMenuGrande = 10;

// The DETTMENU rows of the program as INSERT statements, one per line, each ending in ";".
//
// Every top menu (code (t+1)*100000) holds, by ascending code: 10 groups at depth 1, a separator
// between the fifth and the sixth, and a mode-2 leaf. Every group holds 4 subgroups at depth 2, a
// separator and a leaf whose caption shows the parameter named `parametro`. Every subgroup holds
// 10 leaves at depth 3 (every seventh in mode 2, accented captions), the last subgroup of a top
// 27 more. The first leaf of every subgroup is also a quick item.
//
// Rows the menus never show come with each top: an invisible group with a visible child, a row
// whose depth does not match its parent's, a row without a depth, and below the top level's
// separator a visible child. Beside the tops: an invisible top and a top-level row with a
// parent.
inline QString menuGrandeSql(int programma, const QString& parametro)
{
    QString sql;
    const auto riga = [&](qint64 menu, int livello, qint64 prec, bool visibile,
                          const QString& descrizione, bool livello2 = false, bool rapida = false) {
        const bool foglia = livello >= 1 && descrizione != QLatin1String("-");
        sql += QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, "
                              "VISIBILE, DESCRIZIONE, VOCERAPIDA, DLL, FUNZIONE, "
                              "LIVELLO2VERSIONE) VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10);\n")
                   .arg(programma)
                   .arg(menu)
                   .arg(livello < 0 ? QStringLiteral("NULL") : QString::number(livello))
                   .arg(prec < 0 ? QStringLiteral("NULL") : QString::number(prec))
                   .arg(db::quoted(visibile ? QStringLiteral("1") : QStringLiteral("0")))
                   .arg(db::quoted(descrizione))
                   .arg(db::quoted(rapida ? QStringLiteral("1") : QStringLiteral("0")))
                   .arg(foglia ? db::quoted(QStringLiteral("Grande.dll")) : QStringLiteral("NULL"))
                   .arg(foglia ? db::quoted(QStringLiteral("Funzione%1X").arg(menu))
                               : QStringLiteral("NULL"))
                   .arg(db::quoted(livello2 ? QStringLiteral("1") : QStringLiteral("0")));
    };
    for (int t = 0; t < kCimeMenuGrande; ++t) {
        const qint64 cima = qint64(t + 1) * 100000;
        riga(cima, 0, -1, true, QStringLiteral("Menu %1").arg(t + 1));
        for (int g = 0; g < 10; ++g) {
            const qint64 gruppo = cima + qint64(g + 1) * 5000;
            riga(gruppo, 1, cima, true, QStringLiteral("Gruppo %1").arg(gruppo));
            for (int s = 0; s < 4; ++s) {
                const qint64 sotto = gruppo + qint64(s + 1) * 100;
                riga(sotto, 2, gruppo, true, QStringLiteral("Sottogruppo %1").arg(sotto));
                const int foglie = 10 + (g == 9 && s == 3 ? 27 : 0);
                for (int k = 0; k < foglie; ++k)
                    riga(sotto + k + 1, 3, sotto, true,
                         QStringLiteral("Funzione è n° %1").arg(sotto + k + 1), k % 7 == 6,
                         k == 0);
            }
            riga(gruppo + 500, 2, gruppo, true, QStringLiteral("-"));
            riga(gruppo + 600, 2, gruppo, true,
                 QStringLiteral("Listino <LINEA>%1</LINEA> %2").arg(parametro).arg(gruppo + 600));
        }
        riga(cima + 27500, 1, cima, true, QStringLiteral("-"));
        riga(cima + 27501, 2, cima + 27500, true, QStringLiteral("figlio del separatore"));
        riga(cima + 60000, 1, cima, true, QStringLiteral("Stampa di prova %1").arg(cima), true);
        riga(cima + 70000, 1, cima, false, QStringLiteral("Gruppo nascosto"));
        riga(cima + 70001, 2, cima + 70000, true, QStringLiteral("sotto il nascosto"));
        riga(cima + 80000, 3, cima + 5000, true, QStringLiteral("profondità sbagliata"));
        riga(cima + 90000, -1, cima, true, QStringLiteral("senza livello"));
    }
    riga(2000000, 0, -1, false, QStringLiteral("Cima nascosta"));
    riga(2000001, 0, 100000, true, QStringLiteral("cima con padre"));
    return sql;
}

} // namespace velkora::test
