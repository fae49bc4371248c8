#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <map>

namespace velkora::platform {

// Drive letters on this operating system. The suite's settings and database names speak of
// drives ("D:\Suite\user\", "Lettera Disco Server=D"); here each letter names a folder, by
// default only "c" the root "/". Paths translate through the map in both directions, and the
// drive chooser lists its letters. The program uses the standard map; tests set their own.
class DriveMap
{
public:
    // The standard map: c is "/".
    DriveMap();

    // Maps a letter (either case) to an absolute local folder, replacing an earlier mapping.
    // A character that is not a letter A-Z or a relative folder is ignored.
    void map(QChar letter, const QString& folder);
    // Removes every mapping, the root's too.
    void clear();

    // The folder of a letter (either case), ending in "/"; empty when the letter is not mapped.
    QString folder(QChar letter) const;
    // The mapped letters, lower case, in alphabetical order.
    QList<QChar> letters() const;

    // A local absolute path in drive form: the upper-case letter whose folder holds the path
    // (the deepest such folder), a colon and the rest after "/". With d mapped to "/srv/velkora",
    // "/srv/velkora/user/user.fdb" gives "D:/user/user.fdb"; with the standard map
    // "/home/a/x.fdb" gives "C:/home/a/x.fdb". Empty when no mapped folder holds the path.
    QString toDrive(const QString& localPath) const;

    // A path in drive form ("D:/user/user.fdb" or "D:\user\user.fdb") as a local path:
    // "/srv/velkora/user/user.fdb" with d mapped to "/srv/velkora". Empty when the text does
    // not start with a letter and a colon or when the letter is not mapped.
    QString toLocal(const QString& drivePath) const;

private:
    std::map<char16_t, QString> m_folders; // lower-case letter -> folder ending in "/"
};

} // namespace velkora::platform
