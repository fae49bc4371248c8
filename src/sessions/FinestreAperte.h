#pragma once

#include <QtGlobal>

#include <functional>

namespace velkora {

namespace db {
class Query;
}

// True when no window logged for the session is still open: every HANDLEFINESTRA of the
// session's call-log rows is read (a NULL one as 0) after the query's transaction was ended
// without committing and started again, so handles that module windows committed meanwhile are
// seen, and each is handed to esiste until one names an existing window. Database errors go to
// the caller.
bool verificaFinestreAperte(db::Query& query, qint32 codiceSessione,
                            const std::function<bool(qint32)>& esiste);

} // namespace velkora
