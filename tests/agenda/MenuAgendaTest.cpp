// The agenda started from the menus: the real agenda library in the program folder, reached
// through a menu leaf and a quick item of the real main window, recording its window in the
// real call log.
#include "AgendaWindow.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "menu/NavigationBar.h"
#include "platform/Environment.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::agendaAperta;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

TEST(MenuAgenda, ALeafAndAQuickItemOpenTheAgendaAndItsHandleIsLogged)
{
    ProgramFolder folder;
    folder.installUserDatabase();
    folder.makeFolder(QStringLiteral("Grafica"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE),
                            folder.file(QStringLiteral("libRubrivo.so"))));
    {
        db::Database d;
        test::attach(d, folder.userDatabase());
        for (const char* sql : {
                 "INSERT INTO PROFILI (CODICE) VALUES (1)",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE) VALUES (40, 'Agenda')",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 40)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (1, 'Mario Rossi', 'ROSSI SRL', 1, 1)",
                 "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                 "DESCRIZIONE, VOCERAPIDA, "
                 "DLL, FUNZIONE, LIVELLO2VERSIONE) VALUES (40, 1, 0, NULL, '1', 'Rubrica', '0', "
                 "NULL, NULL, '0')",
                 "INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, VISIBILE, "
                 "DESCRIZIONE, VOCERAPIDA, "
                 "DLL, FUNZIONE, LIVELLO2VERSIONE) VALUES (40, 2, 1, 1, '1', 'Contatti', '1', "
                 "'Rubrivo.dll', "
                 "'ShowContattAgendaFormX', '0')",
             })
            test::exec(d, QString::fromUtf8(sql));
    }
    const platform::Environment saved = platform::Environment::process();
    platform::Environment::process() = folder.environment();
    {
        CurrentDirectory cwd(folder.path());
        TBaseMainForm w(folder.environment());
        w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(QStringLiteral("Mario Rossi")));
        w.ButtonOk->click();
        ASSERT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();

        // The handles the agenda windows stored under the ids of their call-log rows.
        auto handles = [&] {
            db::Transaction t(&w.tabX()->IBDatabaseUser);
            db::Query q(&w.tabX()->IBDatabaseUser, &t);
            q.add(QStringLiteral(
                "SELECT HANDLEFINESTRA FROM NORVILOGFUNZ "
                "WHERE FUNZIONECHIAMATA='ShowContattAgendaFormX' ORDER BY IDFINESTRA"));
            q.open();
            std::vector<qint64> out;
            for (q.first(); !q.eof(); q.next())
                out.push_back(q.asInteger(0));
            return out;
        };

        QAction* rubrica = w.MenuPrincipale->actions().at(1);
        ASSERT_NE(rubrica->menu(), nullptr);
        rubrica->menu()->actions().at(0)->trigger();
        QWidget* agenda = agendaAperta();
        ASSERT_NE(agenda, nullptr) << "the leaf opened the agenda";
        EXPECT_EQ(handles(), std::vector<qint64>{static_cast<qint32>(agenda->winId())});
        const qint64 prima = static_cast<qint32>(agenda->winId());
        delete agenda; // it holds an attachment to the folder's database

        w.MenuProgrammi->group(0)->link(0)->button()->click();
        agenda = agendaAperta();
        ASSERT_NE(agenda, nullptr) << "the quick item opened the agenda";
        EXPECT_EQ(handles(), (std::vector<qint64>{prima, static_cast<qint32>(agenda->winId())}));
        EXPECT_TRUE(folder.messages.boxes().empty());
        delete agenda;
    }
    platform::Environment::process() = saved;
}

} // namespace
