#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace velkora {

// Hands every key released in a window to a function, whichever control has the focus (also
// controls made after the hook, such as the items of the navigation bar), and leaves the key to
// the control. The function runs right after the key has been delivered, from the event loop.
// Keys released in another window (a dialog the window opened, a module window) are not handed
// on.
class KeyUpHook : public QObject
{
    Q_OBJECT

public:
    KeyUpHook(QWidget* window, std::function<void(int key)> action);
    ~KeyUpHook() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<void(int)> m_action;
};

} // namespace velkora
