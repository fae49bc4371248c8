#pragma once

#include <QDate>
#include <QString>

namespace velkora {

// A date as the suite's statements write it, between single quotes and month first:
// '03/03/2006' for 3 March 2006.
QString DataPerSQL(const QDate& data);

} // namespace velkora
