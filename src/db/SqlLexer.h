#pragma once

#include <QString>
#include <vector>

namespace velkora::db {

// One piece of SQL text as the engine reads it. Concatenating the pieces of a text in order
// gives the text back unchanged.
struct SqlPiece
{
    enum class Kind
    {
        Code,         // anything outside the other kinds
        Literal,      // 'text', doubled quotes inside; runs to the end when never closed
        QuotedName,   // "name", doubled double quotes inside; runs to the end when never closed
        LineComment,  // "--" up to, not including, the end of the line
        BlockComment, // "/*" up to and including "*/", or to the end when never closed
        Parameter,    // ":NAME" outside the other kinds
        Terminator,   // ";" outside the other kinds
    };
    Kind kind;
    qsizetype start;
    qsizetype length;
};

// The one reader of SQL text for the program: what binds named parameters and what splits
// scripts into statements both see quotes and comments the same way.
std::vector<SqlPiece> sqlPieces(const QString& text);

// True when a block comment piece ends with its "*/".
bool isClosedBlockComment(const QString& text, const SqlPiece& piece);

} // namespace velkora::db
