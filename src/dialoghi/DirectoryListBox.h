#pragma once

#include <QChar>
#include <QListWidget>
#include <QString>
#include <map>
#include <velkora/platform/DriveMap.h>

namespace velkora {

// The folder list of one drive: the drive's root, the folders down to the current one, then the
// folders inside it. A double click (or Enter) on an entry opens that folder and makes it the
// current one. Each drive remembers its own current folder, so going back to a drive finds the
// folder left there; a drive not yet visited starts at the process's current folder when that
// lies on it, otherwise at its root.
class DirectoryListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit DirectoryListBox(const platform::DriveMap& drives, QWidget* parent = nullptr);

    // The current folder as a local path ending in "/".
    QString directory() const { return m_directory; }
    // The current folder in drive form, ending in one backslash: "C:\DATI\", or "D:\" for the
    // root of d. The local path (ending in "/") when no drive holds it.
    QString drivePath() const;
    // Makes an existing local folder the current one, and its drive the list's drive. False
    // (and nothing changes) when the folder does not exist.
    bool setDirectory(const QString& localPath);

    // The list's drive, lower case.
    QChar drive() const { return m_drive; }
    // Moves the list to the current folder of that drive.
    void setDrive(QChar letter);

    // The local folder of an entry.
    static QString folderOf(const QListWidgetItem* item);

signals:
    void directoryChanged(const QString& directory);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void openEntry(QListWidgetItem* item);
    QChar driveOf(const QString& localPath) const;

    platform::DriveMap m_drives;
    QChar m_drive;
    QString m_directory;
    std::map<char16_t, QString> m_lastFolders; // lower-case letter -> folder last current there
};

} // namespace velkora
