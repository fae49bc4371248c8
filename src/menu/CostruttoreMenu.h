#pragma once

#include "menu/RigaMenu.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
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

// The menus of one program in the menu bar, built from the visible rows of DETTMENU: a
// top-level entry per row of depth 0 without parent, and below each entry the rows one level
// deeper that name it as parent. Leaves record the click handler they get ("gestore": mode-2
// leaves below the top level "EventoVoce2OnClick", the others "EventoVoceOnClick"); the entries
// are listed in a slot table of 256.
class CostruttoreMenu
{
public:
    struct Contesto
    {
        // The bar whose entries after the first ("Sistema") are replaced; its "tag" holds the
        // program shown.
        QMenuBar* barra;
        // The statement holder the whole-tree read runs on, in its transaction.
        db::Query& query;
        // The user's parameters, for captions holding "<LINEA>name</LINEA>", and the user
        // database for the per-entry statements.
        TTabXForm& form;
        // The slot table (index 1 to 256) and the running entry count.
        std::array<QAction*, 257>& voci;
        qint32& conta;
        // One statement per entry and per parent instead of one read of the whole tree.
        bool perRiga = false;
        // Where the captions' parameters come from; empty: the user's parameter set
        // (TTabXForm::CaricaParametro).
        std::function<QString(const QString&)> parametro = {};
    };

    explicit CostruttoreMenu(const Contesto& contesto);
    ~CostruttoreMenu();

    // Replaces the menus of the bar with those of the program.
    void CaricaMenu(qint32 programma);
    // True when the entry has visible children one level deeper.
    bool CercaFigli(qint32 programma, qint32 menu, qint32 livello);
    // Adds the children of an entry to its submenu, recursively.
    void CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre, QMenu* padre);

    // The program whose menus the bar shows.
    static qint32 programmaDi(const QMenuBar* barra);
    // Removes every menu of the bar after the first ("Sistema"), with all their entries.
    static void togliMenuProgramma(QMenuBar* barra);

private:
    // Reads the program's menus and builds their top-level entries (not yet in the bar) into
    // cimaMenu; CaricaMenu puts them in the bar once all is read.
    void costruisciMenu(qint32 programma, std::vector<QAction*>& cimaMenu);
    std::vector<RigaMenu> righeFiglie(qint32 programma, qint32 menuPadre, qint32 livelloPadre);
    QAction* nuovaVoce(const QString& caption, qint32 menu, QObject* contenitore);

    Contesto m_contesto;
    // The visible menu rows of the program being built, while CaricaMenu runs.
    std::unique_ptr<std::vector<RigaMenu>> m_istantaneaMenu;
};

// The caption of a description holding "<LINEA>name</LINEA>": the text before "<LINEA>"
// followed by the value of the parameter; the rest is not shown.
QString didascaliaConParametro(const QString& descrizione, TTabXForm& form);
// The same with the parameter's value given by a function of its name.
QString didascaliaConParametro(const QString& descrizione,
                               const std::function<QString(const QString&)>& parametro);

} // namespace velkora
