#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace velkora::anagrafi {

// One column of a list: the table's column and the caption the window shows for it.
struct Campo
{
    QString colonna;
    QString etichetta;
    int larghezza = 100; // in the grid, pixels
    int lunghezza = 0;   // most characters the column holds; 0 for the key
};

// What tells the customer list from the supplier list: the table of the company archive, the
// generator of its keys, the window's title, and the codes under which the window keeps its
// position and its script. Both tables have the same columns; the first is the integer key.
struct Anagrafica
{
    QString tabella;
    QString generatore;
    QString titolo;
    // The window's name in the per-window scripts (at most 15 characters).
    QString nomeFinestra;
    // Situation code of the stored window position.
    qint32 situazione = 0;
    // The singular, for the messages ("cliente", "fornitore").
    QString singolare;
    // The layout its printed list takes from the "Report" folder of the program folder.
    QString nomeReport;

    static const Anagrafica& clienti();
    static const Anagrafica& fornitori();
};

// The columns of both tables, key first, in the order of the table definition.
const std::vector<Campo>& campiAnagrafica();

// The selection the window reads its rows with: every column, ordered by name and key.
QStringList selezioneAnagrafica(const Anagrafica& anagrafica);

// Project code under which the module stores its windows' positions and scripts.
inline constexpr qint32 kProgettoAnagrafi = 10;

} // namespace velkora::anagrafi
