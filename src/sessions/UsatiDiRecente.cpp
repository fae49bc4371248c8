#include "sessions/UsatiDiRecente.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <algorithm>

namespace velkora {

std::vector<UsoVoce> leggiUsiVoci(db::Query& query, qint32 utente, const QDate& dal)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("recent items read on a query without a transaction"));
    query.close();
    transazione->restart();
    query.clear();
    // Grouped by the engine: one row per item, however long the log.
    query.add(QStringLiteral("SELECT F.PROGRAMMA, F.MENU, COUNT(*) AS VOLTE,"));
    query.add(QStringLiteral("MAX(F.DATACHIAMATAFUNZIONE + F.ORACHIAMATAFUNZIONE) AS ULTIMO,"));
    query.add(QStringLiteral("MAX(F.DATACHIAMATAFUNZIONE) AS GIORNO"));
    query.add(QStringLiteral("FROM NORVILOG S JOIN NORVILOGFUNZ F"));
    query.add(QStringLiteral("ON F.CODICESESSIONE = S.CODICESESSIONE"));
    query.add(QStringLiteral("WHERE S.CODICEUTENTE = :UTENTE AND F.DATACHIAMATAFUNZIONE >= :DAL"));
    query.add(QStringLiteral("AND F.PROGRAMMA IS NOT NULL AND F.MENU IS NOT NULL"));
    query.add(QStringLiteral("GROUP BY F.PROGRAMMA, F.MENU"));
    query.setParam(QStringLiteral("UTENTE"), utente);
    query.setParam(QStringLiteral("DAL"), dal);
    query.open();
    std::vector<UsoVoce> usi;
    for (query.first(); !query.eof(); query.next()) {
        UsoVoce uso;
        uso.programma = static_cast<qint32>(query.asInteger(0));
        uso.menu = static_cast<qint32>(query.asInteger(1));
        uso.volte = static_cast<int>(query.asInteger(2));
        // A row without its time still has its day.
        uso.ultimo = query.isNull(3) ? QDateTime(query.value(4).toDate(), QTime(0, 0))
                                     : query.value(3).toDateTime();
        usi.push_back(uso);
    }
    query.close();
    ordinaUsi(usi);
    return usi;
}

void ordinaUsi(std::vector<UsoVoce>& usi)
{
    std::stable_sort(usi.begin(), usi.end(), [](const UsoVoce& a, const UsoVoce& b) {
        if (a.ultimo.date() != b.ultimo.date())
            return a.ultimo.date() > b.ultimo.date();
        if (a.volte != b.volte)
            return a.volte > b.volte;
        if (a.ultimo != b.ultimo)
            return a.ultimo > b.ultimo;
        // A fixed order for ties, whatever order the engine gave.
        return std::pair(a.programma, a.menu) < std::pair(b.programma, b.menu);
    });
}

} // namespace velkora
