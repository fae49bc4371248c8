// velkora-admin: prepares a program folder's user database from the suite's schema, loads the
// demo data, lays out the folders of an office's server and workstations, checks a database
// against the schema, and makes the template databases of the tests. It runs headless.

#include "AdminCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>

int main(int argc, char** argv)
{
    // Only the icons (demo, a workstation's folder) and the reports need a GUI application: their
    // letters need fonts. It runs on the offscreen platform unless the caller chose another; the
    // other commands stay console only.
    std::unique_ptr<QCoreApplication> app;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (velkora::admin::needsFonts(arguments)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return velkora::admin::runCommand(QCoreApplication::arguments().mid(1));
}
