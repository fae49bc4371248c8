#pragma once

#include <QStyledItemDelegate>

namespace velkora {

// Draws a found menu entry on two lines: the program's small picture and the caption, and
// below them the path that leads to the entry in a smaller, paler type.
class DelegatoRisultatoRicerca : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace velkora
