// Recording of the handle of a window opened by a module function, under the window id the call
// log gave that call. The shutdown check of the start program reads the handles back.

#include "data/TabX.h"

#include "db/DbError.h"
#include "sessions/SessionLog.h"

namespace velkora {

bool TTabXForm::ScritturaHandleDiApertura(qint32 idFinestra, qint32 handle)
{
    // Module windows call this from their own code; a failure must not reach them as an
    // exception, and nothing is shown: the handle is only a help for the shutdown check.
    try {
        QueryVelkora.close();
        TransazioneUser.restart();
        QueryVelkora.setSql(istruzioneHandleFinestra(idFinestra, handle));
        QueryVelkora.execSql();
        TransazioneUser.commitRetaining();
        return true;
    } catch (const db::DbError&) {
        // The update failed in the engine (a missing column, a lost connection): drop what the
        // transaction holds so the form's next statement starts clean.
        try {
            TransazioneUser.rollback();
        } catch (const db::DbError&) {
            // The rollback clears the transaction even when the engine refuses it; the false
            // result already tells the caller that the handle was not stored.
        }
        return false;
    } catch (const db::DbLogicError&) {
        // No user database (mode 3, or its attach failed): there is nowhere to store the handle.
        return false;
    }
}

} // namespace velkora
