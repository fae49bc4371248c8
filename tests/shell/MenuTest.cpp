#include "data/SchemaInstaller.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "menu/CatalogoProgetto.h"
#include "menu/CostruttoreMenu.h"
#include "menu/IndiceMenu.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"
#include "support/MenuGrande.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

struct Row
{
    int menu;
    int livello;   // -1: NULL
    int prec;      // -1: NULL
    const char* visibile;
    QString descrizione;
    const char* livello2 = "";
};

// The whole visible tree, one line per entry: depth, caption, tag, kind, name, click handler
// and the slot of VociMenu that refers to it.
QStringList describe(const TBaseMainForm& w)
{
    QStringList lines;
    auto slotOf = [&](const QAction* a) {
        for (int i = 1; i <= 256; ++i) {
            if (w.VociMenu[static_cast<std::size_t>(i)] == a)
                return i;
        }
        return 0;
    };
    std::function<void(const QList<QAction*>&, int)> walk = [&](const QList<QAction*>& actions, int depth) {
        for (const QAction* a : actions) {
            lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                         .arg(depth)
                         .arg(a->isSeparator() ? QStringLiteral("-") : a->text())
                         .arg(a->property("tag").toInt())
                         .arg(a->isSeparator() ? QStringLiteral("sep") : a->menu() ? QStringLiteral("sub") : QStringLiteral("leaf"))
                         .arg(a->objectName())
                         .arg(a->property("gestore").toString())
                         .arg(slotOf(a));
            if (a->menu())
                walk(a->menu()->actions(), depth + 1);
        }
    };
    const QList<QAction*> top = w.MenuPrincipale->actions();
    walk(top.mid(1), 0);
    return lines;
}

// The menus as the statements one per entry and per parent give them, run on a connection of
// the test: a COUNT of an entry's visible children one level deeper tells a submenu from a
// leaf, and a SELECT of those children fills the submenu, down to any depth. The lines are those
// of describe(); conta ends as ContaVoci does. The reference that the menus built from one read
// of the rows must equal.
struct PerVoce
{
    PerVoce(db::Database& d, qint32 p, std::function<QString(const QString&)> f)
        : database(d), programma(p), parametro(std::move(f))
    {
    }

    db::Database& database;
    qint32 programma;
    std::function<QString(const QString&)> parametro;
    QStringList lines;
    int conta = 1;

    QStringList costruisci()
    {
        db::Transaction t(&database);
        m_t = &t;
        db::Query q(&database, &t);
        q.add(QStringLiteral("SELECT MENU, LIVELLOMENU, DESCRIZIONE FROM DETTMENU WHERE (PROGRAMMA=") +
              db::quotedInt(programma) +
              QStringLiteral(")AND(LIVELLOMENU=0)AND(MENUPREC IS NULL)AND(VISIBILE='1') ORDER BY MENU"));
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            const qint32 menu = static_cast<qint32>(q.asInteger(0));
            const qint32 livello = static_cast<qint32>(q.asInteger(1));
            const bool figli = cercaFigli(menu, livello);
            riga(0, q.asString(2), menu, figli ? "sub" : "leaf", QString(),
                 figli ? QString() : QStringLiteral("EventoVoceOnClick"));
            if (figli)
                creaVoci(menu, livello, 1);
            ++conta;
        }
        m_t = nullptr;
        return lines;
    }

private:
    bool cercaFigli(qint32 menu, qint32 livello)
    {
        db::Query q(&database, m_t);
        q.add(QStringLiteral("SELECT COUNT(*) FROM DETTMENU WHERE (PROGRAMMA=") + db::quotedInt(programma) +
              QStringLiteral(")AND(LIVELLOMENU=") + db::quotedInt(qint64(livello) + 1) +
              QStringLiteral(")AND(MENUPREC=") + db::quotedInt(menu) + QStringLiteral(")AND(VISIBILE='1')"));
        q.open();
        const QString n = q.isEmpty() ? QString() : q.asString(0);
        return !n.isEmpty() && n != QLatin1String("0");
    }

    void creaVoci(qint32 padre, qint32 livelloPadre, int profondita)
    {
        db::Query q(&database, m_t);
        q.add(QStringLiteral("SELECT MENU, LIVELLOMENU, DESCRIZIONE, LIVELLO2VERSIONE FROM DETTMENU WHERE "
                             "(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND(LIVELLOMENU=") +
              db::quotedInt(qint64(livelloPadre) + 1) + QStringLiteral(")AND(MENUPREC=") + db::quotedInt(padre) +
              QStringLiteral(")AND(VISIBILE='1') ORDER BY MENU"));
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            ++conta;
            const qint32 menu = static_cast<qint32>(q.asInteger(0));
            const qint32 livello = static_cast<qint32>(q.asInteger(1));
            const QString descrizione = q.asString(2);
            if (descrizione == QLatin1String("-")) {
                riga(profondita, descrizione, menu, "sep", QStringLiteral("N%1").arg(menu), QString());
                continue;
            }
            const QString caption = descrizione.contains(QLatin1String("<LINEA>"))
                                        ? didascaliaConParametro(descrizione, parametro)
                                        : descrizione;
            const bool figli = cercaFigli(menu, livello);
            riga(profondita, caption, menu, figli ? "sub" : "leaf", QString(),
                 figli ? QString()
                 : q.asString(3) == QLatin1String("1") ? QStringLiteral("EventoVoce2OnClick")
                                                       : QStringLiteral("EventoVoceOnClick"));
            if (figli)
                creaVoci(menu, livello, profondita + 1);
        }
    }

    void riga(int profondita, const QString& caption, qint32 menu, const char* tipo, const QString& nome,
              const QString& gestore)
    {
        lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                     .arg(profondita)
                     .arg(caption)
                     .arg(menu)
                     .arg(QString::fromLatin1(tipo), nome, gestore)
                     .arg(conta <= 256 ? conta : 0);
    }

    db::Transaction* m_t = nullptr;
};

class MenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        test::attach(setup, folder.userDatabase());
        test::exec(setup, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (1, 'ROSSI', 'DITTA A')"));
        test::exec(setup, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                                         "VALUES (1, 'DITTA A', 'NOMEPARAM', 'Estate', 1)"));
    }

    void insert(int programma, const std::vector<Row>& rows)
    {
        QString sql;
        for (const Row& r : rows) {
            auto orNull = [](int v) { return v < 0 ? QStringLiteral("NULL") : QString::number(v); };
            sql += QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                                  "DESCRIZIONE, LIVELLO2VERSIONE) VALUES (%1, %2, %3, %4, '%5', %6, '%7');\n")
                       .arg(programma)
                       .arg(r.menu)
                       .arg(orNull(r.livello), orNull(r.prec), QString::fromUtf8(r.visibile))
                       .arg(db::quoted(r.descrizione), QString::fromUtf8(r.livello2));
        }
        data::SchemaInstaller::runScript(setup, sql);
    }

    // The menus of the program as the statements one per entry give them, on a connection of the
    // test; the parameter values are the user's.
    PerVoce perVoce(TBaseMainForm& w, qint32 programma)
    {
        if (!setup.attached())
            test::attach(setup, folder.userDatabase());
        TTabXForm* form = w.tabX();
        PerVoce riferimento{setup, programma, [form](const QString& nome) { return form->CaricaParametro(nome); }};
        riferimento.costruisci();
        return riferimento;
    }

    std::unique_ptr<TBaseMainForm> start()
    {
        setup.detach();
        CurrentDirectory cwd(folder.path());
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        w->tabX()->NumUser = 1;
        w->tabX()->NomeUser = QStringLiteral("ROSSI");
        w->tabX()->DittaCorrente = QStringLiteral("DITTA A");
        return w;
    }

    // The leaves the menu search finds in one program, from the project's rows as the search
    // reads them: "menu|mode|caption".
    QStringList ricercaDelProgramma(TBaseMainForm& w, qint32 programma)
    {
        db::Transaction t(&setup);
        db::Query q(&setup, &t);
        TTabXForm* form = w.tabX();
        const IndiceMenu indice = IndiceMenu::costruisci(
            {{programma, QStringLiteral("Programma"), -1}}, leggiCatalogoProgetto(q, 1),
            [form](const QString& descrizione) { return didascaliaConParametro(descrizione, *form); });
        QStringList out;
        for (int i = 0; i < indice.size(); ++i) {
            const IndiceMenu::Voce& v = indice.voce(i);
            if (!v.rapida)
                out << QStringLiteral("%1|%2|%3").arg(v.menu).arg(v.modo).arg(v.didascalia);
        }
        return out;
    }

    // The leaves of the menu bar as the search lists them: "menu|mode|caption", in menu order;
    // a top-level leaf "-" holds nothing to search for.
    static QStringList fogliePerRicerca(const TBaseMainForm& w)
    {
        QStringList out;
        std::function<void(const QList<QAction*>&, bool)> walk = [&](const QList<QAction*>& actions, bool cima) {
            for (const QAction* a : actions) {
                if (a->menu()) {
                    walk(a->menu()->actions(), false);
                } else if (!a->isSeparator() && !(cima && a->text() == QLatin1String("-"))) {
                    const bool modo2 = a->property("gestore").toString() == QLatin1String("EventoVoce2OnClick");
                    out << QStringLiteral("%1|%2|%3").arg(a->property("tag").toInt()).arg(modo2 ? 2 : 1).arg(a->text());
                }
            }
        };
        walk(w.MenuPrincipale->actions().mid(1), true);
        return out;
    }

    ProgramFolder folder;
    db::Database setup;
};

TEST_F(MenuTest, CatalogueRulesOnBothWaysOfReading)
{
    insert(7, {
        {10, 0, -1, "1", QStringLiteral("Archivi")},
        {11, 1, 10, "1", QStringLiteral("Clienti")},
        {12, 1, 10, "1", QStringLiteral("-")},
        {13, 2, 12, "1", QStringLiteral("figlio del separatore")},
        {14, 1, 10, "0", QStringLiteral("Nascosto")},
        {15, 2, 14, "1", QStringLiteral("figlio del nascosto")},
        {16, 1, 10, "1", QStringLiteral("Listino <LINEA>NOMEPARAM</LINEA> attivo")},
        {17, 1, 10, "1", QStringLiteral("Senza fine <LINEA>NOMEPARAM")},
        {18, 1, 10, "1", QStringLiteral("Versione due"), "1"},
        {19, 1, 10, "1", QStringLiteral("Solo figli invisibili")},
        {20, 2, 19, "0", QStringLiteral("invisibile")},
        {21, 2, 10, "1", QStringLiteral("profondità sbagliata")},
        {30, 0, -1, "1", QStringLiteral("-")},
        {31, 0, -1, "1", QStringLiteral("Cima <LINEA>NOMEPARAM</LINEA>"), "1"},
        {32, 0, 10, "1", QStringLiteral("cima con padre")},
        {33, -1, -1, "1", QStringLiteral("senza livello")},
        {40, 0, -1, "0", QStringLiteral("Cima nascosta")},
    });
    const QStringList expected = {
        QStringLiteral("0|Archivi|10|sub|||1"),
        QStringLiteral("1|Clienti|11|leaf||EventoVoceOnClick|2"),
        QStringLiteral("1|-|12|sep|N12||3"),
        QStringLiteral("1|Listino Estate|16|leaf||EventoVoceOnClick|4"),
        QStringLiteral("1|Senza fine |17|leaf||EventoVoceOnClick|5"),
        QStringLiteral("1|Versione due|18|leaf||EventoVoce2OnClick|6"),
        QStringLiteral("1|Solo figli invisibili|19|leaf||EventoVoceOnClick|7"),
        QStringLiteral("0|-|30|leaf||EventoVoceOnClick|8"),
        QStringLiteral("0|Cima <LINEA>NOMEPARAM</LINEA>|31|leaf||EventoVoceOnClick|9"),
    };
    auto w = start();
    // The statements one per entry, as a reference, give the same menus.
    EXPECT_EQ(perVoce(*w, 7).lines, expected);
    w->CaricaMenu(7);
    EXPECT_EQ(describe(*w), expected);
    EXPECT_EQ(w->programmaCorrente(), 7);
    // The operations one entry at a time answer from the same tree.
    EXPECT_TRUE(w->CercaFigli(7, 10, 0));
    EXPECT_FALSE(w->CercaFigli(7, 19, 1)) << "only invisible children";
    EXPECT_TRUE(w->CercaFigli(7, 12, 1)) << "a separator's children are counted, never shown";
    EXPECT_FALSE(w->CercaFigli(7, 11, 1)) << "a leaf";
    // Rebuilding replaces the tree: nothing of the old one stays behind.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto objects = w->findChildren<QObject*>().size();
    w->CaricaMenu(7);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->findChildren<QObject*>().size(), objects);
    // A program without visible top-level rows leaves only "Sistema".
    w->CaricaMenu(99);
    EXPECT_EQ(w->MenuPrincipale->actions().size(), 1);
    EXPECT_EQ(w->MenuPrincipale->actions()[0]->text(), QStringLiteral("Sistema"));
}

TEST_F(MenuTest, MoreThan256EntriesAreAllShownWithoutOverrunningTheSlots)
{
    std::vector<Row> rows;
    rows.push_back({1, 0, -1, "1", QStringLiteral("Molte voci")});
    for (int i = 2; i <= 300; ++i)
        rows.push_back({i, 1, 1, "1", QStringLiteral("Voce %1").arg(i)});
    insert(5, rows);
    auto w = start();
    w->CaricaMenu(5);
    const QStringList lines = describe(*w);
    ASSERT_EQ(lines.size(), 300);
    EXPECT_TRUE(lines[255].endsWith(QStringLiteral("|256")));
    EXPECT_TRUE(lines[299].endsWith(QStringLiteral("|0"))) << "beyond the table: shown, not listed";
    EXPECT_EQ(w->ContaVoci, 301);
}

// Random catalogues must give the tree of the statements one per entry in every respect, and the
// menu search must list exactly the leaves those menus show.
TEST_F(MenuTest, SnapshotAndPerEntryStatementsBuildIdenticalTrees)
{
    QRandomGenerator random(20261210);
    const QString captions[] = {QStringLiteral("Voce"), QStringLiteral("-"),
                                QStringLiteral("Listino <LINEA>NOMEPARAM</LINEA> x"),
                                QStringLiteral("Rotto <LINEA>NOMEPARAM"), QStringLiteral("L'apostrofo")};
    for (int programma = 1; programma <= 12; ++programma) {
        std::vector<Row> rows;
        const int n = 10 + random.bounded(60);
        for (int m = 1; m <= n; ++m) {
            Row r{m * 3, 0, -1, "1", captions[random.bounded(5)] + QString::number(m)};
            if (m > 1 && random.bounded(4) != 0) {
                // Mostly a child one level below an earlier row, sometimes a depth mismatch.
                const Row& parent = rows[static_cast<std::size_t>(random.bounded(m - 1))];
                r.prec = parent.menu;
                r.livello = (parent.livello < 0 ? 0 : parent.livello) + (random.bounded(6) == 0 ? 2 : 1);
            }
            if (random.bounded(5) == 0)
                r.descrizione = QStringLiteral("-");
            if (random.bounded(20) == 0)
                r.livello = -1;
            if (random.bounded(15) == 0)
                r.prec = r.livello == 0 ? 3 : -1;
            r.visibile = random.bounded(6) == 0 ? "0" : "1";
            r.livello2 = random.bounded(3) == 0 ? "1" : "";
            rows.push_back(r);
        }
        insert(programma, rows);
    }
    QString progetto;
    for (int programma = 1; programma <= 12; ++programma)
        progetto += QStringLiteral("INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, %1);\n").arg(programma);
    data::SchemaInstaller::runScript(setup, progetto);
    auto w = start();
    QStringList all;
    for (int programma = 1; programma <= 12; ++programma) {
        SCOPED_TRACE(programma);
        const PerVoce riferimento = perVoce(*w, programma);
        w->CaricaMenu(programma);
        EXPECT_EQ(describe(*w), riferimento.lines);
        EXPECT_EQ(w->ContaVoci, riferimento.conta);
        EXPECT_EQ(ricercaDelProgramma(*w, programma), fogliePerRicerca(*w));
        all += riferimento.lines;
    }
    // The catalogues must exercise what they are meant to: deep entries, separators with
    // their names, placeholders filled in, both click handlers.
    EXPECT_FALSE(all.filter(QRegularExpression(QStringLiteral("^[2-4]\\|"))).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("|sep|N")).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("Listino Estate")).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("EventoVoce2OnClick")).isEmpty());
}

// A program of 5,000 entries on the embedded engine, built into real menus: the whole tree is that
// of the statements one per entry, every entry is shown, the slot table lists the first 256, and
// the search finds exactly the leaves shown.
TEST_F(MenuTest, FiveThousandEntriesAreBuiltWhole)
{
    constexpr int kProgramma = 50;
    data::SchemaInstaller::runScript(setup, test::menuGrandeSql(kProgramma, QStringLiteral("NOMEPARAM")) +
                                                QStringLiteral("INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) "
                                                               "VALUES (1, 50);\n"));
    auto w = start();
    const PerVoce riferimento = perVoce(*w, kProgramma);
    w->CaricaMenu(kProgramma);
    const QStringList lines = describe(*w);
    ASSERT_EQ(lines.size(), test::kVociMenuGrande);
    EXPECT_EQ(lines, riferimento.lines);
    EXPECT_EQ(w->ContaVoci, test::kVociMenuGrande + 1);
    EXPECT_EQ(w->MenuPrincipale->actions().size(), 1 + test::kCimeMenuGrande);
    EXPECT_TRUE(lines[255].endsWith(QStringLiteral("|256")));
    EXPECT_TRUE(lines[256].endsWith(QStringLiteral("|0")));
    // What the rows hold, as the menus must show it.
    const struct
    {
        const char* riga;
        int volte;
    } attese[] = {
        {"^0\\|Menu \\d+\\|\\d+\\|sub\\|\\|\\|", 10},
        {"^1\\|Gruppo \\d+\\|\\d+\\|sub\\|", 100},
        {"^1\\|-\\|\\d+\\|sep\\|N\\d+\\|", 10},
        {"^1\\|Stampa di prova \\d+\\|\\d+\\|leaf\\|\\|EventoVoce2OnClick\\|", 10},
        {"^2\\|Sottogruppo \\d+\\|\\d+\\|sub\\|", 400},
        {"^2\\|-\\|", 100},
        {"^2\\|Listino Estate\\|\\d+\\|leaf\\|\\|EventoVoceOnClick\\|", 100},
        {"^3\\|Funzione è n° \\d+\\|\\d+\\|leaf\\|\\|EventoVoceOnClick\\|", 4270 - 440},
        {"^3\\|Funzione è n° \\d+\\|\\d+\\|leaf\\|\\|EventoVoce2OnClick\\|", 440},
        {"nascost|sbagliata|senza livello|separatore|cima con padre", 0},
    };
    for (const auto& a : attese) {
        SCOPED_TRACE(a.riga);
        EXPECT_EQ(lines.filter(QRegularExpression(QString::fromUtf8(a.riga))).size(), a.volte);
    }
    // A submenu of the real widgets holds its entries.
    const QMenu* primo = w->MenuPrincipale->actions().at(1)->menu();
    ASSERT_NE(primo, nullptr);
    EXPECT_EQ(primo->actions().size(), 12);
    EXPECT_EQ(ricercaDelProgramma(*w, kProgramma), fogliePerRicerca(*w));
}

// A click on a program while the connection is lost: the bar keeps the menus it shows, and the
// next click, attached again, builds the new ones.
// The attachment is ended under the program (an administrator, a server restart): the menus are
// only read, so the click reads them again on a new attachment and works at once.
TEST_F(MenuTest, AClickAfterALostAttachmentBuildsTheMenusOnANewOne)
{
    insert(7, {{10, 0, -1, "1", QStringLiteral("Archivi")}, {11, 1, 10, "1", QStringLiteral("Clienti")}});
    insert(8, {{20, 0, -1, "1", QStringLiteral("Magazzino")}, {21, 1, 20, "1", QStringLiteral("Articoli")}});
    {
        auto w = start();
        w->CaricaMenu(8);
        const QStringList menu8 = describe(*w);
        w->CaricaMenu(7);
        ASSERT_FALSE(describe(*w).isEmpty());

        test::attach(setup, folder.userDatabase());
        test::exec(setup, QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
        // The click as the program's event loop delivers it.
        platform::RecordingMessageService boxes;
        EXPECT_TRUE(platform::GuardedApplication::guard(
            [&] {
                w->CaricaMenu(8);
                return true;
            },
            boxes));
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(describe(*w), menu8);
        EXPECT_EQ(w->programmaCorrente(), 8);
    }
}

} // namespace
