// The entry points of the customer module. The start program calls them from the menu items
// "Elenco clienti", "Nuovo cliente", "Stampa elenco clienti" and "Elenco fornitori"; each opens
// its window on the archive of the user's company (or brings forward the one open), records the
// window's handle under the window id of its call-log row, and returns at once, leaving the
// window open.

#include "Anagrafica.h"

#include <velkora/EntryPoints.h>
#include <velkora/kit/Barriera.h>

using namespace velkora;

namespace {

const QString kErrore = QStringLiteral("Errore interno: impossibile aprire la finestra");

} // namespace

VELKORA_EXPORT void VELKORA_CALL ShowClientiFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] {
        kit::apriFinestraArchivio(anagrafi::clienti(), numUser, idFinestra);
    });
}

// The customer list with a new row ready for the new customer's data.
VELKORA_EXPORT void VELKORA_CALL ShowNuovoClienteFormX(std::int32_t numUser,
                                                       std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] {
        if (auto* finestra = kit::apriFinestraArchivio(anagrafi::clienti(), numUser, idFinestra))
            finestra->NuovoClick();
    });
}

VELKORA_EXPORT void VELKORA_CALL ShowFornitoriFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] {
        kit::apriFinestraArchivio(anagrafi::fornitori(), numUser, idFinestra);
    });
}

// The customer list (opened, or the one open brought forward) printed at once.
VELKORA_EXPORT void VELKORA_CALL StampaClientiFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] {
        kit::stampaFinestraArchivio(anagrafi::clienti(), numUser, idFinestra);
    });
}
