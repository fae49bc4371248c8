#pragma once

#include "platform/DriveMap.h"

#include <QString>

#include <optional>

class QWidget;

namespace velkora {

namespace db {
class Database;
class DbError;
}
namespace platform {
class MessageService;
}

// How a database file is found, attached or created from the "dati.ini" beside it. The paths
// follow the rules of the workstations the suite runs on: a network folder is
// "\\server\share\rest\", a database on a server is "server:path".

// The user name and password of the suite when a caller gives none.
inline constexpr const char* kDefaultUser = "SYSDBA";
inline constexpr const char* kDefaultPassword = "quillbark";

// Result of PercorsoDaCondivisione: the path to try, whether the share has a name rather than
// a drive letter, and whether nothing should be tried at all.
struct PercorsoCondivisione
{
    QString percorso;
    bool condivisoConNome = false;
    bool stop = false;
};

// Turns a network folder "\\SRV\D\Dati\user\" into the server form "SRV:D:\Dati\user\". A share
// with a name uses "Percorso Nel Server" instead, and without it the user is warned and stop
// is set. Its box comes over the owner window when one is given.
PercorsoCondivisione PercorsoDaCondivisione(const QString& cartellaDiRete,
                                            const QString& percorsoNelServer,
                                            platform::MessageService& messages,
                                            QWidget* owner = nullptr);

struct ServerDaIni
{
    QString nomeServer;
    QString letteraDisco;
};

// Reads "Nome Server" and "Lettera Disco Server" from the folder's "dati.ini"; without a server
// name asks the user for it and writes the answer back.
ServerDaIni LeggiServerDaIni(const QString& cartella, QWidget* owner,
                             platform::MessageService& messages);

// The database name ConnettiOCrea uses: the path itself without a server; with one
// "server:path", the path's drive letter replaced by the given one when one is given. A path of
// the workstations' own form ("F:\Suite\user\user.fdb") has its first character replaced. A local
// path of this system goes through the drive map both ways: it is written as letter and path
// below the letter's folder, the letter is replaced, and a letter the map knows is turned back
// into its folder, so the server gets a path it can open ("/work/user/user.fdb" with f mapped
// to "/work" and d to "/srv/velkora", letter "D": "server:/srv/velkora/user/user.fdb"). A letter
// the map does not know stays a letter ("server:D:/work/user/user.fdb"), as a server with
// drives needs it.
QString NomeDatabaseSuServer(const QString& percorso, const QString& nomeServer,
                             const QString& letteraDisco,
                             const platform::DriveMap& drives = platform::DriveMap());

// Attaches the connection to the database at the path, or creates it there when the attach
// fails. True when attached afterwards. When attachError is given, it receives the failure of the
// attach (also when the creation then succeeds), so the caller can say why an existing file could
// not be opened. The box of a creation comes over the owner window when one is given.
bool ConnettiOCrea(db::Database& connection, const QString& percorso, const QString& nomeServer,
                   const QString& letteraDisco, const QString& utente, const QString& password,
                   platform::MessageService& messages,
                   const platform::DriveMap& drives = platform::DriveMap(),
                   std::optional<db::DbError>* attachError = nullptr, QWidget* owner = nullptr);

// Finds the database file `file` (default "archivio.fdb") of a folder through its "dati.ini",
// attaches it or creates it. True when the connection is attached afterwards.
//
// A local folder of this system whose "dati.ini" names a server ("Nome Server") is reached
// through that server only: the folder's own file is neither attached nor created. Where the
// workstations keep the program folder on the server's disk, the first, in-process attempt
// fails there and the server route follows; here a folder opens in-process on any disk, so
// without this a workstation would attach or create a file of its own that no other workstation
// sees. Without a server name the order is: the folder's file, then the prompt.
//
// A file that exists but cannot be opened (not a database or damaged, held by another program,
// no permission) is named in an error box with the reason, before anything else is tried or
// asked.
bool ApriOCreaDatabase(db::Database& connection, const QString& cartella, const QString& file,
                       const QString& utente, const QString& password, QWidget* owner,
                       platform::MessageService& messages,
                       const platform::DriveMap& drives = platform::DriveMap());

// The name a database file of the program folder is attached by when the user database is
// reached through a server: the same server, at the same place below the server's program
// folder, so that every workstation reaches the one file on the server and nothing is opened or
// created on its own disk. The server's program folder is the user database's name on the server
// without its "user/user.fdb" ("SRV:D:\Suite\user\user.fdb" gives "SRV:D:\Suite\"). The path
// is absolute below the program folder, or relative to it (either separator).
//
// Empty when that rule does not apply: the user database is attached in-process or by a name of
// another form, the path leads outside the program folder, or the file's own folder has a
// "dati.ini" (which then decides, as for any database).
QString NomeSulServerDegliUtenti(const QString& nomeDatabaseUtenti, const QString& cartellaProgramma,
                                 const QString& percorso);

} // namespace velkora
