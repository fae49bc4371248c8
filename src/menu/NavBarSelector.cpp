#include "menu/NavBarSelector.h"

#include "menu/NavBarGroup.h"
#include "menu/NavBarStyle.h"
#include "menu/NavigationBar.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace velkora {

namespace {

constexpr int kIconSize = 32;
constexpr int kPadding = 4;
constexpr int kIconLeft = 6;
// Captions start in one column whether or not a group has a picture, so they line up.
constexpr int kTextLeft = kIconLeft + kIconSize + 6;

} // namespace

NavBarSelector::NavBarSelector(NavBarGroup* group, QWidget* parent)
    : QAbstractButton(parent)
    , m_group(group)
{
    // Reachable with Tab, but a mouse click leaves the focus where the user had it.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    // Never taller than its natural height; when the window is too low for all groups the
    // selectors give way down to one line of caption instead of forcing the window taller.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

QSize NavBarSelector::sizeHint() const
{
    return {kTextLeft + 80, kIconSize + 2 * kPadding};
}

QSize NavBarSelector::minimumSizeHint() const
{
    return {kTextLeft, fontMetrics().height() + 2 * kPadding};
}

bool NavBarSelector::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The whole caption as a tooltip, only when the face had to cut it.
        if (m_elided)
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_group->caption(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractButton::event(event);
}

void NavBarSelector::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void NavBarSelector::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect area = rect();

    QColor face = pal.color(QPalette::Button);
    if (m_group->isActive())
        face = navbar::mix(face, pal.color(QPalette::Highlight), 0.35);
    if (isDown())
        face = face.darker(112);
    else if (underMouse())
        face = face.lighter(108);
    QLinearGradient shade(area.topLeft(), area.bottomLeft());
    shade.setColorAt(0.0, face.lighter(115));
    shade.setColorAt(1.0, face.darker(106));
    painter.fillRect(area, shade);
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(area.topLeft(), area.topRight());
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(area.bottomLeft(), area.bottomRight());

    if (const QPixmap* pm = navbar::picture(m_group->bar()->largeImages(), m_group->largeImageIndex()))
        painter.drawPixmap(kIconLeft, (height() - kIconSize) / 2, *pm);

    QFont captionFont = font();
    captionFont.setBold(true);
    painter.setFont(captionFont);
    const QFontMetrics metrics(captionFont);
    const QRect textArea(kTextLeft, kPadding, width() - kTextLeft - kPadding, height() - 2 * kPadding);
    const int maxLines = std::max(1, textArea.height() / metrics.height());
    const QStringList lines =
        navbar::wrapText(m_group->caption(), captionFont, textArea.width(), std::min(2, maxLines), &m_elided);
    painter.setPen(pal.color(QPalette::ButtonText));
    int y = textArea.top() + (textArea.height() - static_cast<int>(lines.size()) * metrics.height()) / 2;
    for (const QString& line : lines) {
        painter.drawText(QRect(textArea.left(), y, textArea.width(), metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.height();
    }

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace velkora
