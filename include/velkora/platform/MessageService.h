#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace velkora::platform {

enum class BoxKind
{
    Error,        // error sign, OK
    Warning,      // warning sign, OK
    Information,  // information sign, OK
    Confirmation, // question, Yes and No
    Plain         // no sign, OK
};

// Every modal message box and modal dialog of the program goes through this interface, so that
// tests record each box (kind and exact text) and script the answers instead of blocking.
class MessageService
{
public:
    virtual ~MessageService() = default;

    // Shows a box; for a confirmation returns true on Yes, for the others always true.
    virtual bool showBox(BoxKind kind, const QString& text, QWidget* parent = nullptr) = 0;
    // Shows a dialog modally and returns its result code (QDialog::Accepted, Rejected or what
    // the dialog set with done()).
    virtual int execDialog(QDialog& dialog) = 0;

    void error(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Error, text, parent); }
    void warning(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Warning, text, parent); }
    void information(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Information, text, parent); }
    bool confirm(const QString& text, QWidget* parent = nullptr) { return showBox(BoxKind::Confirmation, text, parent); }
    void plain(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Plain, text, parent); }
};

} // namespace velkora::platform
