#include "sessions/SessioniLavoro.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/MessageService.h"
#include "sessions/SessionLog.h"

#include <QDateTime>

#include <optional>

namespace velkora {

namespace {

db::Transaction& transazioneDi(db::Query& query)
{
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(
            QStringLiteral("session statements on a query without a transaction"));
    return *transazione;
}

// Runs a one-column selection (a generator draw) and gives its value. Failures go to the caller.
qint32 primoIntero(db::Query& query, const QStringList& righe)
{
    query.close();
    query.setSql(righe);
    query.open();
    query.first();
    return static_cast<qint32>(query.asInteger(0));
}

} // namespace

SessioniLavoro::SessioniLavoro(const Contesto& contesto) : m_contesto(contesto) {}

qint32 SessioniLavoro::apri(qint32 numUser)
{
    return apri(numUser, primoIntero(m_contesto.query, istruzioneNuovaSessione()));
}

qint32 SessioniLavoro::apri(qint32 numUser, qint32 codice)
{
    db::Query& query = m_contesto.query;
    // One reading of the clock, so a session opened at midnight does not get the new day's date
    // with the old day's time.
    const QDateTime adesso = QDateTime::currentDateTime();
    QString dettaglio;
    if (!eseguiOSalva(query, istruzioneApriSessione(codice, adesso.date(), adesso.time(), numUser),
                      QStringLiteral("Ombrix.ApriSessione.sql"), dettaglio))
        m_contesto.messages.error(
            QStringLiteral("Errore interno: impossibile aprire la sessione utente"), dettaglio,
            m_contesto.finestra);
    return codice;
}

bool SessioniLavoro::verifica(bool mostraMessaggi)
{
    db::Query& query = m_contesto.query;
    // A fresh transaction sees a closing made meanwhile on another workstation.
    query.close();
    transazioneDi(query).restart();
    query.setSql(istruzioneLeggiSessione(m_contesto.codiceSessione));
    query.open();
    if (query.isEmpty())
        return esitoVerifica(false, false, mostraMessaggi);
    query.first();
    return esitoVerifica(true, !query.asString(QStringLiteral("DATACHIUSURA")).isEmpty(),
                         mostraMessaggi);
}

bool SessioniLavoro::esitoVerifica(bool trovata, bool chiusa, bool mostraMessaggi)
{
    if (!trovata) {
        if (mostraMessaggi)
            m_contesto.messages.warning(
                QStringLiteral("Attenzione: non risulta aperta nessuna sessione di lavoro"),
                m_contesto.finestra);
        return false;
    }
    if (chiusa) {
        if (mostraMessaggi)
            m_contesto.messages.warning(
                QStringLiteral("Attenzione: la sessione corrente risulta chiusa. Si prega "
                               "di uscire e rientrare"),
                m_contesto.finestra);
        return false;
    }
    return true;
}

void SessioniLavoro::chiudi()
{
    if (!verifica(false))
        return;
    const QDateTime adesso = QDateTime::currentDateTime();
    QString dettaglio;
    if (!eseguiOSalva(
            m_contesto.query,
            istruzioneChiudiSessione(m_contesto.codiceSessione, adesso.date(), adesso.time()),
            QStringLiteral("Ombrix.ChiudiSessione.sql"), dettaglio, true))
        m_contesto.messages.error(
            QStringLiteral("Errore interno: impossibile chiudere la sessione utente"), dettaglio,
            m_contesto.finestra);
}

qint32 SessioniLavoro::registraChiamata(const QString& funzione,
                                        const std::optional<VoceChiamata>& voce)
{
    const qint32 idFinestra =
        m_contesto.logFinestre ? primoIntero(m_contesto.query, istruzioneNuovoIdFinestra()) : 0;
    scriviChiamata(funzione, idFinestra, voce);
    return idFinestra;
}

void SessioniLavoro::scriviChiamata(const QString& funzione, qint32 idFinestra,
                                    const std::optional<VoceChiamata>& voce)
{
    const bool conVoce = m_contesto.logVoci && voce.has_value();
    db::Transaction& transazione = transazioneDi(m_contesto.query);
    std::optional<db::Query> propria;
    db::Query* registro = m_contesto.registro;
    if (!registro)
        registro = &propria.emplace();
    registro->setDatabase(m_contesto.query.database());
    registro->setTransaction(&transazione);
    const QStringList sql = istruzioneLogFunzioneParametri(m_contesto.logFinestre, conVoce);
    if (registro->sql() != sql)
        registro->setSql(sql);
    const QDateTime adesso = QDateTime::currentDateTime();
    const QTime ora = adesso.time();
    // Whole seconds, as the statement's text writes them.
    const QTime secondi(ora.hour(), ora.minute(), ora.second());
    registro->setParam(QStringLiteral("SESSIONE"), m_contesto.codiceSessione);
    registro->setParam(QStringLiteral("DATA"), adesso.date());
    registro->setParam(QStringLiteral("ORA"), secondi);
    registro->setParam(QStringLiteral("FUNZIONE"), funzione);
    if (m_contesto.logFinestre)
        registro->setParam(QStringLiteral("IDFINESTRA"), idFinestra);
    if (conVoce) {
        registro->setParam(QStringLiteral("PROGRAMMA"), voce->programma);
        registro->setParam(QStringLiteral("MENU"), voce->menu);
    }
    QString dettaglio;
    if (!eseguiProprioOSalva(*registro,
                      istruzioneLogFunzione(m_contesto.codiceSessione, adesso.date(), secondi,
                                            funzione, m_contesto.logFinestre, idFinestra,
                                            conVoce ? voce : std::nullopt),
                      QStringLiteral("Ombrix.AggiornaNorviLogFunz.sql"), dettaglio))
        m_contesto.messages.warning(
            QStringLiteral("Errore interno di INSERT: impossibile aggiornare il log delle "
                           "voci di menu chiamata. Sarà comunque possibile continuare ad "
                           "usare il programma"),
            dettaglio, m_contesto.finestra);
}

} // namespace velkora
