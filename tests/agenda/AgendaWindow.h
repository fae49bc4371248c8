#pragma once

#include <QApplication>
#include <QWidget>

namespace velkora::test {

// The agenda window that the agenda library opened, among the program's top-level windows;
// null when none is open.
inline QWidget* agendaAperta()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("ContattAgendaForm"))
            return w;
    }
    return nullptr;
}

} // namespace velkora::test
