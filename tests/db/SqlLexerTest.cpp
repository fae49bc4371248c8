// The one reader of SQL text, which both the parameter binding and the script splitter use.

#include "db/SqlLexer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace velkora::db;

namespace {

// The pieces of SQL text, as the parameter binding and the script splitter both see them.
TEST(SqlLexer, PiecesOfTrickyTexts)
{
    using Kind = SqlPiece::Kind;
    struct Case
    {
        const char* text;
        std::vector<std::pair<Kind, const char*>> pieces;
    } cases[] = {
        {"SELECT :A, :b_1$ FROM T",
         {{Kind::Code, "SELECT "},
          {Kind::Parameter, ":A"},
          {Kind::Code, ", "},
          {Kind::Parameter, ":b_1$"},
          {Kind::Code, " FROM T"}}},
        {"'a'':B' \"x\"\":C\"",
         {{Kind::Literal, "'a'':B'"}, {Kind::Code, " "}, {Kind::QuotedName, "\"x\"\":C\""}}},
        {"-- :D;\n:E",
         {{Kind::LineComment, "-- :D;"}, {Kind::Code, "\n"}, {Kind::Parameter, ":E"}}},
        {"/* :F; */;/*/",
         {{Kind::BlockComment, "/* :F; */"}, {Kind::Terminator, ";"}, {Kind::BlockComment, "/*/"}}},
        {"'open :G;", {{Kind::Literal, "'open :G;"}}},
        {"a::1 : x;", {{Kind::Code, "a::1 : x"}, {Kind::Terminator, ";"}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        const std::vector<SqlPiece> pieces = sqlPieces(text);
        std::vector<std::pair<Kind, std::string>> got;
        QString joined;
        for (const SqlPiece& p : pieces) {
            got.emplace_back(p.kind, text.mid(p.start, p.length).toStdString());
            joined += text.mid(p.start, p.length);
        }
        std::vector<std::pair<Kind, std::string>> expected;
        for (const auto& [kind, piece] : c.pieces)
            expected.emplace_back(kind, piece);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(joined, text);
    }
}

} // namespace
