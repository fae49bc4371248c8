#include "params/ParameterText.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using velkora::ParameterRow;
using velkora::readParameterText;
using velkora::writeParameterText;

namespace {

// The empty section, as the database gives it: empty but not NULL.
const QString kEmptySection = QStringLiteral("");

ParameterRow row(const QString& sezione, const QString& parametro, const QString& valore,
                 qint32 progressivo = 0)
{
    return {sezione, parametro, valore, progressivo};
}

std::string show(const QString& text)
{
    QString s = text;
    s.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
    return s.toStdString();
}

std::string show(const std::vector<ParameterRow>& rows)
{
    std::string out;
    for (const ParameterRow& r : rows) {
        out += "{" + show(r.sezione) + "|" + show(r.parametro) + "|" + show(r.valore) + "|"
            + std::to_string(r.progressivo) + "} ";
    }
    return out;
}

TEST(ParameterTextWriter, WritesRowsInDatabaseOrder)
{
    struct Case
    {
        const char* name;
        std::vector<ParameterRow> rows;
        QString text;
    };
    const Case cases[] = {
        {"no rows give the empty text", {}, QString()},
        {"two sections, no empty line between, line feed after the last line",
         {row("A", "x", "1"), row("A", "y", "2"), row("B", "z", "3")},
         "[A]\nx=1\ny=2\n[B]\nz=3\n"},
        {"NULL and empty values give nothing after '='",
         {row("A", "x", QString()), row("A", "y", kEmptySection)},
         "[A]\nx=\ny=\n"},
        {"a nameless row opening a section gives an empty line after the header",
         {row("A", QString(), "lost"), row("A", "x", "1")},
         "[A]\n\nx=1\n"},
        {"a nameless row inside a section gives an empty line",
         {row("A", "x", "1"), row("A", kEmptySection, QString()), row("A", "y", "2")},
         "[A]\nx=1\n\ny=2\n"},
        {"rows of the empty section stand ahead of the first header",
         {row(kEmptySection, "x", "1"), row(kEmptySection, "y", "2"), row("A", "z", "3")},
         "x=1\ny=2\n[A]\nz=3\n"},
        {"rows with a NULL section take no part",
         {row(QString(), "n", "0"), row("A", "x", "1"), row(QString(), "m", "0"), row("A", "y", "2")},
         "[A]\nx=1\ny=2\n"},
        {"only NULL sections give the empty text", {row(QString(), "n", "0")}, QString()},
        {"a section met again after another gets its header again",
         {row("A", "x", "1"), row("B", "y", "2"), row("A", "z", "3")},
         "[A]\nx=1\n[B]\ny=2\n[A]\nz=3\n"},
        {"blanks, '=' and quotes are written as they are",
         {row(" A'] ", " x ", " =1= '")},
         "[ A'] ]\n x = =1= '\n"},
        {"a single nameless row of the empty section is one empty line",
         {row(kEmptySection, QString(), "v")},
         "\n"},
        {"non-ASCII text is kept", {row("Società è", "Più", "caffè ´ €")}, "[Società è]\nPiù=caffè ´ €\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(writeParameterText(c.rows)), show(c.text));
    }
}

TEST(ParameterTextReader, FollowsTheReadingRules)
{
    struct Case
    {
        const char* name;
        QString text;
        std::vector<ParameterRow> rows;
    };
    const Case cases[] = {
        {"an empty line drops the parameters after it", "[ALFA]\nA=1\n\nB=2\n",
         {row("ALFA", "A", "1", 1)}},
        {"nothing is trimmed", "[ALFA]\nX = 2 \n", {row("ALFA", "X ", " 2 ", 1)}},
        {"a last line without a line feed gives its row", "[ALFA]\nA=1\nB=2",
         {row("ALFA", "A", "1", 1), row("ALFA", "B", "2", 2)}},
        {"carriage return and line feed read like line feed alone", "[ALFA]\r\nA=1\r\nB=\r\n",
         {row("ALFA", "A", "1", 1), row("ALFA", "B", "", 2)}},
        {"a carriage return inside a line is removed", "[AL\rFA]\nA=1\r2\r\n",
         {row("ALFA", "A", "12", 1)}},
        {"a line of a carriage return alone is an empty line", "[ALFA]\nA=1\n\r\nB=2\n",
         {row("ALFA", "A", "1", 1)}},
        {"the last character of a header goes whatever it is", "[ALFA\nA=1\n",
         {row("ALF", "A", "1", 1)}},
        {"a header of '[' alone or '[]' opens no section", "[\nA=1\n[]\nB=2\n[C]\nD=3\n",
         {row("C", "D", "3", 1)}},
        {"a line without '=' gives no row and keeps the section", "[ALFA]\nsolo testo\nA=1\n",
         {row("ALFA", "A", "1", 1)}},
        {"a line of blanks is not empty: the section stays", "[ALFA]\n  \nA=1\n",
         {row("ALFA", "A", "1", 1)}},
        {"a line beginning with '=' has an empty name", "[ALFA]\n=1\nA=2\n",
         {row("ALFA", "A", "2", 1)}},
        {"the value keeps further '=' characters", "[ALFA]\nA=b=c==\n",
         {row("ALFA", "A", "b=c==", 1)}},
        {"an empty value gives a row", "[ALFA]\nA=\n", {row("ALFA", "A", "", 1)}},
        {"parameters ahead of every header give no rows", "A=1\n[ALFA]\nB=2\n",
         {row("ALFA", "B", "2", 1)}},
        {"rows are numbered across sections in text order", "[B]\nx=1\n[A]\ny=2\nz=3\n",
         {row("B", "x", "1", 1), row("A", "y", "2", 2), row("A", "z", "3", 3)}},
        {"a header after an empty line opens a section again", "[A]\nx=1\n\n[A]\ny=2\n",
         {row("A", "x", "1", 1), row("A", "y", "2", 2)}},
        {"a header inside the value of a line is text", "[A]\nx=[B]\n",
         {row("A", "x", "[B]", 1)}},
        {"hostile and non-ASCII text is kept", "[L'Aquila è]\n'; DELETE FROM UTENTI; --=´€'\n",
         {row("L'Aquila è", "'; DELETE FROM UTENTI; --", "´€'", 1)}},
        {"the empty text gives nothing", "", {}},
        {"line feeds alone give nothing", "\n\n\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ParameterRow> rows = readParameterText(c.text);
        EXPECT_EQ(show(rows), show(c.rows));
        for (const ParameterRow& r : rows)
            EXPECT_FALSE(r.sezione.isNull());
    }
}

// Random text over the characters that mean something to the format, so lines, headers,
// separators and carriage returns meet in every combination.
QString randomText(std::mt19937& random, int length)
{
    static const QString alphabet = QStringLiteral("[]=\n\n\r ab'è´€");
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    QString text;
    for (int i = 0; i < length; ++i)
        text += alphabet.at(pick(random));
    return text;
}

// A text of user-typed form, written back and read again, gives the same rows: what the editor
// stores as rows and the store regenerates as text must not change the set.
TEST(ParameterTextRoundTrip, ReadingAWrittenTextOfReadRowsGivesTheSameRows)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 80);
    for (int i = 0; i < 3000; ++i) {
        const QString text = randomText(random, length(random));
        const std::vector<ParameterRow> rows = readParameterText(text);
        const std::vector<ParameterRow> again = readParameterText(writeParameterText(rows));
        if (again != rows) {
            ADD_FAILURE() << "text: " << show(text) << "\nrows: " << show(rows)
                          << "\nagain: " << show(again);
            return;
        }
    }
}

// What the writing rules promise: rows in database order come back in text order, except rows
// without a name (their empty line also drops the rest of their section) and rows of the empty
// section. Names and values are drawn so they can be written at all: no line break anywhere,
// no "=" in a name, no name beginning with "[".
TEST(ParameterTextRoundTrip, WrittenRowsReadBackExceptTheStatedOnes)
{
    std::mt19937 random(7);
    const QString nameChars = QStringLiteral("aZ ']è´€;-");
    const QString valueChars = QStringLiteral("aZ '[]=è´€;-");
    auto randomString = [&](const QString& chars, int maxLength) {
        std::uniform_int_distribution<int> length(0, maxLength);
        std::uniform_int_distribution<int> pick(0, int(chars.size()) - 1);
        QString s = kEmptySection;
        for (int n = length(random); n > 0; --n)
            s += chars.at(pick(random));
        return s;
    };

    for (int iteration = 0; iteration < 500; ++iteration) {
        SCOPED_TRACE(iteration);
        // Sections in the order the database returns them; an empty name sorts first.
        std::vector<QString> sections;
        for (int n = std::uniform_int_distribution<int>(0, 5)(random); n > 0; --n)
            sections.push_back(randomString(QStringLiteral("ABè'[] "), 4));
        std::sort(sections.begin(), sections.end());
        sections.erase(std::unique(sections.begin(), sections.end()), sections.end());

        std::vector<ParameterRow> rows;
        qint32 progressivo = 0;
        for (const QString& section : sections) {
            for (int n = std::uniform_int_distribution<int>(1, 5)(random); n > 0; --n) {
                QString name = randomString(nameChars, 6);
                if (name.startsWith(u'['))
                    name.remove(0, 1);
                // A NULL value is written like the empty one.
                QString value = random() % 5 == 0 ? QString() : randomString(valueChars, 8);
                rows.push_back({section, name, value, ++progressivo});
            }
        }

        std::vector<ParameterRow> expected;
        const QString* dropped = nullptr; // the section whose rest a nameless row dropped
        for (const ParameterRow& r : rows) {
            if (r.sezione.isEmpty() || (dropped && *dropped == r.sezione))
                continue;
            if (r.parametro.isEmpty()) {
                dropped = &r.sezione;
                continue;
            }
            expected.push_back({r.sezione, r.parametro, r.valore,
                                qint32(expected.size()) + 1});
        }

        const QString text = writeParameterText(rows);
        const std::vector<ParameterRow> back = readParameterText(text);
        ASSERT_EQ(show(back), show(expected)) << "text: " << show(text);
    }
}

// Texts of several megabytes, as users with many companies collect them: both directions
// work on them whole, with line feeds or with carriage return and line feed.
TEST(ParameterTextLarge, SeveralMegabytesRoundTrip)
{
    std::vector<ParameterRow> rows;
    const QString value = QString(180, u'v') + QStringLiteral("è´€");
    qint32 progressivo = 0;
    for (int s = 0; s < 100; ++s) {
        const QString section = QStringLiteral("DITTA %1").arg(s, 4, 10, QLatin1Char('0'));
        for (int p = 0; p < 300; ++p)
            rows.push_back({section, QStringLiteral("Parametro%1").arg(p), value, ++progressivo});
    }
    const QString text = writeParameterText(rows);
    ASSERT_GT(text.size(), 5 * 1000 * 1000);
    EXPECT_TRUE(text.endsWith(u'\n'));

    EXPECT_TRUE(readParameterText(text) == rows);
    QString crlf = text;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_TRUE(readParameterText(crlf) == rows);
}

// One line of several megabytes, of carriage returns or of a single value, must be read in
// one pass, not by re-scanning the line for every character.
TEST(ParameterTextLarge, HugeSingleLines)
{
    const qsizetype size = 6 * 1000 * 1000;
    const QString value(size, u'=');
    const std::vector<ParameterRow> one = readParameterText(QStringLiteral("[A]\nx") + value);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].valore.size(), size - 1);

    EXPECT_TRUE(readParameterText(QStringLiteral("[A]\n") + QString(size, u'\r')
                                  + QStringLiteral("\nx=1"))
                    .empty())
        << "a line of carriage returns alone is an empty line: it ends the section";
    const std::vector<ParameterRow> crs
        = readParameterText(QStringLiteral("[A]\nx=") + QString(size, u'\r') + QStringLiteral("1"));
    ASSERT_EQ(crs.size(), 1u);
    EXPECT_EQ(crs[0].valore, QStringLiteral("1"));
}

} // namespace
