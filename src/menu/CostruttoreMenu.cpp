#include "menu/CostruttoreMenu.h"

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velkora {

namespace {

constexpr int kSlots = 256;

const char* kProprietaTag = "tag";

RigaMenu leggiRiga(const db::Query& q)
{
    RigaMenu r;
    r.menu = static_cast<qint32>(q.asInteger(QStringLiteral("MENU")));
    r.livelloNull = q.isNull(QStringLiteral("LIVELLOMENU"));
    r.livello = static_cast<qint32>(q.asInteger(QStringLiteral("LIVELLOMENU")));
    r.precNull = q.isNull(QStringLiteral("MENUPREC"));
    r.menuPrec = static_cast<qint32>(q.asInteger(QStringLiteral("MENUPREC")));
    r.descrizione = q.asString(QStringLiteral("DESCRIZIONE"));
    r.livello2 = q.asString(QStringLiteral("LIVELLO2VERSIONE"));
    return r;
}

bool figlioDi(const RigaMenu& r, qint32 menuPadre, qint32 livelloPadre)
{
    return !r.livelloNull && !r.precNull && r.livello == livelloPadre + 1 &&
           r.menuPrec == menuPadre;
}

} // namespace

QString didascaliaConParametro(const QString& descrizione, TTabXForm& form)
{
    return didascaliaConParametro(
        descrizione, [&form](const QString& nome) { return form.CaricaParametro(nome); });
}

QString didascaliaConParametro(const QString& descrizione,
                               const std::function<QString(const QString&)>& parametro)
{
    const qsizetype p = descrizione.indexOf(QLatin1String("<LINEA>"));
    const qsizetype q = descrizione.indexOf(QLatin1String("</LINEA>"));
    const qsizetype lunghezza = (q < 0 ? -1 : q) - p - 7;
    const QString nome = lunghezza > 0 ? descrizione.mid(p + 7, lunghezza) : QString();
    return descrizione.left(p) + parametro(nome);
}

CostruttoreMenu::CostruttoreMenu(const Contesto& contesto) : m_contesto(contesto) {}

CostruttoreMenu::~CostruttoreMenu() = default;

qint32 CostruttoreMenu::programmaDi(const QMenuBar* barra)
{
    return barra->property(kProprietaTag).toInt();
}

QAction* CostruttoreMenu::nuovaVoce(const QString& caption, qint32 menu, QObject* contenitore)
{
    // The entry belongs to the menu that shows it, so it goes when that menu is destroyed.
    auto* voce = new QAction(caption, contenitore);
    voce->setProperty(kProprietaTag, menu);
    // The slot table holds 256 entries; a larger tree is still shown whole, its further
    // entries are simply not listed in the table.
    if (m_contesto.conta >= 1 && m_contesto.conta <= kSlots)
        m_contesto.voci[static_cast<std::size_t>(m_contesto.conta)] = voce;
    return voce;
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
        costruisciMenu(programma, nuove);
    } catch (...) {
        m_istantaneaMenu.reset();
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

void CostruttoreMenu::costruisciMenu(qint32 programma, std::vector<QAction*>& cimaMenu)
{
    db::Query& query = m_contesto.query;
    query.close();
    query.clear();
    if (m_contesto.perRiga) {
        m_istantaneaMenu.reset();
        query.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
        query.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) +
                  QStringLiteral(")AND"));
        query.add(QStringLiteral("(LIVELLOMENU=0)AND(MENUPREC IS NULL)AND(VISIBILE='1')"));
        query.add(QStringLiteral("ORDER BY MENU"));
    } else {
        // One statement for the whole tree: only visible rows can ever be shown, and the
        // parent and depth rules are applied in memory exactly as the per-entry statements
        // apply them.
        query.add(
            QStringLiteral("SELECT MENU, LIVELLOMENU, MENUPREC, DESCRIZIONE, LIVELLO2VERSIONE"));
        query.add(QStringLiteral("FROM DETTMENU WHERE"));
        query.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) +
                  QStringLiteral(")AND(VISIBILE='1')"));
        query.add(QStringLiteral("ORDER BY MENU"));
    }
    query.open();
    std::vector<RigaMenu> cima;
    if (m_contesto.perRiga) {
        for (query.first(); !query.eof(); query.next())
            cima.push_back(leggiRiga(query));
    } else {
        auto tutte = std::make_unique<std::vector<RigaMenu>>();
        for (query.first(); !query.eof(); query.next()) {
            RigaMenu r = leggiRiga(query);
            if (!r.livelloNull && r.livello == 0 && r.precNull)
                cima.push_back(r);
            tutte->push_back(std::move(r));
        }
        m_istantaneaMenu = std::move(tutte);
    }

    for (const RigaMenu& r : cima) {
        // Owned by the bar from the start, shown in it only when the whole tree is built.
        QAction* voce = nuovaVoce(r.descrizione, r.menu, m_contesto.barra);
        cimaMenu.push_back(voce);
        if (CercaFigli(programma, r.menu, r.livello)) {
            auto* sub = new QMenu(r.descrizione, m_contesto.barra);
            voce->setMenu(sub);
            CreaVoci(programma, r.menu, r.livello, sub);
        } else {
            voce->setProperty("gestore", QStringLiteral("EventoVoceOnClick"));
        }
        ++m_contesto.conta;
    }
    m_istantaneaMenu.reset();
}

bool CostruttoreMenu::CercaFigli(qint32 programma, qint32 menu, qint32 livello)
{
    if (m_istantaneaMenu) {
        for (const RigaMenu& r : *m_istantaneaMenu) {
            if (figlioDi(r, menu, livello))
                return true;
        }
        return false;
    }
    db::Query q(&m_contesto.form.IBDatabaseUser, m_contesto.query.transaction());
    q.add(QStringLiteral("SELECT COUNT(*) FROM DETTMENU WHERE"));
    q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(LIVELLOMENU=") + db::quotedInt(qint64(livello) + 1) +
          QStringLiteral(")AND"));
    q.add(QStringLiteral("(MENUPREC=") + db::quotedInt(menu) +
          QStringLiteral(")AND(VISIBILE='1')"));
    q.open();
    const QString n = q.isEmpty() ? QString() : q.asString(0);
    return !n.isEmpty() && n != QLatin1String("0");
}

std::vector<RigaMenu> CostruttoreMenu::righeFiglie(qint32 programma, qint32 menuPadre,
                                                   qint32 livelloPadre)
{
    std::vector<RigaMenu> figli;
    if (m_istantaneaMenu) {
        for (const RigaMenu& r : *m_istantaneaMenu) {
            if (figlioDi(r, menuPadre, livelloPadre))
                figli.push_back(r);
        }
        return figli;
    }
    db::Query q(&m_contesto.form.IBDatabaseUser, m_contesto.query.transaction());
    q.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
    q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(LIVELLOMENU=") + db::quotedInt(qint64(livelloPadre) + 1) +
          QStringLiteral(")AND"));
    q.add(QStringLiteral("(MENUPREC=") + db::quotedInt(menuPadre) +
          QStringLiteral(")AND(VISIBILE='1')"));
    q.add(QStringLiteral("ORDER BY MENU"));
    q.open();
    for (q.first(); !q.eof(); q.next())
        figli.push_back(leggiRiga(q));
    return figli;
}

void CostruttoreMenu::CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre,
                               QMenu* padre)
{
    for (const RigaMenu& r : righeFiglie(programma, menuPadre, livelloPadre)) {
        ++m_contesto.conta;
        const QString caption =
            r.descrizione.contains(QLatin1String("<LINEA>"))
                ? (m_contesto.parametro
                       ? didascaliaConParametro(r.descrizione, m_contesto.parametro)
                       : didascaliaConParametro(r.descrizione, m_contesto.form))
                : r.descrizione;
        if (r.descrizione == QLatin1String("-")) {
            // A separator line: its caption "-" is not drawn.
            QAction* sep = padre->addSeparator();
            sep->setProperty(kProprietaTag, r.menu);
            sep->setObjectName(QStringLiteral("N") + QString::number(r.menu));
            if (m_contesto.conta >= 1 && m_contesto.conta <= kSlots)
                m_contesto.voci[static_cast<std::size_t>(m_contesto.conta)] = sep;
            continue;
        }
        QAction* voce = nuovaVoce(caption, r.menu, padre);
        padre->addAction(voce);
        if (CercaFigli(programma, r.menu, r.livello)) {
            auto* sub = new QMenu(caption, padre);
            voce->setMenu(sub);
            CreaVoci(programma, r.menu, r.livello, sub);
        } else {
            voce->setProperty("gestore", r.livello2 == QLatin1String("1")
                                             ? QStringLiteral("EventoVoce2OnClick")
                                             : QStringLiteral("EventoVoceOnClick"));
        }
    }
}

} // namespace velkora
