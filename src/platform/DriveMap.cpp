#include "platform/DriveMap.h"

#include <QDir>

namespace velkora::platform {

namespace {

// The lower-case letter of a drive, or 0 when the character names none.
char16_t driveKey(QChar letter)
{
    const char16_t c = letter.toLower().unicode();
    return c >= u'a' && c <= u'z' ? c : 0;
}

} // namespace

DriveMap::DriveMap()
{
    map(QLatin1Char('c'), QStringLiteral("/"));
}

void DriveMap::map(QChar letter, const QString& folder)
{
    const char16_t key = driveKey(letter);
    if (key == 0 || !folder.startsWith(QLatin1Char('/')))
        return;
    QString clean = QDir::cleanPath(folder);
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    m_folders[key] = clean;
}

void DriveMap::clear()
{
    m_folders.clear();
}

QString DriveMap::folder(QChar letter) const
{
    const auto it = m_folders.find(driveKey(letter));
    return it == m_folders.end() ? QString() : it->second;
}

QList<QChar> DriveMap::letters() const
{
    QList<QChar> out;
    for (const auto& entry : m_folders)
        out.append(QChar(entry.first));
    return out;
}

QString DriveMap::toDrive(const QString& localPath) const
{
    if (!localPath.startsWith(QLatin1Char('/')))
        return {};
    // A trailing separator is kept: a folder stays a folder in drive form.
    QString path = QDir::cleanPath(localPath);
    if (localPath.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    char16_t best = 0;
    qsizetype bestLength = -1;
    for (const auto& [key, folder] : m_folders) {
        const bool holds = path.startsWith(folder) || path + QLatin1Char('/') == folder;
        if (holds && folder.size() > bestLength) {
            best = key;
            bestLength = folder.size();
        }
    }
    if (best == 0)
        return {};
    return QChar(best).toUpper() + QStringLiteral(":/") + path.mid(bestLength);
}

QString DriveMap::toLocal(const QString& drivePath) const
{
    if (drivePath.size() < 2 || drivePath.at(1) != QLatin1Char(':'))
        return {};
    const QString folder = this->folder(drivePath.at(0));
    if (folder.isEmpty())
        return {};
    QString rest = drivePath.mid(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return folder + rest;
}

} // namespace velkora::platform
