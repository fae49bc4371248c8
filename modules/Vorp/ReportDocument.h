#pragma once

#include "ReportLayout.h"
#include "ReportTable.h"

#include <QDate>
#include <QFont>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace vorp {

// The texts at the head of every page.
struct ReportHeader
{
    QString title;
    QString company;
    QDate date;
};

// A dataset laid out as a printed report: on every page the title, the company and the date,
// the column captions, and the page number "Pagina N di M" at the foot; the rows below with
// their text wrapped inside the column and numbers right-aligned; the totals of the columns that
// ask for them after the last row. The same drawing serves the preview, a printer and a PDF file:
// anything that is a paged paint device.
class ReportDocument
{
public:
    ReportDocument(const ReportTable& table, ReportLayout layout, ReportHeader header);

    // Sets the page size, orientation and margins of the report on the device. Call it before
    // print() (the preview does it before it shows the pages).
    void preparePage(QPagedPaintDevice& device) const;
    // Draws every page on the device; returns the number of pages.
    int print(QPagedPaintDevice& device) const;
    // Writes the report into a PDF file. False, with nothing written, when the file cannot be
    // opened; the number of pages otherwise goes to pages when given.
    bool writePdf(const QString& path, int* pages = nullptr) const;

    // The text of a cell as the report prints it, and whether its column holds numbers.
    QString cellText(int row, int column) const;
    bool numeric(int column) const { return m_numeric.at(static_cast<std::size_t>(column)); }
    // The total of a column as printed; empty for a column without a total.
    QString totalText(int column) const;
    const ReportLayout& layout() const { return m_layout; }

private:
    struct Geometry;
    Geometry measure(QPainter& painter) const;
    void paintPage(QPainter& painter, const Geometry& g, int page, int pages) const;
    QString formatNumber(const QVariant& value, int column) const;

    const ReportTable& m_table;
    ReportLayout m_layout;
    ReportHeader m_header;
    std::vector<bool> m_numeric;
    QFont m_bodyFont;
    QFont m_boldFont;
    QFont m_titleFont;
};

} // namespace vorp
