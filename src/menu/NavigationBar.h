#pragma once

#include "menu/NavBarGroup.h"
#include "menu/NavBarLink.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QScrollArea;
class QVBoxLayout;

namespace velkora {

class ImageList;

// The navigation pane at the left edge of the main window: one group per program of the user's
// project, each with its quick items as links.
//
// It looks like the side bar of a classic mail or business program: a stack of group selectors
// (large picture, bold caption); the selectors up to the active group sit at the top, the rest
// at the bottom, and the active group's links fill the pane between them.
//
// Clicking a selector makes its group the active one and then runs the group's click event
// (NavBarGroup::setOnClick, NavBarGroup::clicked, groupClicked, in that order); clicking a link
// runs the link's click event the same way. While those run, clickedGroup() or clickedLink()
// says which one was pressed.
class NavigationBar : public QWidget
{
    Q_OBJECT

public:
    using Group = NavBarGroup;
    using Link = NavBarLink;

    explicit NavigationBar(QWidget* parent = nullptr);
    ~NavigationBar() override;

    // The picture lists are owned by the caller and read whenever the bar paints, so pictures
    // added to them after the groups still show.
    void setLargeImages(const ImageList* images);
    void setSmallImages(const ImageList* images);
    const ImageList* largeImages() const { return m_largeImages; }
    const ImageList* smallImages() const { return m_smallImages; }

    // A widget shown above the groups (the menu search), owned by the bar from then on.
    void setHeader(QWidget* header);
    QWidget* header() const { return m_header; }

    // Appends a group after the existing ones. The first group added to an empty bar becomes
    // the active one.
    Group* addGroup(const QString& caption, int tag, int largeImageIndex = -1,
                    int smallImageIndex = -1);
    // Appends a link at the end of the group; null when the group is not one of this bar's.
    Link* addLink(Group* group, const QString& caption, int tag, int imageIndex = -1);

    int groupCount() const { return static_cast<int>(m_groups.size()); }
    // The group at position i (0-based, in the order added); null when out of range.
    Group* group(int i) const;
    int indexOf(const Group* group) const;

    // The group whose links are shown; null only when the bar has no groups.
    Group* activeGroup() const { return m_active; }
    // Shows the group's links; a group that is not one of this bar's is ignored.
    void setActiveGroup(Group* group);

    // The group or link whose click event is running; null outside those events.
    Group* clickedGroup() const { return m_clickedGroup; }
    Link* clickedLink() const { return m_clickedLink; }

    // Empties the bar at once. The group and link objects and their widgets are deleted when
    // control returns to the event loop, so this is safe from inside a click handler, whose
    // clickedGroup()/clickedLink() stay readable until it returns.
    void removeAllGroups();

signals:
    void groupClicked(velkora::NavBarGroup* group);
    void linkClicked(velkora::NavBarLink* link);

private:
    void pressGroup(Group* group);
    void pressLink(Link* link);
    void arrange();

    const ImageList* m_largeImages = nullptr;
    const ImageList* m_smallImages = nullptr;
    std::vector<Group*> m_groups;
    Group* m_active = nullptr;
    QPointer<Group> m_clickedGroup;
    QPointer<Link> m_clickedLink;
    QVBoxLayout* m_layout = nullptr;
    QPointer<QWidget> m_header;
    QScrollArea* m_linkArea = nullptr;
    QWidget* m_linkPages = nullptr;
};

} // namespace velkora
