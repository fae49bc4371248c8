#include "platform/ui/GuardedApplication.h"

#include "platform/Environment.h"
#include "platform/FailureText.h"
#include "platform/MessageService.h"
#include "platform/ui/QtMessageService.h"
#include "platform/SilentAbort.h"

#include <any>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <typeinfo>
#include <variant>

namespace velkora::platform {

namespace {

const QString kUnexpected = QStringLiteral("Si è verificato un errore imprevisto.");

void report(MessageService& messages, const FailureText& failure)
{
    // The box runs its own event loop; an exception from inside it must not escape notify()
    // a second time, which would end the program.
    try {
        messages.error(failure);
    } catch (const std::exception& e) {
        qCritical("could not show the error box (%s): %s\n%s", e.what(), qPrintable(failure.message),
                  qPrintable(failure.detail));
    } catch (...) {
        qCritical("could not show the error box: %s\n%s", qPrintable(failure.message),
                  qPrintable(failure.detail));
    }
}

// The failures the standard library raises itself. Their texts are English and say nothing to
// the user ("vector::_M_range_check", "std::bad_alloc"); the program's own exceptions, plain
// runtime and logic errors, carry texts written for the user.
template <typename... Types> bool isAnyOf(const std::exception& e)
{
    return ((dynamic_cast<const Types*>(&e) != nullptr) || ...);
}

bool fromStandardLibrary(const std::exception& e)
{
    return isAnyOf<std::bad_alloc, std::bad_cast, std::bad_typeid, std::bad_exception,
                   std::bad_function_call, std::bad_weak_ptr, std::bad_optional_access,
                   std::bad_variant_access, std::bad_any_cast, std::out_of_range,
                   std::length_error, std::invalid_argument, std::domain_error, std::range_error,
                   std::overflow_error, std::underflow_error, std::system_error>(e);
}

// What the box says about an exception that reached the event loop.
FailureText describe(const std::exception& e)
{
    if (const auto* described = dynamic_cast<const DescribedFailure*>(&e))
        return described->describe();
    const QString text = QString::fromUtf8(e.what());
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return {QStringLiteral("Memoria insufficiente per completare l'operazione."), text};
    if (fromStandardLibrary(e))
        return {kUnexpected, text};
    return {text, QString()};
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
        report(messages, describe(e));
        return false;
    } catch (...) {
        report(messages, {QStringLiteral("Errore imprevisto"), QString()});
        return false;
    }
}

} // namespace velkora::platform
