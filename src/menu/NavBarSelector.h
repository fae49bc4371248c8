#pragma once

#include <QAbstractButton>

namespace velkora {

class NavBarGroup;

// The button that selects a group of the navigation bar: the group's large picture and its
// caption in bold, on a shaded face that is tinted while the group is active.
class NavBarSelector : public QAbstractButton
{
    Q_OBJECT

public:
    NavBarSelector(NavBarGroup* group, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    NavBarGroup* m_group;
    bool m_elided = false;
};

} // namespace velkora
