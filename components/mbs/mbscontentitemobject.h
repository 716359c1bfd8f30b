#pragma once

#include "components/mbs/feeditem.h"
#include "services/mbscontentdownload.h"
#include "services/mbscontentitem.h"

#include <QUrl>

#include <atomic>

// One listed feed item: its content interface ("ccnt") and its download descriptor ("cdwn") are
// two faces of the same object with one reference count.
class MbsContentItemObject final : public MBS::ContentItem, public MBS::ContentDownload
{
public:
    // A new object with count 1, or null when allocation fails.
    static MbsContentItemObject *create(const FeedItem &item, const QUrl &feedRoot);

    MBS::Result queryInterface(uint32_t code, MBS::Base **out) override;
    MBS::Result addRef() override;
    MBS::Result release() override;

    MBS::Result getKind(uint32_t *kind) override;
    MBS::Result isOffered(uint32_t *offered) override;
    MBS::Result getName(MBS::StringValue **name) override;
    // Serves both faces: the identifier of the item and of what its descriptor downloads.
    MBS::Result getIdentifier(MBS::StringValue **identifier) override;
    MBS::Result getVersion(MBS::StringValue **version) override;

    MBS::Result getFileCount(uint32_t *count) override;
    MBS::Result getTotalSize(uint64_t *bytes) override;

    const FeedItem &item() const { return m_item; }
    const QUrl &feedRoot() const { return m_feedRoot; }

private:
    MbsContentItemObject(const FeedItem &item, const QUrl &feedRoot);
    ~MbsContentItemObject() override;

    std::atomic<int32_t> m_refCount{1};
    const FeedItem m_item;
    const QUrl m_feedRoot;
};
