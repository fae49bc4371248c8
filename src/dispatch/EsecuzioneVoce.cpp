#include "dispatch/EsecuzioneVoce.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "dispatch/ChiamateModulo.h"
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

std::optional<TipoChiamata> EsecuzioneVoce::EseguiFunzioneVoce(qint32 programma, qint32 menu,
                                                               qint32 modo)
{
    TTabXForm& form = m_contesto.form;
    if (!m_contesto.mantieniStdMin && !profiloEsiste()) {
        errore(QStringLiteral("Errore di configurazione dell'utente ") + form.NomeUser +
               QStringLiteral(": il profilo sicurezza assegnato non esiste"));
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
    const QString apertura =
        QStringLiteral("Impossibile caricare la finestra relativa alla voce di menu "
                       "selezionata. Controllare le impostazioni di menu del programma ") +
        QString::number(programma);
    if (query.isEmpty()) {
        errore(apertura + QStringLiteral(": manca il menu ") + QString::number(menu));
        return std::nullopt;
    }
    query.first();
    const QString libreria = query.asString(QStringLiteral("DLL"));
    const QString funzione = query.asString(QStringLiteral("FUNZIONE"));
    const QString parametri = query.asString(QStringLiteral("PARAMETRIBLOB"));
    query.close();
    if (libreria.isEmpty()) {
        errore(apertura + QStringLiteral(": manca la DLL ") +
               QStringLiteral("di riferimento per caricare la finestra nel menu ") +
               QString::number(menu));
        return std::nullopt;
    }
    if (funzione.isEmpty()) {
        errore(apertura + QStringLiteral(": manca la ") +
               QStringLiteral("funzione di riferimento per caricare la finestra nel menu ") +
               QString::number(menu));
        return std::nullopt;
    }

    if (!m_contesto.sessioni.verifica(true))
        return std::nullopt;
    const qint32 idFinestra = m_contesto.sessioni.registraChiamata(funzione);
    // The call-log row stays when the company cannot be written: the call was asked for.
    if (!aggiornaDittaUtente(query, m_contesto.messages, form.NumUser, form.DittaCorrente))
        return std::nullopt;

    const ChiamateModulo& chiamate = m_contesto.chiamate;
    const TipoChiamata tipo = tipoChiamata(funzione, modo);
    switch (tipo) {
    case TipoChiamata::DLL3Y:
        chiamate.CaricaFunzioneDLL3Y(libreria, funzione, parametri, idFinestra);
        break;
    case TipoChiamata::DLLX:
        chiamate.CaricaFunzioneDLLX(libreria, funzione, idFinestra);
        break;
    case TipoChiamata::DLL2X:
        chiamate.CaricaFunzioneDLL2X(libreria, funzione, parametri, idFinestra);
        break;
    case TipoChiamata::DLL:
        chiamate.CaricaFunzioneDLL(libreria, funzione);
        break;
    case TipoChiamata::DLL2:
        chiamate.CaricaFunzioneDLL2(libreria, funzione, parametri);
        break;
    }
    return tipo;
}

} // namespace velkora
