#include "menu/DelegatoRisultatoRicerca.h"

#include "menu/ModelloRisultatiRicerca.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace velkora {

namespace {

constexpr int kMargine = 4;
constexpr int kIcona = 16;

QFont fontPercorso(const QFont& base)
{
    QFont f(base);
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * 0.9);
    return f;
}

} // namespace

void DelegatoRisultatoRicerca::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The background (selection, hover) as the style draws it, without the default text.
    opt.text.clear();
    opt.icon = QIcon();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const bool scelta = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup gruppo =
        option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QRect r = option.rect.adjusted(kMargine, kMargine / 2, -kMargine, -kMargine / 2);
    const QFontMetrics fmDidascalia(option.font);
    const QFont percorsoFont = fontPercorso(option.font);
    const QFontMetrics fmPercorso(percorsoFont);

    painter->save();
    const QVariant immagine = index.data(Qt::DecorationRole);
    const int testoX = r.left() + kIcona + kMargine;
    if (immagine.canConvert<QPixmap>()) {
        const QPixmap pm = immagine.value<QPixmap>();
        const int y = r.top() + (fmDidascalia.height() - kIcona) / 2;
        painter->drawPixmap(QRect(r.left(), y, kIcona, kIcona), pm);
    }
    painter->setPen(
        option.palette.color(gruppo, scelta ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    const QRect rigaDidascalia(testoX, r.top(), r.right() - testoX, fmDidascalia.height());
    painter->drawText(rigaDidascalia, Qt::AlignLeft | Qt::AlignVCenter,
                      fmDidascalia.elidedText(index.data(Qt::DisplayRole).toString(),
                                              Qt::ElideRight, rigaDidascalia.width()));

    QColor pallido =
        option.palette.color(gruppo, scelta ? QPalette::HighlightedText : QPalette::Text);
    pallido.setAlphaF(0.65f);
    painter->setPen(pallido);
    painter->setFont(percorsoFont);
    const QRect rigaPercorso(testoX, rigaDidascalia.bottom() + 1, r.right() - testoX,
                             fmPercorso.height());
    // A long path keeps its end, where the entry itself is named.
    painter->drawText(
        rigaPercorso, Qt::AlignLeft | Qt::AlignVCenter,
        fmPercorso.elidedText(index.data(ModelloRisultatiRicerca::RuoloPercorso).toString(),
                              Qt::ElideLeft, rigaPercorso.width()));
    painter->restore();
}

QSize DelegatoRisultatoRicerca::sizeHint(const QStyleOptionViewItem& option,
                                         const QModelIndex&) const
{
    const QFontMetrics fmDidascalia(option.font);
    const QFontMetrics fmPercorso(fontPercorso(option.font));
    return {200, fmDidascalia.height() + fmPercorso.height() + kMargine + 1};
}

} // namespace velkora
