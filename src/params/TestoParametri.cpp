#include "params/TestoParametri.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "params/ParameterText.h"
#include "platform/MessageService.h"

#include <vector>

namespace velkora {

namespace {

db::Transaction& transazioneDi(db::Query& query)
{
    db::Transaction* transaction = query.transaction();
    if (!transaction)
        throw db::DbLogicError(QStringLiteral("parameter text on a query without a transaction"));
    return *transaction;
}

} // namespace

QString leggiTestoParametri(db::Query& query, qint32 utente)
{
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT VELKORA FROM UTENTI WHERE CODICE=") + db::quotedInt(utente));
    query.open();
    if (query.isEmpty())
        return {};
    query.first();
    return query.asString(0);
}

QString senzaApostrofi(QString testo)
{
    testo.remove(QLatin1Char('\''));
    return testo;
}

void salvaTestoParametri(db::Query& query, qint32 utente, const QString& testo)
{
    db::Transaction& transazione = transazioneDi(query);
    query.close();
    query.clear();
    query.add(QStringLiteral("UPDATE UTENTI SET VELKORA=:VELKORA WHERE"));
    query.add(QStringLiteral("CODICE=") + db::quotedInt(utente));
    // A null text would be stored as NULL; the editor stores the empty text.
    query.setParam(QStringLiteral("VELKORA"), testo.isNull() ? QStringLiteral("") : testo);
    // A commit that fails leaves the update pending; the guard rolls it back, so the rebuild of
    // the rows that follows cannot commit a text the user was told was not stored.
    db::TransactionGuard guardia(transazione);
    query.execSql();
    guardia.commit();
    // The query should not keep a long text alive.
    query.clearParams();
}

bool ricostruisciRigheParametri(db::Query& query, platform::MessageService& messages, qint32 utente,
                                QStringView testo, QWidget* finestra)
{
    db::Transaction& transazione = transazioneDi(query);
    // All rows are read before anything is written, so a text that gives no rows still empties
    // the table and nothing is written for a text that cannot be read.
    const std::vector<ParameterRow> righe = readParameterText(testo);

    db::TransactionGuard guardia(transazione);
    query.close();
    query.clear();
    query.add(QStringLiteral("DELETE FROM TABVELKORA WHERE UTENTE=") + db::quotedInt(utente));
    try {
        query.execSql();
    } catch (const db::DbError& e) {
        guardia.rollback();
        messages.error(QStringLiteral("Errore interno di DELETE: impossibile aggiornare la tabella "
                                      "TABVELKORA. Chiudere il programma e riaprirlo"),
                       e.message(), finestra);
        return false;
    }

    // One statement text for every row, prepared once and run again with the next row's values:
    // a set of thousands of rows costs one round trip per row, not three.
    query.clear();
    query.add(QStringLiteral("INSERT INTO TABVELKORA (UTENTE,INTESTAZIONE,PARAMETRO,"));
    query.add(QStringLiteral("VALORE,PROGRESSIVO) VALUES("));
    query.add(QStringLiteral(":UTENTE,:INTESTAZIONE,:PARAMETRO,:VALORE,:PROGRESSIVO)"));
    query.setParam(QStringLiteral("UTENTE"), utente);
    try {
        for (const ParameterRow& riga : righe) {
            query.setParam(QStringLiteral("INTESTAZIONE"), riga.sezione);
            query.setParam(QStringLiteral("PARAMETRO"), riga.parametro);
            // The acute accent takes the place of a quote; an empty value is stored as NULL.
            QString valore = riga.valore;
            valore.replace(QLatin1Char('\''), QChar(0x00B4));
            query.setParam(QStringLiteral("VALORE"),
                           valore.isEmpty() ? QVariant() : QVariant(valore));
            query.setParam(QStringLiteral("PROGRESSIVO"), riga.progressivo);
            query.execSql();
        }
    } catch (const db::DbError& e) {
        guardia.rollback();
        messages.error(QStringLiteral("Errore interno di INSERT: impossibile aggiornare la tabella "
                                      "TABVELKORA. Chiudere il programma e riaprirlo"),
                       e.message(), finestra);
        return false;
    }
    try {
        guardia.commit();
    } catch (const db::DbError& e) {
        guardia.rollback();
        messages.error(QStringLiteral("Errore interno: impossibile confermare l'aggiornamento "
                                      "della tabella TABVELKORA. Chiudere il programma e "
                                      "riaprirlo"),
                       e.message(), finestra);
        return false;
    }
    return true;
}

} // namespace velkora
