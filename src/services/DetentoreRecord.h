#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace velkora::db {
class Database;
class DbError;
class Query;
class Transaction;
} // namespace velkora::db

namespace velkora::services {

// Who holds a row that another workstation's statement met. The engine reports a collision with
// the number of the concurrent transaction; the monitoring tables (MON$TRANSACTIONS,
// MON$ATTACHMENTS) tell which attachment runs it, from which computer and since when. The suite
// user is not known to the engine (every workstation logs in as the same database user), so the
// editing services leave it, with the workstation's name and the time the first row was locked,
// in context variables of the transaction that takes a lock, which the monitoring tables show to
// the others.
class DetentoreRecord
{
public:
    // What the monitoring tables told about the holder of a row.
    struct Detentore
    {
        bool trovato = false; // false when the concurrent transaction is over already
        QString postazione;   // the workstation: its own name, else what the engine knows
        QString utente;       // the suite user, empty when not known
        QDateTime dal;        // since when it holds changes, invalid when not known
    };

    // The number of the concurrent transaction in a lock conflict, from the engine's text.
    static std::optional<qint64> transazioneConcorrente(const db::DbError& error);

    // The lock probe of a row, one statement: it sets the row's key to its own value, which
    // changes nothing but takes the row's write lock in the transaction it runs in, and when it
    // met the row it leaves the suite user, this workstation and (once per transaction) the
    // server's time in context variables of that transaction, for the others to read. Its
    // parameters are set by parametriSonda; its one result, RIGHE, is the number of rows it
    // locked. The names go into the text as they are: the caller accepts only plain identifiers.
    static QStringList sondaBlocco(const QString& tabella, const QString& chiave);
    static void parametriSonda(db::Query& sonda, const QVariant& valoreChiave,
                               const QString& utente);

    // Looks the transaction up in the monitoring tables, in a short transaction of its own.
    static Detentore cerca(db::Database& database, qint64 transazione);

    // The Italian detail of a box about a failed statement: who holds the row when the failure
    // is a lock conflict and the holder can be found, then the engine's own text.
    static QString dettaglio(db::Database& database, const db::DbError& error);

    // The Italian sentence about a holder found (or not) in the monitoring tables.
    static QString descrivi(const Detentore& detentore);
};

} // namespace velkora::services
