#pragma once

#include "menu/AlberoMenu.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace velkora {

class TTabXForm;

namespace db {
class Query;
}

// The menus of one program in the menu bar: the program's visible rows of DETTMENU read in one
// statement, made into its AlberoMenu (which holds the rules of the tree), and the tree made
// into menus and entries. Leaves record the click handler they get ("gestore":
// "EventoVoce2OnClick" for mode-2 leaves, "EventoVoceOnClick" for the others); the entries are
// listed in a slot table of 256, in the order in which they are built.
class CostruttoreMenu
{
public:
    struct Contesto
    {
        // The bar whose entries after the first ("Sistema") are replaced; its "tag" holds the
        // program shown.
        QMenuBar* barra;
        // The statement holder the program's rows are read on, in its transaction.
        db::Query& query;
        // The user's parameters, for captions holding "<LINEA>name</LINEA>".
        TTabXForm& form;
        // The slot table (index 1 to 256) and the running entry count.
        std::array<QAction*, 257>& voci;
        qint32& conta;
        // Where the captions' parameters come from; empty: the user's parameter set
        // (TTabXForm::CaricaParametro).
        std::function<QString(const QString&)> parametro = {};
    };

    explicit CostruttoreMenu(const Contesto& contesto);
    ~CostruttoreMenu();

    // Replaces the menus of the bar with those of the program.
    void CaricaMenu(qint32 programma);
    // True when the entry has visible children one level deeper. Answered from the tree being
    // built, or from the program's tree read for the question.
    bool CercaFigli(qint32 programma, qint32 menu, qint32 livello);
    // Adds the children of an entry to its submenu, recursively (from the tree being built, or
    // from the program's tree read for the call).
    void CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre, QMenu* padre);

    // The program whose menus the bar shows.
    static qint32 programmaDi(const QMenuBar* barra);
    // Removes every menu of the bar after the first ("Sistema"), with all their entries.
    static void togliMenuProgramma(QMenuBar* barra);

private:
    // The tree of the program, read unless it is the one being built.
    const AlberoMenu& albero(qint32 programma);
    // Builds the top-level entries of the tree (not yet in the bar) into cimaMenu; CaricaMenu
    // puts them in the bar once all is built.
    void costruisciMenu(std::vector<QAction*>& cimaMenu);
    // Adds the entries of a tree's nodes to a submenu, with their own submenus.
    void aggiungiVoci(const std::vector<int>& nodi, QMenu* padre);
    QAction* nuovaVoce(const QString& caption, qint32 menu, QObject* contenitore);
    void occupaSlot(QAction* voce);
    QString didascalia(const AlberoMenu::Nodo& nodo);

    Contesto m_contesto;
    // The tree of the program being built, or last read.
    std::optional<qint32> m_programmaAlbero;
    AlberoMenu m_albero;
    // The captions' parameters read during this build, by name.
    QHash<QString, QString> m_parametriLetti;
};

// didascaliaConParametro (AlberoMenu.h) with the value read from the user's parameter set.
QString didascaliaConParametro(const QString& descrizione, TTabXForm& form);

} // namespace velkora
