#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QWidget;

namespace velkora {

// Ends the application from whatever state it is in, for a request from outside (a termination
// signal) that may arrive while a box or a dialog runs its own event loop.
//
// Deleting a window under a running box or dialog deletes objects that live on that loop's
// stack, so the end goes in queued steps: first the innermost box or dialog is refused (as with
// Esc) and allowed to return, one at a time; only when no modal loop is left does every
// top-level window close (the main window, module windows such as the agenda, anything else),
// and the application leaves its loop with status 0.
class ApplicationShutdown : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationShutdown(QObject* parent = nullptr);

    // Starts the end; a request while one is under way changes nothing.
    void request();
    bool underWay() const { return m_underWay; }

    // Called from the program's own event loop once it runs and the main window's start is over
    // (the boxes it shows included). A request that comes earlier (while a box of the start is
    // shown) refuses the boxes at once and closes the windows only then: before the loop runs
    // there is no loop to leave, and the start must not lose its window halfway.
    void windowsReady();

signals:
    // Sent once, just before the windows are closed: a window that would refuse to close while
    // others are open (the main window with module windows open) closes now without asking.
    void closingWindows();

private:
    void step();
    void next(int milliseconds);
    void closeWindows();

    bool m_underWay = false;
    bool m_closing = false;
    bool m_done = false;
    bool m_windowsReady = false;
    // The modal window refused last: a box or dialog that did not go when asked politely is
    // then closed without being asked.
    QPointer<QWidget> m_refused;
    // How long a modal event loop without a window (or one still unwinding) is waited for.
    QElapsedTimer m_waiting;
};

} // namespace velkora
