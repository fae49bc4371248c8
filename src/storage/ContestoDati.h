#pragma once

#include <velkora/platform/Environment.h>

#include <QString>

#include <functional>

class QWidget;

namespace velkora {

// What the units of a data form take from it: its surroundings (program folder, message boxes,
// drive letters), the window that owns its boxes, and its current user and picture paths. The
// form keeps the user and the paths in public fields, which the suite's modules read and write;
// a unit reads them here when it works, so it always sees what the form holds now. A test of a
// unit fills one from fields of its own.
class ContestoDati
{
public:
    struct Campi
    {
        const qint32* numUser = nullptr;
        const QString* nomeUser = nullptr;
        const QString* dittaCorrente = nullptr;
        const QString* percorsoVerde = nullptr;
        const QString* percorsoRosso = nullptr;
    };

    ContestoDati(const platform::Environment& ambiente, std::function<QWidget*()> finestra,
                 Campi campi);

    platform::MessageService& messaggi() const { return *m_ambiente->messages; }
    const platform::Environment& ambiente() const { return *m_ambiente; }
    // The window that owns the boxes (may be null).
    QWidget* finestra() const { return m_finestra ? m_finestra() : nullptr; }

    qint32 numUser() const { return *m_campi.numUser; }
    const QString& nomeUser() const { return *m_campi.nomeUser; }
    const QString& dittaCorrente() const { return *m_campi.dittaCorrente; }
    const QString& percorsoVerde() const { return *m_campi.percorsoVerde; }
    const QString& percorsoRosso() const { return *m_campi.percorsoRosso; }

    // A path below the program folder, written with either separator ("Grafica\Verde.bmp").
    QString percorsoProgramma(const QString& relativo) const;
    // The current user's settings file "NOMIDIT/USERCFG/<number> <name>.INI".
    QString fileUtente() const;

private:
    const platform::Environment* m_ambiente;
    std::function<QWidget*()> m_finestra;
    Campi m_campi;
};

} // namespace velkora
