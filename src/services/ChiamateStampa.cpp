#include "data/TabX.h"
#include "db/QueryDataSet.h"
#include "platform/DynamicLibrary.h"
#include "platform/MessageService.h"

#include <velkora/services/PrintLibrary.h>

#include <exception>

namespace velkora {

namespace {

using platform::DynamicLibrary;

const QString kErroreStampa = QStringLiteral("Errore nell'accesso alla DLL Vorp delle stampe");

// The steps shared by both dataset kinds; Funzione is the export type of the dataset's kind.
template <typename Funzione, typename DataSet>
void stampa(TTabXForm& form, const QString& titolo, const QString& report, DataSet& dataset,
            const char* export_)
{
    DynamicLibrary::Handle libreria =
        DynamicLibrary::load(QString::fromLatin1(kPrintLibraryName), form.programFolder());
    // The texts are set whether or not the library is there: a module may read them itself.
    // SetV changes only a parameter the form holds; without one the print library finds
    // whatever the module stored before.
    form.SetV(QString::fromLatin1(kPrintTitleParameter), titolo);
    form.SetV(QString::fromLatin1(kPrintReportParameter), report);
    if (!libreria)
        return;

    QString dettaglio;
    try {
        if (const auto f = reinterpret_cast<Funzione>(
                DynamicLibrary::function(libreria, QString::fromLatin1(export_)))) {
            TTabXForm* variabile = &form;
            form.PrendiErroreLibreria();
            f(&dataset, &variabile);
            dettaglio = form.PrendiErroreLibreria();
        }
        // Released after every call, also when the export is missing. After an error the
        // library stays: a window of it may still be alive, and its code must stay with it.
        if (dettaglio.isEmpty()) {
            DynamicLibrary::unload(libreria);
            return;
        }
    } catch (const std::exception& errore) {
        // A library built without the kit's barrier may still throw.
        dettaglio = QString::fromLocal8Bit(errore.what());
    } catch (...) {
    }
    form.messages().error(kErroreStampa, dettaglio, form.ownerWindow());
}

} // namespace

void TTabXForm::LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                                   db::QueryDataSet& dataset)
{
    stampa<FunzioneStampaQuery>(*this, titoloStampa, nomeReport, dataset, kPrintQueryExport);
}

void TTabXForm::LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                                   MemTable& dataset)
{
    stampa<FunzioneStampaMemoria>(*this, titoloStampa, nomeReport, dataset, kPrintMemoryExport);
}

qint32 TTabXForm::AvviaFunzXDll(const QString& libreria, const QString& funzione, qint32 valore)
{
    DynamicLibrary::Handle handle = DynamicLibrary::load(libreria, programFolder());
    if (!handle)
        return 0;
    const auto f = reinterpret_cast<FunzioneXDll>(DynamicLibrary::function(handle, funzione));
    if (!f)
        return 0;
    // Errors inside the function are the caller's; the library stays loaded.
    f(valore);
    return 1;
}

} // namespace velkora
