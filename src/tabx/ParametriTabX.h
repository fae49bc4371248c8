#pragma once

#include <velkora/tabx/MemTable.h>

#include <QString>

#include <vector>

namespace velkora {

class ContestoDati;

namespace db {
class Database;
class Query;
class Transaction;
} // namespace db

// The typed parameters of a data form: the named values of its in-memory table MemTabX and their
// stored copies in the table TABX of its first general connection, per project code, situation
// code, name and current user. A name is found exactly, letter case included, and the first
// row of that name is the one read and written. The statements run in the connection's
// transaction, and every write commits it. What each operation does is said on the data form's
// operation of the same name (velkora/data/TabX.h).
class ParametriTabX
{
public:
    ParametriTabX(MemTable& memoria, db::Database& database, db::Transaction& transazione,
                  const ContestoDati& contesto);

    // The fields of the in-memory table, in order: Codice (auto-increment), Tipo, Nome, Numero,
    // Testo, Data, Memo, Livello1, Livello2, Utente.
    static std::vector<MemTable::FieldDef> campi();

    QString GetV(const QString& nome);
    QString GetM(const QString& nome);
    bool SetV(const QString& nome, const QString& valore);
    bool SetM(const QString& nome, const QString& valore);
    void Inserisci(const QString& tipo, const QString& nome, const QString& numero,
                   const QString& testo, const QString& data, const QString& memo,
                   const QString& livello1, const QString& livello2, const QString& utente);
    void AggiornaParametriTabX();
    bool VerificaEsistenzaInTabX(const QString& progetto, const QString& situazione,
                                 const QString& nome);
    bool AggiungiParametroInTabX(const QString& progetto, const QString& situazione,
                                 const QString& nome, const QString& numero, const QString& testo,
                                 const QString& data, const QString& memo, const QString& livello1,
                                 const QString& livello2);
    bool ScriviParametroInTabX(const QString& progetto, const QString& situazione,
                               const QString& nome, const QString& numero, const QString& testo,
                               const QString& data, const QString& memo);
    bool CaricaParametroDaTabX(const QString& progetto, const QString& situazione,
                               const QString& nome);

private:
    // Finds the row of that name (exact match); false when there is none.
    bool trovaParametro(const QString& nome);
    bool impostaCampo(const QString& nome, const QString& campo, const QString& valore);
    // Runs a write on TABX (the memo, when there is one, bound as :MEMO) and commits; a failure
    // is shown with the given message and gives false.
    bool scrivi(db::Query& query, const QString& memo, const QString& errore);

    MemTable& m_memoria;
    db::Database& m_database;
    db::Transaction& m_transazione;
    const ContestoDati& m_contesto;
};

} // namespace velkora
