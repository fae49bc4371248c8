#include "params/ParameterText.h"

namespace velkora {

QString writeParameterText(std::span<const ParameterRow> rows)
{
    // A first pass over the same decisions sizes the text exactly, so a text of several
    // megabytes is built with one allocation instead of a string of copies.
    qsizetype size = 0;
    {
        const QString* last = nullptr;
        for (const ParameterRow& row : rows) {
            if (row.sezione.isNull())
                continue;
            if (!row.sezione.isEmpty() && (!last || row.sezione != *last)) {
                size += row.sezione.size() + 3;
                last = &row.sezione;
            }
            if (!row.parametro.isEmpty())
                size += row.parametro.size() + 1 + row.valore.size();
            size += 1;
        }
    }

    QString text;
    text.reserve(size);
    // The last header written; before the first one it is the empty section, so rows of the
    // empty section (which the database sorts first) get no header.
    QStringView lastSection = u"";
    for (const ParameterRow& row : rows) {
        if (row.sezione.isNull())
            continue;
        if (!row.sezione.isEmpty() && row.sezione != lastSection) {
            text += u'[';
            text += row.sezione;
            text += u"]\n";
            lastSection = row.sezione;
        }
        if (!row.parametro.isEmpty()) {
            text += row.parametro;
            text += u'=';
            text += row.valore;
        }
        text += u'\n';
    }
    return text;
}

namespace {

// A line without its carriage returns. A line without any, or with one only at its end (a text
// with "\r\n" line ends), needs no copy; otherwise the pieces between them go into buffer.
QStringView withoutCarriageReturns(QStringView line, QString& buffer)
{
    qsizetype cr = line.indexOf(u'\r');
    if (cr < 0)
        return line;
    if (cr == line.size() - 1)
        return line.first(cr);
    buffer.clear();
    buffer.reserve(line.size());
    qsizetype from = 0;
    while (cr >= 0) {
        buffer.append(line.sliced(from, cr - from));
        from = cr + 1;
        cr = line.indexOf(u'\r', from);
    }
    buffer.append(line.sliced(from));
    return buffer;
}

} // namespace

std::vector<ParameterRow> readParameterText(QStringView text)
{
    std::vector<ParameterRow> rows;
    QString section;
    QString buffer;
    qint32 number = 0;
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (;;) {
        qsizetype end = text.indexOf(u'\n', start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = size;
        const QStringView line = withoutCarriageReturns(text.sliced(start, end - start), buffer);

        if (line.isEmpty()) {
            // An empty line ends the section: what follows gives no rows until a header.
            section.clear();
        } else if (line.front() == u'[') {
            // Whatever the last character is, it is taken for the closing bracket.
            section = line.size() >= 2 ? line.sliced(1, line.size() - 2).toString() : QString();
        } else if (!section.isEmpty()) {
            const qsizetype equals = line.indexOf(u'=');
            // A line without "=" has an empty name and so gives no row.
            if (equals > 0) {
                rows.push_back({section, line.first(equals).toString(),
                                line.sliced(equals + 1).toString(), ++number});
            }
        }

        if (lastLine)
            break;
        start = end + 1;
    }
    return rows;
}

} // namespace velkora
