#include "platform/DateFormat.h"

namespace velkora::platform {

namespace {
QString& format()
{
    static QString value = QStringLiteral("dd/MM/yyyy");
    return value;
}
} // namespace

void setShortDateFormat(const QString& f)
{
    format() = f;
}

QString shortDateFormat()
{
    return format();
}

QString formatShortDate(const QDate& date)
{
    return date.toString(format());
}

QDate parseShortDate(const QString& text)
{
    return QDate::fromString(text.trimmed(), format());
}

} // namespace velkora::platform
