// Menu items and quick items of the main window: their click handlers and the dispatch of the
// item to its module function.

#include "data/TabX.h"
#include "dispatch/ChiamateModulo.h"
#include "dispatch/EsecuzioneVoce.h"
#include "menu/NavigationBar.h"
#include "params/Ditte.h"
#include "sessions/SessioniLavoro.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QAction>

namespace velkora {

void TBaseMainForm::EseguiFunzioneVoce(qint32 programma, qint32 menu, qint32 modo)
{
    SessioniLavoro sessioniCorrenti = sessioni();
    const ChiamateModulo chiamate(*tabX());
    EsecuzioneVoce({QueryAux, *tabX(), messages(), this, NumProfilo, MantieniStdMin,
                    sessioniCorrenti, chiamate, &m_letturaVoce})
        .EseguiFunzioneVoce(programma, menu, modo);
}

bool TBaseMainForm::AggiornaDittaUtente(qint32 utente, const QString& ditta)
{
    return aggiornaDittaUtente(QueryAux, messages(), utente, ditta);
}

void TBaseMainForm::voceMenuAttivata(QAction* voce)
{
    // The menu builder names the handler of every leaf; entries with submenus and the items of
    // "Sistema" have none and are served elsewhere.
    const QString gestore = voce->property("gestore").toString();
    if (gestore == QLatin1String("EventoVoceOnClick"))
        EventoVoceOnClick(voce);
    else if (gestore == QLatin1String("EventoVoce2OnClick"))
        EventoVoce2OnClick(voce);
}

void TBaseMainForm::EventoVoceOnClick(QAction* voce)
{
    EseguiFunzioneVoce(programmaCorrente(), voce->property("tag").toInt(), 1);
}

void TBaseMainForm::EventoVoce2OnClick(QAction* voce)
{
    eseguiModo2(programmaCorrente(), voce->property("tag").toInt());
}

void TBaseMainForm::eseguiModo2(qint32 programma, qint32 menu)
{
    // The function may have changed the user's parameters: the data form's transaction starts
    // again to read them, and the menus are rebuilt so captions show the new values. That
    // happens however the dispatch ended, also when it stopped with a message or failed.
    const auto ricostruisci = [this] {
        tabX()->TransazioneUser.restart();
        if (NavigationBar::Group* attivo = MenuProgrammi->activeGroup())
            CaricaMenu(attivo->tag());
    };
    try {
        EseguiFunzioneVoce(programma, menu, 2);
    } catch (...) {
        ricostruisci();
        throw;
    }
    ricostruisci();
}

void TBaseMainForm::EseguiVoceTrovata(qint32 programma, qint32 menu, qint32 modo)
{
    if (modo == 2)
        eseguiModo2(programma, menu);
    else
        EseguiFunzioneVoce(programma, menu, 1);
}

void TBaseMainForm::VoceRapidaClick()
{
    // The program is the one of the group that holds the link, which need not be the program
    // whose menus are shown.
    if (NavigationBar::Link* link = MenuProgrammi->clickedLink())
        EseguiFunzioneVoce(link->group()->tag(), link->tag(), 1);
}

} // namespace velkora
