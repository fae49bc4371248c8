// The per-window scripts of the suite's data windows, one row of TABSCRIPT in the user database
// per project, window, context and user. The program only makes sure the row exists and seeds or
// replaces its text; the windows read and run the scripts themselves.

#include "services/ScriptFinestra.h"

#include "data/TabX.h"
#include "db/SqlText.h"

namespace velkora {

QString DataPerSQL(const QDate& data)
{
    return db::quotedDate(data);
}

void TTabXForm::IniScriptForm(const QString& progetto, const QString& finestra,
                              const QString& contesto, const QString& utente, const QString& script,
                              const QString& forza)
{
    // The keys are quoted (a quote inside is doubled) and the script, which may be long, is
    // bound: no text of the caller can change the statements.
    const QStringList condizione = {
        QStringLiteral("WHERE (PROGETTO=") + db::quoted(progetto) + QStringLiteral(")AND"),
        QStringLiteral("(SCRIPTFORM=") + db::quoted(finestra) + QStringLiteral(")AND"),
        QStringLiteral("(CONTESTO=") + db::quoted(contesto) + QStringLiteral(")AND"),
        QStringLiteral("(UTENTE=") + db::quoted(utente) + QStringLiteral(");")};
    db::Query query(&IBDatabaseUser, &TransazioneUser);
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
        query.add(QStringLiteral("DATAULTIMAMODIFICA=") + DataPerSQL(oggi));
        for (const QString& riga : condizione)
            query.add(riga);
    }
    query.setParam(QStringLiteral("SCRIPT"), script);
    query.execSql();
    TransazioneUser.commit();
}

} // namespace velkora
