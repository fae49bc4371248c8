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
    // (false): a SilentAbort silently, any other exception after an error box. A database
    // failure (any DescribedFailure) says in Italian what failed and puts the engine's text in
    // the box's detail; a failure of the standard library itself shows "Si è verificato un
    // errore imprevisto." with its English text as detail; the program's own exceptions show
    // their text (what(), read as UTF-8); one of unknown type "Errore imprevisto".
    static bool guard(const std::function<bool()>& deliver, MessageService& messages);
};

} // namespace velkora::platform
