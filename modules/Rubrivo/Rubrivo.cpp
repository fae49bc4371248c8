// The entry points of the agenda module. The start program calls them from a menu item or at
// login; each opens the agenda window of the user it is called for and returns at once, leaving
// the window open.

#include "ContattAgendaForm.h"

#include <velkora/EntryPoints.h>
#include <velkora/kit/Barriera.h>
#include <velkora/kit/FinestreModulo.h>
#include <velkora/platform/Environment.h>

using velkora::rubrivo::TContattAgendaForm;

namespace {

const QString kErrore = QStringLiteral("Errore interno: impossibile aprire l'agenda");

// Opens the user's agenda, or brings forward the one already open, recording its handle under
// the window id (nothing for id 0).
void apriAgenda(std::int32_t numUser, std::int32_t idFinestra)
{
    static velkora::kit::FinestreModulo<TContattAgendaForm> agende;
    velkora::kit::eseguiProtetto(kErrore, [&] {
        agende.apri([numUser](const TContattAgendaForm& f) { return f.numUser() == numUser; },
                    [numUser] {
                        return new TContattAgendaForm(numUser,
                                                      velkora::platform::Environment::process());
                    },
                    idFinestra);
    });
}

} // namespace

// The agenda with the window id of the call-log row written for this call: the window records
// its handle under that id, so the start program knows it is open. Id 0 (a call log without
// window columns) records nothing.
VELKORA_EXPORT void VELKORA_CALL ShowContattAgendaFormX(std::int32_t numUser,
                                                        std::int32_t idFinestra)
{
    apriAgenda(numUser, idFinestra);
}

// The agenda without a record in the call log. Menu items call a function of this name with the
// user number alone, but the login calls the agenda function it is configured with always in the
// window-id form (user number, window id), whatever its name; so this one is declared with that
// form's two arguments and ignores the second. With the C calling convention of this platform
// the caller clears the arguments, so both calls are safe: a call with the user number alone
// leaves the second argument unread. (On 32-bit Windows, where stdcall makes the callee clear
// them, only the login's two-argument call would match.)
VELKORA_EXPORT void VELKORA_CALL ShowContattAgendaFormD(std::int32_t numUser,
                                                        std::int32_t /*idFinestra*/)
{
    apriAgenda(numUser, 0);
}
