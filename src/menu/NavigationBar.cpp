#include "menu/NavigationBar.h"

namespace velkora {

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MenuProgrammi"));
    setFixedWidth(185);
}

} // namespace velkora
