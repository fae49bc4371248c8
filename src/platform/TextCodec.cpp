#include "platform/TextCodec.h"

#include <array>

namespace velkora::platform {

namespace {

// Characters of the bytes 0x80 to 0x9F; the five bytes that Windows-1252 leaves undefined keep
// the control character of the same number, as Windows itself converts them.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Below U+0300 there is no combining mark and every character is already composed, so most
// texts of the suite need no work.
bool mayChangeWhenComposed(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x0300)
            return true;
    }
    return false;
}

} // namespace

QString composed(const QString& text)
{
    return mayChangeWhenComposed(text) ? text.normalized(QString::NormalizationForm_C) : text;
}

QString firstUnstorable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            return text.mid(i, 2);
        if (c.isSurrogate() || (encodeOne(c.unicode()) == '?' && c != QLatin1Char('?')))
            return QString(c);
    }
    return QString();
}

QByteArray toCp1252(const QString& input)
{
    const QString text = composed(input);
    QByteArray out;
    out.resize(text.size());
    char* p = out.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A surrogate pair is one character outside the table: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        p[n++] = encodeOne(c.unicode());
    }
    out.resize(n);
    return out;
}

QString fromCp1252(const char* bytes, qsizetype length)
{
    QString out(length, Qt::Uninitialized);
    QChar* p = out.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        p[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    return fromCp1252(bytes.constData(), bytes.size());
}

} // namespace velkora::platform
