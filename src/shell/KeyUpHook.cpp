#include "shell/KeyUpHook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace velkora {

KeyUpHook::KeyUpHook(QWidget* window, std::function<void(int)> action)
    : QObject(window)
    , m_window(window)
    , m_action(std::move(action))
{
    qApp->installEventFilter(this);
}

KeyUpHook::~KeyUpHook()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool KeyUpHook::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyRelease || !m_window || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_window)
        return false;
    // A key that no control takes travels up to the window, passing this filter once per
    // control on the way: it is handed on only at its first receiver, the control with the
    // focus (the window itself when nothing in it has the focus).
    QWidget* focus = QApplication::focusWidget();
    const bool first = focus ? widget == focus : widget == m_window;
    if (!first)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return false;
    // The action runs once this key has been delivered: it may open a dialog or remove the
    // control that has the focus, which must not happen under the delivery of the key.
    const int code = key->key();
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            if (m_window)
                m_action(code);
        },
        Qt::QueuedConnection);
    return false;
}

} // namespace velkora
