#pragma once

#include <QString>

namespace velkora::db {
class Database;
class Query;
class Transaction;
} // namespace velkora::db

namespace velkora {

class ContestoDati;

// The per-window scripts of the suite's data windows, one row of TABSCRIPT in the user database
// per project, window, context and user. The program only makes sure the row exists and seeds or
// replaces its text; the windows read and run the scripts themselves.
class ArchivioScript
{
public:
    ArchivioScript(db::Database& database, db::Transaction& transazione,
                   const ContestoDati& contesto);

    // Creates TABSCRIPT, through the query, when the attached database lacks it. A failure is
    // shown in the error box "Errore interno di CREATE: impossibile creare la tabella TABSCRIPT"
    // and goes no further; no statement file is written.
    void creaTabellaSeManca(db::Query& query);

    // Makes sure the row exists and writes the script into it when the row is new, when its
    // script is empty, or when forza is exactly "1"; commits the transaction when it wrote.
    // Database errors go to the caller, nothing committed.
    void IniScriptForm(const QString& progetto, const QString& finestra, const QString& contesto,
                       const QString& utente, const QString& script, const QString& forza);

private:
    db::Database& m_database;
    db::Transaction& m_transazione;
    const ContestoDati& m_contesto;
};

} // namespace velkora
