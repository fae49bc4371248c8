// Key generators of the data windows: four ways for a data window to start a row with a
// fresh key, and the operations on the database's generators.
//
// Table, key-field and generator names come from callers and stand bare in the statements, so
// only plain identifiers are accepted; any other name is refused with an error box before
// anything runs. Generator values are read whole (64 bits): a generator past the 32-bit range
// gives a key that the table's INTEGER column refuses, never a wrapped-round one.

#include "services/Generatori.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "services/ModificaRecord.h"

namespace velkora {

namespace {

// A temporary query on the dataset's database, in that database's default transaction.
db::Query queryDelDataSet(const db::QueryDataSet& dataSet)
{
    db::Database* database = dataSet.database();
    if (!database || !database->defaultTransaction())
        throw db::DbLogicError(
            QStringLiteral("dataset without a database or a default transaction"));
    return db::Query(database, database->defaultTransaction());
}

// Advances the generator by one on the query's connection and returns its new value.
qint64 prelevaValore(db::Query& query, const QString& generatore)
{
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT GEN_ID(") + generatore +
              QStringLiteral(",1) FROM RDB$DATABASE;"));
    query.open();
    return query.asInteger(0);
}

// Makes the last row current (none when the dataset is empty).
void ultimaRiga(db::QueryDataSet& dataSet)
{
    dataSet.first();
    for (int i = 1; i < dataSet.recordCount(); ++i)
        dataSet.next();
}

} // namespace

Generatori::Generatori(ModificaRecord& modifica, db::Database& database1)
    : m_modifica(modifica)
    , m_database1(database1)
{
}

bool Generatori::chiaveAccettata(const db::QueryDataSet& dataSet)
{
    // A dataset that has not been opened yet is checked after the refresh opens it.
    return dataSet.fieldCount() == 0 ||
           m_modifica.nomeAccettato(QStringLiteral("Nome del campo chiave"), dataSet.fieldName(0));
}

void Generatori::NuovoIntSuLast(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, IndicatoreSalva& pulsanteSalva)
{
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    const QString chiave = dataSet.fieldName(0);
    qint64 ultima = 0;
    if (!dataSet.isEmpty()) {
        ultimaRiga(dataSet);
        ultima = dataSet.asInteger(chiave);
    }
    dataSet.append();
    dataSet.setField(chiave, ultima + 1);
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

void Generatori::NuovoIntSuMax(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                              const QString& tabella)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di tabella"), tabella) || !chiaveAccettata(dataSet))
        return;
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    if (!chiaveAccettata(dataSet))
        return;
    const QString chiave = dataSet.fieldName(0);
    qint64 massimo = 0;
    {
        db::Query query = queryDelDataSet(dataSet);
        query.add(QStringLiteral("SELECT MAX(") + chiave + QStringLiteral(") FROM ") + tabella);
        query.open();
        if (!query.asString(0).isEmpty())
            massimo = query.asInteger(0);
    }
    dataSet.append();
    dataSet.setField(chiave, massimo + 1);
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

void Generatori::NuovoIntSuGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                      bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                                      const QString& generatore)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di generatore"), generatore))
        return;
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    qint64 valore = 0;
    {
        db::Query query = queryDelDataSet(dataSet);
        valore = prelevaValore(query, generatore);
    }
    dataSet.append();
    dataSet.setField(dataSet.fieldName(0), valore);
    dataSet.post();
    // Posted into the open transaction, not committed: the user still has to save.
    m_modifica.segnaModificato(pulsanteSalva);
}

void Generatori::NuovoIntSuGenSQL(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                 bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                                 const QString& tabella, const QString& generatore)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di tabella"), tabella) ||
        !m_modifica.nomeAccettato(QStringLiteral("Nome di generatore"), generatore) ||
        !chiaveAccettata(dataSet))
        return;
    segnalibroValido = false;
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    if (!chiaveAccettata(dataSet))
        return;
    const QString chiave = dataSet.fieldName(0);
    {
        db::Query query = queryDelDataSet(dataSet);
        const qint64 valore = prelevaValore(query, generatore);
        query.close();
        query.clear();
        // The table argument is a bare name, as for the sibling operations; INTO is written here.
        query.add(QStringLiteral("INSERT INTO ") + tabella + QLatin1Char('(') + chiave +
                  QLatin1Char(')'));
        query.add(QStringLiteral("VALUES (") + db::integerLiteral(valore) + QLatin1Char(')'));
        query.execSql();
    }
    segnalibroValido = false;
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    dataSet.first();
}

bool Generatori::CreaGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                               const QString& generatore)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di generatore"), generatore))
        return false;
    try {
        db::Query query = queryDelDataSet(dataSet);
        query.add(QStringLiteral("CREATE GENERATOR ") + generatore);
        query.execSql();
        m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
        return true;
    } catch (const db::DbError& e) {
        // An existing generator, or a refresh that failed: the answer is no.
        qWarning("CreaGeneratore %s: %s", qUtf8Printable(generatore), qUtf8Printable(e.message()));
        return false;
    }
}

bool Generatori::SetGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, IndicatoreSalva& pulsanteSalva,
                              const QString& generatore, qint32 valore)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di generatore"), generatore))
        return false;
    bool impostato = false;
    {
        db::Query query = queryDelDataSet(dataSet);
        query.add(QStringLiteral("SET GENERATOR ") + generatore + QStringLiteral(" TO ") +
                  db::integerLiteral(valore) + QLatin1Char(';'));
        try {
            query.execSql();
            impostato = true;
        } catch (const db::DbError& e) {
            qWarning("SetGeneratore %s: %s", qUtf8Printable(generatore),
                     qUtf8Printable(e.message()));
        }
    }
    // Saved and refreshed either way; an error of the refresh goes to the caller.
    m_modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    return impostato;
}

bool Generatori::CheckGeneratore(db::QueryDataSet& dataSet, const QString& generatore)
{
    // The name is compared as a quoted value, so any text is merely not found.
    db::Query query = queryDelDataSet(dataSet);
    query.add(QStringLiteral("SELECT RDB$GENERATOR_NAME"));
    query.add(QStringLiteral("FROM RDB$GENERATORS"));
    query.add(QStringLiteral("WHERE RDB$GENERATOR_NAME=") + db::quoted(generatore) +
              QLatin1Char(';'));
    query.open();
    return !query.isEmpty();
}

QString Generatori::ValoreGeneratore(const QString& generatore)
{
    if (!m_modifica.nomeAccettato(QStringLiteral("Nome di generatore"), generatore))
        return QString();
    db::Query query(&m_database1, m_database1.defaultTransaction());
    return QString::number(prelevaValore(query, generatore));
}

} // namespace velkora
