#pragma once

#include "menu/NavigationBar.h"

#include <QString>
#include <array>
#include <functional>

class QObject;

namespace velkora {

class ImageList;

namespace db {
class Query;
}

// The navigation bar of a project: one group per program of PROGRAMMI listed for the project in
// DETTPROGETTI, with the program's icon from the "Grafica" folder, and the program's quick items
// (DETTMENU rows with VOCERAPIDA '1') as its links, all read in one statement (LettoreCatalogo).
// Groups and links are listed in slot tables of 256.
class BarraProgrammi
{
public:
    struct Contesto
    {
        NavigationBar* barra;
        // Large (32 by 32) and small (16 by 16) pictures of the groups, one entry per icon.
        ImageList& icone;
        ImageList& icone2;
        // Slot tables, index 1 to 256.
        std::array<QObject*, 257>& gruppi;
        std::array<QObject*, 257>& rapide;
        // The statement holder the programs and their quick items are read on.
        db::Query& query;
        // The program folder, whose "Grafica" holds the icons.
        QString cartellaProgramma;
        // What a click on a group header does.
        std::function<void()> suClickGruppo;
    };

    explicit BarraProgrammi(const Contesto& contesto);

    // Empties the bar and fills it with the programs of the project.
    void CaricaProgrammi(qint32 progetto);

private:
    struct Conteggi;
    // Appends the group of a program, with its icon when the graphics folder has it.
    NavigationBar::Group* aggiungiGruppo(qint32 codice, const QString& descrizione,
                                         const QString& icona, Conteggi& conteggi);
    void aggiungiRapida(NavigationBar::Group* gruppo, const QString& descrizione, qint32 menu,
                        Conteggi& conteggi);

    Contesto m_contesto;
};

} // namespace velkora
