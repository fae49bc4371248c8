#include "menu/NavigationBar.h"

#include "menu/NavBarLinkButton.h"
#include "menu/NavBarSelector.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace velkora {

namespace {

// Sets a pointer for the length of a click event and puts back what it held before, so a
// click handled inside another one (a nested event loop) leaves the outer one's value intact.
template <typename T>
class ClickScope
{
public:
    ClickScope(QPointer<T>& slot, T* value)
        : m_slot(slot)
        , m_previous(std::exchange(slot, value))
    {
    }
    ~ClickScope() { m_slot = m_previous; }
    ClickScope(const ClickScope&) = delete;
    ClickScope& operator=(const ClickScope&) = delete;

private:
    QPointer<T>& m_slot;
    QPointer<T> m_previous;
};

} // namespace

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MenuProgrammi"));
    setFixedWidth(185);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    // The links of every group live in one column; only the active group's page is visible,
    // and the column scrolls when a group has more links than the pane can show.
    m_linkPages = new QWidget;
    m_linkPages->setAutoFillBackground(true);
    m_linkPages->setBackgroundRole(QPalette::Base);
    auto* pagesLayout = new QVBoxLayout(m_linkPages);
    pagesLayout->setContentsMargins(0, 4, 0, 4);
    pagesLayout->setSpacing(0);
    pagesLayout->addStretch(1);

    m_linkArea = new QScrollArea(this);
    m_linkArea->setObjectName(QStringLiteral("NavBarLinkArea"));
    m_linkArea->setFrameShape(QFrame::NoFrame);
    m_linkArea->setFocusPolicy(Qt::NoFocus);
    m_linkArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_linkArea->setBackgroundRole(QPalette::Base);
    m_linkArea->setWidgetResizable(true);
    m_linkArea->setWidget(m_linkPages);
    m_layout->addWidget(m_linkArea, 1);
}

NavigationBar::~NavigationBar()
{
    // Groups first: each takes its selector and page along while the bar's widgets still exist.
    for (Group* g : std::exchange(m_groups, {}))
        delete g;
}

void NavigationBar::setLargeImages(const ImageList* images)
{
    m_largeImages = images;
    update();
    for (Group* g : m_groups)
        g->m_selector->update();
}

void NavigationBar::setSmallImages(const ImageList* images)
{
    m_smallImages = images;
    m_linkPages->update();
}

void NavigationBar::setHeader(QWidget* header)
{
    if (m_header == header)
        return;
    delete m_header;
    m_header = header;
    if (header)
        header->setParent(this);
    arrange();
    if (header)
        header->show();
}

NavBarGroup* NavigationBar::addGroup(const QString& caption, int tag, int largeImageIndex,
                                     int smallImageIndex)
{
    auto* g = new Group(this, caption, tag, largeImageIndex, smallImageIndex);

    auto* selector = new NavBarSelector(g, this);
    selector->setAccessibleName(caption);
    connect(selector, &QAbstractButton::clicked, this, [this, g] { pressGroup(g); });
    g->m_selector = selector;

    auto* page = new QWidget(m_linkPages);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(2, 0, 2, 0);
    pageLayout->setSpacing(1);
    page->hide();
    auto* pagesLayout = static_cast<QVBoxLayout*>(m_linkPages->layout());
    pagesLayout->insertWidget(pagesLayout->count() - 1, page); // before the closing stretch
    g->m_page = page;

    m_groups.push_back(g);
    if (!m_active)
        m_active = g;
    arrange();
    return g;
}

NavBarLink* NavigationBar::addLink(Group* group, const QString& caption, int tag, int imageIndex)
{
    if (indexOf(group) < 0)
        return nullptr;
    auto* link = new Link(group, caption, tag, imageIndex);

    auto* button = new NavBarLinkButton(link, group->m_page);
    button->setAccessibleName(caption);
    connect(button, &QAbstractButton::clicked, this, [this, link] { pressLink(link); });
    link->m_button = button;
    group->m_page->layout()->addWidget(button);

    group->m_links.push_back(link);
    if (group == m_active)
        arrange(); // the new link joins the Tab order
    return link;
}

NavBarGroup* NavigationBar::group(int i) const
{
    if (i < 0 || i >= groupCount())
        return nullptr;
    return m_groups[static_cast<std::size_t>(i)];
}

int NavigationBar::indexOf(const Group* group) const
{
    const auto it = std::find(m_groups.begin(), m_groups.end(), group);
    return it == m_groups.end() ? -1 : static_cast<int>(it - m_groups.begin());
}

void NavigationBar::setActiveGroup(Group* group)
{
    if (group == m_active || indexOf(group) < 0)
        return;
    m_active = group;
    arrange();
    m_linkArea->verticalScrollBar()->setValue(0);
}

void NavigationBar::removeAllGroups()
{
    auto* pagesLayout = m_linkPages->layout();
    for (Group* g : std::exchange(m_groups, {})) {
        // Out of sight and out of the layouts now; deleted later, because the caller may be
        // a click handler of one of these groups, running inside its selector's signal.
        m_layout->removeWidget(g->m_selector);
        g->m_selector->hide();
        pagesLayout->removeWidget(g->m_page);
        g->m_page->hide();
        g->deleteLater();
    }
    m_active = nullptr;
    arrange();
}

void NavigationBar::pressGroup(Group* group)
{
    // A selector of an emptied bar can still deliver a click queued before the bar was emptied.
    if (indexOf(group) < 0)
        return;
    setActiveGroup(group);
    const ClickScope<Group> scope(m_clickedGroup, group);
    const QPointer<Group> alive(group);
    group->notifyClick();
    if (alive)
        emit groupClicked(group);
}

void NavigationBar::pressLink(Link* link)
{
    if (indexOf(link->group()) < 0)
        return;
    const ClickScope<Link> scope(m_clickedLink, link);
    const QPointer<Link> alive(link);
    link->notifyClick();
    if (alive)
        emit linkClicked(link);
}

void NavigationBar::arrange()
{
    // The classic order: selectors up to the active one at the top, the active group's links
    // below them, the remaining selectors at the bottom.
    while (QLayoutItem* item = m_layout->takeAt(0))
        delete item; // only the layout's entry; the widgets stay
    if (m_header)
        m_layout->addWidget(m_header);
    const int active = indexOf(m_active);
    for (int i = 0; i <= active; ++i)
        m_layout->addWidget(group(i)->m_selector);
    m_layout->addWidget(m_linkArea, 1);
    for (int i = active + 1; i < groupCount(); ++i)
        m_layout->addWidget(group(i)->m_selector);

    QWidget* previous = m_header ? m_header->focusProxy() : nullptr;
    const auto chain = [&previous](QWidget* w) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    };
    for (int i = 0; i < groupCount(); ++i) {
        Group* g = group(i);
        g->m_page->setVisible(g == m_active);
        g->m_selector->update();
        chain(g->m_selector);
        if (g == m_active) {
            for (Link* l : g->m_links)
                chain(l->m_button);
        }
    }
}

} // namespace velkora
