#pragma once

#include "services/mbsbase.h"

namespace MBS {

// A string value ("bStr") of 8-bit characters.
class StringValue : public Base
{
public:
    // Slot 4. *size is the buffer's size on entry and the text's length + 1 on return. The text
    // is copied, NUL-terminated, only when a buffer is given and *size is large enough (result
    // 0); otherwise the result is "bufI". Call it without a buffer to learn the size.
    virtual Result getValue(char *buffer, uint32_t *size) = 0;
};

} // namespace MBS
