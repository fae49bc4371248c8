#include "shell/KivIn2Prompt.h"

#include "platform/MessageService.h"
#include "shell/KivIn2.h"

#include <QFont>

namespace velkora {

std::optional<ServerPrompt::Risposta> KivIn2Prompt::chiedi(const QString& titolo,
                                                           const QString& testo, QWidget* owner,
                                                           platform::MessageService& messages)
{
    TKivIn2Form dialog(owner);
    dialog.setWindowTitle(titolo);
    dialog.Label1->setText(testo);
    dialog.setFont(QFont(QStringLiteral("Arial"), 8, QFont::Normal));
    dialog.Label1->adjustSize();
    dialog.Label1->move(dialog.Label1->x(), dialog.Label1->y() - 10);
    dialog.Edit1->clear();
    messages.execDialog(dialog);
    if (dialog.Esito != 1)
        return std::nullopt;
    return Risposta{dialog.Edit1->text(), dialog.Edit2->text()};
}

} // namespace velkora
