#include "db/SqlText.h"

namespace velkora::db {

QString escaped(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString quoted(const QString& value)
{
    return QLatin1Char('\'') + escaped(value) + QLatin1Char('\'');
}

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("MM/dd/yyyy"));
}

QString quotedDate(const QDate& date)
{
    return QLatin1Char('\'') + dateText(date) + QLatin1Char('\'');
}

QString timeText(const QTime& time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

QString quotedTime(const QTime& time)
{
    return QLatin1Char('\'') + timeText(time) + QLatin1Char('\'');
}

bool isPlainIdentifier(const QString& name)
{
    if (name.isEmpty() || name.size() > 63)
        return false;
    const QChar first = name.at(0);
    if (!(first.isLetter() && first.unicode() < 128))
        return false;
    for (const QChar c : name) {
        const bool ok = (c.unicode() < 128) && (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'));
        if (!ok)
            return false;
    }
    return true;
}

} // namespace velkora::db
