#include "ReportDocument.h"

#include <velkora/db/Decimal.h>
#include <velkora/db/Query.h>

#include <QFontMetricsF>
#include <QLocale>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <optional>

namespace vorp {

namespace {

// The print library is unloaded after each print, and Qt's font cache outlives it: a family
// name whose characters lay in the library's memory (QStringLiteral) would be read from unmapped
// memory at the next font look-up. Texts handed to Qt are built at run time for that reason.
const char* const kFontFamily = "DejaVu Sans";
const QString kNoRows = QStringLiteral("Nessun dato da stampare");
const QString kTotalCaption = QStringLiteral("Totale");

using velkora::db::Decimal;

bool isDecimal(const QVariant& v)
{
    return v.metaType() == QMetaType::fromType<Decimal>();
}

bool isNumber(const QVariant& v)
{
    if (isDecimal(v))
        return true;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isFraction(const QVariant& v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

// An exact amount in the Italian way: "." between thousands, "," before the decimals, every
// decimal of the scale ("-1.234,5000"). The units are 128-bit so that a total of many 64-bit
// amounts still fits.
QString italianAmount(__int128 units, int scale)
{
    const bool negative = units < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(units) : static_cast<unsigned __int128>(units);
    QString digits;
    do {
        digits.prepend(QChar(u'0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (digits.size() <= scale)
        digits.prepend(QString(scale - digits.size() + 1, QLatin1Char('0')));
    QString whole = digits.left(digits.size() - scale);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char('.'));
    QString out = negative ? QStringLiteral("-") + whole : whole;
    if (scale > 0)
        out += QLatin1Char(',') + digits.right(scale);
    return out;
}

// Reads an amount printed as text, in the Italian way ("1.234,50": "." between thousands, ","
// before the decimals) or plain ("1234.5", as the db layer writes numbers as text).
std::optional<Decimal> amountFromText(const QString& text)
{
    QString plain = text.trimmed();
    if (plain.contains(QLatin1Char(',')))
        plain.remove(QLatin1Char('.'));
    return Decimal::fromString(plain);
}

QTextOption wrapping(Qt::Alignment alignment)
{
    QTextOption option(alignment | Qt::AlignTop);
    // Long words (codes, e-mail addresses) are broken too rather than running into the next
    // column.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// The height the text takes when wrapped into width, in the painter's device units.
double wrappedHeight(const QFont& font, QPaintDevice* device, double width, const QString& text)
{
    const QFontMetricsF metrics(font, device);
    if (text.isEmpty())
        return metrics.height();
    QTextLayout layout(text, font, device);
    layout.setTextOption(wrapping(Qt::AlignLeft));
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return std::max(1, lines) * metrics.lineSpacing();
}

QFont font(double points, bool bold)
{
    QFont f(QString::fromLatin1(kFontFamily));
    f.setPointSizeF(points);
    f.setBold(bold);
    // Latin text needs no shaping; without it no ligature glyph ("ff" as one sign) goes into the
    // PDF, so "Caffè" is found by a search in the file and copied as its letters.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

} // namespace

// Everything measured on the device before drawing: column positions, the height of every row
// and which rows go on which page.
struct ReportDocument::Geometry
{
    double width = 0;
    double height = 0;
    double point = 1; // one typographic point in device units
    double pad = 0;
    std::vector<double> x;
    std::vector<double> w;
    double headerH = 0;
    double captionH = 0;
    double footerH = 0;
    double totalH = 0;
    std::vector<double> rowH;
    // Rows [first, end) of each page; the totals go on the last page.
    std::vector<std::pair<int, int>> pages;
};

ReportDocument::ReportDocument(const ReportTable& table, ReportLayout layout, ReportHeader header)
    : m_table(table)
    , m_layout(std::move(layout))
    , m_header(std::move(header))
    , m_bodyFont(font(8.5, false))
    , m_boldFont(font(8.5, true))
    , m_titleFont(font(14, true))
{
    // A column is numeric when every value it holds is a number (and it holds at least one).
    for (const ReportLayout::Column& c : m_layout.columns) {
        bool anyNumber = false;
        bool allNumbers = true;
        for (const auto& row : m_table.rows) {
            const QVariant& v = row.at(static_cast<std::size_t>(c.source));
            if (v.isNull())
                continue;
            const bool n = isNumber(v);
            anyNumber = anyNumber || n;
            allNumbers = allNumbers && n;
        }
        m_numeric.push_back(anyNumber && allNumbers);
    }
}

QString ReportDocument::formatNumber(const QVariant& value, int column) const
{
    static const QLocale italian(QLocale::Italian, QLocale::Italy);
    // An amount of a NUMERIC or DECIMAL column is printed with its column's decimals, exactly.
    if (isDecimal(value)) {
        const Decimal d = value.value<Decimal>();
        return italianAmount(d.units(), d.scale());
    }
    if (isFraction(value))
        return italian.toString(value.toDouble(), 'f', m_layout.columns.at(static_cast<std::size_t>(column)).decimals);
    // Whole numbers are printed as they are: codes must not get thousands separators.
    return QString::number(value.toLongLong());
}

QString ReportDocument::cellText(int row, int column) const
{
    const ReportLayout::Column& c = m_layout.columns.at(static_cast<std::size_t>(column));
    const QVariant& v = m_table.rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(c.source));
    if (v.isNull())
        return QString();
    if (isNumber(v))
        return formatNumber(v, column);
    return velkora::db::valueToText(v);
}

QString ReportDocument::totalText(int column) const
{
    const ReportLayout::Column& c = m_layout.columns.at(static_cast<std::size_t>(column));
    if (!c.total)
        return QString();
    // Whole numbers and amounts add up exactly, in units of the finest scale met; only a column
    // of floating-point values (DOUBLE PRECISION) is summed as such.
    __int128 units = 0;
    int scale = 0;
    bool amounts = false;
    bool floating = false;
    double sum = 0;
    auto addExact = [&](const Decimal& d) {
        if (d.scale() > scale) {
            for (int s = scale; s < d.scale(); ++s)
                units *= 10;
            scale = d.scale();
        }
        __int128 add = d.units();
        for (int s = d.scale(); s < scale; ++s)
            add *= 10;
        units += add;
    };
    for (const auto& row : m_table.rows) {
        const QVariant& v = row.at(static_cast<std::size_t>(c.source));
        if (v.isNull())
            continue;
        if (isFraction(v)) {
            floating = true;
            sum += v.toDouble();
        } else if (isDecimal(v)) {
            amounts = true;
            addExact(v.value<Decimal>());
        } else if (isNumber(v)) {
            addExact(Decimal(v.toLongLong(), 0));
        } else if (const std::optional<Decimal> d = amountFromText(velkora::db::valueToText(v))) {
            // Text that reads as a number (a total over a text column of amounts) counts too.
            amounts = amounts || d->scale() > 0;
            addExact(*d);
        }
    }
    if (floating) {
        // A column mixing floating-point values with others prints as the floating-point one.
        double exact = static_cast<double>(units);
        for (int s = 0; s < scale; ++s)
            exact /= 10.0;
        return formatNumber(QVariant(sum + exact), column);
    }
    if (amounts)
        return italianAmount(units, scale);
    return italianAmount(units, 0).remove(QLatin1Char('.'));
}

void ReportDocument::preparePage(QPagedPaintDevice& device) const
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     m_layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
}

ReportDocument::Geometry ReportDocument::measure(QPainter& painter) const
{
    QPaintDevice* device = painter.device();
    Geometry g;
    g.width = device->width();
    g.height = device->height();
    g.point = device->logicalDpiY() / 72.0;
    g.pad = 3 * g.point;

    int shares = 0;
    for (const ReportLayout::Column& c : m_layout.columns)
        shares += c.width;
    double left = 0;
    for (const ReportLayout::Column& c : m_layout.columns) {
        const double w = shares > 0 ? g.width * c.width / shares : 0;
        g.x.push_back(left);
        g.w.push_back(w);
        left += w;
    }

    const QFontMetricsF body(m_bodyFont, device);
    g.headerH = QFontMetricsF(m_titleFont, device).height() + body.height() + 8 * g.point;
    g.footerH = body.height() + 4 * g.point;
    auto rowHeight = [&](const QFont& f, auto text) {
        double h = 0;
        for (std::size_t c = 0; c < g.w.size(); ++c)
            h = std::max(h, wrappedHeight(f, device, std::max(1.0, g.w[c] - 2 * g.pad), text(static_cast<int>(c))));
        return h + 2 * g.pad;
    };
    g.captionH = rowHeight(m_boldFont, [&](int c) { return m_layout.columns.at(static_cast<std::size_t>(c)).caption; });
    const bool anyTotal = std::any_of(m_layout.columns.begin(), m_layout.columns.end(),
                                      [](const ReportLayout::Column& c) { return c.total; });
    g.totalH = anyTotal ? rowHeight(m_boldFont, [&](int c) { return totalText(c); }) : 0;

    const double room = g.height - g.headerH - g.captionH - g.footerH;
    int first = 0;
    double used = 0;
    const int count = static_cast<int>(m_table.rows.size());
    for (int r = 0; r < count; ++r) {
        const double h = rowHeight(m_bodyFont, [&](int c) { return cellText(r, c); });
        g.rowH.push_back(h);
        // A row taller than a whole page is cut at the page's foot rather than looping.
        if (used + h > room && r > first) {
            g.pages.emplace_back(first, r);
            first = r;
            used = 0;
        }
        used += h;
    }
    if (count == 0)
        used = body.lineSpacing() + 2 * g.pad;
    g.pages.emplace_back(first, count);
    if (used + g.totalH > room && count > 0)
        g.pages.emplace_back(count, count);
    return g;
}

void ReportDocument::paintPage(QPainter& painter, const Geometry& g, int page, int pages) const
{
    const QPen line(Qt::black, 0.6 * g.point);
    const QPen thin(QColor(170, 170, 170), 0.3 * g.point);

    // Header: title and date on the first line, company below, a rule under them.
    painter.setFont(m_titleFont);
    const double titleH = QFontMetricsF(m_titleFont, painter.device()).height();
    painter.drawText(QRectF(0, 0, g.width * 0.75, titleH), Qt::AlignLeft | Qt::AlignVCenter, m_header.title);
    painter.setFont(m_bodyFont);
    painter.drawText(QRectF(g.width * 0.75, 0, g.width * 0.25, titleH), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Data: ") + m_header.date.toString(QStringLiteral("dd/MM/yyyy")));
    const double bodyH = QFontMetricsF(m_bodyFont, painter.device()).height();
    painter.drawText(QRectF(0, titleH, g.width, bodyH), Qt::AlignLeft | Qt::AlignVCenter, m_header.company);
    painter.setPen(line);
    double y = g.headerH - 3 * g.point;
    painter.drawLine(QPointF(0, y), QPointF(g.width, y));
    y = g.headerH;

    auto drawRow = [&](double top, double h, auto text) {
        for (std::size_t c = 0; c < g.w.size(); ++c) {
            const Qt::Alignment a = m_numeric[c] ? Qt::AlignRight : Qt::AlignLeft;
            painter.drawText(QRectF(g.x[c] + g.pad, top + g.pad, std::max(1.0, g.w[c] - 2 * g.pad), h - 2 * g.pad),
                             text(static_cast<int>(c)), wrapping(a));
        }
    };

    // Captions on a grey band.
    painter.fillRect(QRectF(0, y, g.width, g.captionH), QColor(225, 225, 225));
    painter.setPen(Qt::black);
    painter.setFont(m_boldFont);
    drawRow(y, g.captionH, [&](int c) { return m_layout.columns.at(static_cast<std::size_t>(c)).caption; });
    y += g.captionH;
    painter.setPen(line);
    painter.drawLine(QPointF(0, y), QPointF(g.width, y));

    const auto [first, end] = g.pages.at(static_cast<std::size_t>(page));
    painter.setFont(m_bodyFont);
    if (m_table.rows.empty()) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y + g.pad, g.width, bodyH), Qt::AlignLeft, kNoRows);
    }
    for (int r = first; r < end; ++r) {
        const double h = g.rowH.at(static_cast<std::size_t>(r));
        painter.setPen(Qt::black);
        drawRow(y, h, [&](int c) { return cellText(r, c); });
        y += h;
        painter.setPen(thin);
        painter.drawLine(QPointF(0, y), QPointF(g.width, y));
    }

    if (page == pages - 1 && g.totalH > 0) {
        painter.setPen(line);
        painter.drawLine(QPointF(0, y), QPointF(g.width, y));
        painter.setPen(Qt::black);
        painter.setFont(m_boldFont);
        drawRow(y, g.totalH, [&](int c) {
            // The word "Totale" in the first column, unless that column has a total itself.
            if (c == 0 && !m_layout.columns.front().total)
                return kTotalCaption;
            return totalText(c);
        });
    }

    painter.setPen(Qt::black);
    painter.setFont(m_bodyFont);
    painter.drawText(QRectF(0, g.height - bodyH, g.width, bodyH), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages));
}

int ReportDocument::print(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const Geometry g = measure(painter);
    const int pages = static_cast<int>(g.pages.size());
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            device.newPage();
        paintPage(painter, g, p, pages);
    }
    painter.end();
    return pages;
}

bool ReportDocument::writePdf(const QString& path, int* pages) const
{
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Vorp"));
    writer.setTitle(m_header.title);
    // Fine enough for text and rules; higher resolutions only make the file slower to write.
    writer.setResolution(300);
    preparePage(writer);
    const int n = print(writer);
    if (pages)
        *pages = n;
    return n > 0;
}

} // namespace vorp
