#include "shell/Program.h"

#include "platform/Environment.h"
#include "platform/Fonts.h"
#include "platform/TerminationSignals.h"
#include "platform/GuardedApplication.h"
#include "shell/BaseMain.h"

namespace velkora {

int runProgram(int argc, char** argv)
{
    // Before any thread exists, so that none of them (the engine's included) takes a
    // termination signal; the event loop reads them instead.
    platform::TerminationSignals::blockInAllThreads();
    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velkora"));
    platform::registerDesignFonts();
    platform::Environment& env = platform::Environment::process();
    env.programFolder = QApplication::applicationDirPath() + QLatin1Char('/');
    // The main window closes the program; it deletes itself when closed.
    auto* main = new TBaseMainForm(env);
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    // A termination request closes the window the ordinary way.
    platform::TerminationSignals terminazione([main] { main->close(); });
    return app.exec();
}

} // namespace velkora
