// Work sessions and the call log of the main window, on QueryAux in TransazioneAux.

#include "data/TabX.h"
#include "sessions/SessioniLavoro.h"
#include "shell/BaseMain.h"

namespace velkora {

SessioniLavoro TBaseMainForm::sessioni()
{
    return SessioniLavoro({QueryAux, messages(), this, CodiceSessione, LogFinestre, &m_registroChiamate,
                           m_logVoci});
}

void TBaseMainForm::ApriSessione()
{
    CodiceSessione = sessioni().apri(tabX()->NumUser);
}

bool TBaseMainForm::VerificaStatoSessione(bool mostraMessaggi)
{
    return sessioni().verifica(mostraMessaggi);
}

void TBaseMainForm::ChiudiSessione()
{
    sessioni().chiudi();
}

qint32 TBaseMainForm::AggiornaNorviLogFunz(const QString& funzione)
{
    return sessioni().registraChiamata(funzione);
}

} // namespace velkora
