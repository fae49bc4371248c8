#include "support/AccessoFinestra.h"

#include "shell/BaseMain.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace velkora::test {

std::unique_ptr<TBaseMainForm> accediDalPannello(ProgramFolder& folder, const QString& utente)
{
    auto w = std::make_unique<TBaseMainForm>(folder.environment());
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(utente));
    w->ButtonOk->click();
    EXPECT_TRUE(folder.messages.boxes().empty())
        << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
    // The splash of the login was the active window for a moment.
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // The favourites are read once the window works.
    QCoreApplication::processEvents();
    folder.messages.clear();
    return w;
}

} // namespace velkora::test
