#include "services/DetentoreRecord.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QRegularExpression>
#include <QSysInfo>

namespace velkora::services {

namespace {

const QString kVarUtente = QStringLiteral("VELKORA_UTENTE");
const QString kVarPostazione = QStringLiteral("VELKORA_POSTAZIONE");
const QString kVarDal = QStringLiteral("VELKORA_DAL");

const QString kDetentoreIgnoto =
    QStringLiteral("Non è stato possibile sapere quale postazione tiene il record: il database non "
                   "ha risposto alla ricerca.");

// The server's time as CAST(CURRENT_TIMESTAMP AS VARCHAR) writes it: "2026-12-10 15:50:01.1230".
QDateTime tempoServer(const QString& text)
{
    return QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

std::optional<qint64> DetentoreRecord::transazioneConcorrente(const db::DbError& error)
{
    static const QRegularExpression numero(
        QStringLiteral("concurrent transaction number is (\\d+)"));
    const QRegularExpressionMatch m = numero.match(error.message());
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 n = m.captured(1).toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QStringList DetentoreRecord::sondaBlocco(const QString& tabella, const QString& chiave)
{
    // One executable block, so that the lock and the note cost one round trip and the text,
    // fixed for a table and key, can stay prepared. Inside the block the variables are written
    // ": NAME" (a space after the colon), which the engine reads as a variable and the
    // statement's own parameters (":NAME") do not take for one of theirs. The time is the
    // server's, so that every workstation reads the same clock; it is kept from the first lock
    // of the transaction, since the changes are pending from then.
    const QString imposta = QStringLiteral("    NOTA = RDB$SET_CONTEXT('USER_TRANSACTION', %1, %2);");
    return {
        QStringLiteral("EXECUTE BLOCK (VALORE TYPE OF COLUMN %1.%2 = :VALORECHIAVE,").arg(tabella, chiave),
        QStringLiteral("  UTENTE VARCHAR(255) = :UTENTE, POSTAZIONE VARCHAR(255) = :POSTAZIONE)"),
        QStringLiteral("RETURNS (RIGHE INTEGER)"),
        QStringLiteral("AS"),
        QStringLiteral("DECLARE NOTA INTEGER;"),
        QStringLiteral("BEGIN"),
        QStringLiteral("  UPDATE %1 SET %2 = : VALORE WHERE %2 = : VALORE;").arg(tabella, chiave),
        QStringLiteral("  RIGHE = ROW_COUNT;"),
        QStringLiteral("  IF (RIGHE > 0) THEN"),
        QStringLiteral("  BEGIN"),
        imposta.arg(db::quoted(kVarUtente), QStringLiteral("UTENTE")),
        imposta.arg(db::quoted(kVarPostazione), QStringLiteral("POSTAZIONE")),
        imposta.arg(db::quoted(kVarDal),
                    QStringLiteral("COALESCE(RDB$GET_CONTEXT('USER_TRANSACTION', %1), "
                                   "CAST(CURRENT_TIMESTAMP AS VARCHAR(30)))")
                        .arg(db::quoted(kVarDal))),
        QStringLiteral("  END"),
        QStringLiteral("  SUSPEND;"),
        QStringLiteral("END"),
    };
}

void DetentoreRecord::parametriSonda(db::Query& sonda, const QVariant& valoreChiave,
                                     const QString& utente)
{
    sonda.setParam(QStringLiteral("VALORECHIAVE"), valoreChiave);
    sonda.setParam(QStringLiteral("UTENTE"), utente.left(255));
    sonda.setParam(QStringLiteral("POSTAZIONE"), QSysInfo::machineHostName().left(255));
}

DetentoreRecord::Detentore DetentoreRecord::cerca(db::Database& database, qint64 transazione)
{
    db::Transaction lettura(&database);
    lettura.params() << QStringLiteral("isc_tpb_read_committed")
                     << QStringLiteral("isc_tpb_rec_version") << QStringLiteral("isc_tpb_read")
                     << QStringLiteral("isc_tpb_nowait");
    db::Query q(&database, &lettura);
    q.add(QStringLiteral("SELECT A.MON$REMOTE_HOST, A.MON$REMOTE_ADDRESS, A.MON$REMOTE_PROCESS,"));
    q.add(QStringLiteral("CAST(T.MON$TIMESTAMP AS VARCHAR(30))"));
    // The context variables the holder left in its transaction, one column each.
    for (const QString& nome : {kVarUtente, kVarPostazione, kVarDal}) {
        q.add(QStringLiteral(", (SELECT FIRST 1 V.MON$VARIABLE_VALUE FROM MON$CONTEXT_VARIABLES V"));
        q.add(QStringLiteral("WHERE V.MON$TRANSACTION_ID = T.MON$TRANSACTION_ID AND V.MON$VARIABLE_NAME = ")
              + db::quoted(nome) + QStringLiteral(")"));
    }
    q.add(QStringLiteral("FROM MON$TRANSACTIONS T"));
    q.add(QStringLiteral("JOIN MON$ATTACHMENTS A ON A.MON$ATTACHMENT_ID = T.MON$ATTACHMENT_ID"));
    q.add(QStringLiteral("WHERE T.MON$TRANSACTION_ID = :TRANSAZIONE"));
    q.setParam(QStringLiteral("TRANSAZIONE"), transazione);
    q.open();

    Detentore d;
    if (q.isEmpty()) {
        lettura.commit();
        return d;
    }
    d.trovato = true;
    d.utente = q.asString(4).trimmed();
    d.postazione = q.asString(5).trimmed();
    // Without the workstation's own word: the engine's name of the remote computer, its address,
    // or for an in-process attachment the program that runs it.
    for (int colonna : {0, 1, 2}) {
        if (!d.postazione.isEmpty())
            break;
        d.postazione = q.asString(colonna).trimmed();
    }
    d.dal = tempoServer(q.asString(6));
    if (!d.dal.isValid())
        d.dal = tempoServer(q.asString(3));
    lettura.commit();
    return d;
}

QString DetentoreRecord::descrivi(const Detentore& detentore)
{
    if (!detentore.trovato)
        return QStringLiteral(
            "L'altro utente ha già salvato o annullato le sue modifiche: aggiornare la "
            "griglia per vedere il record com'è ora.");
    QString frase = QStringLiteral("Il record è in modifica sulla postazione %1")
                        .arg(detentore.postazione.isEmpty() ? QStringLiteral("(sconosciuta)")
                                                            : detentore.postazione);
    if (!detentore.utente.isEmpty())
        frase += QStringLiteral(", utente %1").arg(detentore.utente);
    if (detentore.dal.isValid())
        frase += QStringLiteral(", dalle %1 del %2")
                     .arg(detentore.dal.toString(QStringLiteral("HH:mm:ss")),
                          detentore.dal.toString(QStringLiteral("dd/MM/yyyy")));
    return frase + QLatin1Char('.');
}

QString DetentoreRecord::dettaglio(db::Database& database, const db::DbError& error)
{
    const std::optional<qint64> numero =
        error.isLockConflict() ? transazioneConcorrente(error) : std::nullopt;
    if (!numero)
        return error.message();
    try {
        return descrivi(cerca(database, *numero)) + QStringLiteral("\n\n") + error.message();
    } catch (const db::DbError& failure) {
        // The holder stays unknown (the server may be restarting, the link gone): the user reads
        // so first, then the engine's text of the collision and of the failed lookup.
        return kDetentoreIgnoto + QStringLiteral("\n\n") + error.message() + QStringLiteral("\n\n") +
               failure.message();
    }
}

} // namespace velkora::services
