#pragma once

#include <QMetaType>
#include <QString>
#include <QStringView>

#include <optional>

namespace velkora::db {

// An exact NUMERIC or DECIMAL value as the database keeps it: a 64-bit integer count of units
// and the number of decimals (the column's scale), so 12345678901234.5678 of a NUMERIC(18,4)
// column is 123456789012345678 with scale 4. The db layer reads such columns into a Decimal
// and binds a Decimal back with its scale: an amount never passes through a double on its way
// from the database to the screen, the printout or back. INTEGER and BIGINT columns stay plain
// integers, DOUBLE PRECISION stays a double.
class Decimal
{
public:
    static constexpr int kMaxScale = 18;

    constexpr Decimal() = default;
    // The value units / 10^scale; scale from 0 to kMaxScale.
    constexpr Decimal(qint64 units, int scale)
        : m_units(units)
        , m_scale(scale)
    {
    }

    constexpr qint64 units() const { return m_units; }
    constexpr int scale() const { return m_scale; }

    // Plain text with every decimal of the scale and no grouping: "-12.3400", "0.0001", "7".
    QString toString(QChar separator = QLatin1Char('.')) const;
    // The integer part, cut towards zero.
    qint64 integerPart() const;

    // The same value with another number of decimals; nothing when a digit would be lost or the
    // value would not fit 64 bits.
    std::optional<Decimal> rescaled(int scale) const;

    // Reads "-1234.5", "1234,5", "+0,0001", " 12 ": an optional sign, digits, and one "." or ","
    // before the decimals (at most kMaxScale of them). Grouping separators, exponents and other
    // characters are refused, as is a value beyond 64 bits. The scale is the number of decimals
    // written.
    static std::optional<Decimal> fromString(QStringView text);

    // Equal values compare equal whatever their scales (1.50 == 1.5).
    friend bool operator==(const Decimal& a, const Decimal& b);
    friend bool operator!=(const Decimal& a, const Decimal& b) { return !(a == b); }

private:
    qint64 m_units = 0;
    int m_scale = 0;
};

// 10^n for n from 0 to 18.
qint64 powerOfTen(int n);

} // namespace velkora::db

Q_DECLARE_METATYPE(velkora::db::Decimal)
