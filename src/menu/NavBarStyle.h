#pragma once

#include <QColor>
#include <QStringList>

class QFont;
class QPixmap;

namespace velkora {

class ImageList;

// Drawing helpers shared by the selectors and links of the navigation bar.
namespace navbar {

// The picture at index in list; null when there is no list or the index is -1 or out of
// range, since the catalogue may name pictures that were never loaded.
const QPixmap* picture(const ImageList* list, int index);

// Breaks text into at most maxLines lines of width pixels, the last one elided with "...".
// elided tells whether anything was cut, so the caller can offer the whole text as a tooltip.
QStringList wrapText(const QString& text, const QFont& font, int width, int maxLines,
                     bool* elided);

// a blended with b: amount 0 gives a, 1 gives b.
QColor mix(const QColor& a, const QColor& b, double amount);

} // namespace navbar
} // namespace velkora
