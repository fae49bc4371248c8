#include "menu/LettoreCatalogo.h"

#include "db/Query.h"

namespace velkora {

namespace {

// Parameter texts up to this many bytes come as a string column of the row.
constexpr int kParametriInRiga = 8000;

} // namespace

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
    q.add(QStringLiteral("D.MENU, D.DESCRIZIONE AS VOCE, D.DLL, D.FUNZIONE, D.LIVELLO2VERSIONE,"));
    q.add(QStringLiteral("CASE WHEN OCTET_LENGTH(D.PARAMETRIBLOB)<=%1"
                         " THEN CAST(D.PARAMETRIBLOB AS VARCHAR(%1)) END AS PARAMETRI,")
              .arg(kParametriInRiga));
    q.add(QStringLiteral("CASE WHEN OCTET_LENGTH(D.PARAMETRIBLOB)>%1"
                         " THEN D.PARAMETRIBLOB END AS PARAMETRIBLOB")
              .arg(kParametriInRiga));
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
        v.dll = q.asString(QStringLiteral("DLL"));
        v.funzione = q.asString(QStringLiteral("FUNZIONE"));
        v.parametri = q.isNull(QStringLiteral("PARAMETRIBLOB"))
                          ? q.asString(QStringLiteral("PARAMETRI"))
                          : q.asString(QStringLiteral("PARAMETRIBLOB"));
        v.livello2 = q.asString(QStringLiteral("LIVELLO2VERSIONE"));
        elenco.back().rapide.push_back(std::move(v));
    }
    q.close();
    return elenco;
}

} // namespace velkora
