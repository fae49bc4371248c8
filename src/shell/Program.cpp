#include "shell/Program.h"

#include "platform/Environment.h"
#include "platform/Fonts.h"
#include "platform/GuardedApplication.h"
#include "shell/BaseMain.h"

namespace velkora {

int runProgram(int argc, char** argv)
{
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
    return app.exec();
}

} // namespace velkora
