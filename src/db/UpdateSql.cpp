#include "db/UpdateSql.h"

#include "db/QueryDataSet.h"

namespace velkora::db {

UpdateSql::~UpdateSql()
{
    // A dataset that outlives its holder must not post through a dangling pointer.
    if (m_dataSet)
        m_dataSet->setUpdateObject(nullptr);
}

} // namespace velkora::db
