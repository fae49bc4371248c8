#include "menu/CatalogoProgetto.h"

#include "db/Query.h"
#include "db/SqlText.h"

namespace velkora {

namespace {

// Runs the statement of the menu rows whose selection is given by the lines after WHERE and
// reads every row.
std::vector<RigaCatalogo> leggiRighe(db::Query& query, const QStringList& condizione)
{
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE,"));
    query.add(QStringLiteral("DESCRIZIONE, LIVELLO2VERSIONE, VOCERAPIDA"));
    query.add(QStringLiteral("FROM DETTMENU WHERE"));
    for (const QString& riga : condizione)
        query.add(riga);
    query.add(QStringLiteral("ORDER BY PROGRAMMA, MENU"));
    query.open();
    std::vector<RigaCatalogo> righe;
    for (query.first(); !query.eof(); query.next()) {
        RigaCatalogo c;
        c.programma = static_cast<qint32>(query.asInteger(0));
        RigaMenu& r = c.riga;
        r.menu = static_cast<qint32>(query.asInteger(1));
        r.livelloNull = query.isNull(2);
        r.livello = static_cast<qint32>(query.asInteger(2));
        r.precNull = query.isNull(3);
        r.menuPrec = static_cast<qint32>(query.asInteger(3));
        c.visibile = query.asString(4) == QLatin1String("1");
        r.descrizione = query.asString(5);
        r.livello2 = query.asString(6);
        c.rapida = query.asString(7) == QLatin1String("1");
        righe.push_back(std::move(c));
    }
    query.close();
    return righe;
}

} // namespace

std::vector<RigaCatalogo> leggiCatalogoProgetto(db::Query& query, qint32 progetto)
{
    return leggiRighe(query, {QStringLiteral("PROGRAMMA IN("),
                              QStringLiteral("SELECT PROGRAMMA FROM DETTPROGETTI"),
                              QStringLiteral("WHERE PROGETTO=") + db::quotedInt(progetto) +
                                  QStringLiteral(")AND"),
                              QStringLiteral("((VISIBILE='1')OR(VOCERAPIDA='1'))")});
}

std::vector<RigaCatalogo> leggiMenuProgramma(db::Query& query, qint32 programma)
{
    return leggiRighe(query, {QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) +
                              QStringLiteral(")AND(VISIBILE='1')")});
}

} // namespace velkora
