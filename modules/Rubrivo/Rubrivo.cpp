// The entry points of the agenda module. The start program calls them from a menu item or at
// login; each opens the agenda window of the user it is called for and returns at once, leaving
// the window open.

#include "ContattAgendaForm.h"
#include <QList>
#include <QPointer>
#include <exception>
#include <velkora/EntryPoints.h>
#include <velkora/TabXForm.h>
#include <velkora/platform/Environment.h>
#include <velkora/platform/MessageService.h>

namespace velkora::rubrivo {

namespace {

// The agenda windows this library has open; a closed window drops out by itself.
QList<QPointer<TContattAgendaForm>>& agendeAperte()
{
    static QList<QPointer<TContattAgendaForm>> finestre;
    return finestre;
}

TContattAgendaForm* agendaAperta(qint32 numUser)
{
    QList<QPointer<TContattAgendaForm>>& finestre = agendeAperte();
    finestre.removeIf([](const QPointer<TContattAgendaForm>& f) { return f.isNull(); });
    for (const QPointer<TContattAgendaForm>& f : finestre) {
        if (f->numUser() == numUser)
            return f.data();
    }
    return nullptr;
}

// Opens the user's agenda, or brings forward the one already open, and returns it (null when
// the user database could not be reached: the data form has said so).
TContattAgendaForm* apriAgenda(qint32 numUser)
{
    if (TContattAgendaForm* aperta = agendaAperta(numUser)) {
        aperta->setWindowState(aperta->windowState() & ~Qt::WindowMinimized);
        aperta->show();
        aperta->raise();
        aperta->activateWindow();
        return aperta;
    }
    auto* agenda = new TContattAgendaForm(numUser, platform::Environment::process());
    if (!agenda->pronta()) {
        delete agenda;
        return nullptr;
    }
    agenda->show();
    agendeAperte().append(agenda);
    return agenda;
}

// Nothing may leave a module function as an exception: the caller is C code as far as the
// calling convention goes.
template <typename F> void protetto(F&& azione)
{
    try {
        azione();
    } catch (const std::exception& e) {
        if (platform::MessageService* messages = platform::Environment::process().messages)
            messages->error(QStringLiteral("Errore interno: impossibile aprire l'agenda"),
                            QString::fromUtf8(e.what()));
    }
}

} // namespace

} // namespace velkora::rubrivo

using velkora::rubrivo::apriAgenda;
using velkora::rubrivo::protetto;
using velkora::rubrivo::TContattAgendaForm;

// The agenda with the window id of the call-log row written for this call: the window records
// its handle under that id, so the start program knows it is open. Id 0 (a call log without
// window columns) records nothing.
VELKORA_EXPORT void VELKORA_CALL ShowContattAgendaFormX(std::int32_t numUser,
                                                        std::int32_t idFinestra)
{
    protetto([&] {
        TContattAgendaForm* agenda = apriAgenda(numUser);
        if (agenda && idFinestra != 0)
            agenda->TabX->ScritturaHandleDiApertura(idFinestra,
                                                    static_cast<qint32>(agenda->winId()));
    });
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
    protetto([&] { apriAgenda(numUser); });
}
