#pragma once

// Private to the db layer: the Firebird client's C interface and the check that turns a failed
// call into a DbError. Nothing outside src/db includes this file.

#include <ibase.h>

#include <QString>
#include <QStringList>

namespace velkora::db::detail {

// Throws DbError built from the status vector when it reports a failure.
void check(const ISC_STATUS* status);
// The message text of a status vector, one line per message.
QString statusMessage(const ISC_STATUS* status);
[[noreturn]] void raise(const ISC_STATUS* status);

} // namespace velkora::db::detail
