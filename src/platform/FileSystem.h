#pragma once

#include <QString>

namespace velkora::platform {

// The folder of the running program file, with a trailing separator.
QString executableFolder();
// The process's current directory, without a trailing separator.
QString currentDirectory();
bool folderExists(const QString& path);
bool fileExists(const QString& path);
// Creates one folder (its parent must exist); true when it exists afterwards.
bool createFolder(const QString& path);
// Joins a folder and a relative name written with either separator ("Grafica\Verde.bmp"),
// giving a native path.
QString joinPath(const QString& folder, const QString& relative);

} // namespace velkora::platform
