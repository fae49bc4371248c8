#include "menu/NavBarGroup.h"

#include "menu/NavBarLink.h"
#include "menu/NavigationBar.h"

#include <QAbstractButton>

namespace velkora {

NavBarGroup::NavBarGroup(NavigationBar* bar, const QString& caption, int tag, int largeImageIndex,
                         int smallImageIndex)
    : QObject(bar)
    , m_bar(bar)
    , m_caption(caption)
    , m_tag(tag)
    , m_largeImageIndex(largeImageIndex)
    , m_smallImageIndex(smallImageIndex)
{
}

NavBarGroup::~NavBarGroup()
{
    // The page holds the link buttons; the links themselves are child objects of the group.
    delete m_selector.data();
    delete m_page.data();
}

void NavBarGroup::setCaption(const QString& caption)
{
    m_caption = caption;
    if (m_selector) {
        m_selector->setAccessibleName(caption);
        m_selector->update();
    }
}

void NavBarGroup::setLargeImageIndex(int index)
{
    m_largeImageIndex = index;
    if (m_selector)
        m_selector->update();
}

NavBarLink* NavBarGroup::link(int i) const
{
    if (i < 0 || i >= linkCount())
        return nullptr;
    return m_links[static_cast<std::size_t>(i)];
}

bool NavBarGroup::isActive() const
{
    return m_bar->activeGroup() == this;
}

QAbstractButton* NavBarGroup::button() const
{
    return m_selector;
}

void NavBarGroup::notifyClick()
{
    // A copy, so that a handler that replaces the group's handler does not destroy the
    // function that is running.
    const std::function<void()> handler = m_onClick;
    // The objects of an emptied bar are deleted by the event loop; a handler that runs a
    // nested loop (a modal window) may let that happen before it returns.
    const QPointer<NavBarGroup> self(this);
    if (handler)
        handler();
    if (self)
        emit clicked();
}

} // namespace velkora
