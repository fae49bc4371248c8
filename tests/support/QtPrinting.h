#pragma once

#include <QString>

#include <ostream>

// Readable failure messages: a QString is printed as its text in quotes, not as bytes. Found by
// GoogleTest through argument-dependent lookup, so it lives beside QString.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
