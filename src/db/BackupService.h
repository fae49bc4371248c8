#pragma once

#include <QString>

#include <functional>

namespace velkora::db {

// Firebird's backup service: the backup of a database streamed to the caller, and a new database
// restored from such a stream. The engine reads the database in its own snapshot, so a backup
// runs while other programs work in it.
//
// The service is reached on a server ("dbserver", "dbserver/3051", "localhost") or, with an
// empty server, in this process through the embedded engine, which works only while no other
// process holds the file. Failures throw DbError with the engine's text.
class BackupService
{
public:
    // Receives the backup stream in pieces, in order.
    using Scrivi = std::function<void(const char* dati, qsizetype quanti)>;
    // Fills the buffer with the next piece of a backup stream (at most `massimo` bytes) and gives
    // how many it wrote; 0 at the end of the stream.
    using Leggi = std::function<qsizetype(char* dati, qsizetype massimo)>;

    BackupService(const QString& server, const QString& utente, const QString& password);

    // Streams the backup of the database (its path as the service's machine sees it).
    void backup(const QString& database, const Scrivi& scrivi) const;

    // Creates the database at the path from a backup stream. The engine never replaces a file
    // that is there: the restore fails instead and the file stays as it was.
    void restore(const QString& database, const Leggi& leggi) const;

    // The name the service is attached by ("service_mgr", "host/port:service_mgr").
    QString serviceName() const;

private:
    QString m_server;
    QString m_utente;
    QString m_password;
};

} // namespace velkora::db
