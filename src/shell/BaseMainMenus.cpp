// The navigation bar of the user's project and the menu bar of the current program.

#include "data/TabX.h"
#include "menu/BarraProgrammi.h"
#include "menu/CostruttoreMenu.h"
#include "menu/NavigationBar.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QMenuBar>

namespace velkora {

CostruttoreMenu TBaseMainForm::costruttoreMenu()
{
    return CostruttoreMenu({MenuPrincipale, QueryAux, *tabX(), VociMenu, ContaVoci,
                            leggiMenuRigaPerRiga, m_parametroAccesso});
}

void TBaseMainForm::CaricaProgrammi()
{
    BarraProgrammi({MenuProgrammi, IconeProgrammi, Icone2Programmi, GruppiProgrammi, VociRapide,
                    QueryAux, QueryAux2, tabX()->programFolder(), [this] { ProgrammaOnClick(); }})
        .CaricaProgrammi(NumProgetto);
    indiceRicercaScaduto();
}

void TBaseMainForm::ProgrammaOnClick()
{
    if (NavigationBar::Group* g = MenuProgrammi->clickedGroup())
        CaricaMenu(g->tag());
}

qint32 TBaseMainForm::programmaCorrente() const
{
    return CostruttoreMenu::programmaDi(MenuPrincipale);
}

void TBaseMainForm::CaricaMenu(qint32 programma)
{
    costruttoreMenu().CaricaMenu(programma);
    // Captions may show parameters of the company: the search reads the catalogue again.
    indiceRicercaScaduto();
}

bool TBaseMainForm::CercaFigli(qint32 programma, qint32 menu, qint32 livello)
{
    return costruttoreMenu().CercaFigli(programma, menu, livello);
}

void TBaseMainForm::CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre, QMenu* padre)
{
    costruttoreMenu().CreaVoci(programma, menuPadre, livelloPadre, padre);
}

} // namespace velkora
