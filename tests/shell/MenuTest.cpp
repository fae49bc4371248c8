#include "data/TabX.h"
#include "db/SqlText.h"
#include "platform/GuardedApplication.h"
#include "platform/RecordingMessageService.h"
#include "shell/BaseMain.h"
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
        for (const Row& r : rows) {
            auto orNull = [](int v) { return v < 0 ? QStringLiteral("NULL") : QString::number(v); };
            test::exec(setup, QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                                             "DESCRIZIONE, LIVELLO2VERSIONE) VALUES (%1, %2, %3, %4, '%5', %6, '%7')")
                                  .arg(programma)
                                  .arg(r.menu)
                                  .arg(orNull(r.livello), orNull(r.prec), QString::fromUtf8(r.visibile))
                                  .arg(db::quoted(r.descrizione), QString::fromUtf8(r.livello2)));
        }
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
    for (bool perRiga : {false, true}) {
        SCOPED_TRACE(perRiga ? "one statement per entry" : "one snapshot");
        w->leggiMenuRigaPerRiga = perRiga;
        w->CaricaMenu(7);
        EXPECT_EQ(describe(*w), expected);
        EXPECT_EQ(w->programmaCorrente(), 7);
    }
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

// Random catalogues built both ways must give the same tree in every respect.
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
    auto w = start();
    QStringList all;
    for (int programma = 1; programma <= 12; ++programma) {
        SCOPED_TRACE(programma);
        w->leggiMenuRigaPerRiga = true;
        w->CaricaMenu(programma);
        const QStringList perStatement = describe(*w);
        const qint32 conta = w->ContaVoci;
        w->leggiMenuRigaPerRiga = false;
        w->CaricaMenu(programma);
        EXPECT_EQ(describe(*w), perStatement);
        EXPECT_EQ(w->ContaVoci, conta);
        all += perStatement;
    }
    // The catalogues must exercise what they are meant to: deep entries, separators with
    // their names, placeholders filled in, both click handlers.
    EXPECT_FALSE(all.filter(QRegularExpression(QStringLiteral("^[2-4]\\|"))).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("|sep|N")).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("Listino Estate")).isEmpty());
    EXPECT_FALSE(all.filter(QStringLiteral("EventoVoce2OnClick")).isEmpty());
}

// A click on a program while the connection is lost: the bar keeps the menus it shows, and the
// next click, attached again, builds the new ones.
// The attachment is ended under the program (an administrator, a server restart): the menus are
// only read, so the click reads them again on a new attachment and works at once.
TEST_F(MenuTest, AClickAfterALostAttachmentBuildsTheMenusOnANewOne)
{
    insert(7, {{10, 0, -1, "1", QStringLiteral("Archivi")}, {11, 1, 10, "1", QStringLiteral("Clienti")}});
    insert(8, {{20, 0, -1, "1", QStringLiteral("Magazzino")}, {21, 1, 20, "1", QStringLiteral("Articoli")}});
    for (const bool perRiga : {false, true}) {
        SCOPED_TRACE(perRiga ? "one statement per entry" : "one reading");
        auto w = start();
        w->leggiMenuRigaPerRiga = perRiga;
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
