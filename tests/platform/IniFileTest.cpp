#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using velkora::platform::IniFile;
using velkora::platform::IniSnapshot;

namespace {

// Marks "the key was not found" apart from any value a file can hold.
const QString kDefault = QStringLiteral("<default>");

class IniFileTest : public ::testing::Test
{
protected:
    QString pathOf(const QString& name) const { return m_dir.filePath(name); }

    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("test.ini"))
    {
        const QString path = pathOf(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

struct ReadCase
{
    const char* name;
    QByteArray content;
    QString section;
    QString key;
    QString expected;
};

TEST_F(IniFileTest, ReadsValuesWithWindowsRules)
{
    const QByteArray longValue(1024 * 1024, 'x');
    const QByteArray garbage = QByteArray::fromHex("00ff8081fe0d0a5b5d3d0d00") + "\xa0\xb4\x80";

    const ReadCase cases[] = {
        {"names ignore case", "[Dati]\r\nPercorso=C:\\Velkora\r\n", "dATI", "PERCORSO",
         "C:\\Velkora"},
        {"blanks around names and values", "  [ Dati ]  \r\n\t Percorso \t=  con spazi  \t\r\n",
         "Dati", "Percorso", "con spazi"},
        {"blanks around the asked names", "[Dati]\r\nPercorso=1\r\n", " Dati ", " Percorso ",
         "1"},
        {"missing key", "[Dati]\r\nAltro=1\r\n", "Dati", "Percorso", kDefault},
        {"missing section", "[Dati]\r\nPercorso=1\r\n", "Altri", "Percorso", kDefault},
        {"key of another section", "[A]\r\nK=1\r\n[B]\r\nX=2\r\n", "B", "K", kDefault},
        {"key before any section is ignored", "K=orfana\r\n[S]\r\nX=1\r\n", "S", "K",
         kDefault},
        {"comment line is not a key", "[S]\r\n;K=commentata\r\nK=vera\r\n", "S", "K", "vera"},
        {"first occurrence wins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1"},
        {"repeated section is searched too", "[S]\r\nA=1\r\n[T]\r\n[s]\r\nK=3\r\n", "S", "K",
         "3"},
        {"empty value is not the default", "[S]\r\nK=\r\n", "S", "K", ""},
        {"equals sign inside the value", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        {"enclosing quotes dropped", "[S]\r\nK=\"  tra virgolette  \"\r\n", "S", "K",
         "  tra virgolette  "},
        {"lone quote kept", "[S]\r\nK=\"aperta\r\n", "S", "K", "\"aperta"},
        {"line feeds only, no final line end", "[S]\nA=1\nK=2", "S", "K", "2"},
        {"lone carriage returns", "[S]\rA=1\rK=2\r", "S", "K", "2"},
        {"header without bracket is ignored", "[S]\r\n[Rotta\r\nK=1\r\n", "S", "K", "1"},
        {"no sections at all", "K=1\r\nsolo testo\r\n", "S", "K", kDefault},
        {"NUL bytes in another line", QByteArrayLiteral("[S]\r\nA=x\0y\r\nK=2\r\n"), "S", "K",
         "2"},
        {"garbage before the section", garbage + "\r\n[S]\r\nK=v\r\n", "S", "K", "v"},
        {"line of one megabyte", "[S]\r\nK=" + longValue + "\r\nZ=fine\r\n", "S", "Z", "fine"},
        {"Windows-1252 text", "[Societ\xe0]\r\nCitt\xe0=Forl\xec \xb4 \x80\r\n",
         QStringLiteral("SOCIETÀ"), QStringLiteral("città"), QStringLiteral("Forlì ´ €")},
    };

    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const IniFile ini(writeFile(c.content));
        EXPECT_EQ(ini.readString(c.section, c.key, kDefault), c.expected);
        // The file read once answers as the file read for each key.
        EXPECT_EQ(IniSnapshot(ini.path()).readString(c.section, c.key, kDefault), c.expected);
    }
}

// A file beyond the size of any settings file is not read at all: it reads as missing, and a
// write does not replace what it holds.
TEST_F(IniFileTest, AFileTooLargeReadsAsMissingAndIsNotRewritten)
{
    QByteArray content = "[S]\r\nK=1\r\n";
    content += QByteArray(IniFile::kMaxBytes, ';');
    const QString path = writeFile(content);
    IniFile ini(path);
    EXPECT_EQ(ini.readString("S", "K", kDefault), kDefault);
    EXPECT_EQ(IniSnapshot(path).readString("S", "K", kDefault), kDefault);
    EXPECT_TRUE(ini.sections().isEmpty());
    EXPECT_FALSE(ini.writeString("S", "K", "2"));
    EXPECT_EQ(QFileInfo(path).size(), content.size());
}

TEST_F(IniFileTest, LongLineAndNulValueReadWhole)
{
    const QByteArray longValue(1024 * 1024, 'x');
    const IniFile ini(writeFile("[S]\r\nLunga=" + longValue + "\r\nNul=a" + QByteArray(1, '\0')
                                + "b\r\n"));
    EXPECT_EQ(ini.readString("S", "Lunga").size(), longValue.size());
    EXPECT_EQ(ini.readString("S", "Nul"), QString(QStringLiteral("a")) + QChar(0) + u'b');
}

TEST_F(IniFileTest, UnreadableSourcesGiveDefaults)
{
    const QString folder = pathOf("cartella.ini");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& path : {pathOf("manca.ini"), folder, QString()}) {
        SCOPED_TRACE(path.toStdString());
        const IniFile ini(path);
        EXPECT_EQ(ini.readString("S", "K", kDefault), kDefault);
        EXPECT_TRUE(ini.sections().isEmpty());
    }
}

TEST_F(IniFileTest, SectionsInFileOrderEachOnce)
{
    const IniFile ini(writeFile("K=orfana\r\n[Beta]\r\n[alfa]\r\nX=1\r\n[BETA]\r\n  [ Gamma ] \r\n"
                                ";[Commento]\r\n[]\r\n[Rotta\r\n[Alfa]\r\n"));
    EXPECT_EQ(ini.sections(), QStringList({"Beta", "alfa", "Gamma"}));
}

struct WriteCase
{
    const char* name;
    std::optional<QByteArray> before; // nullopt: no file yet
    QString section;
    QString key;
    QString value;
    QByteArray after;
};

TEST_F(IniFileTest, WritesChangeOnlyWhatTheyMust)
{
    const QByteArray longLine = "Lunga=" + QByteArray(1024 * 1024, 'y');
    const QByteArray odd = QByteArrayLiteral("X=\x80\0\xff");

    const WriteCase cases[] = {
        {"creates the file and the section", std::nullopt, "S", "K", "v", "[S]\r\nK=v\r\n"},
        {"empty file", QByteArray(), "S", "K", "v", "[S]\r\nK=v\r\n"},
        {"replaces in place keeping spelling, comments and other lines",
         "; intestazione\r\n[A]\r\n  Chiave  = vecchio\r\n;commento\r\nAltro=1\r\n", "a",
         "CHIAVE", "nuovo",
         "; intestazione\r\n[A]\r\n  Chiave  =nuovo\r\n;commento\r\nAltro=1\r\n"},
        {"replaces only the first occurrence", "[A]\r\nK=1\r\nK=2\r\n", "A", "K", "9",
         "[A]\r\nK=9\r\nK=2\r\n"},
        {"new key before the blank lines that end its section",
         "[A]\r\nX=1\r\n\r\n\r\n[B]\r\nY=2\r\n", "A", "Z", "3",
         "[A]\r\nX=1\r\nZ=3\r\n\r\n\r\n[B]\r\nY=2\r\n"},
        {"new key in an empty section", "Orfana=1\r\n[A]\r\n[B]\r\n", "a", "K", "v",
         "Orfana=1\r\n[A]\r\nK=v\r\n[B]\r\n"},
        {"new key after a last line without line end", "[A]\r\nX=1", "A", "K", "v",
         "[A]\r\nX=1\r\nK=v\r\n"},
        {"new section at the end, file's own line ends", "[A]\nX=1", "B", "K", "v",
         "[A]\nX=1\n[B]\nK=v\n"},
        {"key of the repeated section replaced where it is", "[A]\nX=1\n[B]\n[a]\nK=old\n", "A",
         "K", "new", "[A]\nX=1\n[B]\n[a]\nK=new\n"},
        {"new key goes to the first of repeated sections", "[A]\nX=1\n[B]\n[a]\nY=2\n", "A", "Z",
         "3", "[A]\nX=1\nZ=3\n[B]\n[a]\nY=2\n"},
        {"keys before any section do not count", "K=orfana\r\n[A]\r\n", "A", "K", "v",
         "K=orfana\r\n[A]\r\nK=v\r\n"},
        {"odd bytes and lone CR elsewhere kept", "[A]\r\n" + odd + "\r\n[B]\rY=1\r", "B", "Y",
         "2", "[A]\r\n" + odd + "\r\n[B]\rY=2\r"},
        {"megabyte line kept", "[A]\r\n" + longLine + "\r\nK=1\r\n", "A", "K", "2",
         "[A]\r\n" + longLine + "\r\nK=2\r\n"},
        {"Windows-1252 bytes", std::nullopt, QStringLiteral("Società"), QStringLiteral("Città"),
         QStringLiteral("Forlì ´ €"), "[Societ\xe0]\r\nCitt\xe0=Forl\xec \xb4 \x80\r\n"},
    };

    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = pathOf("scrittura.ini");
        QFile::remove(path);
        if (c.before)
            writeFile(*c.before, "scrittura.ini");
        IniFile ini(path);
        ASSERT_TRUE(ini.writeString(c.section, c.key, c.value));
        EXPECT_EQ(readFile(path), c.after);
        EXPECT_EQ(ini.readString(c.section, c.key, kDefault), c.value);
    }
}

TEST_F(IniFileTest, SecondObjectSeesWrites)
{
    const QString path = pathOf("condiviso.ini");
    IniFile writer(path);
    const IniFile reader(path);
    ASSERT_TRUE(writer.writeString("Uno", "A", "1"));
    ASSERT_TRUE(writer.writeString("Due", "B", "2"));
    ASSERT_TRUE(writer.writeString("uno", "A", "3"));
    EXPECT_EQ(reader.readString("UNO", "a"), "3");
    EXPECT_EQ(reader.sections(), QStringList({"Uno", "Due"}));
}

TEST_F(IniFileTest, WriteFailsWithoutTouchingAnything)
{
    const QString folder = pathOf("cartella.ini");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(IniFile(folder).writeString("S", "K", "v"));
    EXPECT_TRUE(QDir(folder).isEmpty());

    const QString inMissingFolder = pathOf("manca/test.ini");
    EXPECT_FALSE(IniFile(inMissingFolder).writeString("S", "K", "v"));
    EXPECT_FALSE(QFile::exists(inMissingFolder));

    // A line break in a name or value would make up entries nobody wrote.
    const QByteArray content = "[S]\r\nK=1\r\n";
    const QString path = writeFile(content);
    IniFile ini(path);
    EXPECT_FALSE(ini.writeString("S", "K", "1\r\n[Altra]\r\nX=2"));
    EXPECT_FALSE(ini.writeString("S", "K\nY", "2"));
    EXPECT_FALSE(ini.writeString("S", "K=Y", "2"));
    EXPECT_FALSE(ini.writeString("", "K", "2"));
    EXPECT_FALSE(ini.writeString("S", " ", "2"));
    EXPECT_EQ(readFile(path), content);
}

} // namespace
