#include "sessions/AccessoUtente.h"

#include "db/Query.h"
#include "db/Transaction.h"
#include "sessions/SessionLog.h"

namespace velkora {

QString senzaSpaziFinali(const QString& testo)
{
    qsizetype n = testo.size();
    while (n > 0 && testo.at(n - 1) == QLatin1Char(' '))
        --n;
    return testo.left(n);
}

namespace {

// Adds the parameter rows of a read to the map as leggiParametriDitta adds them: the first row
// of a name counts, a row without a name is left out.
void aggiungiParametro(std::map<QString, QString>& valori, const db::Query& q, int parametro,
                       int valore)
{
    if (!q.isNull(parametro))
        valori.emplace(senzaSpaziFinali(q.asString(parametro)), q.asString(valore));
}

} // namespace

LetturaAccesso leggiAccessoInUnPasso(db::Database& database, db::Transaction& transazione,
                                    const QString& nome, bool idFinestraAgenda)
{
    // The user's number by his name, his name by that number, the company by that name and the
    // columns of the row under that number, each as the single look-up finds it (the first row).
    // The session code is drawn here too: the login opens a session for whoever it finds, and a
    // generator draw does not depend on the transaction. The agenda's window id is drawn only
    // when the login will get to write the agenda's call-log row: the user has a profile or
    // MANTIENISTDMIN exactly "1" (CHAR_LENGTH counts trailing blanks, as the text read does),
    // and a project.
    // The first row is the user's; the rows after it are the parameters of his company (the
    // number and company as found above, 0 and empty when missing), in the order a read of
    // TABVELKORA alone gives them. The columns a branch does not fill are NULL of the other
    // branch's column type, taken from its own table.
    const QString riga =
        QStringLiteral("(SELECT FIRST 1 %1 FROM UTENTI WHERE CODICE=COALESCE(C.CODICE,0)) AS %1,");
    const QString vuotoUtenti = QStringLiteral("(SELECT FIRST 1 %1 FROM UTENTI WHERE 1=0),");
    const QString vuotoParametri = QStringLiteral("(SELECT FIRST 1 %1 FROM TABVELKORA WHERE 1=0)");
    const char* const colonne[] = {"ACCESSOVELKORA", "PROFILOSICUREZZA", "PROGETTO",
                                   "MANTIENISTDMIN"};
    QStringList sql{
        QStringLiteral("WITH U AS (SELECT C.CODICE,"),
        riga.arg(QStringLiteral("NOMEUTENTE")),
    };
    for (const char* colonna : colonne)
        sql << riga.arg(QLatin1String(colonna));
    sql << QStringLiteral("0 AS FINE")
        << QStringLiteral("FROM RDB$DATABASE")
        << QStringLiteral("LEFT JOIN (SELECT FIRST 1 CODICE FROM UTENTI WHERE NOMEUTENTE=:NOME) C")
        << QStringLiteral("ON 1=1),")
        << QStringLiteral("D AS (SELECT U.*, (SELECT FIRST 1 DITTA FROM UTENTI")
        << QStringLiteral("WHERE NOMEUTENTE=COALESCE(U.NOMEUTENTE,'')) AS DITTA FROM U)")
        << QStringLiteral("SELECT D.CODICE, D.NOMEUTENTE, D.DITTA,");
    for (const char* colonna : colonne)
        sql << QStringLiteral("D.") + QLatin1String(colonna) + QLatin1Char(',');
    sql << estrazioneNuovaSessione() + QStringLiteral(" AS CODICESESSIONE,");
    if (idFinestraAgenda)
        sql << QStringLiteral("CASE WHEN (D.PROFILOSICUREZZA IS NOT NULL OR")
            << QStringLiteral("(D.MANTIENISTDMIN='1' AND CHAR_LENGTH(D.MANTIENISTDMIN)=1))")
            << QStringLiteral("AND D.PROGETTO IS NOT NULL")
            << QStringLiteral("THEN ") + estrazioneIdFinestra() +
                   QStringLiteral(" ELSE 0 END AS IDFINESTRA,");
    sql << vuotoParametri.arg(QStringLiteral("PARAMETRO")) + QLatin1Char(',')
        << vuotoParametri.arg(QStringLiteral("VALORE"))
        << QStringLiteral("FROM D")
        << QStringLiteral("UNION ALL")
        << QStringLiteral("SELECT 0,");
    for (const char* colonna : {"NOMEUTENTE", "DITTA", "ACCESSOVELKORA", "PROFILOSICUREZZA",
                                "PROGETTO", "MANTIENISTDMIN"})
        sql << vuotoUtenti.arg(QLatin1String(colonna));
    sql << QStringLiteral("0,");
    if (idFinestraAgenda)
        sql << QStringLiteral("0,");
    sql << QStringLiteral("P.PARAMETRO, P.VALORE")
        << QStringLiteral("FROM D JOIN TABVELKORA P ON P.UTENTE=COALESCE(D.CODICE,0)")
        << QStringLiteral("AND P.INTESTAZIONE=COALESCE(D.DITTA,'')");

    db::Query q(&database, &transazione);
    q.setSql(sql);
    q.setParam(QStringLiteral("NOME"), nome);
    transazione.restart();
    q.open();
    q.first();
    LetturaAccesso letto;
    letto.numUser = static_cast<qint32>(q.asInteger(0));
    letto.nomeUser = q.asString(QStringLiteral("NOMEUTENTE"));
    letto.ditta = q.asString(QStringLiteral("DITTA"));
    letto.accessoVelkora = q.asString(QStringLiteral("ACCESSOVELKORA"));
    letto.profiloSicurezza = q.asString(QStringLiteral("PROFILOSICUREZZA"));
    letto.progetto = q.asString(QStringLiteral("PROGETTO"));
    letto.mantieniStdMin = q.asString(QStringLiteral("MANTIENISTDMIN"));
    letto.codiceSessione = static_cast<qint32>(q.asInteger(QStringLiteral("CODICESESSIONE")));
    if (idFinestraAgenda)
        letto.idFinestraAgenda = static_cast<qint32>(q.asInteger(QStringLiteral("IDFINESTRA")));
    const int parametro = idFinestraAgenda ? 9 : 8;
    for (q.next(); !q.eof(); q.next())
        aggiungiParametro(letto.parametri, q, parametro, parametro + 1);
    return letto;
}

} // namespace velkora
