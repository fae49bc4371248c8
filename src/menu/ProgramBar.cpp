// The navigation bar of the user's project, built from PROGRAMMI, DETTPROGETTI and the quick
// items of DETTMENU (operations of TBaseMainForm).

#include "data/TabX.h"
#include "db/SqlText.h"
#include "menu/NavigationBar.h"

#include <QAbstractButton>
#include "platform/FileSystem.h"
#include "shell/BaseMain.h"

#include <QIcon>
#include <QMenuBar>

namespace velkora {

namespace {
constexpr int kSlots = 256;
}

void TBaseMainForm::CaricaProgrammi()
{
    const QString grafica = platform::joinPath(tabX()->programFolder(), QStringLiteral("Grafica"));
    const bool conGrafica = platform::folderExists(grafica);
    int icone = 0;
    int gruppo = 1;
    int rapida = 1;

    // Every build starts from an empty bar: a second login or a rebuild never adds its groups,
    // links and pictures to those already there, nor leaves old ones in the slot tables.
    MenuProgrammi->removeAllGroups();
    IconeProgrammi.clear();
    Icone2Programmi.clear();
    GruppiProgrammi.fill(nullptr);
    VociRapide.fill(nullptr);

    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT * FROM PROGRAMMI WHERE CODICE IN("));
    QueryAux.add(QStringLiteral("SELECT PROGRAMMA FROM DETTPROGETTI"));
    QueryAux.add(QStringLiteral("WHERE PROGETTO=") + db::quotedInt(NumProgetto) + QLatin1Char(')'));
    QueryAux.open();
    for (QueryAux.first(); !QueryAux.eof(); QueryAux.next()) {
        const QString icona = QueryAux.asString(QStringLiteral("ICONA"));
        bool conIcona = false;
        if (!icona.isEmpty() && conGrafica) {
            // The name comes from a database that other workstations write: only a file inside
            // Grafica is read. A name leading elsewhere ("../", an absolute path, a link out of
            // the folder) counts as a missing icon, and is noted in the warning output.
            const QString file = platform::fileInsideFolder(grafica, icona);
            if (file.isEmpty()) {
                qWarning("Icon \"%s\" of program %s leads outside %s: not read",
                         qUtf8Printable(icona),
                         qUtf8Printable(QueryAux.asString(QStringLiteral("CODICE"))),
                         qUtf8Printable(grafica));
            } else if (platform::fileExists(file)) {
                // One icon file gives both sizes; the list keeps the same order in both.
                const QIcon icon(file);
                IconeProgrammi.add(icon.pixmap(IconeProgrammi.size()));
                Icone2Programmi.add(icon.pixmap(Icone2Programmi.size()));
                conIcona = true;
            }
        }
        const qint32 codice = static_cast<qint32>(QueryAux.asInteger(QStringLiteral("CODICE")));
        NavigationBar::Group* g = MenuProgrammi->addGroup(QueryAux.asString(QStringLiteral("DESCRIZIONE")),
                                                          codice, conIcona ? icone : -1,
                                                          conIcona ? icone : -1);
        g->setOnClick([this] { ProgrammaOnClick(); });
        // The tables hold 256 groups and 256 quick items; more are still shown.
        if (gruppo <= kSlots)
            GruppiProgrammi[static_cast<std::size_t>(gruppo)] = g;
        if (conIcona)
            ++icone;

        QueryAux2.close();
        QueryAux2.clear();
        QueryAux2.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
        QueryAux2.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(codice) + QStringLiteral(")AND"));
        QueryAux2.add(QStringLiteral("(VOCERAPIDA='1')"));
        QueryAux2.add(QStringLiteral("ORDER BY MENU"));
        QueryAux2.open();
        for (QueryAux2.first(); !QueryAux2.eof(); QueryAux2.next()) {
            NavigationBar::Link* link = MenuProgrammi->addLink(
                g, QueryAux2.asString(QStringLiteral("DESCRIZIONE")),
                static_cast<int>(QueryAux2.asInteger(QStringLiteral("MENU"))));
            if (rapida <= kSlots)
                VociRapide[static_cast<std::size_t>(rapida)] = link;
            ++rapida;
        }
        ++gruppo;
    }
}

void TBaseMainForm::ProgrammaOnClick()
{
    if (NavigationBar::Group* g = MenuProgrammi->clickedGroup())
        CaricaMenu(g->tag());
}

} // namespace velkora
