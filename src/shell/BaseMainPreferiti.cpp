// The recent items of the menu search and the user's favourites: the window only hands the
// units their widgets, its query and the data form.

#include "data/TabX.h"
#include "db/DbError.h"
#include "menu/GruppoPreferiti.h"
#include "menu/IndiceMenu.h"
#include "menu/MenuPreferiti.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "menu/VociRecenti.h"
#include "params/Preferiti.h"
#include "platform/MessageService.h"
#include "sessions/UsatiDiRecente.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QDate>
#include <QtDebug>

#include <algorithm>

namespace velkora {

namespace {

// How far back the call log is read for the recent items.
constexpr int kGiorniRecenti = 90;

} // namespace

void TBaseMainForm::creaPreferiti()
{
    PreferitiVoci->impostaImmagini(&Icone2Programmi);
    connect(PreferitiVoci, &GruppoPreferiti::voceScelta, this, &TBaseMainForm::EseguiVoceTrovata);
    connect(PreferitiVoci, &GruppoPreferiti::rimozioneRichiesta, this,
            [this](qint32 programma, qint32 menu) { cambiaPreferito(programma, menu, false); });
    connect(RicercaVoci, &RicercaMenu::recentiRichiesti, this, &TBaseMainForm::aggiornaRecenti);
    connect(RicercaVoci, &RicercaMenu::preferitoRichiesto, this, &TBaseMainForm::cambiaPreferito);
    const auto ePreferitoOra = [this](qint32 programma, qint32 menu) {
        return ePreferito(programma, menu);
    };
    RicercaVoci->impostaPreferiti(ePreferitoOra);
    m_menuPreferiti = new MenuPreferiti(MenuPrincipale, MenuProgrammi, ePreferitoOra, this);
    connect(m_menuPreferiti, &MenuPreferiti::cambioRichiesto, this, &TBaseMainForm::cambiaPreferito);
    qApp->installEventFilter(m_menuPreferiti);
}

void TBaseMainForm::aggiornaRecenti()
{
    if (!SessioneAperta || !MenuProgrammi->isVisible())
        return;
    aggiornaIndiceRicerca();
    // A call log without the item's columns names no items: the list stays empty.
    if (!m_logVoci)
        return;
    try {
        const std::vector<UsoVoce> usi = leggiUsiVoci(
            QueryAux, tabX()->NumUser, QDate::currentDate().addDays(-kGiorniRecenti));
        RicercaVoci->impostaRecenti(vociRecenti(RicercaVoci->indice(), usi));
    } catch (const db::DbError& e) {
        // The search works without them; no box stands in the way of typing.
        qWarning().noquote() << "Impossibile leggere le voci usate di recente:" << e.message();
        RicercaVoci->impostaRecenti({});
    }
}

void TBaseMainForm::caricaPreferiti()
{
    if (!SessioneAperta || !MenuProgrammi->isVisible())
        return;
    try {
        m_preferiti = PreferitiUtente(*tabX()).leggi();
    } catch (const db::DbError& e) {
        messages().error(QStringLiteral("Impossibile leggere i preferiti dell'utente."), e.message(),
                         this);
        m_preferiti.clear();
    }
    // Their captions and paths come from the search index, which is read only when needed.
    if (!m_preferiti.empty())
        aggiornaIndiceRicerca();
    mostraPreferiti();
}

bool TBaseMainForm::ePreferito(qint32 programma, qint32 menu) const
{
    return std::any_of(m_preferiti.cbegin(), m_preferiti.cend(), [&](const Preferito& p) {
        return p.programma == programma && p.menu == menu;
    });
}

void TBaseMainForm::cambiaPreferito(qint32 programma, qint32 menu, bool aggiungi)
{
    if (!SessioneAperta)
        return;
    aggiornaIndiceRicerca();
    PreferitiUtente preferiti(*tabX());
    if (aggiungi) {
        const IndiceMenu& indice = RicercaVoci->indice();
        const int posizione = posizioneVoce(indice, programma, menu);
        preferiti.aggiungi(programma, menu,
                           posizione >= 0 ? indice.voce(posizione).didascalia : QString());
    } else {
        preferiti.rimuovi(programma, menu);
    }
    caricaPreferiti();
}

void TBaseMainForm::mostraPreferiti()
{
    std::vector<GruppoPreferiti::Voce> voci;
    const IndiceMenu& indice = RicercaVoci->indice();
    for (const Preferito& p : m_preferiti) {
        // An item no longer in the user's menus is not offered; it stays stored, and comes
        // back if the item does.
        const int posizione = posizioneVoce(indice, p.programma, p.menu);
        if (posizione < 0)
            continue;
        const IndiceMenu::Voce& v = indice.voce(posizione);
        voci.push_back({p.programma, p.menu, v.modo, v.didascalia, v.percorso, v.immagine});
    }
    PreferitiVoci->imposta(voci);
}

} // namespace velkora
