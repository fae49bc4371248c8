#include "dialoghi/DirectoryListBox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace velkora {

namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

DirectoryListBox::DirectoryListBox(const platform::DriveMap& drives, QWidget* parent)
    : QListWidget(parent), m_drives(drives)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryListBox::openEntry);
    if (!setDirectory(QDir::currentPath())) {
        const QList<QChar> letters = m_drives.letters();
        if (!letters.isEmpty())
            setDrive(letters.first());
    }
}

QString DirectoryListBox::folderOf(const QListWidgetItem* item)
{
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QString DirectoryListBox::drivePath() const
{
    QString path = m_drives.toDrive(m_directory);
    if (path.isEmpty())
        return m_directory;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    return path;
}

QChar DirectoryListBox::driveOf(const QString& localPath) const
{
    const QString drivePath = m_drives.toDrive(localPath);
    return drivePath.isEmpty() ? QChar() : drivePath.at(0).toLower();
}

bool DirectoryListBox::setDirectory(const QString& localPath)
{
    const QFileInfo info(localPath);
    if (!info.isDir() || !QDir::isAbsolutePath(localPath))
        return false;
    const QString folder = withSlash(QDir::cleanPath(info.absoluteFilePath()));
    const QChar letter = driveOf(folder);
    if (letter.isNull())
        return false;
    m_drive = letter;
    m_directory = folder;
    m_lastFolders[letter.unicode()] = folder;
    fill();
    emit directoryChanged(m_directory);
    return true;
}

void DirectoryListBox::setDrive(QChar letter)
{
    const QChar drive = letter.toLower();
    const QString root = m_drives.folder(drive);
    if (root.isEmpty())
        return;
    const auto last = m_lastFolders.find(drive.unicode());
    if (last != m_lastFolders.end() && driveOf(last->second) == drive && setDirectory(last->second))
        return;
    const QString current = withSlash(QDir::cleanPath(QDir::currentPath()));
    if (driveOf(current) == drive && setDirectory(current))
        return;
    if (setDirectory(root))
        return;
    // A drive that is not ready (its folder is missing) shows its root alone.
    m_drive = drive;
    m_directory = root;
    fill();
    emit directoryChanged(m_directory);
}

void DirectoryListBox::fill()
{
    clear();
    const QString root = m_drives.folder(m_drive);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QString indent = QStringLiteral("  ");

    // The root, then every folder from it down to the current one.
    auto* rootItem = new QListWidgetItem(open, QString(m_drive) + QStringLiteral(":\\"), this);
    rootItem->setData(Qt::UserRole, root);
    QListWidgetItem* currentItem = rootItem;
    QString path = root;
    int level = 1;
    const QStringList parts =
        m_directory.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        path += part + QLatin1Char('/');
        currentItem = new QListWidgetItem(open, indent.repeated(level++) + part, this);
        currentItem->setData(Qt::UserRole, path);
    }
    // The folders inside the current one, in name order without regard to case.
    const QStringList children =
        QDir(m_directory)
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closed, indent.repeated(level) + child, this);
        item->setData(Qt::UserRole, m_directory + child + QLatin1Char('/'));
    }
    setCurrentItem(currentItem);
}

void DirectoryListBox::openEntry(QListWidgetItem* item)
{
    const QString folder = folderOf(item);
    if (!folder.isEmpty() && folder != m_directory)
        setDirectory(folder);
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openEntry(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace velkora
