#pragma once

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

private:
    QString m_path;
};

} // namespace velkora::platform
