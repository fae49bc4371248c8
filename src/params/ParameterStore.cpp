// The parameter-set store of TTabXForm: single parameters in TABVELKORA (or, with users from
// files, in the user's own INI file) and the whole set as text in UTENTI.VELKORA, regenerated
// from the rows after every change.

#include "data/TabX.h"

#include "db/DbError.h"
#include "db/SqlText.h"
#include "db/TransactionGuard.h"
#include "params/ParameterText.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"

#include <stdexcept>
#include <vector>

namespace velkora {

namespace {

// Runs a statement that changes data and commits TransazioneUser. On a database failure the
// transaction is rolled back, so nothing of the statement (nor anything else left pending in
// the transaction) reaches the database, and the error box is shown; the caller goes on.
void runAndCommit(db::Query& query, db::Transaction& transaction,
                  platform::MessageService& messages, const QString& failureText)
{
    try {
        db::TransactionGuard guard(transaction);
        query.execSql();
        guard.commit();
    } catch (const db::DbError& e) {
        messages.error(failureText, e.message());
    }
}

} // namespace

void TTabXForm::CaricaParametro(const QString& nome, QString& valore)
{
    if (ModoUtenti == 1) {
        valore = platform::IniFile(fileUtente()).readString(DittaCorrente, nome, QString());
        return;
    }
    // Mode 3 has no parameter set: the caller's value stays as it was.
    if (ModoUtenti != 0)
        return;

    QueryVelkora.close();
    QueryVelkora.clear();
    QueryVelkora.add(QStringLiteral("SELECT VALORE FROM TABVELKORA WHERE"));
    QueryVelkora.add(QStringLiteral("(UTENTE=") + db::quotedInt(NumUser) + QStringLiteral(")AND"));
    QueryVelkora.add(QStringLiteral("(INTESTAZIONE=") + db::quoted(DittaCorrente) + QStringLiteral(")AND"));
    QueryVelkora.add(QStringLiteral("(PARAMETRO=") + db::quoted(nome) + QLatin1Char(')'));
    QueryVelkora.open();
    if (QueryVelkora.isEmpty()) {
        valore = QString();
        return;
    }
    // Nothing makes a parameter unique: with several matching rows the first one counts.
    QueryVelkora.first();
    valore = QueryVelkora.asString(0);
}

QString TTabXForm::CaricaParametro(const QString& nome)
{
    QString valore;
    CaricaParametro(nome, valore);
    return valore;
}

void TTabXForm::SettaParametro(const QString& nome, const QString& valore)
{
    if (ModoUtenti == 1) {
        platform::IniFile file(fileUtente());
        // A value that cannot be stored must not be lost without a word: the folder
        // NOMIDIT/USERCFG may be missing (the store does not create it), the file read-only, or
        // the section or name unusable in an INI file (empty, a line break, "=" in a name).
        if (!file.writeString(DittaCorrente, nome, valore)) {
            throw std::runtime_error(
                QStringLiteral("Impossibile scrivere il parametro %1 nel file %2")
                    .arg(nome, file.path())
                    .toStdString());
        }
    } else if (ModoUtenti == 0) {
        // ScriviParametroVelkora ends by regenerating the text; doing it a second time here
        // would write the same (possibly multi-megabyte) text again and, when that write
        // fails, show the same error box twice.
        ScriviParametroVelkora(DittaCorrente, nome, valore);
        return;
    }
    ScriviVelkora(NumUser);
}

void TTabXForm::ScriviParametroVelkora(const QString& sezione, const QString& nome,
                                       const QString& valore)
{
    CaricaVelkora(NumUser);
    {
        db::Query query(&IBDatabaseUser, &TransazioneUser);
        // A fresh snapshot, so the lookup sees rows other workstations committed meanwhile and
        // an existing parameter is updated instead of added twice.
        TransazioneUser.restart();

        const QString utente = QStringLiteral("(UTENTE=") + db::quotedInt(NumUser) + QStringLiteral(")AND");
        const QString intestazione = QStringLiteral("(INTESTAZIONE=") + db::quoted(sezione) + QStringLiteral(")AND");
        const QString parametro = QStringLiteral("(PARAMETRO=") + db::quoted(nome) + QLatin1Char(')');

        query.add(QStringLiteral("SELECT * FROM TABVELKORA WHERE"));
        query.add(utente);
        query.add(intestazione);
        query.add(parametro);
        query.open();

        if (!query.isEmpty()) {
            // Every matching row gets the value; each keeps its PROGRESSIVO.
            query.clear();
            query.add(QStringLiteral("UPDATE TABVELKORA SET"));
            query.add(valore.isEmpty()
                          ? QStringLiteral("VALORE=NULL")
                          : QString(QStringLiteral("VALORE=") + db::quoted(valore)));
            query.add(QStringLiteral("WHERE ") + utente);
            query.add(intestazione);
            query.add(parametro);
            runAndCommit(query, TransazioneUser, messages(),
                         QStringLiteral("Errore interno di UPDATE: impossibile aggiornare la "
                                        "tabella dei parametri"));
        } else {
            // A new parameter comes after every row the user has, whatever their section, so
            // it is the last line of its own section.
            query.clear();
            query.add(QStringLiteral("SELECT MAX(PROGRESSIVO) FROM TABVELKORA"));
            query.add(QStringLiteral("WHERE (UTENTE=") + db::quotedInt(NumUser) + QLatin1Char(')'));
            query.open();
            query.first();
            const qint64 progressivo = query.isNull(0) ? 1 : query.asInteger(0) + 1;

            query.clear();
            query.add(QStringLiteral("INSERT INTO TABVELKORA (UTENTE,INTESTAZIONE,PARAMETRO,VALORE,"));
            query.add(QStringLiteral("PROGRESSIVO) VALUES("));
            query.add(db::quotedInt(NumUser) + QLatin1Char(','));
            query.add(db::quoted(sezione) + QLatin1Char(','));
            query.add(db::quoted(nome) + QLatin1Char(','));
            query.add(valore.isEmpty() ? QStringLiteral("NULL,")
                                       : QString(db::quoted(valore) + QLatin1Char(',')));
            query.add(db::quotedInt(progressivo) + QLatin1Char(')'));
            runAndCommit(query, TransazioneUser, messages(),
                         QStringLiteral("Errore interno di INSERT: impossibile aggiornare la "
                                        "tabella dei parametri"));
        }
    }
    ScriviVelkora(NumUser);
}

void TTabXForm::ScriviVelkora(qint32 utente)
{
    // Without a user database (mode 3) there is no text to regenerate.
    if (!IBDatabaseUser.attached())
        return;

    QueryVelkora.close();
    QueryVelkora.clear();
    QueryVelkora.add(QStringLiteral("SELECT * FROM TABVELKORA WHERE"));
    QueryVelkora.add(QStringLiteral("(UTENTE=") + db::quotedInt(utente) + QStringLiteral(")AND"));
    QueryVelkora.add(QStringLiteral("(INTESTAZIONE IS NOT NULL)"));
    QueryVelkora.add(QStringLiteral("ORDER BY INTESTAZIONE,PROGRESSIVO,UTENTE"));
    QueryVelkora.open();

    const int sezioneAt = QueryVelkora.fieldIndex(QStringLiteral("INTESTAZIONE"));
    const int parametroAt = QueryVelkora.fieldIndex(QStringLiteral("PARAMETRO"));
    const int valoreAt = QueryVelkora.fieldIndex(QStringLiteral("VALORE"));
    const int progressivoAt = QueryVelkora.fieldIndex(QStringLiteral("PROGRESSIVO"));
    std::vector<ParameterRow> rows;
    rows.reserve(static_cast<std::size_t>(QueryVelkora.recordCount()));
    for (QueryVelkora.first(); !QueryVelkora.eof(); QueryVelkora.next()) {
        ParameterRow row;
        // The query leaves out NULL sections, but an empty one must stay an empty (non-null)
        // text so the writer treats it as the empty section rather than as NULL.
        row.sezione = QueryVelkora.asString(sezioneAt);
        if (row.sezione.isNull())
            row.sezione = QStringLiteral("");
        row.parametro = QueryVelkora.asString(parametroAt);
        row.valore = QueryVelkora.asString(valoreAt);
        row.progressivo = static_cast<qint32>(QueryVelkora.asInteger(progressivoAt));
        rows.push_back(std::move(row));
    }
    const QString text = writeParameterText(rows);
    rows = {};

    QueryVelkora.close();
    QueryVelkora.clear();
    if (text.isEmpty()) {
        QueryVelkora.add(QStringLiteral("UPDATE UTENTI SET VELKORA=NULL WHERE"));
    } else {
        // The text can run to megabytes, beyond what a quoted literal may hold, so it goes to
        // the blob through a bound parameter.
        QueryVelkora.add(QStringLiteral("UPDATE UTENTI SET VELKORA=:VELKORA WHERE"));
        QueryVelkora.setParam(QStringLiteral("VELKORA"), text);
    }
    QueryVelkora.add(QStringLiteral("CODICE=") + db::quotedInt(utente));
    runAndCommit(QueryVelkora, TransazioneUser, messages(),
                 QStringLiteral("Errore interno di UPDATE: impossibile aggiornare i parametri "
                                "velkora dell'utente"));
    // The bound text is not needed any more; the query should not keep megabytes alive.
    QueryVelkora.clearParams();
}

void TTabXForm::CaricaVelkora(qint32 utente)
{
    // Every parameter is read from the table when asked for, so there is nothing to load in
    // advance. The operation stays because the suite's modules and the user operations call it.
    Q_UNUSED(utente);
}

} // namespace velkora
