#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>

class QAbstractButton;

namespace velkora {

class NavBarGroup;

// One clickable entry in a group of the navigation bar: a small picture and a caption, shown
// while its group is active. Created by NavigationBar::addLink, owned by its group.
class NavBarLink : public QObject
{
    Q_OBJECT

public:
    NavBarGroup* group() const { return m_group; }

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // Index into the bar's small (16x16) picture list; -1 or out of range means no picture.
    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);

    // Called when the link is clicked, before clicked() is emitted.
    // NavigationBar::clickedLink() names this link meanwhile.
    void setOnClick(std::function<void()> handler) { m_onClick = std::move(handler); }

    // The link's button, for keyboard focus and for tests that press it like a user.
    QAbstractButton* button() const { return m_button; }

signals:
    void clicked();

private:
    friend class NavigationBar;

    NavBarLink(NavBarGroup* group, const QString& caption, int tag, int imageIndex);

    void notifyClick();
    void refresh();

    NavBarGroup* m_group;
    QString m_caption;
    int m_tag;
    int m_imageIndex;
    std::function<void()> m_onClick;
    QPointer<QAbstractButton> m_button;
};

} // namespace velkora
