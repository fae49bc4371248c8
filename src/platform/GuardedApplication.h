#pragma once

#include <QApplication>

#include <functional>

namespace velkora::platform {

class MessageService;

// The application object of the start program: an exception that escapes an event handler is
// shown in an error box and the program goes on, instead of ending it.
class GuardedApplication : public QApplication
{
    Q_OBJECT

public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs deliver and returns its result. When it throws, the event counts as not handled
    // (false): a SilentAbort silently, any other exception after an error box with its text
    // (what(), read as UTF-8; "Errore imprevisto" for an exception of unknown type).
    static bool guard(const std::function<bool()>& deliver, MessageService& messages);
};

} // namespace velkora::platform
