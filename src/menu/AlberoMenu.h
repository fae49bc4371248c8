#pragma once

#include "menu/CatalogoProgetto.h"

#include <QHash>
#include <QString>
#include <functional>
#include <vector>

namespace velkora {

// The menu tree of one program, made once from its DETTMENU rows; the menu bar, the menu search
// and whoever else shows the menus walk it, so the rules of the tree live here alone:
//
// - only visible rows (VISIBILE '1') are ever shown; an invisible entry takes its whole subtree
//   with it;
// - the top level holds the rows of depth 0 without a parent; below an entry come the rows one
//   level deeper that name it as parent, in ascending menu code; a row whose depth does not
//   match its parent's, or whose depth or parent is NULL, is never shown;
// - an entry with children is a submenu; below the top level an entry described "-" is a
//   separator line, never a leaf and never a parent; at the top level "-" is an ordinary entry;
// - a leaf below the top level whose LIVELLO2VERSIONE is "1" starts in mode 2, every other
//   leaf in mode 1;
// - below the top level a description holding "<LINEA>" shows a parameter's value in its
//   caption; at the top level every description is shown as stored.
//
// Quick items (VOCERAPIDA '1') are listed apart, in menu code order, whatever their row's place
// or visibility: the navigation bar shows them as they are.
//
// Building takes time linear in the rows: children are found through a table keyed by depth
// and parent, never by scanning the rows again.
class AlberoMenu
{
public:
    enum class Tipo { Sottomenu, Foglia, Separatore };

    struct Nodo
    {
        qint32 menu = 0;
        qint32 livello = 0;
        QString descrizione;
        Tipo tipo = Tipo::Foglia;
        bool inCima = false;
        // For a leaf: 1, or 2 as a click on it starts it.
        qint32 modo = 1;
        // The caption is the description with a parameter's value (didascaliaConParametro).
        bool conParametro = false;
        // For a submenu: its entries, separators included, in menu order (indexes of nodo()).
        std::vector<int> figli;
    };

    AlberoMenu() = default;
    // The rows of one program, in ascending menu code (as the catalogue reads them); rows of
    // other programs must not be among them.
    explicit AlberoMenu(const std::vector<RigaCatalogo>& righe);
    explicit AlberoMenu(const std::vector<const RigaCatalogo*>& righe);

    // The top-level entries in menu order.
    const std::vector<int>& cima() const { return m_cima; }
    const Nodo& nodo(int i) const { return m_nodi[static_cast<std::size_t>(i)]; }
    int size() const { return static_cast<int>(m_nodi.size()); }
    // The quick items of the program, in menu order.
    const std::vector<RigaCatalogo>& rapide() const { return m_rapide; }

    // True when some visible row of depth livello + 1 names menu as its parent (whether the
    // entry menu exists or not): what makes an entry a submenu.
    bool haFigli(qint32 menu, qint32 livello) const;
    // Those rows, as entries of the tree, in menu order; empty when there are none. The
    // children of a separator are listed here too, although the tree never shows them.
    std::vector<int> figliDi(qint32 menu, qint32 livello) const;

private:
    void costruisci(const std::vector<const RigaCatalogo*>& righe);

    std::vector<Nodo> m_nodi;
    std::vector<int> m_cima;
    std::vector<RigaCatalogo> m_rapide;
    // Visible rows by (depth, parent), in menu order.
    QHash<QPair<qint64, qint32>, std::vector<int>> m_figli;
};

// The caption of a description holding "<LINEA>name</LINEA>": the text before "<LINEA>"
// followed by the value of the parameter, given by a function of its name; the rest is not
// shown.
QString didascaliaConParametro(const QString& descrizione,
                               const std::function<QString(const QString&)>& parametro);

} // namespace velkora
