// Arbitrary bytes, read as a parameter-set text stored in the database (Windows-1252), must
// never crash the reader, must only give rows the store can hold and the writer can write, and
// a text written from those rows must read back as the same rows.

#include "params/ParameterText.h"
#include "platform/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "parameter text invariant broken: %s\n", what);
    std::abort();
}

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = velkora::platform::fromCp1252(reinterpret_cast<const char*>(data),
                                                       static_cast<qsizetype>(size));
    const std::vector<velkora::ParameterRow> rows = velkora::readParameterText(text);

    qint32 expectedNumber = 0;
    for (const velkora::ParameterRow& row : rows) {
        if (row.sezione.isEmpty())
            fail("a row without a section");
        if (row.parametro.isEmpty())
            fail("a row without a name");
        if (row.parametro.contains(u'=') || row.parametro.startsWith(u'['))
            fail("a name that reads back differently");
        if (hasLineBreak(row.sezione) || hasLineBreak(row.parametro) || hasLineBreak(row.valore))
            fail("a line break inside a row");
        if (row.progressivo != ++expectedNumber)
            fail("rows not numbered 1, 2, 3 in text order");
    }

    const QString written = velkora::writeParameterText(rows);
    if (rows.empty() != written.isEmpty())
        fail("the written text does not match the number of rows");
    if (!written.isEmpty() && !written.endsWith(u'\n'))
        fail("the written text does not end with a line feed");
    if (velkora::readParameterText(written) != rows)
        fail("the written text reads back as other rows");
    return 0;
}
