#pragma once

#include "services/mbsbase.h"
#include "services/mbsstringvalue.h"

#include <cstdint>

namespace MBS {

// Interface code of an item's download descriptor, asked before a download.
constexpr uint32_t kCodeContentDownload = fourCharCode("cdwn");

// What a download of one item fetches; handed to ContentMgr::downloadContent.
class ContentDownload : public Base
{
public:
    // Slot 4. The identifier of the item this descriptor downloads.
    virtual Result getIdentifier(StringValue **identifier) = 0;
    // Slot 5. The number of files the item consists of.
    virtual Result getFileCount(uint32_t *count) = 0;
    // Slot 6. The sum of the files' sizes in bytes.
    virtual Result getTotalSize(uint64_t *bytes) = 0;
};

} // namespace MBS
