#include "db/SqlLexer.h"

namespace velkora::db {

namespace {

bool startsParameterName(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool inParameterName(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// The end of a quoted piece opened at start: after the closing quote, or the end of the text.
qsizetype quotedEnd(const QString& text, qsizetype start, QChar quote)
{
    const qsizetype n = text.size();
    for (qsizetype i = start + 1; i < n; ++i) {
        if (text.at(i) != quote)
            continue;
        if (i + 1 < n && text.at(i + 1) == quote) {
            ++i; // a doubled quote stands for one quote inside
            continue;
        }
        return i + 1;
    }
    return n;
}

} // namespace

std::vector<SqlPiece> sqlPieces(const QString& text)
{
    using Kind = SqlPiece::Kind;
    std::vector<SqlPiece> pieces;
    const qsizetype n = text.size();
    qsizetype code = 0; // start of the plain text not yet added
    const auto add = [&](Kind kind, qsizetype start, qsizetype end) {
        if (code < start)
            pieces.push_back({Kind::Code, code, start - code});
        pieces.push_back({kind, start, end - start});
        code = end;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < n ? text.at(i + 1) : QChar();
        qsizetype end = -1;
        Kind kind = Kind::Code;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            kind = c == QLatin1Char('\'') ? Kind::Literal : Kind::QuotedName;
            end = quotedEnd(text, i, c);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            kind = Kind::LineComment;
            const qsizetype eol = text.indexOf(QLatin1Char('\n'), i);
            end = eol < 0 ? n : eol;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            kind = Kind::BlockComment;
            const qsizetype close = text.indexOf(QLatin1String("*/"), i + 2);
            end = close < 0 ? n : close + 2;
        } else if (c == QLatin1Char(':') && startsParameterName(next)) {
            kind = Kind::Parameter;
            end = i + 2;
            while (end < n && inParameterName(text.at(end)))
                ++end;
        } else if (c == QLatin1Char(';')) {
            kind = Kind::Terminator;
            end = i + 1;
        }
        if (end < 0) {
            ++i;
            continue;
        }
        add(kind, i, end);
        i = end;
    }
    if (code < n)
        pieces.push_back({Kind::Code, code, n - code});
    return pieces;
}

bool isClosedBlockComment(const QString& text, const SqlPiece& piece)
{
    return piece.kind == SqlPiece::Kind::BlockComment && piece.length >= 4 &&
           text.mid(piece.start + piece.length - 2, 2) == QLatin1String("*/");
}

} // namespace velkora::db
