#include "data/IstruzioneFallita.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#include <QSaveFile>

namespace velkora {

bool eseguiOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                  QString& dettaglio, bool ripetibile)
{
    query.close();
    query.setSql(righe);
    return eseguiProprioOSalva(query, righe, nomeFile, dettaglio, ripetibile);
}

bool eseguiProprioOSalva(db::Query& query, const QStringList& righe, const QString& nomeFile,
                         QString& dettaglio, bool ripetibile)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("a statement to save on a query without a transaction"));
    query.close();
    const auto esegui = [&] {
        db::TransactionGuard guard(*transazione);
        query.execSql();
        guard.commit();
    };
    try {
        if (ripetibile && query.database())
            query.database()->repeatable(esegui);
        else
            esegui();
        return true;
    } catch (const db::DbError& e) {
        dettaglio = e.message();
        salvaIstruzioneFallita(nomeFile, righe);
        return false;
    }
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
