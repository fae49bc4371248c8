#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace velkora::db {

// The one way a value is placed between single quotes in SQL text: every quote inside it is
// doubled, so the value can never end its literal early. quoted("L'Aquila") -> 'L''Aquila'.
QString quoted(const QString& value);

// The value with each quote doubled, without the enclosing quotes, for callers whose fixed
// fragments already hold the opening and closing quote.
QString escaped(const QString& value);

// Dates as the suite writes them in statements: "mm/dd/yyyy" (03/03/2006 for 3 March 2006).
QString dateText(const QDate& date);
QString quotedDate(const QDate& date);

// Times of day as "hh:nn:ss", 24-hour.
QString timeText(const QTime& time);
QString quotedTime(const QTime& time);

// True for a plain SQL identifier (letters, digits, "_" and "$", starting with a letter), the
// only form in which a table or generator name from a caller is placed into a statement.
bool isPlainIdentifier(const QString& name);

} // namespace velkora::db
