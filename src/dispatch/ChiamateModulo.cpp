#include "dispatch/ChiamateModulo.h"

#include "data/TabX.h"
#include "dispatch/CountedText.h"
#include "platform/DynamicLibrary.h"

#include <velkora/EntryPoints.h>

namespace velkora {

namespace {

template <typename F>
F trovaFunzione(const TTabXForm& form, const QString& libreria, const QString& funzione)
{
    using platform::DynamicLibrary;
    DynamicLibrary::Handle library = DynamicLibrary::load(libreria, form.programFolder());
    if (!library)
        return nullptr;
    return reinterpret_cast<F>(DynamicLibrary::function(library, funzione));
}

} // namespace

// The user number is read from the data form only when the function is about to be called:
// loading the library runs its initialisers, and the number must be the one current at the call.

ChiamateModulo::ChiamateModulo(const TTabXForm& form) : m_form(form) {}

void ChiamateModulo::CaricaFunzioneDLL(const QString& libreria, const QString& funzione) const
{
    if (const auto f = trovaFunzione<FunzioneDLL>(m_form, libreria, funzione))
        f(m_form.NumUser);
}

void ChiamateModulo::CaricaFunzioneDLL2(const QString& libreria, const QString& funzione,
                                        const QString& parametri) const
{
    if (const auto f = trovaFunzione<FunzioneDLL2>(m_form, libreria, funzione)) {
        const CountedText testo(parametri);
        f(m_form.NumUser, testo.data());
    }
}

void ChiamateModulo::CaricaFunzioneDLLX(const QString& libreria, const QString& funzione,
                                        qint32 idFinestra) const
{
    if (const auto f = trovaFunzione<FunzioneDLLX>(m_form, libreria, funzione))
        f(m_form.NumUser, idFinestra);
}

void ChiamateModulo::CaricaFunzioneDLL2X(const QString& libreria, const QString& funzione,
                                         const QString& parametri, qint32 idFinestra) const
{
    if (const auto f = trovaFunzione<FunzioneDLL2X>(m_form, libreria, funzione)) {
        const CountedText testo(parametri);
        f(m_form.NumUser, testo.data(), idFinestra);
    }
}

void ChiamateModulo::CaricaFunzioneDLL3Y(const QString& libreria, const QString& funzione,
                                         const QString& parametri, qint32 idFinestra) const
{
    if (const auto f = trovaFunzione<FunzioneDLL3Y>(m_form, libreria, funzione)) {
        const PlainText testo(parametri);
        f(m_form.NumUser, idFinestra, testo.data());
    }
}

} // namespace velkora
