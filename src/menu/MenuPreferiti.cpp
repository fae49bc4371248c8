#include "menu/MenuPreferiti.h"

#include "menu/CostruttoreMenu.h"
#include "menu/NavigationBar.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>

namespace velkora {

QString testoAggiungiPreferiti()
{
    return QStringLiteral("Aggiungi ai preferiti");
}

QString testoRimuoviPreferiti()
{
    return QStringLiteral("Rimuovi dai preferiti");
}

MenuPreferiti::MenuPreferiti(QMenuBar* barra, NavigationBar* navigazione, EPreferito ePreferito,
                             QObject* parent)
    : QObject(parent), m_barra(barra), m_navigazione(navigazione),
      m_ePreferito(std::move(ePreferito))
{
}

std::optional<MenuPreferiti::Rif> MenuPreferiti::voceIn(QObject* oggetto, const QPoint& globale) const
{
    if (!m_barra || !oggetto)
        return std::nullopt;
    // A leaf of the menus carries the name of its click handler; headings and separators do not.
    const auto foglia = [this](QAction* azione) -> std::optional<Rif> {
        if (!azione || !azione->property("gestore").isValid())
            return std::nullopt;
        return Rif{CostruttoreMenu::programmaDi(m_barra), azione->property("tag").toInt()};
    };
    if (oggetto == m_barra)
        return foglia(m_barra->actionAt(m_barra->mapFromGlobal(globale)));
    if (auto* menu = qobject_cast<QMenu*>(oggetto)) {
        // Only the menus of the bar: a submenu's parent is the menu that opens it.
        for (QObject* p = menu->parent(); p; p = p->parent()) {
            if (p == m_barra)
                return foglia(menu->actionAt(menu->mapFromGlobal(globale)));
            if (!qobject_cast<QMenu*>(p))
                break;
        }
        return std::nullopt;
    }
    if (m_navigazione && qobject_cast<QAbstractButton*>(oggetto)) {
        for (int g = 0; g < m_navigazione->groupCount(); ++g) {
            const NavBarGroup* gruppo = m_navigazione->group(g);
            for (int l = 0; l < gruppo->linkCount(); ++l) {
                const NavBarLink* link = gruppo->link(l);
                if (link->button() == oggetto)
                    return Rif{gruppo->tag(), link->tag()};
            }
        }
    }
    return std::nullopt;
}

QString MenuPreferiti::testoPer(const Rif& voce) const
{
    return m_ePreferito && m_ePreferito(voce.programma, voce.menu) ? testoRimuoviPreferiti()
                                                                  : testoAggiungiPreferiti();
}

bool MenuPreferiti::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu)
        return false;
    const auto* contesto = static_cast<QContextMenuEvent*>(event);
    const std::optional<Rif> voce = voceIn(watched, contesto->globalPos());
    if (!voce)
        return false;
    const bool aggiungi = testoPer(*voce) == testoAggiungiPreferiti();
    QMenu scelta;
    QAction* azione = scelta.addAction(testoPer(*voce));
    if (scelta.exec(contesto->globalPos()) == azione)
        emit cambioRichiesto(voce->programma, voce->menu, aggiungi);
    return true;
}

} // namespace velkora
