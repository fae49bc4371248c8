// The parameter-set store of a data form: single parameters in TABVELKORA (or, with users from
// files, in the user's own INI file) and the whole set as text in UTENTI.VELKORA, regenerated
// from the rows after every change.

#include "params/ParameterStore.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "params/ParameterText.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "storage/ContestoDati.h"

#include <stdexcept>
#include <vector>

namespace velkora {

namespace {

// Runs a statement that changes data and commits m_transazione. On a database failure the
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

ParameterStore::ParameterStore(db::Query& query, db::Database& database,
                               db::Transaction& transazione, const quint8& modo,
                               const ContestoDati& contesto)
    : m_query(query)
    , m_database(database)
    , m_transazione(transazione)
    , m_modo(modo)
    , m_contesto(contesto)
{
}

qint32 ParameterStore::utente() const
{
    return m_contesto.numUser();
}

QStringList ParameterStore::condizioneParametro(const QString& utente, const QString& sezione,
                                               const QString& nome)
{
    return {QStringLiteral("(UTENTE=") + utente + QStringLiteral(")AND"),
            QStringLiteral("(INTESTAZIONE=") + sezione + QStringLiteral(")AND"),
            QStringLiteral("(PARAMETRO=") + nome + QLatin1Char(')')};
}

void ParameterStore::CaricaParametro(const QString& nome, QString& valore)
{
    if (m_modo == 1) {
        valore = platform::IniFile(m_contesto.fileUtente()).readString(m_contesto.dittaCorrente(), nome, QString());
        return;
    }
    // Mode 3 has no parameter set: the caller's value stays as it was.
    if (m_modo != 0)
        return;

    m_query.close();
    m_query.clear();
    m_query.add(QStringLiteral("SELECT VALORE FROM TABVELKORA WHERE"));
    for (const QString& riga : condizioneParametro(db::quotedInt(m_contesto.numUser()),
                                                   db::quoted(m_contesto.dittaCorrente()),
                                                   db::quoted(nome)))
        m_query.add(riga);
    m_query.open();
    if (m_query.isEmpty()) {
        valore = QString();
        return;
    }
    // Nothing makes a parameter unique: with several matching rows the first one counts.
    m_query.first();
    valore = m_query.asString(0);
}

void ParameterStore::SettaParametro(const QString& nome, const QString& valore)
{
    if (m_modo == 1) {
        platform::IniFile file(m_contesto.fileUtente());
        // A value that cannot be stored must not be lost without a word: the folder
        // NOMIDIT/USERCFG may be missing (the store does not create it), the file read-only, or
        // the section or name unusable in an INI file (empty, a line break, "=" in a name).
        if (!file.writeString(m_contesto.dittaCorrente(), nome, valore)) {
            throw std::runtime_error(
                QStringLiteral("Impossibile scrivere il parametro %1 nel file %2")
                    .arg(nome, file.path())
                    .toStdString());
        }
    } else if (m_modo == 0) {
        // ScriviParametroVelkora ends by regenerating the text; doing it a second time here
        // would write the same (possibly multi-megabyte) text again and, when that write
        // fails, show the same error box twice.
        ScriviParametroVelkora(m_contesto.dittaCorrente(), nome, valore);
        return;
    }
    ScriviVelkora(m_contesto.numUser());
}

void ParameterStore::ScriviParametroVelkora(const QString& sezione, const QString& nome,
                                       const QString& valore)
{
    CaricaVelkora(m_contesto.numUser());
    {
        db::Query query(&m_database, &m_transazione);
        // A fresh snapshot, so the lookup sees rows other workstations committed meanwhile and
        // an existing parameter is updated instead of added twice.
        m_transazione.restart();

        const QStringList condizione = condizioneParametro(db::quotedInt(m_contesto.numUser()),
                                                           db::quoted(sezione), db::quoted(nome));

        query.add(QStringLiteral("SELECT * FROM TABVELKORA WHERE"));
        for (const QString& riga : condizione)
            query.add(riga);
        query.open();

        if (!query.isEmpty()) {
            // Every matching row gets the value; each keeps its PROGRESSIVO.
            query.clear();
            query.add(QStringLiteral("UPDATE TABVELKORA SET"));
            query.add(valore.isEmpty()
                          ? QStringLiteral("VALORE=NULL")
                          : QString(QStringLiteral("VALORE=") + db::quoted(valore)));
            query.add(QStringLiteral("WHERE ") + condizione.at(0));
            query.add(condizione.at(1));
            query.add(condizione.at(2));
            runAndCommit(query, m_transazione, m_contesto.messaggi(),
                         QStringLiteral("Errore interno di UPDATE: impossibile aggiornare la "
                                        "tabella dei parametri"));
        } else {
            // A new parameter comes after every row the user has, whatever their section, so
            // it is the last line of its own section.
            query.clear();
            query.add(QStringLiteral("SELECT MAX(PROGRESSIVO) FROM TABVELKORA"));
            query.add(QStringLiteral("WHERE (UTENTE=") + db::quotedInt(m_contesto.numUser()) + QLatin1Char(')'));
            query.open();
            query.first();
            const qint64 progressivo = query.isNull(0) ? 1 : query.asInteger(0) + 1;

            query.clear();
            query.add(QStringLiteral("INSERT INTO TABVELKORA (UTENTE,INTESTAZIONE,PARAMETRO,VALORE,"));
            query.add(QStringLiteral("PROGRESSIVO) VALUES("));
            query.add(db::quotedInt(m_contesto.numUser()) + QLatin1Char(','));
            query.add(db::quoted(sezione) + QLatin1Char(','));
            query.add(db::quoted(nome) + QLatin1Char(','));
            query.add(valore.isEmpty() ? QStringLiteral("NULL,")
                                       : QString(db::quoted(valore) + QLatin1Char(',')));
            query.add(db::quotedInt(progressivo) + QLatin1Char(')'));
            runAndCommit(query, m_transazione, m_contesto.messaggi(),
                         QStringLiteral("Errore interno di INSERT: impossibile aggiornare la "
                                        "tabella dei parametri"));
        }
    }
    ScriviVelkora(m_contesto.numUser());
}

void ParameterStore::ScriviVelkora(qint32 utente)
{
    // Without a user database (mode 3) there is no text to regenerate.
    if (!m_database.attached())
        return;

    m_query.close();
    m_query.clear();
    m_query.add(QStringLiteral("SELECT * FROM TABVELKORA WHERE"));
    m_query.add(QStringLiteral("(UTENTE=") + db::quotedInt(utente) + QStringLiteral(")AND"));
    m_query.add(QStringLiteral("(INTESTAZIONE IS NOT NULL)"));
    m_query.add(QStringLiteral("ORDER BY INTESTAZIONE,PROGRESSIVO,UTENTE"));
    m_query.open();

    const int sezioneAt = m_query.fieldIndex(QStringLiteral("INTESTAZIONE"));
    const int parametroAt = m_query.fieldIndex(QStringLiteral("PARAMETRO"));
    const int valoreAt = m_query.fieldIndex(QStringLiteral("VALORE"));
    const int progressivoAt = m_query.fieldIndex(QStringLiteral("PROGRESSIVO"));
    std::vector<ParameterRow> rows;
    rows.reserve(static_cast<std::size_t>(m_query.recordCount()));
    for (m_query.first(); !m_query.eof(); m_query.next()) {
        ParameterRow row;
        // The query leaves out NULL sections, but an empty one must stay an empty (non-null)
        // text so the writer treats it as the empty section rather than as NULL.
        row.sezione = m_query.asString(sezioneAt);
        if (row.sezione.isNull())
            row.sezione = QStringLiteral("");
        row.parametro = m_query.asString(parametroAt);
        row.valore = m_query.asString(valoreAt);
        row.progressivo = static_cast<qint32>(m_query.asInteger(progressivoAt));
        rows.push_back(std::move(row));
    }
    const QString text = writeParameterText(rows);
    rows = {};

    m_query.close();
    m_query.clear();
    if (text.isEmpty()) {
        m_query.add(QStringLiteral("UPDATE UTENTI SET VELKORA=NULL WHERE"));
    } else {
        // The text can run to megabytes, beyond what a quoted literal may hold, so it goes to
        // the blob through a bound parameter.
        m_query.add(QStringLiteral("UPDATE UTENTI SET VELKORA=:VELKORA WHERE"));
        m_query.setParam(QStringLiteral("VELKORA"), text);
    }
    m_query.add(QStringLiteral("CODICE=") + db::quotedInt(utente));
    runAndCommit(m_query, m_transazione, m_contesto.messaggi(),
                 QStringLiteral("Errore interno di UPDATE: impossibile aggiornare i parametri "
                                "velkora dell'utente"));
    // The bound text is not needed any more; the query should not keep megabytes alive.
    m_query.clearParams();
}

void ParameterStore::CaricaVelkora(qint32 utente)
{
    // Every parameter is read from the table when asked for, so there is nothing to load in
    // advance. The operation stays because the suite's modules and the user operations call it.
    Q_UNUSED(utente);
}

} // namespace velkora
