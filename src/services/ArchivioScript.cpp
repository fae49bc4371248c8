#include "services/ArchivioScript.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/MessageService.h"
#include "storage/ContestoDati.h"

#include <QDate>
#include <QSet>

#include <mutex>

namespace velkora {

namespace {

// The per-window scripts table; the program creates it itself when a database lacks it.
const QStringList kCreateTabScript = {
    QStringLiteral("CREATE TABLE TABSCRIPT("),
    QStringLiteral("PROGETTO VARCHAR(15) NOT NULL,"),
    QStringLiteral("SCRIPTFORM VARCHAR(15) NOT NULL,"),
    QStringLiteral("CONTESTO SMALLINT NOT NULL,"),
    QStringLiteral("UTENTE VARCHAR(15) NOT NULL,"),
    QStringLiteral("DESCRIZIONESITUAZIONE BLOB,"),
    QStringLiteral("SCRIPT BLOB,"),
    QStringLiteral("MODIFICATODAUTENTE SMALLINT,"),
    QStringLiteral("DATAULTIMAMODIFICA DATE,"),
    QStringLiteral("STATUS SMALLINT,"),
    QStringLiteral("CONSTRAINT KIVTAB_CHIAVEPRIMARIA PRIMARY KEY (PROGETTO,SCRIPTFORM,CONTESTO,UTENTE));"),
};

} // namespace

ArchivioScript::ArchivioScript(db::Database& database, db::Transaction& transazione,
                               const ContestoDati& contesto)
    : m_database(database)
    , m_transazione(transazione)
    , m_contesto(contesto)
{
}

void ArchivioScript::creaTabellaSeManca(db::Query& query)
{
    // Without an attached database there is nothing to check; the failure was reported.
    if (!m_database.attached())
        return;
    // A table once seen is not dropped by the suite: each database is looked at once per
    // process, by the first data form on it (the start program's), so a module window opening
    // later does not pay the look in round trips.
    static std::mutex guardia;
    static QSet<QString> conTabella;
    const QString nome = m_database.databaseName();
    {
        const std::lock_guard<std::mutex> lock(guardia);
        if (conTabella.contains(nome))
            return;
    }
    const auto ricorda = [&nome] {
        const std::lock_guard<std::mutex> lock(guardia);
        conTabella.insert(nome);
    };
    const auto tabellaPresente = [&query] {
        query.close();
        query.clear();
        query.add(QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"));
        query.add(QStringLiteral("WHERE RDB$RELATION_NAME='TABSCRIPT'"));
        query.open();
        const bool presente = !query.isEmpty();
        query.close();
        return presente;
    };
    if (tabellaPresente()) {
        ricorda();
        return;
    }
    query.setSql(kCreateTabScript);
    try {
        db::TransactionGuard guard(m_transazione);
        query.execSql();
        guard.commit();
        ricorda();
    } catch (const db::DbError& e) {
        // Two workstations starting together on a new database both find the table missing and
        // one of them loses the race to create it; the table is there then, and all is well.
        try {
            m_transazione.restart();
            if (tabellaPresente()) {
                ricorda();
                return;
            }
        } catch (const db::DbError&) {
            // The box below says what went wrong first.
        }
        m_contesto.messaggi().error(
            QStringLiteral("Errore interno di CREATE: impossibile creare la tabella TABSCRIPT"),
            e.message());
    }
}

void ArchivioScript::IniScriptForm(const QString& progetto, const QString& finestra,
                                  const QString& contesto, const QString& utente,
                                  const QString& script, const QString& forza)
{
    // The keys are quoted (a quote inside is doubled) and the script, which may be long, is
    // bound: no text of the caller can change the statements.
    const QStringList condizione = {
        QStringLiteral("WHERE (PROGETTO=") + db::quoted(progetto) + QStringLiteral(")AND"),
        QStringLiteral("(SCRIPTFORM=") + db::quoted(finestra) + QStringLiteral(")AND"),
        QStringLiteral("(CONTESTO=") + db::quoted(contesto) + QStringLiteral(")AND"),
        QStringLiteral("(UTENTE=") + db::quoted(utente) + QStringLiteral(");")};
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("SELECT * FROM TABSCRIPT"));
    for (const QString& riga : condizione)
        query.add(riga);
    query.open();

    const QDate oggi = QDate::currentDate();
    if (query.isEmpty()) {
        query.close();
        query.clear();
        query.add(QStringLiteral("INSERT INTO TABSCRIPT"));
        query.add(QStringLiteral("VALUES (") + db::quoted(progetto) + QLatin1Char(',') +
                  db::quoted(finestra) + QLatin1Char(',') + db::quoted(contesto) +
                  QLatin1Char(',') + db::quoted(utente) + QStringLiteral(",NULL,:SCRIPT,NULL,") +
                  db::quotedDate(oggi) + QStringLiteral(",NULL);"));
    } else {
        query.first();
        if (!query.asString(QStringLiteral("SCRIPT")).isEmpty() && forza != QStringLiteral("1"))
            return;
        query.close();
        query.clear();
        query.add(QStringLiteral("UPDATE TABSCRIPT"));
        query.add(QStringLiteral("SET SCRIPT=:SCRIPT,"));
        query.add(QStringLiteral("DATAULTIMAMODIFICA=") + db::quotedDate(oggi));
        for (const QString& riga : condizione)
            query.add(riga);
    }
    query.setParam(QStringLiteral("SCRIPT"), script);
    query.execSql();
    m_transazione.commit();
}

} // namespace velkora
