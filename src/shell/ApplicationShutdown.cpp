#include "shell/ApplicationShutdown.h"

#include "platform/MessageService.h"
#include "platform/ProcessExit.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace velkora {

namespace {

// A nested event loop that shows no window (a wait of some code for an event) is given this
// long to end by itself before the windows are closed anyway.
constexpr qint64 kLoopWait = 1500;
// The longest an end requested from outside may take: a session manager waits a few seconds
// before it kills what is left.
constexpr int kDeadline = 2800;

} // namespace

ApplicationShutdown::ApplicationShutdown(QObject* parent) : QObject(parent) {}

void ApplicationShutdown::request()
{
    if (m_underWay)
        return;
    m_underWay = true;
    // Nobody answers a box from now on, and the process goes in bounded time whatever happens.
    platform::MessageService::setUnattended();
    platform::exitWithin(kDeadline);
    // Never from inside the caller: it may be running in the loop of a box.
    next(0);
}

void ApplicationShutdown::windowsReady()
{
    m_windowsReady = true;
}

void ApplicationShutdown::next(int milliseconds)
{
    QTimer::singleShot(milliseconds, this, &ApplicationShutdown::step);
}

void ApplicationShutdown::step()
{
    if (m_done)
        return;
    // An open menu or drop-down list holds the input; it goes first.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        next(0);
        return;
    }
    // The innermost box or dialog is refused. Its exec() returns in a later pass of the event
    // loop, and the code that opened it runs to its end before anything else is closed.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (modal != m_refused) {
            m_refused = modal;
            if (dialog)
                dialog->reject();
            else
                modal->close();
        } else if (dialog) {
            // It stayed after reject(): it gets its answer without being asked.
            dialog->done(QDialog::Rejected);
        } else {
            modal->hide();
        }
        m_waiting.invalidate();
        next(0);
        return;
    }
    // While the windows close, the steps only watch for a question one of them asks; before the
    // program's loop runs and the main window's start is over they only refuse boxes.
    if (m_closing || !m_windowsReady) {
        next(10);
        return;
    }
    // A box just refused may still be unwinding its loop; the windows are closed from the
    // program's own loop only, so that nothing on a nested loop's stack is deleted.
    if (QThread::currentThread()->loopLevel() > 1) {
        if (!m_waiting.isValid())
            m_waiting.start();
        if (m_waiting.elapsed() < kLoopWait) {
            next(10);
            return;
        }
        qWarning("An event loop without a window did not end: closing the windows anyway");
    }
    closeWindows();
}

void ApplicationShutdown::closeWindows()
{
    // A window that asks something while it closes runs a box inside this call; the steps
    // keep running meanwhile and refuse it.
    m_closing = true;
    next(10);
    emit closingWindows();
    // Closing one window can delete others (its children, a module's windows), so each is
    // looked at through a guard just before it is closed.
    const QWidgetList windows = QApplication::topLevelWidgets();
    QList<QPointer<QWidget>> guarded;
    for (QWidget* w : windows)
        guarded.append(w);
    for (const QPointer<QWidget>& w : guarded) {
        if (w && w->isVisible() && !w->close() && w)
            // Its own close refused (a save that failed): what it held is lost with the process,
            // and the warning output says so, since no box can.
            qWarning("Chiusura del programma: la finestra \"%s\" non ha potuto registrare i dati "
                     "inseriti, che non sono stati salvati.",
                     qPrintable(w->windowTitle()));
    }
    m_closing = false;
    m_done = true;
    // A window that refused to close does not keep the program alive: the request came from
    // outside and the process must end. Windows that delete themselves on close are deleted as
    // the loop ends.
    QCoreApplication::exit(0);
}

} // namespace velkora
