#include "db/Decimal.h"

#include <limits>

namespace velkora::db {

namespace {

constexpr qint64 kPowers[] = {1LL,
                              10LL,
                              100LL,
                              1000LL,
                              10000LL,
                              100000LL,
                              1000000LL,
                              10000000LL,
                              100000000LL,
                              1000000000LL,
                              10000000000LL,
                              100000000000LL,
                              1000000000000LL,
                              10000000000000LL,
                              100000000000000LL,
                              1000000000000000LL,
                              10000000000000000LL,
                              100000000000000000LL,
                              1000000000000000000LL};

// The metatype is registered as the library loads, so that a Decimal inside a QVariant is known
// by name to everything that looks it up (queued signals, debugging output).
[[maybe_unused]] const int kRegistered = qRegisterMetaType<Decimal>("velkora::db::Decimal");

} // namespace

qint64 powerOfTen(int n)
{
    return kPowers[n];
}

QString Decimal::toString(QChar separator) const
{
    // The magnitude as unsigned, so that the smallest 64-bit value has one too.
    const bool negative = m_units < 0;
    const quint64 magnitude =
        negative ? quint64(0) - static_cast<quint64>(m_units) : static_cast<quint64>(m_units);
    QString digits = QString::number(magnitude);
    if (m_scale > 0) {
        if (digits.size() <= m_scale)
            digits.prepend(QString(m_scale - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - m_scale, separator);
    }
    if (negative)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

qint64 Decimal::integerPart() const
{
    return m_units / kPowers[m_scale];
}

std::optional<Decimal> Decimal::rescaled(int scale) const
{
    if (scale < 0 || scale > kMaxScale)
        return std::nullopt;
    if (scale == m_scale)
        return *this;
    if (scale < m_scale) {
        const qint64 step = kPowers[m_scale - scale];
        if (m_units % step != 0)
            return std::nullopt;
        return Decimal(m_units / step, scale);
    }
    qint64 out = 0;
    if (__builtin_mul_overflow(m_units, kPowers[scale - m_scale], &out))
        return std::nullopt;
    return Decimal(out, scale);
}

std::optional<Decimal> Decimal::fromString(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    // Accumulated as a negative number, which reaches the smallest 64-bit value too.
    qint64 units = 0;
    int scale = 0;
    int digits = 0;
    bool separator = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            if (separator)
                return std::nullopt;
            separator = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (separator && ++scale > kMaxScale)
            return std::nullopt;
        ++digits;
        if (__builtin_mul_overflow(units, qint64(10), &units)
            || __builtin_sub_overflow(units, qint64(c.unicode() - u'0'), &units))
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    if (!negative) {
        if (units == std::numeric_limits<qint64>::min())
            return std::nullopt;
        units = -units;
    }
    return Decimal(units, scale);
}

bool operator==(const Decimal& a, const Decimal& b)
{
    if (a.m_scale == b.m_scale)
        return a.m_units == b.m_units;
    const Decimal& finer = a.m_scale > b.m_scale ? a : b;
    const Decimal& coarser = a.m_scale > b.m_scale ? b : a;
    const std::optional<Decimal> same = finer.rescaled(coarser.m_scale);
    return same && same->m_units == coarser.m_units;
}

} // namespace velkora::db
