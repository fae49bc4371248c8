// Work sessions and the call log of the main window: a session row in NORVILOG per login, a
// check of that row before every function call, its closing at exit, and a NORVILOGFUNZ row per
// called function. The statements run on QueryAux in TransazioneAux.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/TransactionGuard.h"
#include "platform/MessageService.h"
#include "sessions/SessionLog.h"
#include "shell/BaseMain.h"

#include <QDateTime>

namespace velkora {

namespace {

// Runs a statement that changes data and commits. When the engine refuses it, its lines are
// saved to the named file in the current directory, the transaction is rolled back so that the
// window's later statements do not run in a failed transaction, and false is returned for the
// caller to show its box, with the engine's text in dettaglio for the box's detail.
bool eseguiOSalva(db::Query& query, db::Transaction& transazione, const QStringList& righe,
                  const QString& nomeFile, QString& dettaglio)
{
    query.close();
    query.setSql(righe);
    try {
        db::TransactionGuard guard(transazione);
        query.execSql();
        guard.commit();
        return true;
    } catch (const db::DbError& e) {
        dettaglio = e.message();
        salvaIstruzioneFallita(nomeFile, righe);
        return false;
    }
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

void TBaseMainForm::ApriSessione()
{
    CodiceSessione = primoIntero(QueryAux, istruzioneNuovaSessione());
    // One reading of the clock, so a session opened at midnight does not get the new day's date
    // with the old day's time.
    const QDateTime adesso = QDateTime::currentDateTime();
    QString dettaglio;
    if (!eseguiOSalva(QueryAux, TransazioneAux,
                      istruzioneApriSessione(CodiceSessione, adesso.date(), adesso.time(),
                                             tabX()->NumUser),
                      QStringLiteral("Ombrix.ApriSessione.sql"), dettaglio))
        messages().error(QStringLiteral("Errore interno: impossibile aprire la sessione utente"),
                         dettaglio, this);
}

bool TBaseMainForm::VerificaStatoSessione(bool mostraMessaggi)
{
    // A fresh transaction sees a closing made meanwhile on another workstation.
    QueryAux.close();
    TransazioneAux.restart();
    QueryAux.setSql(istruzioneLeggiSessione(CodiceSessione));
    QueryAux.open();
    if (QueryAux.isEmpty()) {
        if (mostraMessaggi)
            messages().warning(QStringLiteral("Attenzione: non risulta aperta nessuna sessione di lavoro"),
                               this);
        return false;
    }
    QueryAux.first();
    if (!QueryAux.asString(QStringLiteral("DATACHIUSURA")).isEmpty()) {
        if (mostraMessaggi)
            messages().warning(QStringLiteral("Attenzione: la sessione corrente risulta chiusa. Si prega "
                                              "di uscire e rientrare"),
                               this);
        return false;
    }
    return true;
}

void TBaseMainForm::ChiudiSessione()
{
    if (!VerificaStatoSessione(false))
        return;
    const QDateTime adesso = QDateTime::currentDateTime();
    QString dettaglio;
    if (!eseguiOSalva(QueryAux, TransazioneAux,
                      istruzioneChiudiSessione(CodiceSessione, adesso.date(), adesso.time()),
                      QStringLiteral("Ombrix.ChiudiSessione.sql"), dettaglio))
        messages().error(QStringLiteral("Errore interno: impossibile chiudere la sessione utente"),
                         dettaglio, this);
}

qint32 TBaseMainForm::AggiornaNorviLogFunz(const QString& funzione)
{
    qint32 idFinestra = 0;
    if (LogFinestre)
        idFinestra = primoIntero(QueryAux, istruzioneNuovoIdFinestra());
    const QDateTime adesso = QDateTime::currentDateTime();
    QString dettaglio;
    if (!eseguiOSalva(QueryAux, TransazioneAux,
                      istruzioneLogFunzione(CodiceSessione, adesso.date(), adesso.time(), funzione,
                                            LogFinestre, idFinestra),
                      QStringLiteral("Ombrix.AggiornaNorviLogFunz.sql"), dettaglio))
        messages().warning(QStringLiteral("Errore interno di INSERT: impossibile aggiornare il log delle "
                                          "voci di menu chiamata. Sarà comunque possibile continuare ad "
                                          "usare il programma"),
                           dettaglio, this);
    // The call goes ahead with the id already drawn, logged or not.
    return idFinestra;
}

} // namespace velkora
