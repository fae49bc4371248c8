#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace velkora::test {

// The text of each page of a PDF file, as pdftotext (poppler-utils) reads it back with the
// layout kept: what a person sees on the page, independent of how the file was drawn.
inline QStringList pdfPages(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << file.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    // pdftotext ends the last page with a form feed too.
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// A field of pdfinfo's report ("Pages", "Page size").
inline QString pdfInfo(const QString& file, const QString& field)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {file});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdfinfo failed on " << file.toStdString();
        return {};
    }
    const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(field)
                                      + QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1).trimmed();
}

// The words of a page line by line, blanks squeezed, so a test can look for a row's values in
// order without depending on the exact column positions. The text is taken as the file gives it:
// a ligature sign ("ff" drawn as one) would not match the row's letters.
inline QStringList squeezedLines(const QString& page)
{
    QStringList out;
    for (const QString& l : page.split(QLatin1Char('\n'))) {
        const QString s = l.simplified();
        if (!s.isEmpty())
            out << s;
    }
    return out;
}

// A word of a PDF page with its box in points, as pdftotext -bbox finds it.
struct PdfWord
{
    QString text;
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
};

// The words of the first page, in reading order.
inline std::vector<PdfWord> pdfWords(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                   QStringLiteral("1"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext -bbox failed on " << file.toStdString();
        return {};
    }
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    std::vector<PdfWord> out;
    for (auto it = word.globalMatch(QString::fromUtf8(process.readAllStandardOutput())); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out.push_back({m.captured(4), m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(2).toDouble()});
    }
    return out;
}

} // namespace velkora::test
