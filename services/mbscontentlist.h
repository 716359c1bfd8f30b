#pragma once

#include "services/mbsbase.h"

namespace MBS {

constexpr uint32_t kCodeContentList = fourCharCode("clst");

// The items of one content kind, in the order the content manager offers them.
class ContentList : public Base
{
public:
    // Slot 4.
    virtual Result getCount(uint32_t *count) = 0;
    // Slot 5. The item at index with one reference for the caller; ask it for "ccnt" and "cdwn".
    virtual Result getItem(uint32_t index, Base **item) = 0;
};

} // namespace MBS
