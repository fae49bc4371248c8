#pragma once

#include <QString>
#include <vector>
#include <velkora/db/Query.h>
#include <velkora/db/Transaction.h>

namespace velkora::db {
class Database;
}

namespace velkora::rubrivo {

// One row of RUBRICA. codice is 0 for a contact not saved yet.
struct Contatto
{
    qint32 codice = 0;
    QString nome;
    QString telefono;
    QString email;
    QString note;
};

// The contacts of the users in RUBRICA of the user database. Every operation runs in a short
// transaction of its own (read committed, no wait) that is committed at once, so the agenda
// always shows what other workstations have saved and never holds a row locked while a dialog
// is open. A failure rolls the transaction back and raises the db layer's DbError; a row held by
// another workstation's unfinished change fails at once as a lock conflict.
//
// Every value goes into the statements as a bound parameter.
class Rubrica
{
public:
    explicit Rubrica(db::Database* database);

    // The user's contacts, in the order of their codes.
    std::vector<Contatto> contattiDi(qint32 utente);
    // Saves a new contact of the user under a code drawn from CODICERUBRICACOUNTER and returns
    // that code.
    qint32 inserisci(qint32 utente, const Contatto& contatto);
    // Writes the contact back under its code; false when no such contact of the user exists any
    // more (deleted elsewhere).
    bool modifica(qint32 utente, const Contatto& contatto);
    // False when the contact was already gone.
    bool elimina(qint32 utente, qint32 codice);

    // Column widths of RUBRICA, the longest texts the editing fields accept.
    static constexpr int kLunghezzaNome = 100;
    static constexpr int kLunghezzaTelefono = 40;
    static constexpr int kLunghezzaEmail = 100;
    static constexpr int kLunghezzaNote = 1024;

private:
    // Runs a write statement on one contact of the user in its own transaction; returns the
    // rows it changed.
    int esegui(const QStringList& sql, qint32 utente, const Contatto& contatto);
    void legaCampi(const Contatto& contatto);

    db::Transaction m_transazione;
    db::Query m_query;
};

} // namespace velkora::rubrivo
