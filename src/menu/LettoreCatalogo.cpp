#include "menu/LettoreCatalogo.h"

#include "db/Query.h"

namespace velkora {

namespace {

// Parameter texts up to this many bytes come as a string column of the row.
constexpr int kParametriInRiga = 8000;

} // namespace

QStringList colonneParametri(const QString& alias)
{
    return {QStringLiteral("CASE WHEN OCTET_LENGTH(%1.PARAMETRIBLOB)<=%2"
                           " THEN CAST(%1.PARAMETRIBLOB AS VARCHAR(%2)) END AS PARAMETRI,")
                .arg(alias)
                .arg(kParametriInRiga),
            QStringLiteral("CASE WHEN OCTET_LENGTH(%1.PARAMETRIBLOB)>%2"
                           " THEN %1.PARAMETRIBLOB END AS PARAMETRIBLOB")
                .arg(alias)
                .arg(kParametriInRiga)};
}

QString testoParametri(const db::Query& query)
{
    return query.isNull(QStringLiteral("PARAMETRIBLOB"))
               ? query.asString(QStringLiteral("PARAMETRI"))
               : query.asString(QStringLiteral("PARAMETRIBLOB"));
}

LettoreCatalogo::LettoreCatalogo(db::Query& query) : m_query(query) {}

std::vector<ProgrammaCatalogo> LettoreCatalogo::programmi(qint32 progetto)
{
    db::Query& q = m_query;
    q.close();
    q.clear();
    // The inner selection is the one whose row order the bar shows (no ordering clause); the row
    // number taken over it keeps that order through the join with the quick items. A program
    // stored twice is two groups, each with the quick items of its code.
    q.add(QStringLiteral("SELECT P.ORDINE, P.CODICE, P.DESCRIZIONE, P.ICONA,"));
    q.add(QStringLiteral("D.MENU, D.DESCRIZIONE AS VOCE"));
    q.add(
        QStringLiteral("FROM (SELECT ROW_NUMBER() OVER () AS ORDINE, CODICE, DESCRIZIONE, ICONA"));
    q.add(QStringLiteral("FROM PROGRAMMI WHERE CODICE IN("));
    q.add(QStringLiteral("SELECT PROGRAMMA FROM DETTPROGETTI WHERE PROGETTO=:PROGETTO)) P"));
    q.add(QStringLiteral("LEFT JOIN DETTMENU D ON D.PROGRAMMA=P.CODICE AND D.VOCERAPIDA='1'"));
    q.add(QStringLiteral("ORDER BY P.ORDINE, D.MENU"));
    q.setParam(QStringLiteral("PROGETTO"), progetto);
    q.open();

    std::vector<ProgrammaCatalogo> elenco;
    qint64 ordine = -1;
    for (q.first(); !q.eof(); q.next()) {
        if (q.asInteger(QStringLiteral("ORDINE")) != ordine) {
            ordine = q.asInteger(QStringLiteral("ORDINE"));
            ProgrammaCatalogo p;
            p.codice = static_cast<qint32>(q.asInteger(QStringLiteral("CODICE")));
            p.descrizione = q.asString(QStringLiteral("DESCRIZIONE"));
            p.icona = q.asString(QStringLiteral("ICONA"));
            elenco.push_back(std::move(p));
        }
        // A program without quick items comes once, with the item's columns NULL (MENU is never
        // NULL in a DETTMENU row).
        if (q.isNull(QStringLiteral("MENU")))
            continue;
        VoceRapidaCatalogo v;
        v.menu = static_cast<qint32>(q.asInteger(QStringLiteral("MENU")));
        v.descrizione = q.asString(QStringLiteral("VOCE"));
        elenco.back().rapide.push_back(std::move(v));
    }
    q.close();
    return elenco;
}

} // namespace velkora
