#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QMenuBar;
class QPoint;

namespace velkora {

class NavigationBar;

// The context menu "Aggiungi ai preferiti" / "Rimuovi dai preferiti" of the items of the menu
// bar (the program's menus and submenus, at any depth) and of the quick items of the navigation
// bar. Installed on the application, it looks only at context-menu events of those widgets; an
// item is named by its program and menu code, as the menus start it.
class MenuPreferiti : public QObject
{
    Q_OBJECT

public:
    struct Rif
    {
        qint32 programma = 0;
        qint32 menu = 0;
    };
    // Whether an item is a favourite now, which decides the text offered.
    using EPreferito = std::function<bool(qint32 programma, qint32 menu)>;

    MenuPreferiti(QMenuBar* barra, NavigationBar* navigazione, EPreferito ePreferito,
                  QObject* parent = nullptr);

    // The item that starts a function under the point (global coordinates) of a widget of the
    // menus or of a quick item; nothing for a submenu's heading, a separator, "Sistema" or any
    // other widget.
    std::optional<Rif> voceIn(QObject* oggetto, const QPoint& globale) const;

    // The text the context menu offers for the item.
    QString testoPer(const Rif& voce) const;

signals:
    void cambioRichiesto(qint32 programma, qint32 menu, bool aggiungi);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QMenuBar> m_barra;
    QPointer<NavigationBar> m_navigazione;
    EPreferito m_ePreferito;
};

// The texts of the favourites' commands.
QString testoAggiungiPreferiti();
QString testoRimuoviPreferiti();

} // namespace velkora
