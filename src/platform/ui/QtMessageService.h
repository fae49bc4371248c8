#pragma once

#include "platform/MessageService.h"

namespace velkora::platform {

// The message boxes and modal dialogs the user sees: QMessageBox with the application's display
// name as the window title, a detail text behind the box's own "Mostra dettagli..." button, and
// QDialog::exec.
class QtMessageService : public MessageService
{
public:
    int execDialog(QDialog& dialog) override;

protected:
    bool present(BoxKind kind, const QString& text, const QString& detail, QWidget* parent) override;
};

} // namespace velkora::platform
