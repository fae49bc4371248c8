// The entry points of the customer module. The start program calls them from the menu items
// "Elenco clienti", "Nuovo cliente", "Stampa elenco clienti" and "Elenco fornitori"; each opens
// its window on the archive of the user's company, records the window's handle under the window
// id of its call-log row, and returns at once, leaving the window open.

#include "AnagraficaForm.h"

#include <QList>
#include <QPointer>
#include <exception>
#include <velkora/EntryPoints.h>
#include <velkora/TabXForm.h>
#include <velkora/platform/Environment.h>
#include <velkora/platform/MessageService.h>

namespace velkora::anagrafi {

namespace {

QList<QPointer<TAnagraficaForm>>& finestreAperte()
{
    static QList<QPointer<TAnagraficaForm>> finestre;
    return finestre;
}

// The list of that kind the user has open already, brought forward; null when there is none.
TAnagraficaForm* finestraAperta(const Anagrafica& anagrafica, qint32 numUser)
{
    QList<QPointer<TAnagraficaForm>>& finestre = finestreAperte();
    finestre.removeIf([](const QPointer<TAnagraficaForm>& f) { return f.isNull(); });
    for (const QPointer<TAnagraficaForm>& f : finestre) {
        if (f->numUser() == numUser && &f->anagrafica() == &anagrafica) {
            f->setWindowState(f->windowState() & ~Qt::WindowMinimized);
            f->raise();
            f->activateWindow();
            return f.data();
        }
    }
    return nullptr;
}

// Opens the list (or finds the one open) and records its handle under the window id; null when
// the window could not open (it has said why).
TAnagraficaForm* apri(const Anagrafica& anagrafica, qint32 numUser, qint32 idFinestra)
{
    if (TAnagraficaForm* aperta = finestraAperta(anagrafica, numUser))
        return aperta;
    auto* finestra = new TAnagraficaForm(anagrafica, numUser, platform::Environment::process());
    if (!finestra->pronta()) {
        delete finestra;
        return nullptr;
    }
    finestra->show();
    finestreAperte().append(finestra);
    if (idFinestra != 0)
        finestra->TabX->ScritturaHandleDiApertura(idFinestra,
                                                  static_cast<qint32>(finestra->winId()));
    return finestra;
}

// Nothing may leave a module function as an exception: the caller is C code as far as the
// calling convention goes.
template <typename F> void protetto(F&& azione)
{
    try {
        azione();
    } catch (const std::exception& e) {
        if (platform::MessageService* messages = platform::Environment::process().messages)
            messages->error(QStringLiteral("Errore interno: impossibile aprire la finestra"),
                            QString::fromUtf8(e.what()));
    }
}

} // namespace

} // namespace velkora::anagrafi

using velkora::anagrafi::Anagrafica;
using velkora::anagrafi::apri;
using velkora::anagrafi::finestraAperta;
using velkora::anagrafi::protetto;
using velkora::anagrafi::TAnagraficaForm;

VELKORA_EXPORT void VELKORA_CALL ShowClientiFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    protetto([&] { apri(Anagrafica::clienti(), numUser, idFinestra); });
}

// The customer list with a new row ready for the new customer's data.
VELKORA_EXPORT void VELKORA_CALL ShowNuovoClienteFormX(std::int32_t numUser,
                                                       std::int32_t idFinestra)
{
    protetto([&] {
        if (TAnagraficaForm* finestra = apri(Anagrafica::clienti(), numUser, idFinestra))
            finestra->NuovoClick();
    });
}

VELKORA_EXPORT void VELKORA_CALL ShowFornitoriFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    protetto([&] { apri(Anagrafica::fornitori(), numUser, idFinestra); });
}

// The customer list (opened, or the one open brought forward) printed at once.
VELKORA_EXPORT void VELKORA_CALL StampaClientiFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    protetto([&] {
        const bool giaAperta = finestraAperta(Anagrafica::clienti(), numUser) != nullptr;
        if (TAnagraficaForm* finestra = apri(Anagrafica::clienti(), numUser, idFinestra)) {
            finestra->StampaClick();
            // A list opened only to be printed goes when its preview is closed.
            if (!giaAperta)
                finestra->close();
        }
    });
}
