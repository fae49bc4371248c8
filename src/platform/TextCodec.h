#pragma once

#include <QByteArray>
#include <QString>

namespace velkora::platform {

// Windows-1252, the 8-bit text of the suite's databases and of the texts handed to module
// libraries. Every byte maps to one character and back, the five bytes that Windows-1252 leaves
// undefined included (to U+0081 and so on), so any stored byte survives a read and a write.
// The text is composed first (Unicode NFC: "e" followed by a combining acute accent becomes
// "é"), then a character outside Windows-1252 becomes "?". The db layer checks with
// firstUnstorable() before it encodes, so nothing reaches a database that way.
QByteArray toCp1252(const QString& text);
// The text in Unicode normalisation form C.
QString composed(const QString& text);
// The first character of an already composed text that Windows-1252 cannot hold (both halves
// of a character beyond the basic plane, such as an emoji); empty when every character fits.
QString firstUnstorable(const QString& text);
QString fromCp1252(const QByteArray& bytes);
QString fromCp1252(const char* bytes, qsizetype length);

} // namespace velkora::platform
