#include "dispatch/EsecuzioneVoce.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "dispatch/ChiamateModulo.h"
#include "menu/LettoreCatalogo.h"
#include "params/Ditte.h"
#include "platform/MessageService.h"
#include "sessions/SessionLog.h"
#include "sessions/SessioniLavoro.h"

namespace velkora {

TipoChiamata tipoChiamata(const QString& funzione, qint32 modo)
{
    // Letter case counts: only the upper-case letters mark the kinds with a window id.
    const QChar ultima = funzione.isEmpty() ? QChar() : funzione.back();
    if (ultima == QLatin1Char('Y'))
        return TipoChiamata::DLL3Y;
    if (ultima == QLatin1Char('X'))
        return modo == 1 ? TipoChiamata::DLLX : TipoChiamata::DLL2X;
    return modo == 1 ? TipoChiamata::DLL : TipoChiamata::DLL2;
}

struct EsecuzioneVoce::Letto
{
    bool profilo = false;
    bool voceTrovata = false;
    Voce voce;
    bool sessioneTrovata = false;
    bool sessioneChiusa = false;
    bool utenteTrovato = false;
    QString ditta;
    // Drawn only when the call will be made and the log has window ids; 0 otherwise.
    qint32 idFinestra = 0;
};

EsecuzioneVoce::EsecuzioneVoce(const Contesto& contesto) : m_contesto(contesto) {}

void EsecuzioneVoce::errore(const QString& testo)
{
    m_contesto.messages.error(testo, m_contesto.finestra);
}

void EsecuzioneVoce::mancaProfilo()
{
    errore(QStringLiteral("Errore di configurazione dell'utente ") + m_contesto.form.NomeUser +
           QStringLiteral(": il profilo sicurezza assegnato non esiste"));
}

namespace {

QString aperturaVoce(qint32 programma)
{
    return QStringLiteral("Impossibile caricare la finestra relativa alla voce di menu "
                          "selezionata. Controllare le impostazioni di menu del programma ") +
           QString::number(programma);
}

} // namespace

void EsecuzioneVoce::mancaVoce(qint32 programma, qint32 menu)
{
    errore(aperturaVoce(programma) + QStringLiteral(": manca il menu ") + QString::number(menu));
}

bool EsecuzioneVoce::voceCompleta(qint32 programma, qint32 menu, const Voce& voce)
{
    if (voce.libreria.isEmpty()) {
        errore(aperturaVoce(programma) + QStringLiteral(": manca la DLL ") +
               QStringLiteral("di riferimento per caricare la finestra nel menu ") +
               QString::number(menu));
        return false;
    }
    if (voce.funzione.isEmpty()) {
        errore(aperturaVoce(programma) + QStringLiteral(": manca la ") +
               QStringLiteral("funzione di riferimento per caricare la finestra nel menu ") +
               QString::number(menu));
        return false;
    }
    return true;
}

std::optional<TipoChiamata> EsecuzioneVoce::EseguiFunzioneVoce(qint32 programma, qint32 menu,
                                                               qint32 modo)
{
    const Letto letto = leggi(programma, menu);
    const std::optional<TipoChiamata> fermo;
    if (!letto.profilo) {
        mancaProfilo();
        return fermo;
    }
    if (!letto.voceTrovata) {
        mancaVoce(programma, menu);
        return fermo;
    }
    if (!voceCompleta(programma, menu, letto.voce))
        return fermo;
    if (!m_contesto.sessioni.esitoVerifica(letto.sessioneTrovata, letto.sessioneChiusa, true))
        return fermo;

    // The call-log row stays when the company cannot be written: the call was asked for.
    m_contesto.sessioni.scriviChiamata(letto.voce.funzione, letto.idFinestra,
                                       VoceChiamata{programma, menu});
    // The company is written only when the stored one differs; the writing itself restarts the
    // transaction, reads the row again and commits, with its own message.
    TTabXForm& form = m_contesto.form;
    if (letto.utenteTrovato && letto.ditta != form.DittaCorrente &&
        !aggiornaDittaUtente(m_contesto.query, m_contesto.messages, form.NumUser,
                             form.DittaCorrente))
        return fermo;
    return chiama(letto.voce, letto.idFinestra, modo);
}

EsecuzioneVoce::Letto EsecuzioneVoce::leggi(qint32 programma, qint32 menu)
{
    db::Query& query = m_contesto.query;
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        throw db::DbLogicError(QStringLiteral("dispatch on a query without a transaction"));
    std::optional<db::Query> propria;
    db::Query& lettura = m_contesto.lettura ? *m_contesto.lettura : propria.emplace();
    lettura.setDatabase(query.database());
    lettura.setTransaction(transazione);

    // Every value is a bound parameter. One row always comes back, from RDB$DATABASE; the item's
    // columns are NULL when it does not exist (DETTMENU.MENU is never NULL in a row that does).
    // The profile is not read when the user may skip its check. An empty library or function
    // is one of no characters (CHAR_LENGTH counts trailing blanks, as the text read does).
    const bool conProfilo = !m_contesto.mantieniStdMin;
    const bool conId = m_contesto.sessioni.logFinestre();
    QStringList sql{QStringLiteral("SELECT")};
    if (conProfilo)
        sql << QStringLiteral("(SELECT COUNT(*) FROM PROFILI WHERE CODICE=:PROFILO) AS PROFILI,");
    sql << QStringLiteral("(SELECT COUNT(*) FROM NORVILOG WHERE CODICESESSIONE=:SESSIONE) AS SESSIONI,")
        << QStringLiteral("(SELECT FIRST 1 DATACHIUSURA FROM NORVILOG"
                          " WHERE CODICESESSIONE=:SESSIONE) AS DATACHIUSURA,")
        << QStringLiteral("(SELECT COUNT(*) FROM UTENTI WHERE CODICE=:UTENTE) AS UTENTI,")
        << QStringLiteral("(SELECT FIRST 1 DITTA FROM UTENTI WHERE CODICE=:UTENTE) AS DITTA,");
    if (conId) {
        // The window id is drawn only for a call that will be made, as the log would draw it.
        sql << QStringLiteral("CASE WHEN");
        if (conProfilo)
            sql << QStringLiteral("EXISTS(SELECT 1 FROM PROFILI WHERE CODICE=:PROFILO) AND");
        sql << QStringLiteral("D.MENU IS NOT NULL AND CHAR_LENGTH(D.DLL)>0 AND CHAR_LENGTH(D.FUNZIONE)>0 AND")
            << QStringLiteral("EXISTS(SELECT 1 FROM NORVILOG WHERE CODICESESSIONE=:SESSIONE) AND")
            << QStringLiteral("(SELECT FIRST 1 DATACHIUSURA FROM NORVILOG"
                              " WHERE CODICESESSIONE=:SESSIONE) IS NULL")
            << QStringLiteral("THEN ") + estrazioneIdFinestra() + QStringLiteral(" ELSE 0 END AS IDFINESTRA,");
    }
    sql << QStringLiteral("D.MENU, D.DLL, D.FUNZIONE, D.LIVELLO2VERSIONE,");
    sql << colonneParametri(QStringLiteral("D"));
    sql << QStringLiteral("FROM RDB$DATABASE LEFT JOIN DETTMENU D")
        << QStringLiteral("ON D.PROGRAMMA=:PROGRAMMA AND D.MENU=:MENU");
    if (lettura.sql() != sql)
        lettura.setSql(sql);
    if (conProfilo)
        lettura.setParam(QStringLiteral("PROFILO"), m_contesto.numProfilo);
    lettura.setParam(QStringLiteral("SESSIONE"), m_contesto.sessioni.codiceSessione());
    lettura.setParam(QStringLiteral("UTENTE"), m_contesto.form.NumUser);
    lettura.setParam(QStringLiteral("PROGRAMMA"), programma);
    lettura.setParam(QStringLiteral("MENU"), menu);
    // One restart for the whole click: the session row (and with it the item and the user's
    // company) is read as committed up to now, so a closing made elsewhere is seen.
    query.close();
    transazione->restart();
    lettura.open();
    lettura.first();
    Letto letto;
    letto.profilo = !conProfilo || lettura.asInteger(QStringLiteral("PROFILI")) > 0;
    letto.voceTrovata = !lettura.isNull(QStringLiteral("MENU"));
    letto.voce.libreria = lettura.asString(QStringLiteral("DLL"));
    letto.voce.funzione = lettura.asString(QStringLiteral("FUNZIONE"));
    letto.voce.parametri = testoParametri(lettura);
    letto.sessioneTrovata = lettura.asInteger(QStringLiteral("SESSIONI")) > 0;
    letto.sessioneChiusa = !lettura.asString(QStringLiteral("DATACHIUSURA")).isEmpty();
    letto.utenteTrovato = lettura.asInteger(QStringLiteral("UTENTI")) > 0;
    letto.ditta = lettura.asString(QStringLiteral("DITTA"));
    if (conId)
        letto.idFinestra = static_cast<qint32>(lettura.asInteger(QStringLiteral("IDFINESTRA")));
    lettura.close();
    return letto;
}

TipoChiamata EsecuzioneVoce::chiama(const Voce& voce, qint32 idFinestra, qint32 modo)
{
    const ChiamateModulo& chiamate = m_contesto.chiamate;
    const TipoChiamata tipo = tipoChiamata(voce.funzione, modo);
    switch (tipo) {
    case TipoChiamata::DLL3Y:
        chiamate.CaricaFunzioneDLL3Y(voce.libreria, voce.funzione, voce.parametri, idFinestra);
        break;
    case TipoChiamata::DLLX:
        chiamate.CaricaFunzioneDLLX(voce.libreria, voce.funzione, idFinestra);
        break;
    case TipoChiamata::DLL2X:
        chiamate.CaricaFunzioneDLL2X(voce.libreria, voce.funzione, voce.parametri, idFinestra);
        break;
    case TipoChiamata::DLL:
        chiamate.CaricaFunzioneDLL(voce.libreria, voce.funzione);
        break;
    case TipoChiamata::DLL2:
        chiamate.CaricaFunzioneDLL2(voce.libreria, voce.funzione, voce.parametri);
        break;
    }
    return tipo;
}

} // namespace velkora
