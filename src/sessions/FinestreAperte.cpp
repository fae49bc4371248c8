#include "sessions/FinestreAperte.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "sessions/SessionLog.h"

namespace velkora {

bool verificaFinestreAperte(db::Query& query, qint32 codiceSessione,
                            const std::function<bool(qint32)>& esiste)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("the open-windows check on a query without a transaction"));
    query.close();
    transazione->restart();
    query.setSql(istruzioneFinestreSessione(codiceSessione));
    query.open();
    for (query.first(); !query.eof(); query.next()) {
        if (esiste(static_cast<qint32>(query.asInteger(0))))
            return false;
    }
    return true;
}

} // namespace velkora
