#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace velkora::platform;

TEST(TextCodec, EveryByteSurvivesADecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

TEST(TextCodec, KnownCharacters)
{
    struct Case
    {
        const char* utf8;
        const char* cp1252;
    } cases[] = {{"\xe2\x82\xac", "\x80"}, {"\xc2\xb4", "\xb4"}, {"\xc3\xa8", "\xe8"},
                 {"\xc3\xa0", "\xe0"}, {"abc", "abc"}, {"\xe2\x80\x99", "\x92"},
                 {"\xe4\xb8\xad", "?"}, {"\xf0\x9f\x98\x80", "?"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(toCp1252(QString::fromUtf8(c.utf8)), QByteArray(c.cp1252));
    }
}
