#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace velkora::platform {

// A settings file with the meaning Windows gives INI files: "[section]" headers and
// "key=value" lines; section and key names matched without regard to case; blanks around names
// and values ignored; a missing file, section or key reads as the default. Writing creates the
// file and the section when missing and keeps every other line as it was. Text is read and
// written as Windows-1252. Each call reads the file anew, so two objects on one path (or two
// programs) see each other's writes.
class IniFile
{
public:
    explicit IniFile(QString path);

    QString path() const { return m_path; }
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // Returns false when the file cannot be written.
    bool writeString(const QString& section, const QString& key, const QString& value);
    // Section names in file order (a section repeated in the file is listed once).
    QStringList sections() const;

    // Files larger than this are not read (they read as missing, with a warning naming the file):
    // a settings file or a report layout is a few kilobytes, and reading a damaged or hostile
    // giant one would hold the program for seconds.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

private:
    QString m_path;
};

// A settings file read once, for a reader that asks many keys (a report layout with a section per
// column): every question then costs a look-up, not a new reading of the file, so reading N keys
// takes time linear in the file. The answers are those IniFile gives for the file as it was read.
class IniSnapshot
{
public:
    explicit IniSnapshot(const QString& path);

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    QStringList sections() const { return m_sections; }

private:
    // Section and key names in lower case; the first definition of a key in file order counts.
    QHash<QString, QHash<QString, QString>> m_values;
    QStringList m_sections;
};

} // namespace velkora::platform
