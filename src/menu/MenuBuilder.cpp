// The menu bar of the current program, built from DETTMENU (operations of TBaseMainForm).

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "shell/BaseMain.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velkora {


namespace {

constexpr int kSlots = 256;

const char* kProprietaTag = "tag";

TBaseMainForm::RigaMenu leggiRiga(const db::Query& q)
{
    TBaseMainForm::RigaMenu r;
    r.menu = static_cast<qint32>(q.asInteger(QStringLiteral("MENU")));
    r.livelloNull = q.isNull(QStringLiteral("LIVELLOMENU"));
    r.livello = static_cast<qint32>(q.asInteger(QStringLiteral("LIVELLOMENU")));
    r.precNull = q.isNull(QStringLiteral("MENUPREC"));
    r.menuPrec = static_cast<qint32>(q.asInteger(QStringLiteral("MENUPREC")));
    r.descrizione = q.asString(QStringLiteral("DESCRIZIONE"));
    r.livello2 = q.asString(QStringLiteral("LIVELLO2VERSIONE"));
    return r;
}

bool figlioDi(const TBaseMainForm::RigaMenu& r, qint32 menuPadre, qint32 livelloPadre)
{
    return !r.livelloNull && !r.precNull && r.livello == livelloPadre + 1 && r.menuPrec == menuPadre;
}

} // namespace

// The caption of a description holding "<LINEA>name</LINEA>": the text before "<LINEA>"
// followed by the value of the parameter; the rest is not shown.
QString didascaliaConParametro(const QString& descrizione, TTabXForm& form)
{
    const qsizetype p = descrizione.indexOf(QLatin1String("<LINEA>"));
    const qsizetype q = descrizione.indexOf(QLatin1String("</LINEA>"));
    const qsizetype lunghezza = (q < 0 ? -1 : q) - p - 7;
    const QString nome = lunghezza > 0 ? descrizione.mid(p + 7, lunghezza) : QString();
    return descrizione.left(p) + form.CaricaParametro(nome);
}

qint32 TBaseMainForm::programmaCorrente() const
{
    return MenuPrincipale->property(kProprietaTag).toInt();
}

QAction* TBaseMainForm::nuovaVoce(const QString& caption, qint32 menu, QObject* contenitore)
{
    // The entry belongs to the menu that shows it, so it goes when that menu is destroyed.
    auto* voce = new QAction(caption, contenitore);
    voce->setProperty(kProprietaTag, menu);
    // The slot table holds 256 entries; a larger tree is still shown whole, its further
    // entries are simply not listed in the table.
    if (ContaVoci >= 1 && ContaVoci <= kSlots)
        VociMenu[static_cast<std::size_t>(ContaVoci)] = voce;
    return voce;
}

void TBaseMainForm::CaricaMenu(qint32 programma)
{
    // The menus shown stay until the new ones are built: when reading them fails (a lost
    // connection, say) the bar keeps the program it had, and a later click tries again.
    const std::array<QAction*, 257> vecchieVoci = VociMenu;
    const qint32 vecchioConta = ContaVoci;
    const QVariant vecchioProgramma = MenuPrincipale->property(kProprietaTag);
    VociMenu.fill(nullptr);
    ContaVoci = 1;
    MenuPrincipale->setProperty(kProprietaTag, programma);
    std::vector<QAction*> nuove;
    try {
        costruisciMenu(programma, nuove);
    } catch (...) {
        m_istantaneaMenu.reset();
        for (QAction* voce : nuove) {
            delete voce->menu();
            delete voce;
        }
        VociMenu = vecchieVoci;
        ContaVoci = vecchioConta;
        MenuPrincipale->setProperty(kProprietaTag, vecchioProgramma);
        throw;
    }

    // Everything after "Sistema" goes, with its submenus.
    const QList<QAction*> top = MenuPrincipale->actions();
    for (int i = 1; i < top.size(); ++i) {
        MenuPrincipale->removeAction(top[i]);
        if (QMenu* sub = top[i]->menu())
            sub->deleteLater();
        top[i]->deleteLater();
    }
    for (QAction* voce : nuove)
        MenuPrincipale->addAction(voce);
}

void TBaseMainForm::costruisciMenu(qint32 programma, std::vector<QAction*>& cimaMenu)
{
    QueryAux.close();
    QueryAux.clear();
    if (leggiMenuRigaPerRiga) {
        m_istantaneaMenu.reset();
        QueryAux.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
        QueryAux.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
        QueryAux.add(QStringLiteral("(LIVELLOMENU=0)AND(MENUPREC IS NULL)AND(VISIBILE='1')"));
        QueryAux.add(QStringLiteral("ORDER BY MENU"));
    } else {
        // One statement for the whole tree: only visible rows can ever be shown, and the
        // parent and depth rules are applied in memory exactly as the per-entry statements
        // apply them.
        QueryAux.add(QStringLiteral("SELECT MENU, LIVELLOMENU, MENUPREC, DESCRIZIONE, LIVELLO2VERSIONE"));
        QueryAux.add(QStringLiteral("FROM DETTMENU WHERE"));
        QueryAux.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND(VISIBILE='1')"));
        QueryAux.add(QStringLiteral("ORDER BY MENU"));
    }
    QueryAux.open();
    std::vector<RigaMenu> cima;
    if (leggiMenuRigaPerRiga) {
        for (QueryAux.first(); !QueryAux.eof(); QueryAux.next())
            cima.push_back(leggiRiga(QueryAux));
    } else {
        auto tutte = std::make_unique<std::vector<RigaMenu>>();
        for (QueryAux.first(); !QueryAux.eof(); QueryAux.next()) {
            RigaMenu r = leggiRiga(QueryAux);
            if (!r.livelloNull && r.livello == 0 && r.precNull)
                cima.push_back(r);
            tutte->push_back(std::move(r));
        }
        m_istantaneaMenu = std::move(tutte);
    }

    for (const RigaMenu& r : cima) {
        // Owned by the bar from the start, shown in it only when the whole tree is built.
        QAction* voce = nuovaVoce(r.descrizione, r.menu, MenuPrincipale);
        cimaMenu.push_back(voce);
        if (CercaFigli(programma, r.menu, r.livello)) {
            auto* sub = new QMenu(r.descrizione, MenuPrincipale);
            voce->setMenu(sub);
            CreaVoci(programma, r.menu, r.livello, sub);
        } else {
            voce->setProperty("gestore", QStringLiteral("EventoVoceOnClick"));
        }
        ++ContaVoci;
    }
    m_istantaneaMenu.reset();
}

bool TBaseMainForm::CercaFigli(qint32 programma, qint32 menu, qint32 livello)
{
    if (m_istantaneaMenu) {
        for (const RigaMenu& r : *m_istantaneaMenu) {
            if (figlioDi(r, menu, livello))
                return true;
        }
        return false;
    }
    db::Query q(&tabX()->IBDatabaseUser, &TransazioneAux);
    q.add(QStringLiteral("SELECT COUNT(*) FROM DETTMENU WHERE"));
    q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(LIVELLOMENU=") + db::quotedInt(qint64(livello) + 1) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(MENUPREC=") + db::quotedInt(menu) + QStringLiteral(")AND(VISIBILE='1')"));
    q.open();
    const QString n = q.isEmpty() ? QString() : q.asString(0);
    return !n.isEmpty() && n != QLatin1String("0");
}

std::vector<TBaseMainForm::RigaMenu> TBaseMainForm::righeFiglie(qint32 programma, qint32 menuPadre,
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
    db::Query q(&tabX()->IBDatabaseUser, &TransazioneAux);
    q.add(QStringLiteral("SELECT * FROM DETTMENU WHERE"));
    q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(LIVELLOMENU=") + db::quotedInt(qint64(livelloPadre) + 1) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(MENUPREC=") + db::quotedInt(menuPadre) + QStringLiteral(")AND(VISIBILE='1')"));
    q.add(QStringLiteral("ORDER BY MENU"));
    q.open();
    for (q.first(); !q.eof(); q.next())
        figli.push_back(leggiRiga(q));
    return figli;
}

void TBaseMainForm::CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre, QMenu* padre)
{
    for (const RigaMenu& r : righeFiglie(programma, menuPadre, livelloPadre)) {
        ++ContaVoci;
        const QString caption = r.descrizione.contains(QLatin1String("<LINEA>"))
            ? didascaliaConParametro(r.descrizione, *tabX())
            : r.descrizione;
        if (r.descrizione == QLatin1String("-")) {
            // A separator line: its caption "-" is not drawn.
            QAction* sep = padre->addSeparator();
            sep->setProperty(kProprietaTag, r.menu);
            sep->setObjectName(QStringLiteral("N") + QString::number(r.menu));
            if (ContaVoci >= 1 && ContaVoci <= kSlots)
                VociMenu[static_cast<std::size_t>(ContaVoci)] = sep;
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
