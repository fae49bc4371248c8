#include "platform/DriveMap.h"

#include <gtest/gtest.h>

using velkora::platform::DriveMap;

namespace {

// A workstation whose program disk is /work (f), whose server disk is /srv/velkora (d) and whose
// archive disk lies inside it (e): the deepest folder holding a path gives its letter.
DriveMap officeMap()
{
    DriveMap map;
    map.map(QLatin1Char('F'), QStringLiteral("/work"));
    map.map(QLatin1Char('d'), QStringLiteral("/srv/velkora/"));
    map.map(QLatin1Char('e'), QStringLiteral("/srv/velkora/archivi"));
    return map;
}

TEST(DriveMap, StandardMapHasTheRootAsC)
{
    const DriveMap map;
    EXPECT_EQ(map.letters(), QList<QChar>{QLatin1Char('c')});
    EXPECT_EQ(map.folder(QLatin1Char('C')), QStringLiteral("/"));
    EXPECT_TRUE(map.folder(QLatin1Char('d')).isEmpty());
    EXPECT_EQ(map.toDrive(QStringLiteral("/home/anna/velkora/user/user.fdb")),
              QStringLiteral("C:/home/anna/velkora/user/user.fdb"));
    EXPECT_EQ(map.toLocal(QStringLiteral(R"(c:\home\anna\user.fdb)")),
              QStringLiteral("/home/anna/user.fdb"));
}

TEST(DriveMap, LocalPathsToDriveForm)
{
    const DriveMap map = officeMap();
    struct Case
    {
        const char* local;
        const char* drive;
    } cases[] = {
        {"/srv/velkora/user/user.fdb", "D:/user/user.fdb"},
        {"/srv/velkora/archivi/2024/a.fdb", "E:/2024/a.fdb"},
        {"/srv/velkora", "D:/"},
        {"/srv/velkora/user/", "D:/user/"},
        {"/work/Suite/user/user.fdb", "F:/Suite/user/user.fdb"},
        {"/work/./Suite/../Suite/x.fdb", "F:/Suite/x.fdb"},
        // A folder whose name only begins like a mapped one is not inside it.
        {"/srv/velkora2/user.fdb", "C:/srv/velkora2/user.fdb"},
        {"/workshop/x.fdb", "C:/workshop/x.fdb"},
        {"relative/x.fdb", ""},
        {R"(F:\Suite\user\user.fdb)", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.local);
        EXPECT_EQ(map.toDrive(QString::fromUtf8(c.local)), QString::fromUtf8(c.drive));
    }
}

TEST(DriveMap, DriveFormToLocalPaths)
{
    const DriveMap map = officeMap();
    struct Case
    {
        const char* drive;
        const char* local;
    } cases[] = {
        {"D:/user/user.fdb", "/srv/velkora/user/user.fdb"},
        {R"(D:\Suite\user\user.fdb)", "/srv/velkora/Suite/user/user.fdb"},
        {"d:user.fdb", "/srv/velkora/user.fdb"},
        {"f:/", "/work/"},
        {"G:/user/user.fdb", ""}, // not mapped
        {"/srv/velkora/x", ""},   // no drive
        {"1:/x", ""},
        {"D", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        EXPECT_EQ(map.toLocal(QString::fromUtf8(c.drive)), QString::fromUtf8(c.local));
    }
}

TEST(DriveMap, LettersAreListedInOrderAndBadMappingsIgnored)
{
    DriveMap map = officeMap();
    map.map(QLatin1Char('1'), QStringLiteral("/x"));
    map.map(QLatin1Char('g'), QStringLiteral("relative"));
    map.map(QLatin1Char('D'), QStringLiteral("/srv/other")); // replaces d
    EXPECT_EQ(map.letters(), (QList<QChar>{QLatin1Char('c'), QLatin1Char('d'), QLatin1Char('e'),
                                           QLatin1Char('f')}));
    EXPECT_EQ(map.folder(QLatin1Char('d')), QStringLiteral("/srv/other/"));
    map.clear();
    EXPECT_TRUE(map.letters().isEmpty());
    EXPECT_TRUE(map.toDrive(QStringLiteral("/srv/x")).isEmpty()) << "no root once cleared";
}

} // namespace
