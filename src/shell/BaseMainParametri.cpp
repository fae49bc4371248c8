// The parameter-set commands of the main window: the editor of the menu "Sistema" and the disk
// choice of the login panel.

#include "dialoghi/ComandoSceltaDisco.h"
#include "dialoghi/MemoVelkora.h"
#include "platform/MessageService.h"
#include "shell/BaseMain.h"

#include <QComboBox>
#include <QLineEdit>

namespace velkora {

void TBaseMainForm::ButtonSceltaDiscoClick()
{
    if (eseguiSceltaDisco(*tabX(), QueryAux, QueryAux2, this, ComboUtenti->currentText(),
                          EditPassword->text()) == EsitoSceltaDisco::PasswordRifiutata)
        EditPassword->clear();
}

void TBaseMainForm::Accessoavelkora1Click()
{
    TMemoVelkoraForm editor(this, PTabXForm.get());
    messages().execDialog(editor);
}

} // namespace velkora
