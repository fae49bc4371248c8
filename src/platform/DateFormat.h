#pragma once

#include <QDate>
#include <QString>

namespace velkora::platform {

// The process's short date format, used wherever a date is shown or read from the user. The
// start program sets it to "dd/MM/yyyy" when its main window is created.
void setShortDateFormat(const QString& format);
QString shortDateFormat();
QString formatShortDate(const QDate& date);
QDate parseShortDate(const QString& text);

} // namespace velkora::platform
