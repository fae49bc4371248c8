#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ui/QtMessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vp = velkora::platform;

namespace {

TEST(FileSystemTest, JoinPathAcceptsBothSeparators)
{
    struct Case
    {
        const char* folder;
        const char* relative;
        const char* expected;
    };
    const Case cases[] = {
        {"/prog/", "Grafica\\Verde.bmp", "/prog/Grafica/Verde.bmp"},
        {"/prog", "Grafica/Verde.bmp", "/prog/Grafica/Verde.bmp"},
        {"/prog/", "\\user\\dati.ini", "/prog/user/dati.ini"},
        {"/prog/", "NOMIDIT\\", "/prog/NOMIDIT/"},
        {"/prog/", "", "/prog/"},
        {"", "Grafica\\Verde.bmp", "Grafica/Verde.bmp"},
        {"/", "user", "/user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " + " + c.relative);
        EXPECT_EQ(vp::joinPath(c.folder, c.relative), QString::fromUtf8(c.expected));
    }
}

TEST(FileSystemTest, FoldersAndFilesAreToldApart)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("user");
    EXPECT_FALSE(vp::folderExists(folder));
    EXPECT_TRUE(vp::createFolder(folder));
    EXPECT_TRUE(vp::createFolder(folder)) << "an existing folder is fine";
    EXPECT_TRUE(vp::folderExists(folder));
    EXPECT_FALSE(vp::fileExists(folder));

    const QString file = vp::joinPath(folder, "dati.ini");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(vp::fileExists(file));
    EXPECT_FALSE(vp::folderExists(file));
    EXPECT_FALSE(vp::createFolder(file)) << "a file is in the way";

    EXPECT_FALSE(vp::createFolder(dir.filePath("manca/sotto"))) << "one level only";
    EXPECT_FALSE(vp::folderExists(QString()));
    EXPECT_FALSE(vp::fileExists(QString()));
}

TEST(FileSystemTest, ProgramFolderIsTheExecutablesWithSeparator)
{
    const QString expected = QCoreApplication::applicationDirPath() + "/";
    EXPECT_EQ(vp::executableFolder(), expected);
    EXPECT_EQ(vp::Environment::process().programFolder, expected);
    EXPECT_NE(dynamic_cast<vp::QtMessageService*>(vp::Environment::process().messages), nullptr);

    const QString current = vp::currentDirectory();
    EXPECT_EQ(QDir(current), QDir::current());
    EXPECT_TRUE(current == "/" || !current.endsWith('/'));
}

TEST(FileSystemTest, NamesFromTheDatabaseStayInsideTheirFolder)
{
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir().mkpath(root + "/Grafica/sotto"));
    ASSERT_TRUE(QDir().mkpath(root + "/fuori"));
    QFile(root + "/Grafica/a.ico").open(QIODevice::WriteOnly);
    QFile(root + "/Grafica/sotto/b.ico").open(QIODevice::WriteOnly);
    QFile(root + "/fuori/c.ico").open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(root + "/fuori/c.ico", root + "/Grafica/link.ico"));
    ASSERT_TRUE(QFile::link(root + "/fuori", root + "/Grafica/cartella"));

    struct Case
    {
        const char* name;
        const char* expected; // below root, or "" when refused
    };
    const Case cases[] = {
        {"a.ico", "/Grafica/a.ico"},
        {"sotto\\b.ico", "/Grafica/sotto/b.ico"},
        {"sotto/../a.ico", "/Grafica/a.ico"},
        {"./a.ico", "/Grafica/a.ico"},
        {"...ico", "/Grafica/...ico"},
        {"nuovo.ico", "/Grafica/nuovo.ico"},
        {"../fuori/c.ico", ""},
        {"..\\fuori\\c.ico", ""},
        {"sotto/../../fuori/c.ico", ""},
        {"link.ico", ""},
        {"cartella/c.ico", ""},
        {"..", ""},
        {".", ""},
        {"", ""},
        {"/etc/passwd", ""},
        {"C:\\Windows\\x.ico", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString expected = *c.expected ? QDir::toNativeSeparators(root + c.expected) : QString();
        EXPECT_EQ(vp::fileInsideFolder(root + "/Grafica", c.name), expected);
        EXPECT_EQ(vp::fileInsideFolder(root + "/Grafica/", c.name), expected);
    }
    EXPECT_EQ(vp::fileInsideFolder(QString(), "a.ico"), QString());
    EXPECT_EQ(vp::fileInsideFolder(root + "/manca", "a.ico"), QString());
}

} // namespace
