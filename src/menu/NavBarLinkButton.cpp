#include "menu/NavBarLinkButton.h"

#include "menu/NavBarGroup.h"
#include "menu/NavBarLink.h"
#include "menu/NavBarStyle.h"
#include "menu/NavigationBar.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace velkora {

namespace {

constexpr int kIconSize = 16;
constexpr int kLeft = 8;
constexpr int kGap = 5;
constexpr int kRight = 4;

} // namespace

NavBarLinkButton::NavBarLinkButton(NavBarLink* link, QWidget* parent)
    : QAbstractButton(parent)
    , m_link(link)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize NavBarLinkButton::sizeHint() const
{
    return {kLeft + kIconSize + kGap + fontMetrics().horizontalAdvance(m_link->caption()) + kRight,
            std::max(kIconSize, fontMetrics().height()) + 6};
}

QSize NavBarLinkButton::minimumSizeHint() const
{
    return {kLeft + kIconSize, sizeHint().height()};
}

bool NavBarLinkButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        if (m_elided)
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_link->caption(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractButton::event(event);
}

void NavBarLinkButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void NavBarLinkButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const bool hot = underMouse() || hasFocus();

    if (isDown() || hot) {
        QColor tint = pal.color(QPalette::Highlight);
        tint.setAlpha(isDown() ? 90 : 40);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 0.5, -2.5, -0.5), 3, 3);
    }

    int textLeft = kLeft;
    const NavigationBar* bar = m_link->group()->bar();
    if (const QPixmap* pm = navbar::picture(bar->smallImages(), m_link->imageIndex())) {
        painter.drawPixmap(kLeft, (height() - kIconSize) / 2, *pm);
        textLeft += kIconSize + kGap;
    }

    QFont captionFont = font();
    captionFont.setUnderline(underMouse());
    painter.setFont(captionFont);
    const QRect textArea(textLeft, 0, width() - textLeft - kRight, height());
    const QString shown =
        QFontMetrics(captionFont).elidedText(m_link->caption(), Qt::ElideRight, textArea.width());
    m_elided = shown != m_link->caption();
    painter.setPen(pal.color(QPalette::Link));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, shown);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 0, -2, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace velkora
