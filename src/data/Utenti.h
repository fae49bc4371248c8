#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velkora {

class ContestoDati;

namespace db {
class Query;
class Transaction;
} // namespace db

// The users of a data form: listing them, checking a password, finding one by name or by
// number and reading his company. Mode as the form's ModoUtenti: 0 reads the table UTENTI
// through the form's query QueryVelkora, 1 the INI files below "NOMIDIT", 3 nothing at all.
// Database failures are not caught here: they go to the caller.
class Utenti
{
public:
    Utenti(db::Query& query, db::Transaction& transazione, const quint8& modo,
           const ContestoDati& contesto);

    // Mode 0 appends after what the list holds; mode 1 replaces it with the sections of
    // "NOMIDIT/UTENTI.INI"; mode 3 leaves it alone.
    void CaricaUser(QStringList& lista);
    bool VerificaPasswordUser(const QString& nomeUtente, const QString& password);
    qint32 CercaNumUser(const QString& nomeUtente);
    QString CercaNomeUser(qint32 numero);
    // The company stored for the user (mode 0), read from a fresh transaction.
    QString LeggiDittaUser(const QString& nomeUtente);
    // Mode 0: ends the reads so far and starts a fresh transaction, so that the next reads see
    // what other workstations committed, all from one snapshot.
    void nuovaLettura();
    // The company stored for the user (mode 0), read in the transaction as it is.
    QString dittaNellaLettura(const QString& nomeUtente);
    // What nomeEDitta reads: the user's name, the company stored under it and, when asked for,
    // the value of one parameter of his parameter set in that company's section.
    struct Letto
    {
        QString nome;
        QString ditta;
        // Without a value when the parameter was not read with the user (not asked for, or the
        // company had to be read apart): the caller reads it as usual.
        std::optional<QString> parametro;
    };
    // The name of the user of that number and the company stored under that name (mode 0), read
    // in the transaction as it is, in one statement: the same as CercaNomeUser followed by
    // dittaNellaLettura of the name found. With `parametro`, the same statement also reads what
    // ParameterStore::CaricaParametro would read next for that user and company (the value of
    // the first matching row, empty without one).
    Letto nomeEDitta(qint32 numero, const std::optional<QString>& parametro = std::nullopt);
    // The last company of the current user in his settings file (mode 1).
    QString dittaDaFile() const;

private:
    db::Query& m_query;
    db::Transaction& m_transazione;
    const quint8& m_modo;
    const ContestoDati& m_contesto;
};

} // namespace velkora
