#pragma once

#include <QString>

namespace velkora {

class TTabXForm;

// The five ways a function of a module library is called. Each one loads the library from the
// data form's program folder (kept loaded afterwards), looks the function up by its exact name
// and calls it with the user number of the data form, read at the moment of the call, and the
// arguments of its kind. A missing library or function ends the call silently.
class ChiamateModulo
{
public:
    explicit ChiamateModulo(const TTabXForm& form);

    // Calls f(numUser).
    void CaricaFunzioneDLL(const QString& libreria, const QString& funzione) const;
    // Calls f(numUser, counted parameter text).
    void CaricaFunzioneDLL2(const QString& libreria, const QString& funzione,
                            const QString& parametri) const;
    // Calls f(numUser, window id).
    void CaricaFunzioneDLLX(const QString& libreria, const QString& funzione,
                            qint32 idFinestra) const;
    // Calls f(numUser, counted parameter text, window id).
    void CaricaFunzioneDLL2X(const QString& libreria, const QString& funzione,
                             const QString& parametri, qint32 idFinestra) const;
    // Calls f(numUser, window id, plain parameter text).
    void CaricaFunzioneDLL3Y(const QString& libreria, const QString& funzione,
                             const QString& parametri, qint32 idFinestra) const;

private:
    const TTabXForm& m_form;
};

} // namespace velkora
