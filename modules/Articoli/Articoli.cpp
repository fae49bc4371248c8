// The items of the company, on the archive of the user's company: the list with its search, the
// fields of an item, new items keyed by the table's generator, the print and the export. The
// start program calls the exports from the menu items "Elenco articoli", "Nuovo articolo" and
// "Stampa elenco articoli"; each opens the window (or brings forward the one open), records its
// handle under the call's window id and returns at once, leaving the window open.

#include <velkora/EntryPoints.h>
#include <velkora/kit/Barriera.h>
#include <velkora/kit/FinestraArchivio.h>

using namespace velkora;

namespace {

using kit::ColonnaArchivio;

const kit::DescrizioneArchivio& articoli()
{
    static const kit::DescrizioneArchivio descrizione{
        QStringLiteral("ARTICOLI"),
        QStringLiteral("CODICEARTICOLICOUNTER"),
        QStringLiteral("Elenco articoli"),
        QStringLiteral("TArticoliForm"),
        QStringLiteral("ARTICOLI"),
        11, // project code of the window's stored place
        1,  // situation code
        {QStringLiteral("articolo"), QStringLiteral("articoli")},
        QStringLiteral("ElencoArticoli"),
        QStringLiteral("DESCRIZIONE, CODICE"),
        QStringLiteral("descrizione, unità di misura, prezzo..."),
        {
            {QStringLiteral("CODICE"), QStringLiteral("Codice"), 60, 0, ColonnaArchivio::Tipo::Intero},
            {QStringLiteral("DESCRIZIONE"), QStringLiteral("Descrizione"), 320, 80},
            {QStringLiteral("UNITAMISURA"), QStringLiteral("U.M."), 50, 3},
            {QStringLiteral("PREZZO"), QStringLiteral("Prezzo"), 110, 0,
             ColonnaArchivio::Tipo::Decimale, 4},
            {QStringLiteral("ALIQUOTAIVA"), QStringLiteral("IVA %"), 70, 0,
             ColonnaArchivio::Tipo::Decimale, 2},
            {QStringLiteral("GIACENZA"), QStringLiteral("Giacenza"), 110, 0,
             ColonnaArchivio::Tipo::Decimale, 3},
        }};
    return descrizione;
}

const QString kErrore = QStringLiteral("Errore interno: impossibile aprire l'elenco degli articoli");

} // namespace

VELKORA_EXPORT void VELKORA_CALL ShowArticoliFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] { kit::apriFinestraArchivio(articoli(), numUser, idFinestra); });
}

// The list with a new item ready for its data.
VELKORA_EXPORT void VELKORA_CALL ShowNuovoArticoloFormX(std::int32_t numUser,
                                                        std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore, [&] {
        if (auto* finestra = kit::apriFinestraArchivio(articoli(), numUser, idFinestra))
            finestra->NuovoClick();
    });
}

// The list (opened, or the one open brought forward) printed at once.
VELKORA_EXPORT void VELKORA_CALL StampaArticoliFormX(std::int32_t numUser, std::int32_t idFinestra)
{
    kit::eseguiProtetto(kErrore,
                        [&] { kit::stampaFinestraArchivio(articoli(), numUser, idFinestra); });
}
