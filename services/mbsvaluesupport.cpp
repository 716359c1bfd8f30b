#include "services/mbsvaluesupport.h"

#include "services/mbscstringvalue.h"

#include <cstring>
#include <new>
#include <vector>

namespace MBS {

Result makeStringValue(const std::string &text, StringValue **out)
{
    if (!out)
        return kErrorGeneric;
    *out = CStringValue::create(text);
    return *out ? kSuccess : kErrorGeneric;
}

std::string readStringValue(StringValue *value)
{
    if (!value)
        return {};
    std::string text;
    uint32_t size = 0;
    value->getValue(nullptr, &size);
    if (size > 0) {
        try {
            std::vector<char> buffer(size, '\0');
            uint32_t capacity = size;
            if (value->getValue(buffer.data(), &capacity) == kSuccess)
                text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
        } catch (const std::bad_alloc &) {
            text.clear();
        }
    }
    value->release();
    return text;
}

} // namespace MBS
