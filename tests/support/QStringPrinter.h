#pragma once

#include <QString>

#include <ostream>

// Texts in GoogleTest's failure messages shown as text instead of as arrays of 2-byte objects.
// Declared once for every test program: two definitions in one program do not link.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
