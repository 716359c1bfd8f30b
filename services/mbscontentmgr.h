#pragma once

#include "services/mbsbase.h"
#include "services/mbscontentdownload.h"
#include "services/mbscontentlist.h"
#include "services/mbsstringvalue.h"

#include <cstdint>

namespace MBS {

constexpr uint32_t kCodeContentMgr = fourCharCode("cmgr");

// Content kinds (four-character codes).
constexpr uint32_t kKindWelcomeScreenPods = fourCharCode("wspd");
constexpr uint32_t kKindWelcomeScreenOther = fourCharCode("wsnp");
constexpr uint32_t kKindApplicationMovies = fourCharCode("acms");
constexpr uint32_t kKindMemberMovies = fourCharCode("mpms");

// The content manager of the membership-services library: one per process, shared by every
// caller of "GetMBSContentMgrInterface". Its operations may be called from any thread; a
// download runs on the calling thread. Values passed in are not consumed (the manager copies
// what it keeps); values handed out carry one reference for the caller.
class ContentMgr : public Base
{
public:
    // Slot 4. The items of one kind offered for the product, locale and version set below.
    virtual Result listContent(uint32_t kind, ContentList **list) = 0;
    // Slot 5. Fetches every file of an item into folder (created when missing). 0 only when all
    // files arrived intact; otherwise nothing of the item is left in the folder.
    virtual Result downloadContent(ContentDownload *download, StringValue *folder) = 0;
    // Slot 6. The feed the manager reads (empty when none is configured).
    virtual Result getFeedLocation(StringValue **location) = 0;
    // Slot 7. A readable text of the last failure on this manager (empty when none).
    virtual Result getLastError(StringValue **message) = 0;
    // Slot 8. The time a download may go without progress before it fails.
    virtual Result setDownloadTimeout(uint32_t milliseconds) = 0;
    // Slot 9. The most bytes one item may have in all.
    virtual Result setDownloadSizeLimit(uint64_t bytes) = 0;
    // Slot 10. Makes running downloads fail at once (from any thread).
    virtual Result cancelDownloads() = 0;
    // Slot 11. Forgets the index read, so the next listing reads the feed again.
    virtual Result refresh() = 0;
    // Slot 12. The product code ("pxo").
    virtual Result setProduct(StringValue *product) = 0;
    // Slot 13. The locale code in lower case ("en_us").
    virtual Result setLocale(StringValue *locale) = 0;
    // Slot 14. The product version ("11.0").
    virtual Result setProductVersion(StringValue *version) = 0;
    // Slot 15. Cancels running downloads and drops every cached state.
    virtual Result shutDown() = 0;
};

} // namespace MBS
