#include "storage/IstruzioneFallita.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/ExecuteAtOnce.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#include <QSaveFile>

#include <functional>

namespace velkora {

namespace {

// Runs the statement through esegui in the query's transaction and commits; a database error
// rolls back, keeps the lines in the file and gives the engine's text in dettaglio.
bool eseguiNellaTransazione(db::Query& query, const std::function<void()>& esegui,
                            const QStringList& righe, const QString& nomeFile, QString& dettaglio,
                            bool ripetibile)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("a statement to save on a query without a transaction"));
    query.close();
    const auto eseguiECommit = [&] {
        db::TransactionGuard guard(*transazione);
        esegui();
        guard.commit();
    };
    try {
        if (ripetibile && query.database())
            query.database()->repeatable(eseguiECommit);
        else
            eseguiECommit();
        return true;
    } catch (const db::DbError& e) {
        dettaglio = e.message();
        salvaIstruzioneFallita(nomeFile, righe);
        return false;
    }
}

} // namespace

bool eseguiOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                  QString& dettaglio, bool ripetibile)
{
    // A statement with its values written in runs once: it is run at once, without being
    // prepared, which saves a round trip to a server.
    query.close();
    query.setSql(righe);
    return eseguiNellaTransazione(
        query,
        [&] {
            if (!query.database())
                throw db::DbLogicError(QStringLiteral("a statement to save on a query without a database"));
            db::executeAtOnce(*query.database(), *query.transaction(), query.sqlText());
        },
        righe, nomeFile, dettaglio, ripetibile);
}

bool eseguiProprioOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                         QString& dettaglio, bool ripetibile)
{
    return eseguiNellaTransazione(query, [&] { query.execSql(); }, righe, nomeFile, dettaglio,
                                  ripetibile);
}

bool salvaIstruzioneFallita(const QString& nomeFile, const QStringList& righe)
{
    QByteArray bytes;
    for (const QString& riga : righe)
        bytes += platform::toCp1252(riga) + QByteArrayLiteral("\r\n");
    // Written whole and then put in place, so an earlier file is replaced, never left half
    // overwritten.
    QSaveFile file(platform::joinPath(platform::currentDirectory(), nomeFile));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

} // namespace velkora
