#pragma once

#include <QAbstractButton>

namespace velkora {

class NavBarLink;

// A link of the navigation bar: small picture and caption in the link colour, underlined and
// highlighted while the mouse is over it.
class NavBarLinkButton : public QAbstractButton
{
    Q_OBJECT

public:
    NavBarLinkButton(NavBarLink* link, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    NavBarLink* m_link;
    bool m_elided = false;
};

} // namespace velkora
