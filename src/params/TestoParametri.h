#pragma once

#include <QString>
#include <QStringView>

class QWidget;

namespace velkora {

namespace db {
class Query;
}

namespace platform {
class MessageService;
}

// The whole parameter set of a user as the editor shows it: the text of UTENTI.VELKORA, stored
// as the user typed it, and his rows of TABVELKORA rebuilt from that text. Each function runs on
// the given query and its transaction (the editor's own, concurrency and no wait).

// The stored text of the user; the empty text when it is NULL or the user has no row. A database
// error is thrown to the caller.
QString leggiTestoParametri(db::Query& query, qint32 utente);

// The text without single quotes: the editor keeps them out of everything it stores.
QString senzaApostrofi(QString testo);

// Stores the text in UTENTI.VELKORA exactly as given (the empty text stays empty, not NULL) and
// commits. The text goes through a bound parameter, since a parameter set can be far longer than
// a statement may be. On failure nothing of it stays pending in the transaction and the
// database error is thrown to the caller.
void salvaTestoParametri(db::Query& query, qint32 utente, const QString& testo);

// Replaces all rows of the user in TABVELKORA by the rows the text gives (every one of them,
// however many, numbered 1, 2, 3 in text order) and commits. When the delete, an insert or the
// commit fails, the error box says so, the transaction is rolled back so the old rows stay, and
// the result is false.
bool ricostruisciRigheParametri(db::Query& query, platform::MessageService& messages, qint32 utente,
                                QStringView testo, QWidget* finestra = nullptr);

} // namespace velkora
