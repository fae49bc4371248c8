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

// The length to hand the client with statement text. The client reads a length of 0 as "up to
// the first zero byte", which would cut a statement at a zero byte inside a value; so the real
// length is given whenever the client's 16-bit length can hold it. Longer text is passed as
// before, and refused when it holds a zero byte, rather than run cut short.
unsigned short sqlLength(const QByteArray& sql);

} // namespace velkora::db::detail
