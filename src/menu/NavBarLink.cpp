#include "menu/NavBarLink.h"

#include "menu/NavBarGroup.h"

#include <QAbstractButton>

namespace velkora {

NavBarLink::NavBarLink(NavBarGroup* group, const QString& caption, int tag, int imageIndex)
    : QObject(group)
    , m_group(group)
    , m_caption(caption)
    , m_tag(tag)
    , m_imageIndex(imageIndex)
{
}

void NavBarLink::setCaption(const QString& caption)
{
    m_caption = caption;
    if (m_button)
        m_button->setAccessibleName(caption);
    refresh();
}

void NavBarLink::setImageIndex(int index)
{
    m_imageIndex = index;
    refresh();
}

void NavBarLink::refresh()
{
    if (m_button) {
        m_button->updateGeometry();
        m_button->update();
    }
}

void NavBarLink::notifyClick()
{
    const std::function<void()> handler = m_onClick;
    // The objects of an emptied bar are deleted by the event loop; a handler that runs a
    // nested loop (a modal window) may let that happen before it returns.
    const QPointer<NavBarLink> self(this);
    if (handler)
        handler();
    if (self)
        emit clicked();
}

} // namespace velkora
