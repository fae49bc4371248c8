#pragma once

// The barrier around the body of every function a module exports. The start program calls the
// exports as C functions: an exception that left one would cross code built by another compiler
// and end the program. Wrap each body in one of these; what fails reaches the user as an Italian
// box, or (for the print library, whose exports return nothing) travels back to the data form
// that called.

#include <velkora/TabXForm.h>
#include <velkora/platform/Environment.h>
#include <velkora/platform/FailureText.h>
#include <velkora/platform/MessageService.h>
#include <velkora/platform/SilentAbort.h>

#include <QString>
#include <exception>

namespace velkora::kit {

namespace detail {

// The failure being handled, as a box would say it: an exception that explains itself in Italian
// keeps its words; any other gets the caller's message, with its own text as detail.
inline platform::FailureText descriviEccezione(const QString& messaggio)
{
    try {
        throw;
    } catch (const platform::DescribedFailure& f) {
        return f.describe();
    } catch (const std::exception& e) {
        return {messaggio, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {messaggio, QStringLiteral("errore sconosciuto")};
    }
}

} // namespace detail

// Runs the body of an export that opens a window or does work for the user. Nothing leaves it:
// a failure is shown in an error box that says `messaggio` ("Errore interno: impossibile aprire
// la finestra"), unless the failure says itself in Italian; a silent abort (a refusal already
// explained to the user) shows nothing more.
template <typename Azione> void eseguiProtetto(const QString& messaggio, Azione&& azione) noexcept
{
    try {
        azione();
        return;
    } catch (const platform::SilentAbort&) {
        return;
    } catch (...) {
        try {
            const platform::FailureText testo = detail::descriviEccezione(messaggio);
            if (platform::MessageService* messages = platform::Environment::process().messages)
                messages->error(testo);
        } catch (...) {
            // Not even the box could be shown: the call ends quietly rather than the program.
        }
    }
}

// Runs the body of a print library export. Nothing leaves it: a failure is handed to the data
// form that called (`form`, the variable the export received), which shows it in its own box
// once the call has returned.
template <typename Azione> void eseguiPerIlModulo(TTabXForm** form, Azione&& azione) noexcept
{
    try {
        azione();
        return;
    } catch (...) {
        try {
            const platform::FailureText testo = detail::descriviEccezione(QString());
            if (form && *form)
                (*form)->SegnalaErroreLibreria(testo.message.isEmpty()
                                                   ? testo.detail
                                                   : testo.message + QLatin1Char('\n') + testo.detail);
        } catch (...) {
        }
    }
}

} // namespace velkora::kit
