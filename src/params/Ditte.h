#pragma once

#include <QString>
#include <QStringList>

namespace velkora {

namespace db {
class Query;
}

namespace platform {
class MessageService;
}

// The companies a user can choose among: the section names of his parameter set, in the order
// the database returns them, and the entry of the current company.
struct ElencoDitte
{
    QStringList ditte;
    // The entry of the current company; -1 when it is not among them.
    int selezionata = -1;
};

// Reads the companies of the user through the query (the data form's QueryVelkora) and finds
// the current company among them. The first name read is always listed, even when it is empty,
// so a user without parameter rows gets one empty entry; later empty names are left out.
// Database errors are thrown to the caller.
ElencoDitte elencoDitte(db::Query& query, qint32 utente, const QString& dittaCorrente);

// The entry to select for a company: the one written exactly like it, otherwise the first one
// that differs only in letter case; -1 when there is none.
int indiceDitta(const QStringList& ditte, const QString& ditta);

// Makes UTENTI.DITTA of the user equal to the company, so a module started now reads the company
// the start program shows. Runs on the query's transaction, which it first ends without
// committing and starts again so the comparison sees what other workstations committed. Writes
// only when the stored text differs (letter case counts) and commits keeping the transaction
// open. True when the row holds the company afterwards or the user has no row. When the write
// or its commit fails the error box "Errore interno di lettura parametro ditta" is shown, the
// change is rolled back and the result is false. An error of the reading statement is thrown
// to the caller.
bool aggiornaDittaUtente(db::Query& query, platform::MessageService& messages, qint32 utente,
                         const QString& ditta);

} // namespace velkora
