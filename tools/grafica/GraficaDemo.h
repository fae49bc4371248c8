#pragma once

#include <QStringList>

namespace velkora::admin {

// What painting the pictures of a program folder did, as paths relative to the folder
// ("Grafica/Verde.bmp").
struct EsitoGrafica
{
    QStringList scritti;
    // Files that were there already and were left exactly as they were.
    QStringList saltati;
};

// Paints the pictures a program folder's "Grafica" needs: the save-button pictures Verde.bmp and
// Rosso.bmp and, with demo, an icon for every ".ico" file that the demo data names. A file that
// exists (or a link of that name, even a broken one) is never replaced: it is listed as skipped.
// The folder Grafica is made when missing. Text is drawn on the icons only when a
// QGuiApplication runs (the letters need fonts). Throws std::runtime_error with an Italian
// message when a file cannot be written; what was written before stays.
EsitoGrafica ScriviGrafica(const QString& programFolder, bool demo);

} // namespace velkora::admin
