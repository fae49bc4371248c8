#include "menu/BarraProgrammi.h"

#include "menu/ImageList.h"
#include "menu/LettoreCatalogo.h"
#include "menu/NavigationBar.h"
#include "platform/FileSystem.h"

#include <QAbstractButton>
#include <QIcon>

namespace velkora {

namespace {
constexpr int kSlots = 256;
}

struct BarraProgrammi::Conteggi
{
    QString grafica;
    bool conGrafica = false;
    int icone = 0;
    int gruppo = 1;
    int rapida = 1;
};

BarraProgrammi::BarraProgrammi(const Contesto& contesto) : m_contesto(contesto) {}

void BarraProgrammi::CaricaProgrammi(qint32 progetto)
{
    Conteggi conteggi;
    conteggi.grafica = platform::joinPath(m_contesto.cartellaProgramma, QStringLiteral("Grafica"));
    conteggi.conGrafica = platform::folderExists(conteggi.grafica);

    // Every build starts from an empty bar: a second login or a rebuild never adds its groups,
    // links and pictures to those already there, nor leaves old ones in the slot tables.
    m_contesto.barra->removeAllGroups();
    m_contesto.icone.clear();
    m_contesto.icone2.clear();
    m_contesto.gruppi.fill(nullptr);
    m_contesto.rapide.fill(nullptr);

    // Read whole before the first group is added: a failed read leaves the bar empty, and the
    // caller reports it.
    const std::vector<ProgrammaCatalogo> programmi =
        LettoreCatalogo(m_contesto.query).programmi(progetto);
    for (const ProgrammaCatalogo& p : programmi) {
        NavigationBar::Group* g = aggiungiGruppo(p.codice, p.descrizione, p.icona, conteggi);
        for (const VoceRapidaCatalogo& v : p.rapide)
            aggiungiRapida(g, v.descrizione, v.menu, conteggi);
    }
}

NavigationBar::Group* BarraProgrammi::aggiungiGruppo(qint32 codice, const QString& descrizione,
                                                     const QString& icona, Conteggi& conteggi)
{
    bool conIcona = false;
    if (!icona.isEmpty() && conteggi.conGrafica) {
        // The name comes from a database that other workstations write: only a file inside
        // Grafica is read. A name leading elsewhere ("../", an absolute path, a link out of
        // the folder) counts as a missing icon, and is noted in the warning output.
        const QString file = platform::fileInsideFolder(conteggi.grafica, icona);
        if (file.isEmpty()) {
            qWarning("Icon \"%s\" of program %d leads outside %s: not read", qUtf8Printable(icona),
                     int(codice), qUtf8Printable(conteggi.grafica));
        } else if (platform::fileExists(file)) {
            // One icon file gives both sizes; the list keeps the same order in both.
            const QIcon icon(file);
            m_contesto.icone.add(icon.pixmap(m_contesto.icone.size()));
            m_contesto.icone2.add(icon.pixmap(m_contesto.icone2.size()));
            conIcona = true;
        }
    }
    NavigationBar::Group* g = m_contesto.barra->addGroup(
        descrizione, codice, conIcona ? conteggi.icone : -1, conIcona ? conteggi.icone : -1);
    g->setOnClick(m_contesto.suClickGruppo);
    // The tables hold 256 groups and 256 quick items; more are still shown.
    if (conteggi.gruppo <= kSlots)
        m_contesto.gruppi[static_cast<std::size_t>(conteggi.gruppo)] = g;
    if (conIcona)
        ++conteggi.icone;
    ++conteggi.gruppo;
    return g;
}

void BarraProgrammi::aggiungiRapida(NavigationBar::Group* gruppo, const QString& descrizione,
                                    qint32 menu, Conteggi& conteggi)
{
    NavigationBar::Link* link = m_contesto.barra->addLink(gruppo, descrizione, menu);
    if (conteggi.rapida <= kSlots)
        m_contesto.rapide[static_cast<std::size_t>(conteggi.rapida)] = link;
    ++conteggi.rapida;
}

} // namespace velkora
