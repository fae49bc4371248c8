#include "db/SqlText.h"

#include "db/DbError.h"
#include "platform/TextCodec.h"

namespace velkora::db {

namespace {

// Encloses a value in the given quote character, doubling that character inside it.
QString enclosed(const QString& value, QChar quote)
{
    QString out;
    out.reserve(value.size() + 2);
    out += quote;
    for (const QChar c : value) {
        if (c == quote)
            out += quote;
        out += c;
    }
    out += quote;
    return out;
}

} // namespace

QString quoted(const QString& value)
{
    return enclosed(value, QLatin1Char('\''));
}

QString quotedInt(qint64 value)
{
    return quoted(QString::number(value));
}

QString integerLiteral(qint64 value)
{
    return QString::number(value);
}

QString quotedIdentifier(const QString& name)
{
    return enclosed(name, QLatin1Char('"'));
}

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("MM/dd/yyyy"));
}

QString quotedDate(const QDate& date)
{
    return quoted(dateText(date));
}

QString timeText(const QTime& time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

QString quotedTime(const QTime& time)
{
    return quoted(timeText(time));
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

QByteArray storableBytes(const QString& text, const QString& field)
{
    const QString ready = platform::composed(text);
    const QString bad = platform::firstUnstorable(ready);
    if (!bad.isEmpty()) {
        const QString code =
            QStringLiteral("U+%1").arg(bad.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
        const QString where = field.isEmpty()
            ? QStringLiteral("Il testo dell'istruzione contiene")
            : QStringLiteral("Il campo %1 contiene").arg(field);
        throw DbLogicError::refused(
            QStringLiteral("%1 il carattere \"%2\" (%3), che l'archivio non può memorizzare: "
                           "non è stato scritto nulla.")
                .arg(where, bad, code));
    }
    return platform::toCp1252(ready);
}

} // namespace velkora::db
