#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QWidget;

namespace velkora {

class NavBarLink;
class NavigationBar;

// One group of the navigation bar: a selector button with a large picture and a bold caption,
// and the links shown in the pane while the group is active. Groups are created and owned by
// the bar (NavigationBar::addGroup) and go away with NavigationBar::removeAllGroups.
class NavBarGroup : public QObject
{
    Q_OBJECT

public:
    ~NavBarGroup() override;

    NavigationBar* bar() const { return m_bar; }

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // Indexes into the bar's large (32x32) and small (16x16) picture lists; -1 or an index the
    // list does not hold means no picture. The selector shows the large one.
    int largeImageIndex() const { return m_largeImageIndex; }
    void setLargeImageIndex(int index);
    int smallImageIndex() const { return m_smallImageIndex; }
    void setSmallImageIndex(int index) { m_smallImageIndex = index; }

    int linkCount() const { return static_cast<int>(m_links.size()); }
    // The link at position i (0-based, in the order added); null when out of range.
    NavBarLink* link(int i) const;

    bool isActive() const;

    // Called when the group's selector is clicked, after the group became the active one and
    // before clicked() is emitted. NavigationBar::clickedGroup() names this group meanwhile.
    void setOnClick(std::function<void()> handler) { m_onClick = std::move(handler); }

    // The selector button, for keyboard focus and for tests that press it like a user.
    QAbstractButton* button() const;

signals:
    void clicked();

private:
    friend class NavigationBar;

    NavBarGroup(NavigationBar* bar, const QString& caption, int tag, int largeImageIndex,
                int smallImageIndex);

    void notifyClick();

    NavigationBar* m_bar;
    QString m_caption;
    int m_tag;
    int m_largeImageIndex;
    int m_smallImageIndex;
    std::vector<NavBarLink*> m_links;
    std::function<void()> m_onClick;
    // The widgets live in the bar's widget tree; the group deletes them when it goes, so a
    // group removed from inside its own click handler keeps its button until the handler ends.
    QPointer<QAbstractButton> m_selector;
    QPointer<QWidget> m_page;
};

} // namespace velkora
