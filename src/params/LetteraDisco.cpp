#include "params/LetteraDisco.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/DriveMap.h"
#include "platform/MessageService.h"
#include "storage/IstruzioneFallita.h"

#include <QDir>
#include <QStringList>
#include <vector>

namespace velkora {

namespace {

const QString kPercorso = QStringLiteral(":\\");
const QString kFileFallimento = QStringLiteral("Ombrix.SceltaDisco.sql");

// One value to rewrite, as read before anything is written.
struct Riscrittura
{
    QString sezione;
    QString parametro;
    QString valore;
    QString nuovo;
};

// Runs a statement of the run; on failure saves its lines, undoes the whole run and says so.
bool esegui(db::Query& query, db::TransactionGuard& guardia, platform::MessageService& messages,
            QWidget* finestra, bool conCommit)
{
    try {
        query.execSql();
        if (conCommit)
            guardia.commit();
        return true;
    } catch (const db::DbError& e) {
        salvaIstruzioneFallita(kFileFallimento, query.sql());
        guardia.rollback();
        messages.error(QStringLiteral("Errore interno di UPDATE: impossibile modificare la lettera "
                                      "disco nelle impostazioni dell'utente"),
                       e.message(), finestra);
        return false;
    }
}

} // namespace

QString conLetteraDisco(const QString& valore, QChar lettera)
{
    const qsizetype at = valore.indexOf(kPercorso);
    if (at <= 0)
        return valore;
    QString nuovo = valore;
    nuovo[at - 1] = lettera;
    return nuovo;
}

UtenteDisco leggiUtenteDisco(db::Query& query, const QString& nomeUtente)
{
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT CODICE,ULTIMODISCOSCELTO FROM UTENTI"));
    query.add(QStringLiteral("WHERE NOMEUTENTE=") + db::quoted(nomeUtente));
    query.open();
    UtenteDisco utente;
    if (query.isEmpty())
        return utente;
    query.first();
    utente.trovato = true;
    utente.codice = query.asString(0);
    const QString ultimo = query.asString(1);
    if (!ultimo.isEmpty())
        utente.ultimoDisco = ultimo.at(0);
    return utente;
}

bool discoPresente(const platform::DriveMap& dischi, QChar lettera)
{
    const QString cartella = dischi.folder(lettera);
    return !cartella.isEmpty() && QDir(cartella).exists();
}

QChar discoDaOffrire(const platform::DriveMap& dischi, QChar ultimoDisco,
                     const QString& cartellaProgramma)
{
    if (!ultimoDisco.isNull() && discoPresente(dischi, ultimoDisco))
        return ultimoDisco.toLower();
    const QString programma = dischi.toDrive(cartellaProgramma);
    if (!programma.isEmpty())
        return programma.at(0).toLower();
    const QList<QChar> lettere = dischi.letters();
    return lettere.isEmpty() ? QLatin1Char('c') : lettere.first();
}

bool riscriviLettereDisco(db::Query& query, db::Query& query2, platform::MessageService& messages,
                          const QString& codiceUtente, QChar lettera, QWidget* finestra)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione || query2.transaction() != transazione)
        throw db::DbLogicError(QStringLiteral("disk choice on queries without one transaction"));

    // The backslash in the pattern is an ordinary character: LIKE has no escape here.
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT * FROM TABVELKORA"));
    query.add(QStringLiteral("WHERE (UTENTE=") + db::quoted(codiceUtente) + QStringLiteral(")AND"));
    query.add(QStringLiteral("(VALORE LIKE '%:\\%')"));
    query.open();

    const int sezioneAt = query.fieldIndex(QStringLiteral("INTESTAZIONE"));
    const int parametroAt = query.fieldIndex(QStringLiteral("PARAMETRO"));
    const int valoreAt = query.fieldIndex(QStringLiteral("VALORE"));
    std::vector<Riscrittura> riscritture;
    for (query.first(); !query.eof(); query.next()) {
        if (query.isNull(sezioneAt) || query.isNull(parametroAt))
            continue;
        Riscrittura r{query.asString(sezioneAt), query.asString(parametroAt),
                      query.asString(valoreAt), QString()};
        r.nuovo = conLetteraDisco(r.valore, lettera);
        if (r.nuovo != r.valore)
            riscritture.push_back(std::move(r));
    }
    query.close();

    db::TransactionGuard guardia(*transazione);
    for (const Riscrittura& r : riscritture) {
        query2.close();
        query2.clear();
        query2.add(QStringLiteral("UPDATE TABVELKORA SET VALORE=") + db::quoted(r.nuovo));
        query2.add(QStringLiteral("WHERE (UTENTE=") + db::quoted(codiceUtente) +
                   QStringLiteral(")AND"));
        query2.add(QStringLiteral("(INTESTAZIONE=") + db::quoted(r.sezione) +
                   QStringLiteral(")AND"));
        query2.add(QStringLiteral("(PARAMETRO=") + db::quoted(r.parametro) +
                   QStringLiteral(")AND"));
        query2.add(QStringLiteral("(VALORE=") + db::quoted(r.valore) + QLatin1Char(')'));
        if (!esegui(query2, guardia, messages, finestra, false))
            return false;
    }

    query.clear();
    query.add(QStringLiteral("UPDATE UTENTI SET ULTIMODISCOSCELTO=") +
              db::quoted(QString(lettera)));
    query.add(QStringLiteral("WHERE CODICE=") + db::quoted(codiceUtente));
    return esegui(query, guardia, messages, finestra, true);
}

} // namespace velkora
