#include "sessions/SessioniAperte.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "sessions/SessionLog.h"

namespace velkora {

bool chiudiSessioniSelezionate(db::Query& query, const QStringList& codici, const QDateTime& quando,
                               QString& dettaglio)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("closing sessions on a query without a transaction"));
    try {
        for (const QString& codice : codici) {
            query.close();
            // The codes come from the listed rows, integers read as text.
            query.setSql(istruzioneChiudiSessione(codice.toInt(), quando.date(), quando.time()));
            query.execSql();
        }
        transazione->commit();
        return true;
    } catch (const db::DbError& e) {
        dettaglio = e.message();
        query.close();
        // None of the updates of this pass stays.
        transazione->restart();
        return false;
    }
}

} // namespace velkora
