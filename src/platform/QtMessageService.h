#pragma once

#include "platform/MessageService.h"

namespace velkora::platform {

// The message boxes and modal dialogs the user sees: QMessageBox with the application's display
// name as the window title, and QDialog::exec.
class QtMessageService : public MessageService
{
public:
    bool showBox(BoxKind kind, const QString& text, QWidget* parent = nullptr) override;
    int execDialog(QDialog& dialog) override;
};

} // namespace velkora::platform
