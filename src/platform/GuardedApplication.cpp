#include "platform/GuardedApplication.h"

#include "platform/Environment.h"
#include "platform/MessageService.h"
#include "platform/QtMessageService.h"
#include "platform/SilentAbort.h"

#include <exception>

namespace velkora::platform {

namespace {

void report(MessageService& messages, const QString& text)
{
    // The box runs its own event loop; an exception from inside it must not escape notify()
    // a second time, which would end the program.
    try {
        messages.error(text);
    } catch (const std::exception& e) {
        qCritical("could not show the error box (%s): %s", e.what(), qPrintable(text));
    } catch (...) {
        qCritical("could not show the error box: %s", qPrintable(text));
    }
}

} // namespace

GuardedApplication::GuardedApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    // Without a message service the user still has to learn what went wrong.
    static QtMessageService fallback;
    MessageService* messages = Environment::process().messages;
    return guard([&] { return QApplication::notify(receiver, event); },
                 messages ? *messages : fallback);
}

bool GuardedApplication::guard(const std::function<bool()>& deliver, MessageService& messages)
{
    try {
        return deliver();
    } catch (const SilentAbort&) {
        return false;
    } catch (const std::exception& e) {
        report(messages, QString::fromUtf8(e.what()));
        return false;
    } catch (...) {
        report(messages, QStringLiteral("Errore imprevisto"));
        return false;
    }
}

} // namespace velkora::platform
