#include "services/ChiamateLibreria.h"

#include "platform/MessageService.h"
#include "storage/ContestoDati.h"

#include <velkora/services/PrintLibrary.h>

#include <exception>

namespace velkora {

using platform::DynamicLibrary;

ChiamateLibreria::ChiamateLibreria(const ContestoDati& contesto)
    : m_contesto(contesto)
{
}

void ChiamateLibreria::stampa(const char* export_,
                              const std::function<QString(DynamicLibrary::Function)>& chiama)
{
    DynamicLibrary::Handle libreria = DynamicLibrary::load(
        QString::fromLatin1(kPrintLibraryName), m_contesto.ambiente().programFolder);
    if (!libreria)
        return;

    QString dettaglio;
    try {
        if (const DynamicLibrary::Function f =
                DynamicLibrary::function(libreria, QString::fromLatin1(export_)))
            dettaglio = chiama(f);
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
        // Something that is no exception of ours: the box below says the call failed.
    }
    m_contesto.messaggi().error(QStringLiteral("Errore nell'accesso alla DLL Vorp delle stampe"),
                                dettaglio, m_contesto.finestra());
}

qint32 ChiamateLibreria::AvviaFunzXDll(const QString& libreria, const QString& funzione,
                                       qint32 valore)
{
    DynamicLibrary::Handle handle =
        DynamicLibrary::load(libreria, m_contesto.ambiente().programFolder);
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
