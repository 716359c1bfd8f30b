#pragma once

#include "services/mbsbase.h"
#include "services/mbsstringvalue.h"

namespace MBS {

// Interface code of an item's content, asked of each listed item.
constexpr uint32_t kCodeContentItem = fourCharCode("ccnt");

// What the content manager tells about one item of a content list. Every text is handed over
// with one reference for the caller.
class ContentItem : public Base
{
public:
    // Slot 4. The content kind the item belongs to ("wspd", ...).
    virtual Result getKind(uint32_t *kind) = 0;
    // Slot 5. 1 while the item is offered, 0 once it has been withdrawn.
    virtual Result isOffered(uint32_t *offered) = 0;
    // Slot 6. The item's name: the stem of its files in a content folder.
    virtual Result getName(StringValue **name) = 0;
    // Slot 7. The item's identifier: its key in a content folder's manifest.
    virtual Result getIdentifier(StringValue **identifier) = 0;
    // Slot 8. The offered version (no white space).
    virtual Result getVersion(StringValue **version) = 0;
};

} // namespace MBS
