#pragma once

// The customers table of the record-editing tests and the dataset a data window edits it with;
// it needs no widget, so the tests of the rules alone use it too.

#include "db/Database.h"
#include "db/QueryDataSet.h"
#include "db/UpdateSql.h"
#include "support/TestDatabase.h"

namespace velkora::test {

// Lays out the customers table in a copy of the user-database template: customers 1 "Anna",
// 2 "Bruno", 3 "Carla".
inline void creaClienti(const QString& path)
{
    db::Database setup;
    attach(setup, path);
    exec(setup,
         QStringLiteral(
             "CREATE TABLE CLIENTI (CODICE INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(60))"));
    for (const char* riga : {"1, 'Anna'", "2, 'Bruno'", "3, 'Carla'"})
        exec(setup, QStringLiteral("INSERT INTO CLIENTI (CODICE, NOME) VALUES (%1)")
                        .arg(QLatin1String(riga)));
}

// Makes the dataset read the customers in code order and write them back through the holder.
inline void datiClienti(db::QueryDataSet& data, db::UpdateSql& holder)
{
    holder.modifySql() = {QStringLiteral("UPDATE CLIENTI SET NOME = :NOME"),
                          QStringLiteral("WHERE CODICE = :OLD_CODICE")};
    holder.insertSql() = {
        QStringLiteral("INSERT INTO CLIENTI (CODICE, NOME) VALUES (:CODICE, :NOME)")};
    holder.deleteSql() = {QStringLiteral("DELETE FROM CLIENTI WHERE CODICE = :OLD_CODICE")};
    data.setSql({QStringLiteral("SELECT CODICE, NOME FROM CLIENTI ORDER BY CODICE")});
    data.setUpdateObject(&holder);
}

} // namespace velkora::test
