#include "services/WindowPositions.h"

#include "platform/ui/WindowPlacement.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "db/UpdateSql.h"

#include <QWidget>

#include <memory>
#include <stdexcept>

namespace velkora {

namespace {

const QString kTable = QStringLiteral("STOPOS1");

// The three conditions that select a window's rows. The codes are qint32, so their decimal text
// (with "-" when negative) is all that can reach the statement.
QStringList keyLines(qint32 utente, qint32 situazione, qint32 progetto)
{
    return {QStringLiteral("WHERE (CodiceSituazione=") + db::integerLiteral(situazione) + QLatin1Char(')'),
            QStringLiteral("AND (CodiceUtente=") + db::integerLiteral(utente) + QLatin1Char(')'),
            QStringLiteral("AND (CodiceProgetto=") + db::integerLiteral(progetto) + QLatin1Char(')')};
}

// Opens the rows of the key and stands on the first.
void lookUp(db::QueryDataSet& query, qint32 utente, qint32 situazione, qint32 progetto)
{
    query.clear();
    query.add(QStringLiteral("SELECT * FROM ") + db::quotedIdentifier(kTable));
    for (const QString& line : keyLines(utente, situazione, progetto))
        query.add(line);
    query.open();
    query.first();
}

void requireWindow(const QWidget* finestra)
{
    if (!finestra)
        throw std::invalid_argument("window position of a null window");
}

// A column name is written bare and again as a parameter name, so it must be a plain identifier;
// anything else could change the statement or could not be bound.
const QString& requirePlainColumn(const QString& name)
{
    if (!db::isPlainIdentifier(name))
        throw db::DbLogicError(QStringLiteral("column name not usable as a parameter: ") + name);
    return name;
}

} // namespace

void CaricaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                             db::Database& database)
{
    requireWindow(finestra);
    db::Transaction transaction(&database);
    // Nothing is written: the read ends without a commit.
    db::TransactionGuard guard(transaction);
    CaricaPosizioneFinestra(finestra, utente, situazione, progetto, database, transaction);
}

void CaricaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                             db::Database& database, db::Transaction& transaction)
{
    requireWindow(finestra);
    db::QueryDataSet query(&database, &transaction);
    lookUp(query, utente, situazione, progetto);
    if (!query.isEmpty()) {
        // A place stored on a screen that is not there any more (a laptop undocked) comes back
        // onto the primary screen instead of opening where nobody can see it.
        const QRect posto = platform::placeOnCurrentScreens(
            QRect(static_cast<int>(query.asInteger(QStringLiteral("PosX"))),
                  static_cast<int>(query.asInteger(QStringLiteral("PosY"))),
                  static_cast<int>(query.asInteger(QStringLiteral("DimX"))),
                  static_cast<int>(query.asInteger(QStringLiteral("DimY")))));
        finestra->move(posto.topLeft());
        finestra->resize(posto.size());
    }
    query.close();
}

namespace {

void salvaUnaVolta(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                   db::Database& database)
{
    // Declared before the query so they outlive it; when anything below fails, the guard rolls
    // back and the stored rows stay as they were.
    db::Transaction transaction(&database);
    db::TransactionGuard guard(transaction);
    db::QueryDataSet query(&database, &transaction);
    lookUp(query, utente, situazione, progetto);

    const QPoint pos = finestra->pos();
    const QSize size = finestra->size();
    // Compared in this order, stopping at the first difference.
    const bool write = query.isEmpty()
        || query.asInteger(QStringLiteral("PosX")) != pos.x()
        || query.asInteger(QStringLiteral("PosY")) != pos.y()
        || query.asInteger(QStringLiteral("DimX")) != size.width()
        || query.asInteger(QStringLiteral("DimY")) != size.height();

    if (write) {
        db::UpdateSql holder; // detaches itself from the query when it goes
        query.setUpdateObject(&holder);
        GeneraSQLAggiornamento(query, kTable, QStringLiteral("UPDATE"), holder);
        GeneraSQLAggiornamento(query, kTable, QStringLiteral("INSERT"), holder);
        // Without a key the modify statement rewrites every row of the window's key.
        holder.modifySql() << keyLines(utente, situazione, progetto);
        if (!query.isEmpty()) {
            query.edit();
        } else {
            query.append();
            query.setField(QStringLiteral("CodiceProgetto"), progetto);
            query.setField(QStringLiteral("CodiceSituazione"), situazione);
            query.setField(QStringLiteral("CodiceUtente"), utente);
        }
        query.setField(QStringLiteral("PosX"), pos.x());
        query.setField(QStringLiteral("PosY"), pos.y());
        query.setField(QStringLiteral("DimX"), size.width());
        query.setField(QStringLiteral("DimY"), size.height());
        query.post();
        query.setUpdateObject(nullptr);
    }
    query.close();
    if (transaction.active())
        guard.commit();
}

} // namespace

void SalvaPosizioneFinestra(QWidget* finestra, qint32 utente, qint32 situazione, qint32 progetto,
                            db::Database& database)
{
    requireWindow(finestra);
    // Writing the same place twice leaves the same row, so a server restart since the last
    // operation costs no stored place.
    database.repeatable([&] { salvaUnaVolta(finestra, utente, situazione, progetto, database); });
}

void GeneraSQLAggiornamento(db::QueryDataSet& query, const QString& tabella, const QString& tipo,
                            db::UpdateSql& holder)
{
    db::Database* database = query.database();
    if (!database)
        throw db::DbLogicError(QStringLiteral("update statements for a query without a database"));

    // The columns come from running the query's own statement, so they are those of its result,
    // in its order, even when the dataset is closed.
    std::unique_ptr<db::Transaction> ownTransaction;
    db::Transaction* transaction = database->defaultTransaction();
    if (!transaction) {
        ownTransaction = std::make_unique<db::Transaction>(database);
        transaction = ownTransaction.get();
    }
    // Only a read runs in it; a transaction this operation started is ended again, so a default
    // transaction is left as inactive as it was found.
    const db::TransactionGuard restore(*transaction, db::TransactionGuard::Scope::StartedHere);
    QStringList columns;
    {
        db::Query temporary(database, transaction);
        temporary.setSql(query.sql());
        for (const auto& [name, value] : query.params())
            temporary.setParam(name, value);
        temporary.open();
        for (int i = 0; i < temporary.fieldCount(); ++i)
            columns << requirePlainColumn(temporary.fieldName(i));
        temporary.close();
    }

    const QString kind = tipo.toUpper();
    const qsizetype last = columns.size() - 1;
    if (kind == QLatin1String("UPDATE")) {
        QStringList& lines = holder.modifySql();
        lines.clear();
        lines << QStringLiteral("UPDATE ") + db::quotedIdentifier(tabella);
        lines << QStringLiteral("SET");
        for (qsizetype i = 0; i < columns.size(); ++i)
            lines << columns[i] + QStringLiteral("=:") + columns[i]
                    + (i < last ? QStringLiteral(",") : QString());
    } else if (kind == QLatin1String("INSERT")) {
        QStringList& lines = holder.insertSql();
        lines.clear();
        lines << QStringLiteral("INSERT INTO ") + db::quotedIdentifier(tabella);
        lines << QStringLiteral("(");
        for (qsizetype i = 0; i < columns.size(); ++i)
            lines << columns[i] + (i < last ? QStringLiteral(",") : QString());
        lines << QStringLiteral(")");
        lines << QStringLiteral("VALUES");
        lines << QStringLiteral("(");
        for (qsizetype i = 0; i < columns.size(); ++i)
            lines << QLatin1Char(':') + columns[i] + (i < last ? QStringLiteral(",") : QString());
        lines << QStringLiteral(")");
    }
}

} // namespace velkora
