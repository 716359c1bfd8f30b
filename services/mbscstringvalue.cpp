#include "services/mbscstringvalue.h"

#include <cstring>
#include <limits>
#include <new>

namespace MBS {

CStringValue::CStringValue(const std::string &text)
    : m_text(text)
{
}

CStringValue::~CStringValue() = default;

CStringValue *CStringValue::create(const std::string &text)
{
    // The size protocol counts in 32 bits; a longer text could not be handed over.
    if (text.size() >= std::numeric_limits<uint32_t>::max())
        return nullptr;
    try {
        return new (std::nothrow) CStringValue(text);
    } catch (const std::bad_alloc &) {
        // The copy of the text can throw even where the object's own allocation does not.
        return nullptr;
    }
}

Result CStringValue::getValue(char *buffer, uint32_t *size)
{
    if (!size)
        return kErrorGeneric;
    const uint32_t needed = uint32_t(m_text.size()) + 1;
    const bool fits = buffer && *size >= needed;
    *size = needed;
    if (!fits)
        return kErrorBufferTooSmall;
    std::memcpy(buffer, m_text.data(), m_text.size());
    buffer[m_text.size()] = '\0';
    return kSuccess;
}

} // namespace MBS
