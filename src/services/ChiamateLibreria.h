#pragma once

#include "platform/DynamicLibrary.h"

#include <QString>

#include <functional>

namespace velkora {

class ContestoDati;

// Calls into libraries of the program folder on behalf of the data windows: the print library,
// released after every call, and a module function with one integer, whose library stays.
class ChiamateLibreria
{
public:
    explicit ChiamateLibreria(const ContestoDati& contesto);

    // Loads the print library "Vorp" of the program folder and hands its export of that name to
    // chiama, which calls it and gives back the failure the library reported (empty when
    // none). A missing library or export does nothing and says nothing. A failure, reported or
    // thrown, is shown in the error box "Errore nell'accesso alla DLL Vorp delle stampe" with its
    // text as detail, and the library stays loaded, since a window of it may still be alive;
    // otherwise it is released.
    void stampa(const char* export_,
                const std::function<QString(platform::DynamicLibrary::Function)>& chiama);

    // Calls the function of a module library with one integer; the library stays loaded. A
    // missing library or function does nothing (result 0); an error inside the function goes to
    // the caller. 1 when the function was called.
    qint32 AvviaFunzXDll(const QString& libreria, const QString& funzione, qint32 valore);

private:
    const ContestoDati& m_contesto;
};

} // namespace velkora
