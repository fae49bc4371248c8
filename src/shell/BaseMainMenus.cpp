// The menu bar of the current program, built from DETTMENU.

#include "data/TabX.h"
#include "menu/CostruttoreMenu.h"
#include "shell/BaseMain.h"

#include <QMenuBar>

namespace velkora {

CostruttoreMenu TBaseMainForm::costruttoreMenu()
{
    return CostruttoreMenu(
        {MenuPrincipale, QueryAux, *tabX(), VociMenu, ContaVoci, leggiMenuRigaPerRiga});
}

qint32 TBaseMainForm::programmaCorrente() const
{
    return CostruttoreMenu::programmaDi(MenuPrincipale);
}

void TBaseMainForm::CaricaMenu(qint32 programma)
{
    costruttoreMenu().CaricaMenu(programma);
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
