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

LetturaAccesso leggiAccessoInUnPasso(db::Database& database, db::Transaction& transazione,
                                    const QString& nome)
{
    // The user's number by his name, his name by that number, the company by that name and the
    // columns of the row under that number, each as the single look-up finds it (the first row).
    // The session code is drawn here too: the login opens a session for whoever it finds, and a
    // generator draw does not depend on the transaction.
    const QString riga =
        QStringLiteral("(SELECT FIRST 1 %1 FROM UTENTI WHERE CODICE=COALESCE(C.CODICE,0))");
    QStringList sql{
        QStringLiteral("SELECT C.CODICE,"),
        riga.arg(QStringLiteral("NOMEUTENTE")) + QStringLiteral(" AS NOMEUTENTE,"),
        QStringLiteral("(SELECT FIRST 1 DITTA FROM UTENTI WHERE NOMEUTENTE=COALESCE(") +
            riga.arg(QStringLiteral("NOMEUTENTE")) + QStringLiteral(",'')) AS DITTA,"),
    };
    for (const char* colonna : {"ACCESSOVELKORA", "PROFILOSICUREZZA", "PROGETTO", "MANTIENISTDMIN"})
        sql << riga.arg(QLatin1String(colonna)) + QStringLiteral(" AS ") +
                   QLatin1String(colonna) + QLatin1Char(',');
    sql << estrazioneNuovaSessione() + QStringLiteral(" AS CODICESESSIONE");
    sql << QStringLiteral("FROM RDB$DATABASE")
        << QStringLiteral("LEFT JOIN (SELECT FIRST 1 CODICE FROM UTENTI WHERE NOMEUTENTE=:NOME) C")
        << QStringLiteral("ON 1=1");

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
    return letto;
}

std::map<QString, QString> leggiParametriDitta(db::Database& database,
                                               db::Transaction& transazione, qint32 numUser,
                                               const QString& ditta)
{
    db::Query q(&database, &transazione);
    q.add(QStringLiteral("SELECT PARAMETRO, VALORE FROM TABVELKORA"));
    q.add(QStringLiteral("WHERE UTENTE=:UTENTE AND INTESTAZIONE=:DITTA"));
    q.setParam(QStringLiteral("UTENTE"), numUser);
    q.setParam(QStringLiteral("DITTA"), ditta);
    std::map<QString, QString> valori;
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        if (!q.isNull(0))
            valori.emplace(senzaSpaziFinali(q.asString(0)), q.asString(1));
    }
    return valori;
}

} // namespace velkora
