#pragma once

#include <QByteArray>
#include <QString>

namespace velkora::platform {

// Windows-1252, the 8-bit text of the suite's databases and of the texts handed to module
// libraries. Every byte maps to one character and back, the five bytes that Windows-1252 leaves
// undefined included (to U+0081 and so on), so any stored byte survives a read and a write.
// A character outside Windows-1252 becomes "?".
QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);
QString fromCp1252(const char* bytes, qsizetype length);

} // namespace velkora::platform
