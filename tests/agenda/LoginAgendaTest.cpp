// The agenda opened by the login with the default library and function names: the real agenda
// library in the program folder, the real main window, the real call log.
#include "AgendaWindow.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/Environment.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::agendaAperta;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

TEST(LoginAgenda, DefaultNamesFollowTheWindowColumnsOfTheCallLog)
{
    struct Case
    {
        const char* name;
        bool windowColumns;
    } cases[] = {{"with window ids: ShowContattAgendaFormX records its handle", true},
                 {"without: ShowContattAgendaFormD", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE), folder.file(QStringLiteral("libRubrivo.so"))));
        {
            db::Database d;
            test::attach(d, folder.userDatabase());
            for (const char* sql : {
                     "INSERT INTO PROFILI (CODICE) VALUES (1)",
                     "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE) VALUES (10, 'Agenda')",
                     "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
                     "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                     "VALUES (1, 'Mario Rossi', 'ROSSI SRL', 1, 1)",
                     "INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                     "VALUES (1, 'ROSSI SRL', 'AperturaAgenda', 'SI', 1)",
                 })
                test::exec(d, QString::fromUtf8(sql));
            if (!c.windowColumns)
                test::dropColumn(d, QStringLiteral("NORVILOGFUNZ"), QStringLiteral("IDFINESTRA"));
        }
        const platform::Environment saved = platform::Environment::process();
        platform::Environment::process() = folder.environment();
        {
            CurrentDirectory cwd(folder.path());
            TBaseMainForm w(folder.environment());
            EXPECT_EQ(w.LogFinestre, c.windowColumns);
            w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(QStringLiteral("Mario Rossi")));
            w.ButtonOk->click();
            EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
            QWidget* agenda = agendaAperta();
            ASSERT_NE(agenda, nullptr) << "the agenda opened and outlives the call";
            if (c.windowColumns) {
                db::Transaction t(&w.tabX()->IBDatabaseUser);
                db::Query q(&w.tabX()->IBDatabaseUser, &t);
                q.add(QStringLiteral("SELECT HANDLEFINESTRA, IDFINESTRA FROM NORVILOGFUNZ "
                                     "WHERE FUNZIONECHIAMATA='ShowContattAgendaFormD'"));
                q.open();
                ASSERT_EQ(q.recordCount(), 1);
                EXPECT_GT(q.asInteger(1), 0);
                EXPECT_EQ(q.asInteger(0), static_cast<qint32>(agenda->winId()));
            }
            delete agenda; // it holds an attachment to the folder's database
        }
        platform::Environment::process() = saved;
    }
}

} // namespace
