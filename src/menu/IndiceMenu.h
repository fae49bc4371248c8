#pragma once

#include "menu/CatalogoProgetto.h"

#include <QString>
#include <functional>
#include <vector>

namespace velkora {

// A program of the navigation bar as the menu search shows it: its code, its caption and the
// index of its small picture (-1: none).
struct ProgrammaRicerca
{
    qint32 codice = 0;
    QString descrizione;
    int immagine = -1;
};

// What the menu search can start: every menu leaf the menus of the project show and every
// quick item of the navigation bar, each with the path that leads to it, prepared for matching
// typed text without regard to case and accents. Built once from the project's catalogue; a
// search reads only memory.
class IndiceMenu
{
public:
    struct Voce
    {
        qint32 programma = 0;
        qint32 menu = 0;
        // 1, or 2 for leaves below the top level marked LIVELLO2VERSIONE '1', as a click on the
        // same entry would pass it.
        qint32 modo = 1;
        bool rapida = false;
        // The caption as shown in the menus (or in the bar for a quick item) and the whole path,
        // program first, joined by " › ".
        QString didascalia;
        QString percorso;
        int immagine = -1;
        // The same texts folded for matching (testoDiRicerca).
        QString didascaliaCerca;
        QString percorsoCerca;
    };

    // Fills a caption that holds a parameter placeholder, as the menus do.
    using Didascalia = std::function<QString(const QString& descrizione)>;

    // The programs in the order of the bar; rows of programs not listed are left out. Each
    // caption with a placeholder is filled once through riempi.
    static IndiceMenu costruisci(const std::vector<ProgrammaRicerca>& programmi,
                                 const std::vector<RigaCatalogo>& righe, const Didascalia& riempi);

    // The entries whose path holds every word of the text, in any order. First those whose
    // caption starts with the whole text, then those where every word starts a word of the
    // caption, then those whose caption holds every word, then the rest; within each group in
    // the order of the bar and of the menus. An empty text finds nothing. A text that goes on
    // from the previous one (the next keystroke) looks only among the previous matches.
    std::vector<int> cerca(const QString& testo) const;

    int size() const { return static_cast<int>(m_voci.size()); }
    const Voce& voce(int i) const { return m_voci.at(static_cast<std::size_t>(i)); }

private:
    std::vector<Voce> m_voci;
    // The previous search, folded, and every entry it matched, in index order.
    mutable QString m_ultimoCercato;
    mutable std::vector<int> m_ultimeCorrispondenze;
};

// Text folded for matching: lower case, accents dropped ("Contabilità" -> "contabilita"),
// every run of characters other than letters and digits made one blank, no blank at the ends.
QString testoDiRicerca(const QString& testo);

} // namespace velkora
