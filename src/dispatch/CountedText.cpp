#include "dispatch/CountedText.h"

#include "platform/TextCodec.h"

#include <velkora/EntryPoints.h>

#include <cstring>

namespace velkora {

CountedText::CountedText(const QString& text)
{
    const QByteArray bytes = platform::toCp1252(text);
    if (bytes.isEmpty())
        return;
    m_length = static_cast<std::int32_t>(bytes.size());
    // new[] gives memory aligned for any fundamental type, so the two 32-bit words at the
    // start of the block are aligned as a module reading them directly expects.
    m_block = std::make_unique<char[]>(kCountedTextHeaderSize + bytes.size() + 1);
    const std::int32_t refCount = 1;
    std::memcpy(m_block.get(), &refCount, sizeof refCount);
    std::memcpy(m_block.get() + sizeof refCount, &m_length, sizeof m_length);
    std::memcpy(m_block.get() + kCountedTextHeaderSize, bytes.constData(), bytes.size());
    m_block[kCountedTextHeaderSize + bytes.size()] = '\0';
}

const char* CountedText::data() const
{
    return m_block ? m_block.get() + kCountedTextHeaderSize : nullptr;
}

PlainText::PlainText(const QString& text)
    : m_bytes(platform::toCp1252(text))
{
}

const char* PlainText::data() const
{
    // A QByteArray always ends in a zero byte, and an empty one still points at one.
    static const char empty = '\0';
    return m_bytes.isEmpty() ? &empty : m_bytes.constData();
}

} // namespace velkora
