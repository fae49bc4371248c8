// velkora-admin: prepares a program folder's user database from the suite's schema, loads the
// demo data, checks a database against the schema, and makes the template databases of the
// tests. It runs headless.

#include "AdminCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>

int main(int argc, char** argv)
{
    // Only the demo icons and the reports need a GUI application: their letters need fonts. It runs on the
    // offscreen platform unless the caller chose another; the other commands stay console only.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && (qstrcmp(argv[1], "demo") == 0 || qstrcmp(argv[1], "stampa") == 0)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return velkora::admin::runCommand(QCoreApplication::arguments().mid(1));
}
