// The menu search of the main window: the field at the top of the navigation bar, Ctrl+F, and
// the index of the project's menu entries it searches.

#include "data/TabX.h"
#include "db/DbError.h"
#include "menu/CatalogoProgetto.h"
#include "menu/CostruttoreMenu.h"
#include "menu/GruppoPreferiti.h"
#include "menu/IndiceMenu.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "platform/MessageService.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLineEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace velkora {

void TBaseMainForm::creaRicercaMenu()
{
    // Above the groups: the search field and the group of the favourites.
    auto* testata = new QWidget(MenuProgrammi);
    auto* layout = new QVBoxLayout(testata);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    RicercaVoci = new RicercaMenu(testata);
    RicercaVoci->impostaImmagini(&Icone2Programmi);
    layout->addWidget(RicercaVoci);
    PreferitiVoci = new GruppoPreferiti(testata);
    layout->addWidget(PreferitiVoci);
    MenuProgrammi->setHeader(testata);
    creaPreferiti();
    connect(RicercaVoci, &RicercaMenu::attivata, this, &TBaseMainForm::aggiornaIndiceRicerca);
    connect(RicercaVoci, &RicercaMenu::voceScelta, this, &TBaseMainForm::EseguiVoceTrovata);
    // Anywhere in the main window; the field exists only in the working state, with the bar.
    auto* cerca = new QShortcut(QKeySequence::Find, this);
    cerca->setContext(Qt::WindowShortcut);
    connect(cerca, &QShortcut::activated, this, &TBaseMainForm::CercaNelMenu);
}

void TBaseMainForm::CercaNelMenu()
{
    if (!MenuProgrammi->isVisible())
        return;
    RicercaVoci->attiva();
}

void TBaseMainForm::indiceRicercaScaduto()
{
    m_indiceRicercaScaduto = true;
    // A search under way (F12 pressed in the field, say) shows the new captions at once; any
    // other is brought up to date when the field is next used.
    if (RicercaVoci->campo()->hasFocus())
        aggiornaIndiceRicerca();
}

void TBaseMainForm::aggiornaIndiceRicerca()
{
    if (!m_indiceRicercaScaduto || !MenuProgrammi->isVisible())
        return;
    // The programs as the bar shows them, with their small pictures.
    std::vector<ProgrammaRicerca> programmi;
    for (int i = 0; i < MenuProgrammi->groupCount(); ++i) {
        const NavigationBar::Group* g = MenuProgrammi->group(i);
        programmi.push_back({g->tag(), g->caption(), g->smallImageIndex()});
    }
    TTabXForm* form = tabX();
    try {
        const std::vector<RigaCatalogo> righe = leggiCatalogoProgetto(QueryAux, NumProgetto);
        IndiceMenu indice =
            IndiceMenu::costruisci(programmi, righe, [form](const QString& descrizione) {
                return didascaliaConParametro(descrizione, *form);
            });
        // Up to date before the field searches it again (which asks for an up-to-date index).
        m_indiceRicercaScaduto = false;
        RicercaVoci->impostaIndice(std::move(indice));
        mostraPreferiti();
    } catch (const db::DbError& e) {
        // The search keeps the entries it had; the next use tries again.
        messages().error(QStringLiteral("Impossibile leggere le voci di menu per la ricerca."),
                         e.message(), this);
    }
}

} // namespace velkora
