// Recording of the handle of a window opened by a module function, under the window id the call
// log gave that call. The shutdown check of the start program reads the handles back.

#include "sessions/HandleFinestra.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"

namespace velkora {

QStringList istruzioneHandleFinestra(qint32 idFinestra, qint32 handle)
{
    return {
        QStringLiteral("UPDATE NORVILOGFUNZ SET HANDLEFINESTRA=") + db::quotedInt(handle),
        QStringLiteral("WHERE IDFINESTRA=") + db::quotedInt(idFinestra),
    };
}

bool scriviHandleFinestra(db::Query& query, db::Transaction& transazione, qint32 idFinestra,
                          qint32 handle)
{
    // Module windows call this from their own code; a failure must not reach them as an
    // exception.
    try {
        query.close();
        transazione.restart();
        // When the update fails in the engine (a missing column, a lost connection) the guard
        // drops what the transaction holds, so the form's next statement starts clean.
        db::TransactionGuard guard(transazione);
        query.setSql(istruzioneHandleFinestra(idFinestra, handle));
        query.execSql();
        guard.commitRetaining();
        return true;
    } catch (const db::DbError&) {
        // The false result tells the caller that the handle was not stored.
        return false;
    } catch (const db::DbLogicError&) {
        // No user database (mode 3, or its attach failed): there is nowhere to store the handle.
        return false;
    }
}

} // namespace velkora
