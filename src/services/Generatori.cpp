// Key generators of the shared data form: four ways for a data window to start a row with a
// fresh key, and the operations on the database's generators.
//
// Table, key-field and generator names come from callers and stand bare in the statements, so
// only plain identifiers are accepted; any other name is refused with an error box before
// anything runs. Generator values are read whole (64 bits): a generator past the 32-bit range
// gives a key that the table's INTEGER column refuses, never a wrapped-round one.

#include "data/TabX.h"
#include "services/PulsanteSalva.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/MessageService.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>

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

bool TTabXForm::nomeSqlAccettato(const QString& cosa, const QString& nome)
{
    if (db::isPlainIdentifier(nome))
        return true;
    messages().error(
        QStringLiteral("%1 non valido: \"%2\". Sono ammessi solo lettere, cifre, \"_\" e "
                       "\"$\", iniziando con una lettera; non è stata eseguita alcuna "
                       "operazione.")
            .arg(cosa, nome.left(80)),
        ownerWindow());
    return false;
}

bool TTabXForm::chiaveAccettata(const db::QueryDataSet& dataSet)
{
    // A dataset that has not been opened yet is checked after the refresh opens it.
    return dataSet.fieldCount() == 0 ||
           nomeSqlAccettato(QStringLiteral("Nome del campo chiave"), dataSet.fieldName(0));
}

void TTabXForm::NuovoIntSuLast(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    const QString chiave = dataSet.fieldName(0);
    qint64 ultima = 0;
    if (!dataSet.isEmpty()) {
        ultimaRiga(dataSet);
        ultima = dataSet.asInteger(chiave);
    }
    dataSet.append();
    dataSet.setField(chiave, ultima + 1);
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

void TTabXForm::NuovoIntSuMax(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                              const QString& tabella)
{
    if (!nomeSqlAccettato(QStringLiteral("Nome di tabella"), tabella) || !chiaveAccettata(dataSet))
        return;
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
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
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

void TTabXForm::NuovoIntSuGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                     bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                                     const QString& /*tabella*/, const QString& generatore)
{
    if (!nomeSqlAccettato(QStringLiteral("Nome di generatore"), generatore))
        return;
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    qint64 valore = 0;
    {
        db::Query query = queryDelDataSet(dataSet);
        valore = prelevaValore(query, generatore);
    }
    dataSet.append();
    dataSet.setField(dataSet.fieldName(0), valore);
    dataSet.post();
    // Posted into the open transaction, not committed: the user still has to save.
    impostaStatoPulsante(pulsanteSalva, 1, PercorsoRosso);
}

void TTabXForm::NuovoIntSuGenSQL(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                 bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                                 const QString& tabella, const QString& generatore)
{
    if (!nomeSqlAccettato(QStringLiteral("Nome di tabella"), tabella) ||
        !nomeSqlAccettato(QStringLiteral("Nome di generatore"), generatore) ||
        !chiaveAccettata(dataSet))
        return;
    segnalibroValido = false;
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
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
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    dataSet.first();
}

bool TTabXForm::CreaGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                               const QString& generatore)
{
    if (!nomeSqlAccettato(QStringLiteral("Nome di generatore"), generatore))
        return false;
    try {
        db::Query query = queryDelDataSet(dataSet);
        query.add(QStringLiteral("CREATE GENERATOR ") + generatore);
        query.execSql();
        ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
        return true;
    } catch (const db::DbError& e) {
        // An existing generator, or a refresh that failed: the answer is no.
        qWarning("CreaGeneratore %s: %s", qUtf8Printable(generatore), qUtf8Printable(e.message()));
        return false;
    }
}

bool TTabXForm::SetGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                              const QString& generatore, qint32 valore)
{
    if (!nomeSqlAccettato(QStringLiteral("Nome di generatore"), generatore))
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
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    return impostato;
}

bool TTabXForm::CheckGeneratore(db::QueryDataSet& dataSet, const QString& generatore)
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

void TTabXForm::ValoreGeneratore(const QString& generatore, QString& valore)
{
    valore.clear();
    if (!nomeSqlAccettato(QStringLiteral("Nome di generatore"), generatore))
        return;
    db::Query query(&IBDatabase1, IBDatabase1.defaultTransaction());
    valore = QString::number(prelevaValore(query, generatore));
}

} // namespace velkora
