// The dates of the per-window scripts, as the suite's windows write them into their statements.

#include "services/ScriptFinestra.h"

#include "db/SqlText.h"

namespace velkora {

QString DataPerSQL(const QDate& data)
{
    return db::quotedDate(data);
}

} // namespace velkora
