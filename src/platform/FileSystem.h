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
// The file a name stored in the database leads to, when it stays inside the folder: a relative
// name (either separator) joined to the folder and resolved through "." / ".." and symbolic
// links. Empty when the name is empty, absolute, or leads anywhere outside the folder, so that
// names from a shared database can never reach files elsewhere on the workstation.
QString fileInsideFolder(const QString& folder, const QString& name);
// Gives a file or folder (not the target of a link) to a system user and his primary group, as
// a database server's user needs its files. False, with the reason in Italian in `errore`, when
// the user is unknown or the system refuses (only the superuser may give files away).
bool giveToUser(const QString& path, const QString& user, QString* errore);
// Whether a system user may pass through the folder (its search permission, for the owner,
// the group or everyone), as he must through every folder above a file he opens.
bool userCanEnter(const QString& folder, const QString& user);

} // namespace velkora::platform
