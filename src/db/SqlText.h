#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

namespace velkora::db {

// The one place where values become SQL literals. Nothing else in the program builds a literal
// by hand: every value placed into statement text goes through one of these functions, so no
// value can end its literal early and change the statement.

// Text between single quotes, every quote inside doubled: quoted("L'Aquila") -> 'L''Aquila'.
QString quoted(const QString& value);

// An integer as the suite's statements write it: decimal text between quotes, '12'.
QString quotedInt(qint64 value);

// An integer written bare, for the statements that compare a numeric column without quotes.
QString integerLiteral(qint64 value);

// A name between double quotes, every double quote inside doubled: quotedIdentifier("Pos") ->
// "Pos". Used for names the engine must match with their case, and for the user name and
// password of CREATE DATABASE.
QString quotedIdentifier(const QString& name);

// Dates as the suite writes them in statements: "mm/dd/yyyy" (03/03/2006 for 3 March 2006).
QString dateText(const QDate& date);
QString quotedDate(const QDate& date);

// Times of day as "hh:nn:ss", 24-hour.
QString timeText(const QTime& time);
QString quotedTime(const QTime& time);

// True for a plain SQL identifier (letters, digits, "_" and "$", starting with a letter), the
// only form in which a table or generator name from a caller is placed into a statement.
bool isPlainIdentifier(const QString& name);

// The Windows-1252 bytes of a text on its way to the database (a statement's text, a bound
// value), composed first. A character that the database cannot hold would be stored as "?": it
// is refused instead, before anything runs, with a DbLogicError whose Italian message names the
// field (or the statement's text when field is empty) and the character.
QByteArray storableBytes(const QString& text, const QString& field);

} // namespace velkora::db
