#include "menu/NavBarStyle.h"

#include "menu/ImageList.h"

#include <QFontMetrics>
#include <QTextLayout>

namespace velkora::navbar {

const QPixmap* picture(const ImageList* list, int index)
{
    if (!list || index < 0 || index >= list->count())
        return nullptr;
    return &list->at(index);
}

QStringList wrapText(const QString& text, const QFont& font, int width, int maxLines,
                     bool* elided)
{
    QStringList lines;
    bool cut = false;
    if (width > 0 && maxLines > 0) {
        const QFontMetrics metrics(font);
        QTextLayout layout(text, font);
        QTextOption option;
        // A single long word is broken rather than left running out of the button.
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (lines.size() == maxLines - 1) {
                const QString rest = text.mid(line.textStart()).trimmed();
                const QString shown = metrics.elidedText(rest, Qt::ElideRight, width);
                cut = shown != rest;
                lines << shown;
                break;
            }
            lines << text.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    } else {
        cut = !text.isEmpty();
    }
    if (elided)
        *elided = cut;
    return lines;
}

QColor mix(const QColor& a, const QColor& b, double amount)
{
    const auto blend = [amount](double x, double y) { return x + (y - x) * amount; };
    return QColor::fromRgbF(static_cast<float>(blend(a.redF(), b.redF())),
                            static_cast<float>(blend(a.greenF(), b.greenF())),
                            static_cast<float>(blend(a.blueF(), b.blueF())));
}

} // namespace velkora::navbar
