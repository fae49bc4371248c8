// The five ways the main window calls a function of a module library. Each one loads the
// library (kept loaded afterwards), looks the function up by its exact name and calls it with
// the arguments of its kind. A missing library or function ends the call silently: the menu
// item simply does nothing, and the call-log row the dispatch wrote stays.

#include "data/TabX.h"
#include "dispatch/CountedText.h"
#include "platform/DynamicLibrary.h"
#include "shell/BaseMain.h"

#include <velkora/EntryPoints.h>

namespace velkora {

namespace {

template <typename F>
F trovaFunzione(const TTabXForm* tabX, const QString& libreria, const QString& funzione)
{
    using platform::DynamicLibrary;
    DynamicLibrary::Handle library = DynamicLibrary::load(libreria, tabX->programFolder());
    if (!library)
        return nullptr;
    return reinterpret_cast<F>(DynamicLibrary::function(library, funzione));
}

} // namespace

// The user number is read from the data form only when the function is about to be called:
// loading the library runs its initialisers, and the number must be the one current at the call.

void TBaseMainForm::CaricaFunzioneDLL(const QString& libreria, const QString& funzione)
{
    if (const auto f = trovaFunzione<FunzioneDLL>(tabX(), libreria, funzione))
        f(tabX()->NumUser);
}

void TBaseMainForm::CaricaFunzioneDLL2(const QString& libreria, const QString& funzione, const QString& parametri)
{
    if (const auto f = trovaFunzione<FunzioneDLL2>(tabX(), libreria, funzione)) {
        const CountedText testo(parametri);
        f(tabX()->NumUser, testo.data());
    }
}

void TBaseMainForm::CaricaFunzioneDLLX(const QString& libreria, const QString& funzione, qint32 idFinestra)
{
    if (const auto f = trovaFunzione<FunzioneDLLX>(tabX(), libreria, funzione))
        f(tabX()->NumUser, idFinestra);
}

void TBaseMainForm::CaricaFunzioneDLL2X(const QString& libreria, const QString& funzione, const QString& parametri,
                                       qint32 idFinestra)
{
    if (const auto f = trovaFunzione<FunzioneDLL2X>(tabX(), libreria, funzione)) {
        const CountedText testo(parametri);
        f(tabX()->NumUser, testo.data(), idFinestra);
    }
}

void TBaseMainForm::CaricaFunzioneDLL3Y(const QString& libreria, const QString& funzione, const QString& parametri,
                                       qint32 idFinestra)
{
    if (const auto f = trovaFunzione<FunzioneDLL3Y>(tabX(), libreria, funzione)) {
        const PlainText testo(parametri);
        f(tabX()->NumUser, idFinestra, testo.data());
    }
}

} // namespace velkora
