#pragma once

#include <QString>
#include <QStringList>

namespace velkora {

class ContestoDati;

namespace db {
class Database;
class Query;
class Transaction;
} // namespace db

// The parameter-set store of a data form: single parameters in TABVELKORA (or, with users from
// files, in the user's own INI file) and the whole set as text in UTENTI.VELKORA, regenerated
// from the rows after every change. It works on the current user (NumUser) and company
// (DittaCorrente) of the form, through the form's query QueryVelkora and its transaction
// TransazioneUser on the user database. Mode as the form's ModoUtenti: 0 the user database, 1
// INI files, 3 nothing. What each operation does is said on the data form's operation of the
// same name (velkora/data/TabX.h).
class ParameterStore
{
public:
    ParameterStore(db::Query& query, db::Database& database, db::Transaction& transazione,
                   const quint8& modo, const ContestoDati& contesto);

    // The value of a parameter in the current company; in mode 3 valore stays as it was.
    void CaricaParametro(const QString& nome, QString& valore);
    void SettaParametro(const QString& nome, const QString& valore);
    void ScriviParametroVelkora(const QString& sezione, const QString& nome, const QString& valore);
    void ScriviVelkora(qint32 utente);
    void CaricaVelkora(qint32 utente);

    // The condition that picks a parameter's rows in TABVELKORA, in three lines: the user, the
    // section (company) and the name, each given as SQL text (a quoted value or an expression).
    static QStringList condizioneParametro(const QString& utente, const QString& sezione,
                                           const QString& nome);

    // Where the form's own statements on the user database run.
    db::Database& database() const { return m_database; }
    db::Transaction& transazione() const { return m_transazione; }
    qint32 utente() const;
    const ContestoDati& contesto() const { return m_contesto; }

private:
    db::Query& m_query;
    db::Database& m_database;
    db::Transaction& m_transazione;
    const quint8& m_modo;
    const ContestoDati& m_contesto;
};

} // namespace velkora
