#include "platform/IniFile.h"

#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtDebug>

#include <optional>
#include <utility>
#include <vector>

namespace velkora::platform {

namespace {

// One physical line of the file: its bytes without the line end, and the line end exactly as
// found ("\r\n", "\n", "\r", or nothing on a last line without one). Keeping the line end apart
// lets a write put back every untouched line byte for byte.
struct Line
{
    QByteArray text;
    QByteArray end;
};

enum class LineKind
{
    Other, // blank, comment, or anything that is neither a header nor a key
    Section,
    Key
};

struct ParsedLine
{
    LineKind kind = LineKind::Other;
    QString name;  // section or key name, trimmed
    QString value; // key value, trimmed and with enclosing quotes removed
    qsizetype equalsAt = -1;
};

// Files written by Windows programs end their lines with CR LF; new files get the same, so they
// stay readable by the suite's programs on either system.
const QByteArray kDefaultLineEnd = QByteArrayLiteral("\r\n");

std::vector<Line> splitLines(const QByteArray& bytes)
{
    std::vector<Line> lines;
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = bytes.at(i);
        if (c == '\n' || c == '\r') {
            const qsizetype endLength = (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n') ? 2 : 1;
            lines.push_back({bytes.mid(start, i - start), bytes.mid(i, endLength)});
            i += endLength;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < size)
        lines.push_back({bytes.mid(start), QByteArray()});
    return lines;
}

// Blanks as Windows skips them around names and values: spaces and tabs only, so that other
// control bytes in a damaged file stay part of the text instead of changing its meaning.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text.at(first)))
        ++first;
    while (last > first && isBlank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first).toString();
}

ParsedLine parseLine(const QByteArray& bytes)
{
    ParsedLine parsed;
    const QString text = fromCp1252(bytes);
    const QString trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.startsWith(u';'))
        return parsed;

    if (trimmed.startsWith(u'[')) {
        // A header without its closing bracket is not a header; Windows ignores the line.
        const qsizetype close = trimmed.lastIndexOf(u']');
        if (close > 0) {
            parsed.kind = LineKind::Section;
            parsed.name = trimBlanks(QStringView(trimmed).mid(1, close - 1));
        }
        return parsed;
    }

    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return parsed;
    parsed.name = trimBlanks(QStringView(text).left(equals));
    if (parsed.name.isEmpty())
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.equalsAt = equals;
    parsed.value = trimBlanks(QStringView(text).mid(equals + 1));
    // Windows drops one pair of matching quotes around a value ("C:\Dati" reads as C:\Dati).
    if (parsed.value.size() >= 2) {
        const QChar first = parsed.value.front();
        if ((first == u'"' || first == u'\'') && parsed.value.back() == first)
            parsed.value = parsed.value.mid(1, parsed.value.size() - 2);
    }
    return parsed;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The whole file, or nothing when it is missing, a folder or unreadable: all of those read as
// defaults.
std::optional<QByteArray> readBytes(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    if (info.size() > IniFile::kMaxBytes) {
        qWarning().noquote() << QStringLiteral("File di impostazioni \"%1\" non letto: è di %2 byte, "
                                               "oltre il massimo di %3 per un file di questo tipo.")
                                    .arg(path)
                                    .arg(info.size())
                                    .arg(IniFile::kMaxBytes);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

struct Found
{
    bool found = false;
    qsizetype lineIndex = -1;
    ParsedLine line;
};

// The first line that defines the key in a section of that name. A section that appears more
// than once is searched in file order, so reads and writes agree on which line is meant.
Found findKey(const std::vector<Line>& lines, const QString& section, const QString& key)
{
    Found result;
    bool inSection = false;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        ParsedLine parsed = parseLine(lines[i].text);
        if (parsed.kind == LineKind::Section) {
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::Key && sameName(parsed.name, key)) {
            result.found = true;
            result.lineIndex = i;
            result.line = std::move(parsed);
            return result;
        }
    }
    return result;
}

QByteArray lineEndOf(const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return kDefaultLineEnd;
}

bool isBlankLine(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// A line break inside a name or value would split the entry into two lines and could make up
// keys the caller never wrote.
bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    const std::optional<QByteArray> bytes = readBytes(m_path);
    if (!bytes)
        return defaultValue;
    const Found found = findKey(splitLines(*bytes), trimBlanks(section), trimBlanks(key));
    return found.found ? found.line.value : defaultValue;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);
    if (sectionName.isEmpty() || keyName.isEmpty() || keyName.contains(u'=')
        || sectionName.contains(u']') || hasLineBreak(sectionName) || hasLineBreak(keyName)
        || hasLineBreak(value)) {
        return false;
    }

    QByteArray original;
    if (QFileInfo::exists(m_path)) {
        const std::optional<QByteArray> bytes = readBytes(m_path);
        if (!bytes)
            return false; // a folder or an unreadable file: writing would destroy what it holds
        original = *bytes;
    }

    std::vector<Line> lines = splitLines(original);
    const QByteArray lineEnd = lineEndOf(lines);
    const QByteArray encodedValue = toCp1252(value);

    const Found found = findKey(lines, sectionName, keyName);
    if (found.found) {
        // Keep the key as spelled in the file and whatever stood before the "=", so only the
        // value changes.
        Line& line = lines[found.lineIndex];
        const QByteArray prefix = line.text.left(found.line.equalsAt + 1);
        line.text = prefix + encodedValue;
    } else {
        const Line newLine{toCp1252(keyName) + '=' + encodedValue, lineEnd};
        // Where the first section of that name ends: after its last non-blank line, so the
        // blank lines that separate it from the next section stay below the new key.
        qsizetype sectionAt = -1;
        qsizetype insertAt = -1;
        for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
            const ParsedLine parsed = parseLine(lines[i].text);
            if (parsed.kind == LineKind::Section) {
                if (sectionAt >= 0)
                    break;
                if (sameName(parsed.name, sectionName)) {
                    sectionAt = i;
                    insertAt = i + 1;
                }
            } else if (sectionAt >= 0 && !isBlankLine(lines[i].text)) {
                insertAt = i + 1;
            }
        }

        std::vector<Line> added;
        if (sectionAt < 0) {
            added.push_back({'[' + toCp1252(sectionName) + ']', lineEnd});
            insertAt = qsizetype(lines.size());
        }
        added.push_back(newLine);
        // The line before the insertion point may be a last line without a line end.
        if (insertAt > 0 && lines[insertAt - 1].end.isEmpty())
            lines[insertAt - 1].end = lineEnd;
        lines.insert(lines.begin() + insertAt, added.begin(), added.end());
    }

    QByteArray output;
    output.reserve(original.size() + encodedValue.size() + 64);
    for (const Line& line : lines) {
        output += line.text;
        output += line.end;
    }

    // Written to a temporary file and renamed, so a program reading at the same moment sees the
    // old or the new file, never half of one; where the folder does not allow that, in place.
    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(output) != output.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QStringList IniFile::sections() const
{
    return IniSnapshot(m_path).sections();
}

IniSnapshot::IniSnapshot(const QString& path)
{
    const std::optional<QByteArray> bytes = readBytes(path);
    if (!bytes)
        return;
    QHash<QString, QString>* current = nullptr;
    for (const Line& line : splitLines(*bytes)) {
        ParsedLine parsed = parseLine(line.text);
        if (parsed.kind == LineKind::Section) {
            const QString lower = parsed.name.toLower();
            const auto it = m_values.find(lower);
            if (it == m_values.end()) {
                // A section repeated in the file is listed once, under its first spelling.
                if (!parsed.name.isEmpty())
                    m_sections.append(parsed.name);
                current = &m_values[lower];
            } else {
                current = &it.value();
            }
        } else if (current && parsed.kind == LineKind::Key) {
            // The first definition in file order stays, as IniFile reads it.
            const QString lower = parsed.name.toLower();
            if (!current->contains(lower))
                current->insert(lower, parsed.value);
        }
    }
}

QString IniSnapshot::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const
{
    const auto s = m_values.constFind(trimBlanks(section).toLower());
    if (s == m_values.constEnd())
        return defaultValue;
    const auto k = s->constFind(trimBlanks(key).toLower());
    return k == s->constEnd() ? defaultValue : k.value();
}

} // namespace velkora::platform
