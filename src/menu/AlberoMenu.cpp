#include "menu/AlberoMenu.h"

namespace velkora {

namespace {

const QString kSeparatore = QStringLiteral("-");
const QString kSegnaposto = QStringLiteral("<LINEA>");

// The key under which an entry's children are listed: their depth and their parent's code. The
// depth is wide enough for the parent's depth + 1 whatever the stored depth.
QPair<qint64, qint32> chiave(qint64 livello, qint32 menuPrec)
{
    return {livello, menuPrec};
}

} // namespace

AlberoMenu::AlberoMenu(const std::vector<RigaCatalogo>& righe)
{
    std::vector<const RigaCatalogo*> puntatori;
    puntatori.reserve(righe.size());
    for (const RigaCatalogo& r : righe)
        puntatori.push_back(&r);
    costruisci(puntatori);
}

AlberoMenu::AlberoMenu(const std::vector<const RigaCatalogo*>& righe)
{
    costruisci(righe);
}

void AlberoMenu::costruisci(const std::vector<const RigaCatalogo*>& righe)
{
    // First every visible row becomes an entry, listed under its depth and parent; then each
    // entry learns what it is from its own row and its children's list.
    m_nodi.reserve(righe.size());
    m_figli.reserve(static_cast<qsizetype>(righe.size()));
    for (const RigaCatalogo* c : righe) {
        if (c->rapida)
            m_rapide.push_back(*c);
        if (!c->visibile)
            continue;
        const RigaMenu& r = c->riga;
        Nodo n;
        n.menu = r.menu;
        n.livello = r.livello;
        n.descrizione = r.descrizione;
        n.inCima = !r.livelloNull && r.livello == 0 && r.precNull;
        const int i = static_cast<int>(m_nodi.size());
        m_nodi.push_back(std::move(n));
        if (m_nodi.back().inCima)
            m_cima.push_back(i);
        else if (!r.livelloNull && !r.precNull)
            m_figli[chiave(r.livello, r.menuPrec)].push_back(i);
    }
    std::size_t k = 0;
    for (const RigaCatalogo* c : righe) {
        if (!c->visibile)
            continue;
        Nodo& n = m_nodi[k++];
        if (!n.inCima && n.descrizione == kSeparatore) {
            n.tipo = Tipo::Separatore;
            continue;
        }
        n.conParametro = !n.inCima && n.descrizione.contains(kSegnaposto);
        const auto it = m_figli.constFind(chiave(qint64(n.livello) + 1, n.menu));
        if (it != m_figli.cend()) {
            n.tipo = Tipo::Sottomenu;
            n.figli = *it;
        } else {
            n.tipo = Tipo::Foglia;
            n.modo = !n.inCima && c->riga.livello2 == QLatin1String("1") ? 2 : 1;
        }
    }
}

bool AlberoMenu::haFigli(qint32 menu, qint32 livello) const
{
    return m_figli.contains(chiave(qint64(livello) + 1, menu));
}

std::vector<int> AlberoMenu::figliDi(qint32 menu, qint32 livello) const
{
    return m_figli.value(chiave(qint64(livello) + 1, menu));
}

QString didascaliaConParametro(const QString& descrizione,
                               const std::function<QString(const QString&)>& parametro)
{
    const qsizetype p = descrizione.indexOf(kSegnaposto);
    const qsizetype q = descrizione.indexOf(QLatin1String("</LINEA>"));
    const qsizetype lunghezza = (q < 0 ? -1 : q) - p - 7;
    const QString nome = lunghezza > 0 ? descrizione.mid(p + 7, lunghezza) : QString();
    return descrizione.left(p) + parametro(nome);
}

} // namespace velkora
