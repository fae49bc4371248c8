#include "params/Ditte.h"

#include "params/Preferiti.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/MessageService.h"

namespace velkora {

ElencoDitte elencoDitte(TTabXForm& form)
{
    db::Query& query = form.QueryVelkora;
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT DISTINCT(INTESTAZIONE) FROM TABVELKORA WHERE"));
    query.add(QStringLiteral("UTENTE=") + db::quotedInt(form.NumUser));
    query.open();
    query.first();

    ElencoDitte elenco;
    // NULL and the empty text both read as the empty name. The first name stands in the list
    // even when empty; after it only names that differ from the one before and are not empty.
    // The section of the favourites is no company and is not listed.
    while (!query.eof() && query.asString(0) == sezionePreferiti())
        query.next();
    QString ultima = query.eof() ? QString() : query.asString(0);
    elenco.ditte.append(ultima);
    for (; !query.eof(); query.next()) {
        const QString nome = query.asString(0);
        if (nome == ultima || nome == sezionePreferiti())
            continue;
        ultima = nome;
        if (!nome.isEmpty())
            elenco.ditte.append(nome);
    }
    elenco.selezionata = indiceDitta(elenco.ditte, form.DittaCorrente);
    return elenco;
}

int indiceDitta(const QStringList& ditte, const QString& ditta)
{
    // Sections differ by letter case in the parameter rows, so "alfa" beside "ALFA" is a company
    // of its own: the exact spelling wins over the first one that matches without case.
    const int esatta = ditte.indexOf(ditta);
    if (esatta >= 0)
        return esatta;
    for (int i = 0; i < ditte.size(); ++i) {
        if (ditte.at(i).compare(ditta, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool aggiornaDittaUtente(db::Query& query, platform::MessageService& messages, qint32 utente,
                         const QString& ditta)
{
    db::Transaction* transaction = query.transaction();
    if (!transaction)
        throw db::DbLogicError(QStringLiteral("company update on a query without a transaction"));

    query.close();
    transaction->restart();
    query.clear();
    query.add(QStringLiteral("SELECT DITTA FROM UTENTI"));
    query.add(QStringLiteral("WHERE CODICE=") + db::quotedInt(utente));
    query.open();
    if (query.isEmpty())
        return true;
    query.first();
    if (query.asString(0) == ditta)
        return true;

    query.close();
    query.clear();
    query.add(QStringLiteral("UPDATE UTENTI SET DITTA=") + db::quoted(ditta));
    query.add(QStringLiteral("WHERE CODICE=") + db::quotedInt(utente));
    try {
        // A commit that failed leaves the change pending in the transaction; the guard rolls it
        // back, so that a later commit of other work cannot store it after the user was told it
        // failed.
        db::TransactionGuard guardia(*transaction);
        query.execSql();
        guardia.commitRetaining();
    } catch (const db::DbError& e) {
        messages.error(QStringLiteral("Errore interno di lettura parametro ditta"), e.message());
        return false;
    }
    return true;
}

} // namespace velkora
