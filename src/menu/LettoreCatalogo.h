#pragma once

#include <QString>
#include <vector>

namespace velkora {

namespace db {
class Query;
}

// A quick item of a program (a DETTMENU row with VOCERAPIDA '1'), with what starting it needs.
struct VoceRapidaCatalogo
{
    qint32 menu = 0;
    QString descrizione;
    QString dll;
    QString funzione;
    QString parametri;
    QString livello2;
};

// A program of a project (PROGRAMMI) and its quick items in ascending menu code.
struct ProgrammaCatalogo
{
    qint32 codice = 0;
    QString descrizione;
    QString icona;
    std::vector<VoceRapidaCatalogo> rapide;
};

// Reads the catalogue of a project: its programs, in the order in which the engine gives the
// rows of PROGRAMMI whose code DETTPROGETTI lists for the project (the order of the navigation
// bar), each with its quick items. One statement with named columns; a parameter text comes as a
// string in the row, and only a text longer than a row can carry is read as a long text.
// Engine errors go to the caller.
class LettoreCatalogo
{
public:
    explicit LettoreCatalogo(db::Query& query);

    std::vector<ProgrammaCatalogo> programmi(qint32 progetto);

private:
    db::Query& m_query;
};

} // namespace velkora
