#include "shell/Program.h"

#include "platform/Environment.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/MessageService.h"
#include "platform/ProcessExit.h"
#include "platform/TerminationSignals.h"
#include "platform/Traduzioni.h"
#include "shell/ApplicationShutdown.h"
#include "shell/BaseMain.h"
#include "shell/KivIn2Prompt.h"

#include <QPointer>
#include <QTimer>
#include <QtGlobal>

namespace velkora {

int runProgram(int argc, char** argv)
{
    return runProgram(argc, argv, ProgramHooks{});
}

int runProgram(int argc, char** argv, const ProgramHooks& hooks)
{
    // Before any thread exists, so that none of them (the engine's included) takes a
    // termination signal; the event loop reads them instead.
    platform::TerminationSignals::blockInAllThreads();
    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velkora"));
    platform::registerDesignFonts();
    if (!platform::installaTraduzioniQt())
        qWarning(
            "Traduzioni italiane di Qt non installate: le finestre di stampa e di scelta dei file "
            "restano in inglese (pacchetto qt6-translations-l10n).");
    platform::Environment& env = platform::Environment::process();
    env.programFolder = QApplication::applicationDirPath() + QLatin1Char('/');
    // The data form asks for the database server with the suite's dialog.
    static KivIn2Prompt serverPrompt;
    ServerPrompt::install(&serverPrompt);
    // A termination request may come while a box runs its loop (also one that the main window
    // shows while it starts), after the main window has gone, or with module windows
    // open: it ends the program in every case, without reaching for a window that may no longer
    // exist.
    ApplicationShutdown chiusura;
    platform::TerminationSignals terminazione([&chiusura] { chiusura.request(); });
    if (hooks.beforeMainWindow)
        hooks.beforeMainWindow();
    // The main window closes the program; it deletes itself when closed. Module windows that
    // its closing check lets stay open (those the session does not log, like the agenda opened
    // without a window id) are closed with it, each asked as its own closing asks, and the
    // program ends.
    // The window comes on the screen first; the user database, its boxes and the user list
    // follow once it is there, with the login panel out of use until then.
    auto* main = new TBaseMainForm(env, nullptr, TBaseMainForm::Avvio::SulloSchermo);
    main->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(main, &QObject::destroyed, &app, [] {
        QTimer::singleShot(0, qApp, [] {
            QApplication::closeAllWindows();
            QCoreApplication::quit();
        });
    });
    // Ended from outside, the main window closes the session and stores its place without
    // waiting for the module windows, which are closed with it.
    QObject::connect(&chiusura, &ApplicationShutdown::closingWindows, main,
                     &TBaseMainForm::chiusuraSenzaVerifica);
    // When the display goes away (the desktop session ends), the window system's library ends
    // the process itself: the session is closed and the window's place stored on the way out,
    // without asking anything.
    QPointer<TBaseMainForm> finestra(main);
    platform::setOnUnexpectedExit([finestra] {
        platform::MessageService::setUnattended();
        if (finestra) {
            finestra->chiusuraSenzaVerifica();
            finestra->FormClose();
        }
    });
    // The start's work runs in the program's own loop: the windows may be closed from outside
    // once it is over.
    QObject::connect(main, &TBaseMainForm::avvioConcluso, &chiusura,
                     &ApplicationShutdown::windowsReady);
    main->show();
    if (hooks.started)
        hooks.started(*main);
    const int esito = app.exec();
    platform::setOnUnexpectedExit({});
    return esito;
}

} // namespace velkora
