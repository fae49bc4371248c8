#pragma once

#include <QString>

class QWidget;

namespace velkora {

namespace db {
class Database;
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
// is set.
PercorsoCondivisione PercorsoDaCondivisione(const QString& cartellaDiRete,
                                            const QString& percorsoNelServer,
                                            platform::MessageService& messages);

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
// "server:path", the path's first character replaced by the drive letter when one is given.
QString NomeDatabaseSuServer(const QString& percorso, const QString& nomeServer,
                             const QString& letteraDisco);

// Attaches the connection to the database at the path, or creates it there when the attach
// fails. True when attached afterwards.
bool ConnettiOCrea(db::Database& connection, const QString& percorso, const QString& nomeServer,
                   const QString& letteraDisco, const QString& utente, const QString& password,
                   platform::MessageService& messages);

// Finds the database file `file` (default "archivio.fdb") of a folder through its "dati.ini",
// attaches it or creates it. True when the connection is attached afterwards.
bool ApriOCreaDatabase(db::Database& connection, const QString& cartella, const QString& file,
                       const QString& utente, const QString& password, QWidget* owner,
                       platform::MessageService& messages);

} // namespace velkora
