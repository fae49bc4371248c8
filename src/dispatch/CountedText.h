#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace velkora {

// A parameter text in the counted form module functions receive (layout in
// include/velkora/EntryPoints.h): one block of a reference count of 1, the length, the
// Windows-1252 bytes and a zero byte. The block lives as long as the object, so it stays valid
// for the whole call it is passed to.
class CountedText
{
public:
    explicit CountedText(const QString& text);

    CountedText(const CountedText&) = delete;
    CountedText& operator=(const CountedText&) = delete;

    // The first byte of the text; null for the empty text, as module functions expect.
    const char* data() const;
    std::int32_t length() const { return m_length; }

private:
    std::unique_ptr<char[]> m_block;
    std::int32_t m_length = 0;
};

// A parameter text in the plain form: zero-terminated Windows-1252 bytes, never null.
class PlainText
{
public:
    explicit PlainText(const QString& text);

    // Points at a single zero byte for the empty text.
    const char* data() const;

private:
    QByteArray m_bytes;
};

} // namespace velkora
