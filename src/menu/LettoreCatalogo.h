#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace velkora {

namespace db {
class Query;
}

// The select-list lines that give DETTMENU's parameter text of the row aliased `alias`
// without a long-text read for most rows: PARAMETRI holds it as a string up to the length a row
// carries, PARAMETRIBLOB only a longer one. testoParametri() reads the text back.
QStringList colonneParametri(const QString& alias);
QString testoParametri(const db::Query& query);

// A quick item of a program (a DETTMENU row with VOCERAPIDA '1') as the bar shows it; a click
// reads what starting it needs (EseguiFunzioneVoce).
struct VoceRapidaCatalogo
{
    qint32 menu = 0;
    QString descrizione;
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
// bar), each with its quick items. One statement that names only the columns the bar shows, so
// it needs nothing of a database that the statements one per program would not need.
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
