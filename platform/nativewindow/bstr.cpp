#include "platform/nativewindow/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

quint32 *prefixOf(BSTR text)
{
    return reinterpret_cast<quint32 *>(reinterpret_cast<char *>(text) - sizeof(quint32));
}

} // namespace

BSTR sysAllocString(const char16_t *text)
{
    if (!text)
        return nullptr;
    quint32 length = 0;
    while (text[length] != 0)
        ++length;
    return sysAllocStringLen(text, length);
}

BSTR sysAllocStringLen(const char16_t *text, quint32 length)
{
    // The prefix holds the byte length in 32 bits.
    if (length > (std::numeric_limits<quint32>::max() - sizeof(quint32)) / 2 - 1)
        return nullptr;
    const size_t bytes = size_t(length) * sizeof(char16_t);
    auto *block = static_cast<char *>(std::malloc(sizeof(quint32) + bytes + sizeof(char16_t)));
    if (!block)
        return nullptr;
    const quint32 byteLength = quint32(bytes);
    std::memcpy(block, &byteLength, sizeof(byteLength));
    auto *chars = reinterpret_cast<char16_t *>(block + sizeof(quint32));
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

quint32 sysStringLen(BSTR text)
{
    return sysStringByteLen(text) / sizeof(char16_t);
}

quint32 sysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    quint32 byteLength;
    std::memcpy(&byteLength, prefixOf(text), sizeof(byteLength));
    return byteLength;
}

void sysFreeString(BSTR text)
{
    if (text)
        std::free(prefixOf(text));
}
