#pragma once

#include <QString>

namespace velkora {

class ContestoDati;
class ParametriTabX;

namespace db {
class Database;
}

// The general connections of a data form: a connection is attached to the database file that a
// typed parameter names, with the location rules of the user database, and when the user
// database is reached through a server, a file of the program folder is reached through the
// same server. What each operation does is said on the data form's operations
// (ConnettiDatabase1..4, NomeDatabaseSulServer, EsisteDatabase in velkora/data/TabX.h).
class ConnessioniGenerali
{
public:
    ConnessioniGenerali(ParametriTabX& parametri, const db::Database& databaseUtenti,
                        const ContestoDati& contesto);

    // Attaches the connection to the file the parameter of that name names ("archivio.fdb"
    // when it is empty), creating it when it cannot be attached; "Errore apertura archivio"
    // when neither works, and the connection stays detached.
    void connetti(db::Database& connessione, const QString& nome);
    QString NomeDatabaseSulServer(const QString& percorso) const;
    bool EsisteDatabase(const QString& percorso);

private:
    ParametriTabX& m_parametri;
    const db::Database& m_databaseUtenti;
    const ContestoDati& m_contesto;
};

} // namespace velkora
