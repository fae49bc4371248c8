#pragma once

#include <velkora/platform/FailureText.h>

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
// tests record each box (kind, exact text and detail) and script the answers instead of blocking.
class MessageService
{
public:
    virtual ~MessageService() = default;

    // Shows a box; for a confirmation returns true on Yes, for the others always true.
    bool showBox(BoxKind kind, const QString& text, QWidget* parent = nullptr)
    {
        return showBox(kind, text, QString(), parent);
    }
    // The same with a detail text: shown on request under the message (the engine's own words
    // of a failure, for support) and written to the program's warning output.
    bool showBox(BoxKind kind, const QString& text, const QString& detail, QWidget* parent = nullptr);
    // Shows a dialog modally and returns its result code (QDialog::Accepted, Rejected or what
    // the dialog set with done()).
    virtual int execDialog(QDialog& dialog) = 0;

    void error(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Error, text, parent); }
    void error(const QString& text, const QString& detail, QWidget* parent = nullptr)
    {
        showBox(BoxKind::Error, text, detail, parent);
    }
    void error(const FailureText& failure, QWidget* parent = nullptr)
    {
        showBox(BoxKind::Error, failure.message, failure.detail, parent);
    }
    void warning(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Warning, text, parent); }
    void warning(const QString& text, const QString& detail, QWidget* parent = nullptr)
    {
        showBox(BoxKind::Warning, text, detail, parent);
    }
    void information(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Information, text, parent); }
    bool confirm(const QString& text, QWidget* parent = nullptr) { return showBox(BoxKind::Confirmation, text, parent); }
    void plain(const QString& text, QWidget* parent = nullptr) { showBox(BoxKind::Plain, text, parent); }

    // While the program ends from outside (a logout, a service manager), nobody is there to
    // answer: from then on no box or dialog is shown. A box is written to the warning output
    // instead, a question gets its default answer (Yes, as Enter would give it: work left in a
    // window is saved rather than thrown away) and a dialog counts as cancelled. Set once for the
    // whole process and never cleared.
    static void setUnattended();
    static bool unattended();

protected:
    // Shows the box itself; the detail is empty when there is none.
    virtual bool present(BoxKind kind, const QString& text, const QString& detail, QWidget* parent) = 0;
};

} // namespace velkora::platform
