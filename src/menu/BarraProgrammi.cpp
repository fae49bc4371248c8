#include "menu/BarraProgrammi.h"

#include "db/Query.h"
#include "db/SqlText.h"
#include "menu/ImageList.h"
#include "menu/NavigationBar.h"
#include "platform/FileSystem.h"

#include <QAbstractButton>
#include <QIcon>

namespace velkora {

namespace {
constexpr int kSlots = 256;
}

BarraProgrammi::BarraProgrammi(const Contesto& contesto) : m_contesto(contesto) {}

void BarraProgrammi::CaricaProgrammi(qint32 progetto)
{
    NavigationBar* barra = m_contesto.barra;
    ImageList& icone32 = m_contesto.icone;
    ImageList& icone16 = m_contesto.icone2;
    db::Query& query = m_contesto.query;
    db::Query& query2 = m_contesto.query2;
    const QString grafica =
        platform::joinPath(m_contesto.cartellaProgramma, QStringLiteral("Grafica"));
    const bool conGrafica = platform::folderExists(grafica);
    int icone = 0;
    int gruppo = 1;
    int rapida = 1;

    // Every build starts from an empty bar: a second login or a rebuild never adds its groups,
    // links and pictures to those already there, nor leaves old ones in the slot tables.
    barra->removeAllGroups();
    icone32.clear();
    icone16.clear();
    m_contesto.gruppi.fill(nullptr);
    m_contesto.rapide.fill(nullptr);

    query.close();
    query.clear();
    query.add(QStringLiteral("SELECT * FROM PROGRAMMI WHERE CODICE IN("));
    query.add(QStringLiteral("SELECT PROGRAMMA FROM DETTPROGETTI"));
    query.add(QStringLiteral("WHERE PROGETTO=") + db::quotedInt(progetto) + QLatin1Char(')'));
    query.open();
    for (query.first(); !query.eof(); query.next()) {
        const QString icona = query.asString(QStringLiteral("ICONA"));
        bool conIcona = false;
        if (!icona.isEmpty() && conGrafica) {
            // The name comes from a database that other workstations write: only a file inside
            // Grafica is read. A name leading elsewhere ("../", an absolute path, a link out of
            // the folder) counts as a missing icon, and is noted in the warning output.
            const QString file = platform::fileInsideFolder(grafica, icona);
            if (file.isEmpty()) {
                qWarning("Icon \"%s\" of program %s leads outside %s: not read",
                         qUtf8Printable(icona),
                         qUtf8Printable(query.asString(QStringLiteral("CODICE"))),
                         qUtf8Printable(grafica));
            } else if (platform::fileExists(file)) {
                // One icon file gives both sizes; the list keeps the same order in both.
                const QIcon icon(file);
                icone32.add(icon.pixmap(icone32.size()));
                icone16.add(icon.pixmap(icone16.size()));
                conIcona = true;
            }
        }
        const qint32 codice = static_cast<qint32>(query.asInteger(QStringLiteral("CODICE")));
        NavigationBar::Group* g =
            barra->addGroup(query.asString(QStringLiteral("DESCRIZIONE")), codice,
                            conIcona ? icone : -1, conIcona ? icone : -1);
        g->setOnClick(m_contesto.suClickGruppo);
        // The tables hold 256 groups and 256 quick items; more are still shown.
        if (gruppo <= kSlots)
            m_contesto.gruppi[static_cast<std::size_t>(gruppo)] = g;
        if (conIcona)
            ++icone;

        query2.close();
        query2.clear();
        query2.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
        query2.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(codice) + QStringLiteral(")AND"));
        query2.add(QStringLiteral("(VOCERAPIDA='1')"));
        query2.add(QStringLiteral("ORDER BY MENU"));
        query2.open();
        for (query2.first(); !query2.eof(); query2.next()) {
            NavigationBar::Link* link =
                barra->addLink(g, query2.asString(QStringLiteral("DESCRIZIONE")),
                               static_cast<int>(query2.asInteger(QStringLiteral("MENU"))));
            if (rapida <= kSlots)
                m_contesto.rapide[static_cast<std::size_t>(rapida)] = link;
            ++rapida;
        }
        ++gruppo;
    }
}

} // namespace velkora
