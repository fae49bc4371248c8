// Closing the main window while the real agenda, opened by the login, is still open: the agenda
// records its window in the call log, and the main window refuses to close until it is gone.
#include "AgendaWindow.h"
#include "data/TabX.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/Environment.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::agendaAperta;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

TEST(ClosingWithAgenda, RefusedWhileTheAgendaIsOpenThenAllowed)
{
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
    }
    const platform::Environment saved = platform::Environment::process();
    platform::Environment::process() = folder.environment();
    {
        CurrentDirectory cwd(folder.path());
        TBaseMainForm w(folder.environment());
        ASSERT_TRUE(w.LogFinestre);
        w.ComboUtenti->setCurrentIndex(w.ComboUtenti->findText(QStringLiteral("Mario Rossi")));
        w.ButtonOk->click();
        QWidget* agenda = agendaAperta();
        ASSERT_NE(agenda, nullptr);
        ASSERT_TRUE(agenda->isVisible());
        folder.messages.clear();

        const auto sessioneChiusa = [&w] {
            db::Transaction t(&w.tabX()->IBDatabaseUser);
            db::Query q(&w.tabX()->IBDatabaseUser, &t);
            q.add(QStringLiteral("SELECT DATACHIUSURA FROM NORVILOG"));
            q.open();
            return !q.asString(0).isEmpty();
        };
        EXPECT_FALSE(w.close());
        EXPECT_EQ(folder.messages.texts(), QStringList{QStringLiteral("Chiudere prima tutte le finestre aperte")});
        EXPECT_FALSE(sessioneChiusa());
        EXPECT_TRUE(w.SessioneAperta);

        // The user closes the agenda (its own close button), then the main window.
        auto* chiudi = agenda->findChild<QPushButton*>(QStringLiteral("ButtonChiudi"));
        ASSERT_NE(chiudi, nullptr);
        chiudi->click();
        QApplication::processEvents();
        folder.messages.clear();
        EXPECT_TRUE(w.close());
        EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(sessioneChiusa());
        delete agendaAperta(); // it holds an attachment to the folder's database
    }
    platform::Environment::process() = saved;
}

} // namespace
