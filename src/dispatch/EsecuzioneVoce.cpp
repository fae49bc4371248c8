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
};

EsecuzioneVoce::EsecuzioneVoce(const Contesto& contesto) : m_contesto(contesto) {}

void EsecuzioneVoce::errore(const QString& testo)
{
    m_contesto.messages.error(testo, m_contesto.finestra);
}

bool EsecuzioneVoce::profiloEsiste()
{
    db::Query& query = m_contesto.query;
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT LIVELLOPREDEFINITO FROM PROFILI WHERE"));
    query.add(QStringLiteral("CODICE=") + db::quotedInt(m_contesto.numProfilo));
    query.open();
    return !query.isEmpty();
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
    if (m_contesto.inUnPasso) {
        if (const auto esito = inUnPasso(programma, menu, modo))
            return *esito;
    }
    return passoPerPasso(programma, menu, modo);
}

std::optional<TipoChiamata> EsecuzioneVoce::passoPerPasso(qint32 programma, qint32 menu,
                                                          qint32 modo)
{
    TTabXForm& form = m_contesto.form;
    if (!m_contesto.mantieniStdMin && !profiloEsiste()) {
        mancaProfilo();
        return std::nullopt;
    }

    db::Query& query = m_contesto.query;
    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB"));
    query.add(QStringLiteral("FROM DETTMENU WHERE"));
    query.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    query.add(QStringLiteral("(MENU=") + db::quotedInt(menu) + QStringLiteral(")"));
    query.open();
    if (query.isEmpty()) {
        mancaVoce(programma, menu);
        return std::nullopt;
    }
    query.first();
    const Voce voce{query.asString(QStringLiteral("DLL")),
                    query.asString(QStringLiteral("FUNZIONE")),
                    query.asString(QStringLiteral("PARAMETRIBLOB"))};
    query.close();
    if (!voceCompleta(programma, menu, voce))
        return std::nullopt;

    if (!m_contesto.sessioni.verifica(true))
        return std::nullopt;
    const qint32 idFinestra =
        m_contesto.sessioni.registraChiamata(voce.funzione, VoceChiamata{programma, menu});
    // The call-log row stays when the company cannot be written: the call was asked for.
    if (!aggiornaDittaUtente(query, m_contesto.messages, form.NumUser, form.DittaCorrente))
        return std::nullopt;
    return chiama(voce, idFinestra, modo);
}

std::optional<EsecuzioneVoce::Letto> EsecuzioneVoce::leggiInUnPasso(qint32 programma, qint32 menu)
{
    db::Query& query = m_contesto.query;
    db::Transaction* transazione = query.transaction();
    if (!transazione)
        return std::nullopt;
    // Prepared anew at every click, as the statements one by one are: a statement kept
    // prepared would not see a change of the tables made meanwhile (a new trigger, a dropped
    // column).
    db::Query lettura(query.database(), transazione);

    // Every value is a bound parameter. One row always comes back, from RDB$DATABASE; the item's
    // columns are NULL when it does not exist (DETTMENU.MENU is never NULL in a row that does).
    // The profile is not read when the user may skip its check.
    lettura.close();
    lettura.clear();
    lettura.add(QStringLiteral("SELECT"));
    if (!m_contesto.mantieniStdMin)
        lettura.add(
            QStringLiteral("(SELECT COUNT(*) FROM PROFILI WHERE CODICE=:PROFILO) AS PROFILI,"));
    lettura.add(QStringLiteral(
        "(SELECT COUNT(*) FROM NORVILOG WHERE CODICESESSIONE=:SESSIONE) AS SESSIONI,"));
    lettura.add(QStringLiteral("(SELECT FIRST 1 DATACHIUSURA FROM NORVILOG"
                               " WHERE CODICESESSIONE=:SESSIONE) AS DATACHIUSURA,"));
    lettura.add(QStringLiteral("(SELECT COUNT(*) FROM UTENTI WHERE CODICE=:UTENTE) AS UTENTI,"));
    lettura.add(
        QStringLiteral("(SELECT FIRST 1 DITTA FROM UTENTI WHERE CODICE=:UTENTE) AS DITTA,"));
    lettura.add(QStringLiteral("D.MENU, D.DLL, D.FUNZIONE, D.LIVELLO2VERSIONE,"));
    for (const QString& riga : colonneParametri(QStringLiteral("D")))
        lettura.add(riga);
    lettura.add(QStringLiteral("FROM RDB$DATABASE LEFT JOIN DETTMENU D"));
    lettura.add(QStringLiteral("ON D.PROGRAMMA=:PROGRAMMA AND D.MENU=:MENU"));
    if (!m_contesto.mantieniStdMin)
        lettura.setParam(QStringLiteral("PROFILO"), m_contesto.numProfilo);
    lettura.setParam(QStringLiteral("SESSIONE"), m_contesto.sessioni.codiceSessione());
    lettura.setParam(QStringLiteral("UTENTE"), m_contesto.form.NumUser);
    lettura.setParam(QStringLiteral("PROGRAMMA"), programma);
    lettura.setParam(QStringLiteral("MENU"), menu);
    try {
        // One restart for the whole click: the session row (and with it the item and the
        // user's company) is read as committed up to now, so a closing made elsewhere is seen.
        query.close();
        transazione->restart();
        lettura.open();
    } catch (const db::DbError& errore) {
        // With the connection lost the step-by-step statements would only fail again, after
        // another wait: the caller reports the lost server once.
        if (errore.isConnectionLost())
            throw;
        return std::nullopt;
    }
    lettura.first();
    Letto letto;
    letto.profilo = m_contesto.mantieniStdMin || lettura.asInteger(QStringLiteral("PROFILI")) > 0;
    letto.voceTrovata = !lettura.isNull(QStringLiteral("MENU"));
    letto.voce.libreria = lettura.asString(QStringLiteral("DLL"));
    letto.voce.funzione = lettura.asString(QStringLiteral("FUNZIONE"));
    letto.voce.parametri = testoParametri(lettura);
    letto.sessioneTrovata = lettura.asInteger(QStringLiteral("SESSIONI")) > 0;
    letto.sessioneChiusa = !lettura.asString(QStringLiteral("DATACHIUSURA")).isEmpty();
    letto.utenteTrovato = lettura.asInteger(QStringLiteral("UTENTI")) > 0;
    letto.ditta = lettura.asString(QStringLiteral("DITTA"));
    return letto;
}

std::optional<std::optional<TipoChiamata>> EsecuzioneVoce::inUnPasso(qint32 programma, qint32 menu,
                                                                     qint32 modo)
{
    const std::optional<Letto> letto = leggiInUnPasso(programma, menu);
    if (!letto)
        return std::nullopt;
    const std::optional<TipoChiamata> fermo;
    if (!letto->profilo) {
        mancaProfilo();
        return fermo;
    }
    if (!letto->voceTrovata) {
        mancaVoce(programma, menu);
        return fermo;
    }
    if (!voceCompleta(programma, menu, letto->voce))
        return fermo;
    if (!m_contesto.sessioni.esitoVerifica(letto->sessioneTrovata, letto->sessioneChiusa, true))
        return fermo;

    TTabXForm& form = m_contesto.form;
    const qint32 idFinestra = m_contesto.sessioni.registraChiamataInUnPasso(
        letto->voce.funzione, VoceChiamata{programma, menu});
    // The company is written only when the stored one differs; the writing itself is the
    // step-by-step one, with its own read, message and commit.
    if (letto->utenteTrovato && letto->ditta != form.DittaCorrente &&
        !aggiornaDittaUtente(m_contesto.query, m_contesto.messages, form.NumUser,
                             form.DittaCorrente))
        return fermo;
    return chiama(letto->voce, idFinestra, modo);
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
