// The content feed index: any input gives a result without crashing, and every item it keeps
// satisfies what the download relies on.

#include "components/mbs/feedindex.h"
#include "services/mbsitemname.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FeedIndex::Result result =
        FeedIndex::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!result.ok && !result.items.empty())
        std::abort();
    if (result.items.size() > size_t(FeedIndex::maximumItems))
        std::abort();
    for (const FeedItem &item : result.items) {
        if (item.identifier.isEmpty() || item.version.isEmpty())
            std::abort();
        if (item.offered && item.files.empty())
            std::abort();
        for (const FeedItem::File &file : item.files) {
            if (!MBS::isSafeItemName(file.name.toUtf8().toStdString()) ||
                !FeedIndex::isSafeRelativePath(file.path) || file.size < 0 ||
                file.sha256.size() != 32)
                std::abort();
        }
    }
    return 0;
}
