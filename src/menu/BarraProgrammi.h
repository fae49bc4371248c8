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
// (DETTMENU rows with VOCERAPIDA '1') as its links. Groups and links are listed in slot tables
// of 256.
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
        // The programs are read on the first query, the quick items of each on the second.
        db::Query& query;
        db::Query& query2;
        // The program folder, whose "Grafica" holds the icons.
        QString cartellaProgramma;
        // What a click on a group header does.
        std::function<void()> suClickGruppo;
        // One statement per program for its quick items instead of one read of the whole
        // catalogue (the same bar, many more round trips).
        bool perProgramma = false;
    };

    explicit BarraProgrammi(const Contesto& contesto);

    // Empties the bar and fills it with the programs of the project.
    void CaricaProgrammi(qint32 progetto);

private:
    struct Conteggi;
    // The bar from one read of the catalogue; false when the engine refused the read (nothing
    // was added to the bar then).
    bool caricaDalCatalogo(qint32 progetto, Conteggi& conteggi);
    void caricaPerProgramma(qint32 progetto, Conteggi& conteggi);
    // Appends the group of a program, with its icon when the graphics folder has it.
    NavigationBar::Group* aggiungiGruppo(qint32 codice, const QString& descrizione,
                                         const QString& icona, Conteggi& conteggi);
    void aggiungiRapida(NavigationBar::Group* gruppo, const QString& descrizione, qint32 menu,
                        Conteggi& conteggi);

    Contesto m_contesto;
};

} // namespace velkora
