#include "menu/CostruttoreMenu.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "menu/CatalogoProgetto.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velkora {

namespace {

constexpr int kSlots = 256;

const char* kProprietaTag = "tag";

} // namespace

QString didascaliaConParametro(const QString& descrizione, TTabXForm& form)
{
    return didascaliaConParametro(
        descrizione, [&form](const QString& nome) { return form.CaricaParametro(nome); });
}

CostruttoreMenu::CostruttoreMenu(const Contesto& contesto) : m_contesto(contesto) {}

CostruttoreMenu::~CostruttoreMenu() = default;

qint32 CostruttoreMenu::programmaDi(const QMenuBar* barra)
{
    return barra->property(kProprietaTag).toInt();
}

void CostruttoreMenu::occupaSlot(QAction* voce)
{
    // The slot table holds 256 entries; a larger tree is still shown whole, its further
    // entries are simply not listed in the table.
    if (m_contesto.conta >= 1 && m_contesto.conta <= kSlots)
        m_contesto.voci[static_cast<std::size_t>(m_contesto.conta)] = voce;
}

QAction* CostruttoreMenu::nuovaVoce(const QString& caption, qint32 menu, QObject* contenitore)
{
    // The entry belongs to the menu that shows it, so it goes when that menu is destroyed.
    auto* voce = new QAction(caption, contenitore);
    voce->setProperty(kProprietaTag, menu);
    occupaSlot(voce);
    return voce;
}

QString CostruttoreMenu::didascalia(const AlberoMenu::Nodo& nodo)
{
    if (!nodo.conParametro)
        return nodo.descrizione;
    // A parameter named by several captions is read once per build, and all of them show the
    // same value.
    return didascaliaConParametro(nodo.descrizione, [this](const QString& nome) {
        auto it = m_parametriLetti.constFind(nome);
        if (it == m_parametriLetti.cend())
            it = m_parametriLetti.insert(nome, m_contesto.parametro
                                                   ? m_contesto.parametro(nome)
                                                   : m_contesto.form.CaricaParametro(nome));
        return *it;
    });
}

const AlberoMenu& CostruttoreMenu::albero(qint32 programma)
{
    if (m_programmaAlbero != programma) {
        m_programmaAlbero.reset();
        m_albero = AlberoMenu(leggiMenuProgramma(m_contesto.query, programma));
        m_programmaAlbero = programma;
    }
    return m_albero;
}

void CostruttoreMenu::CaricaMenu(qint32 programma)
{
    // The menus shown stay until the new ones are built: when reading them fails (a lost
    // connection, say) the bar keeps the program it had, and a later click tries again.
    const std::array<QAction*, 257> vecchieVoci = m_contesto.voci;
    const qint32 vecchioConta = m_contesto.conta;
    const QVariant vecchioProgramma = m_contesto.barra->property(kProprietaTag);
    m_contesto.voci.fill(nullptr);
    m_contesto.conta = 1;
    m_contesto.barra->setProperty(kProprietaTag, programma);
    std::vector<QAction*> nuove;
    try {
        // Always read again: the menus show the rows and parameters as they are now.
        m_programmaAlbero.reset();
        m_parametriLetti.clear();
        albero(programma);
        costruisciMenu(nuove);
    } catch (...) {
        for (QAction* voce : nuove) {
            delete voce->menu();
            delete voce;
        }
        m_contesto.voci = vecchieVoci;
        m_contesto.conta = vecchioConta;
        m_contesto.barra->setProperty(kProprietaTag, vecchioProgramma);
        throw;
    }

    togliMenuProgramma(m_contesto.barra);
    for (QAction* voce : nuove)
        m_contesto.barra->addAction(voce);
}

void CostruttoreMenu::togliMenuProgramma(QMenuBar* barra)
{
    const QList<QAction*> top = barra->actions();
    for (int i = 1; i < top.size(); ++i) {
        barra->removeAction(top[i]);
        // Later, because the caller may be running in a click handler of one of these entries.
        if (QMenu* sub = top[i]->menu())
            sub->deleteLater();
        top[i]->deleteLater();
    }
}

void CostruttoreMenu::costruisciMenu(std::vector<QAction*>& cimaMenu)
{
    for (const int i : m_albero.cima()) {
        const AlberoMenu::Nodo& n = m_albero.nodo(i);
        // Owned by the bar from the start, shown in it only when the whole tree is built.
        QAction* voce = nuovaVoce(didascalia(n), n.menu, m_contesto.barra);
        cimaMenu.push_back(voce);
        if (n.tipo == AlberoMenu::Tipo::Sottomenu) {
            auto* sub = new QMenu(voce->text(), m_contesto.barra);
            voce->setMenu(sub);
            aggiungiVoci(n.figli, sub);
        } else {
            voce->setProperty("gestore", QStringLiteral("EventoVoceOnClick"));
        }
        ++m_contesto.conta;
    }
}

bool CostruttoreMenu::CercaFigli(qint32 programma, qint32 menu, qint32 livello)
{
    return albero(programma).haFigli(menu, livello);
}

void CostruttoreMenu::CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre,
                               QMenu* padre)
{
    aggiungiVoci(albero(programma).figliDi(menuPadre, livelloPadre), padre);
}

void CostruttoreMenu::aggiungiVoci(const std::vector<int>& nodi, QMenu* padre)
{
    for (const int i : nodi) {
        const AlberoMenu::Nodo& n = m_albero.nodo(i);
        ++m_contesto.conta;
        if (n.tipo == AlberoMenu::Tipo::Separatore) {
            // A separator line: its caption "-" is not drawn.
            QAction* sep = padre->addSeparator();
            sep->setProperty(kProprietaTag, n.menu);
            sep->setObjectName(QStringLiteral("N") + QString::number(n.menu));
            occupaSlot(sep);
            continue;
        }
        const QString caption = didascalia(n);
        QAction* voce = nuovaVoce(caption, n.menu, padre);
        padre->addAction(voce);
        if (n.tipo == AlberoMenu::Tipo::Sottomenu) {
            auto* sub = new QMenu(caption, padre);
            voce->setMenu(sub);
            aggiungiVoci(n.figli, sub);
        } else {
            voce->setProperty("gestore", n.modo == 2 ? QStringLiteral("EventoVoce2OnClick")
                                                     : QStringLiteral("EventoVoceOnClick"));
        }
    }
}

} // namespace velkora
