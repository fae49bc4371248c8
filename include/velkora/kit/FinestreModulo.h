#pragma once

// The windows a module has open, so that a second call brings the open one forward instead of
// opening another, and the handle of the window a call opened or brought forward is recorded
// under the call's window id.

#include <velkora/TabXForm.h>

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace velkora::kit {

// Unminimised, shown, raised and activated.
inline void portaAvanti(QWidget& finestra)
{
    finestra.setWindowState(finestra.windowState() & ~Qt::WindowMinimized);
    finestra.show();
    finestra.raise();
    finestra.activateWindow();
}

// The open windows of one kind. Finestra is a window with a public data form `TabX` and
// `bool pronta() const` (false when it could not open and has said why).
template <typename Finestra> class FinestreModulo
{
public:
    // The open window for which `stessa` is true; null when none.
    Finestra* trova(const std::function<bool(const Finestra&)>& stessa)
    {
        m_finestre.removeIf([](const QPointer<Finestra>& f) { return f.isNull(); });
        for (const QPointer<Finestra>& f : m_finestre) {
            if (stessa(*f))
                return f.data();
        }
        return nullptr;
    }

    // The open window for which `stessa` is true, brought forward, or else the one `crea` makes
    // (with new), shown; null when it could not open (it is deleted, having said why). The
    // window's handle is recorded under the call's window id (nothing for id 0).
    Finestra* apri(const std::function<bool(const Finestra&)>& stessa,
                   const std::function<Finestra*()>& crea, qint32 idFinestra)
    {
        Finestra* finestra = trova(stessa);
        if (finestra) {
            portaAvanti(*finestra);
        } else {
            finestra = crea();
            if (!finestra->pronta()) {
                delete finestra;
                return nullptr;
            }
            finestra->show();
            m_finestre.append(finestra);
        }
        if (idFinestra != 0)
            finestra->TabX->ScritturaHandleDiApertura(idFinestra,
                                                      static_cast<qint32>(finestra->winId()));
        return finestra;
    }

    // Opens the window (or brings forward the one open) as apri() does and prints its rows with
    // its StampaClick(); a window opened only to be printed goes when its preview is closed.
    void apriEStampa(const std::function<bool(const Finestra&)>& stessa,
                     const std::function<Finestra*()>& crea, qint32 idFinestra)
    {
        const bool giaAperta = trova(stessa) != nullptr;
        if (Finestra* finestra = apri(stessa, crea, idFinestra)) {
            finestra->StampaClick();
            if (!giaAperta)
                finestra->close();
        }
    }

private:
    QList<QPointer<Finestra>> m_finestre;
};

} // namespace velkora::kit
