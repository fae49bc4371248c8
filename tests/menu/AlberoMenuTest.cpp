// The menu tree of a program made from its rows, without a window or a database: each rule of the
// tree on a small catalogue, and the look-ups the per-entry operations use.
#include "menu/AlberoMenu.h"

#include <QStringList>

#include <functional>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

struct Riga
{
    int menu;
    int livello; // -1: NULL
    int prec;    // -1: NULL
    bool visibile;
    const char* descrizione;
    bool livello2 = false;
    bool rapida = false;
};

std::vector<RigaCatalogo> righe(const std::vector<Riga>& elenco)
{
    std::vector<RigaCatalogo> out;
    for (const Riga& r : elenco) {
        RigaCatalogo c;
        c.programma = 1;
        c.visibile = r.visibile;
        c.rapida = r.rapida;
        c.riga.menu = r.menu;
        c.riga.livelloNull = r.livello < 0;
        c.riga.livello = r.livello < 0 ? 0 : r.livello;
        c.riga.precNull = r.prec < 0;
        c.riga.menuPrec = r.prec < 0 ? 0 : r.prec;
        c.riga.descrizione = QString::fromUtf8(r.descrizione);
        c.riga.livello2 = r.livello2 ? QStringLiteral("1") : QStringLiteral("0");
        out.push_back(c);
    }
    return out;
}

// The tree walked from the top, one line per entry: depth, code, kind, and for a leaf its mode,
// "p" when the caption takes a parameter.
QStringList percorri(const AlberoMenu& albero)
{
    QStringList out;
    std::function<void(const std::vector<int>&, int)> giu = [&](const std::vector<int>& nodi, int p) {
        for (const int i : nodi) {
            const AlberoMenu::Nodo& n = albero.nodo(i);
            QString riga = QStringLiteral("%1 %2 ").arg(p).arg(n.menu);
            switch (n.tipo) {
            case AlberoMenu::Tipo::Sottomenu:
                riga += QStringLiteral("sub");
                break;
            case AlberoMenu::Tipo::Separatore:
                riga += QStringLiteral("sep");
                break;
            case AlberoMenu::Tipo::Foglia:
                riga += QStringLiteral("leaf%1").arg(n.modo);
                break;
            }
            if (n.conParametro)
                riga += QStringLiteral(" p");
            out << riga;
            EXPECT_EQ(n.inCima, p == 0);
            if (n.tipo == AlberoMenu::Tipo::Sottomenu)
                giu(n.figli, p + 1);
            else
                EXPECT_TRUE(n.figli.empty());
        }
    };
    giu(albero.cima(), 0);
    return out;
}

struct Caso
{
    const char* regola;
    std::vector<Riga> righe;
    QStringList atteso;
};

TEST(AlberoMenu, EachRuleOfTheTree)
{
    const Caso casi[] = {
        {"children one level deeper, in the order given",
         {{1, 0, -1, true, "A"}, {2, 1, 1, true, "B"}, {3, 2, 2, true, "C"}, {4, 1, 1, true, "D"}},
         {"0 1 sub", "1 2 sub", "2 3 leaf1", "1 4 leaf1"}},
        {"an invisible entry takes its visible children with it",
         {{1, 0, -1, true, "A"}, {2, 1, 1, false, "B"}, {3, 2, 2, true, "C"}, {4, 1, 1, true, "D"}},
         {"0 1 sub", "1 4 leaf1"}},
        {"an entry whose only children are invisible is a leaf",
         {{1, 0, -1, true, "A"}, {2, 1, 1, true, "B"}, {3, 2, 2, false, "C"}},
         {"0 1 sub", "1 2 leaf1"}},
        {"an invisible top is not shown",
         {{1, 0, -1, false, "A"}, {2, 1, 1, true, "B"}},
         {}},
        {"depth mismatch, NULL depth, NULL parent below the top, a top with a parent",
         {{1, 0, -1, true, "A"},
          {2, 2, 1, true, "B"},
          {3, -1, 1, true, "C"},
          {4, 1, -1, true, "D"},
          {5, 0, 1, true, "E"},
          {6, 1, 1, true, "F"}},
         {"0 1 sub", "1 6 leaf1"}},
        {"a separator below the top has no children and no mode",
         {{1, 0, -1, true, "A"}, {2, 1, 1, true, "-", true}, {3, 2, 2, true, "C"}},
         {"0 1 sub", "1 2 sep"}},
        {"at the top \"-\" is an ordinary entry, leaf or submenu",
         {{1, 0, -1, true, "-"}, {2, 0, -1, true, "-"}, {3, 1, 2, true, "C"}},
         {"0 1 leaf1", "0 2 sub", "1 3 leaf1"}},
        {"mode 2 only below the top",
         {{1, 0, -1, true, "A", true}, {2, 0, -1, true, "B"}, {3, 1, 2, true, "C", true}},
         {"0 1 leaf1", "0 2 sub", "1 3 leaf2"}},
        {"a parameter in the caption only below the top",
         {{1, 0, -1, true, "A <LINEA>X</LINEA>"}, {2, 1, 1, true, "B <LINEA>X</LINEA>"},
          {3, 1, 1, true, "C <LINEA>X"}, {4, 1, 1, true, "D </LINEA>"}},
         {"0 1 sub", "1 2 leaf1 p", "1 3 leaf1 p", "1 4 leaf1"}},
        {"deep chains have no depth limit",
         {{1, 0, -1, true, "A"}, {2, 1, 1, true, "B"}, {3, 2, 2, true, "C"}, {4, 3, 3, true, "D"},
          {5, 4, 4, true, "E"}, {6, 5, 5, true, "F", true}},
         {"0 1 sub", "1 2 sub", "2 3 sub", "3 4 sub", "4 5 sub", "5 6 leaf2"}},
        {"an entry at the largest depth asks for no children beyond it",
         {{1, 0, -1, true, "A"}, {2, 2147483647, 1, true, "B"}},
         {"0 1 leaf1"}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.regola);
        const std::vector<RigaCatalogo> r = righe(c.righe);
        EXPECT_EQ(percorri(AlberoMenu(r)), c.atteso);
    }
}

TEST(AlberoMenu, QuickItemsWhateverTheirPlaceOrVisibility)
{
    const std::vector<RigaCatalogo> r = righe({
        {1, 0, -1, true, "A"},
        {2, 1, 1, false, "nascosta", false, true},
        {3, 1, 1, true, "B", false, true},
        {4, 7, 99, true, "fuori posto", false, true},
    });
    const AlberoMenu albero(r);
    std::vector<qint32> rapide;
    for (const RigaCatalogo& c : albero.rapide())
        rapide.push_back(c.riga.menu);
    EXPECT_EQ(rapide, (std::vector<qint32>{2, 3, 4}));
    EXPECT_EQ(percorri(albero), (QStringList{"0 1 sub", "1 3 leaf1"}));
}

// CercaFigli and CreaVoci ask by code and depth, whether or not that entry is shown.
TEST(AlberoMenu, ChildrenLookedUpByCodeAndDepth)
{
    const std::vector<RigaCatalogo> r = righe({
        {1, 0, -1, true, "A"},
        {2, 1, 1, true, "-"},
        {3, 2, 2, true, "sotto il separatore"},
        {4, 2, 2, false, "invisibile"},
        {5, 2, 2, true, "altro"},
        {6, 1, 1, false, "nascosto"},
        {7, 2, 6, true, "sotto il nascosto"},
    });
    const AlberoMenu albero(r);
    const auto codici = [&](const std::vector<int>& nodi) {
        std::vector<qint32> out;
        for (const int i : nodi)
            out.push_back(albero.nodo(i).menu);
        return out;
    };
    EXPECT_TRUE(albero.haFigli(1, 0));
    EXPECT_EQ(codici(albero.figliDi(1, 0)), (std::vector<qint32>{2}));
    EXPECT_TRUE(albero.haFigli(2, 1));
    EXPECT_EQ(codici(albero.figliDi(2, 1)), (std::vector<qint32>{3, 5}));
    EXPECT_TRUE(albero.haFigli(6, 1));
    EXPECT_FALSE(albero.haFigli(1, 1)) << "the depth must match";
    EXPECT_FALSE(albero.haFigli(3, 2));
    EXPECT_TRUE(albero.figliDi(42, 0).empty());
}

} // namespace
