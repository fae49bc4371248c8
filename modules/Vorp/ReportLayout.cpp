#include "ReportLayout.h"

#include <velkora/platform/IniFile.h>

#include <velkora/db/Query.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <stdexcept>

namespace vorp {

namespace {

constexpr int kDefaultWidth = 10;
constexpr int kDefaultDecimals = 2;
// The most columns a layout may list.
constexpr int kMaxColumns = 500;

// The layout file of a report, or empty when there is none.
QString layoutFile(const QString& programFolder, const QString& name)
{
    // Only the last part of the name counts, so "..\..\x" cannot reach outside "Report".
    QString base = name.trimmed();
    base = base.mid(base.lastIndexOf(QRegularExpression(QStringLiteral("[\\\\/:]"))) + 1);
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String(".."))
        return {};
    if (!base.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
        base += QLatin1String(".ini");
    const QDir folder(QDir(programFolder).filePath(QStringLiteral("Report")));
    // Windows programs wrote these names in any letter case: find the file regardless of it.
    for (const QFileInfo& info : folder.entryInfoList(QDir::Files)) {
        if (info.fileName().compare(base, Qt::CaseInsensitive) == 0)
            return info.filePath();
    }
    return {};
}

int positive(const QString& text, int fallback, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

} // namespace

ReportLayout ReportLayout::allColumns(const ReportTable& table)
{
    // Without a layout each column gets a share of the page after its longest text (caption
    // included), within limits: a code column stays narrow, a long note wraps instead of
    // taking the whole page.
    constexpr int kNarrowest = 4;
    constexpr int kWidest = 40;
    ReportLayout layout;
    for (int i = 0; i < table.columns.size(); ++i) {
        qsizetype longest = table.columns.at(i).size();
        for (const auto& row : table.rows)
            longest = std::max(longest, velkora::db::valueToText(row.at(static_cast<std::size_t>(i))).size());
        const int width = static_cast<int>(std::clamp<qsizetype>(longest, kNarrowest, kWidest));
        layout.columns.push_back({i, table.columns.at(i), width, false, kDefaultDecimals});
    }
    return layout;
}

ReportLayout ReportLayout::load(const QString& programFolder, const QString& name, const ReportTable& table)
{
    const QString path = layoutFile(programFolder, name);
    if (path.isEmpty())
        return allColumns(table);

    // Read once: a layout asks four keys for each of its columns.
    const velkora::platform::IniSnapshot ini(path);
    const QString general = QStringLiteral("Report");
    ReportLayout layout;
    layout.file = path;
    const QString orientation = ini.readString(general, QStringLiteral("Orientamento")).trimmed();
    layout.landscape = orientation.compare(QLatin1String("Orizzontale"), Qt::CaseInsensitive) == 0;

    const QStringList names =
        ini.readString(general, QStringLiteral("Colonne")).split(QRegularExpression(QStringLiteral("[,;]")));
    // No page holds more; a longer list is a damaged file, and printing it would take minutes.
    if (names.size() > kMaxColumns)
        throw std::runtime_error(QStringLiteral("Il layout di stampa %1 elenca %2 colonne: se ne "
                                                "possono stampare al massimo %3.")
                                     .arg(QDir::toNativeSeparators(path))
                                     .arg(names.size())
                                     .arg(kMaxColumns)
                                     .toStdString());
    for (const QString& raw : names) {
        const QString column = raw.trimmed();
        const int source = table.columnIndex(column);
        if (column.isEmpty() || source < 0)
            continue;
        Column c;
        c.source = source;
        c.caption = ini.readString(column, QStringLiteral("Titolo"), table.columns.at(source));
        c.width = positive(ini.readString(column, QStringLiteral("Larghezza")), kDefaultWidth, 1, 1000);
        c.total = ini.readString(column, QStringLiteral("Totale")).trimmed() == QLatin1String("1");
        c.decimals = positive(ini.readString(column, QStringLiteral("Decimali")), kDefaultDecimals, 0, 9);
        layout.columns.push_back(c);
    }
    if (layout.columns.empty()) {
        const bool landscape = layout.landscape;
        layout = allColumns(table);
        layout.landscape = landscape;
        layout.file = path;
    }
    return layout;
}

} // namespace vorp
