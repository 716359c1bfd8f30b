#pragma once

#include "components/mbs/downloadcanceller.h"
#include "components/mbs/feeditem.h"
#include "services/mbscbaseimpl.h"
#include "services/mbscontentmgr.h"

#include <QMutex>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>
#include <vector>

// The content manager of the library: offers the items of the content feed named in the
// registry (FeedSettings) and downloads them. One per process; it lives as long as the library.
// The index is read on the first listing and kept until refresh() or shutDown(). Without a feed
// every listing is empty.
class MbsContentManager final : public MBS::CBaseImpl<MBS::ContentMgr, MBS::kCodeContentMgr>
{
public:
    // The process's manager (no reference added).
    static MbsContentManager *instance();

    MBS::Result listContent(uint32_t kind, MBS::ContentList **list) override;
    MBS::Result downloadContent(MBS::ContentDownload *download, MBS::StringValue *folder) override;
    MBS::Result getFeedLocation(MBS::StringValue **location) override;
    MBS::Result getLastError(MBS::StringValue **message) override;
    MBS::Result setDownloadTimeout(uint32_t milliseconds) override;
    MBS::Result setDownloadSizeLimit(uint64_t bytes) override;
    MBS::Result cancelDownloads() override;
    MBS::Result refresh() override;
    MBS::Result setProduct(MBS::StringValue *product) override;
    MBS::Result setLocale(MBS::StringValue *locale) override;
    MBS::Result setProductVersion(MBS::StringValue *version) override;
    MBS::Result shutDown() override;

private:
    struct Index
    {
        QUrl root;
        std::vector<FeedItem> items;
    };

    MbsContentManager() = default;
    ~MbsContentManager() override = default;

    // The cached index, read from the feed when there is none; nullopt (and lastError) when the
    // feed could not be read. An absent feed gives an empty index.
    std::optional<Index> index();
    bool applies(const FeedItem &item) const; // under m_lock
    std::chrono::milliseconds timeout() const;
    qint64 sizeLimit() const;
    MBS::Result fail(const QString &message);

    mutable QMutex m_lock;
    std::optional<Index> m_index;
    QString m_product;
    QString m_locale;
    QString m_productVersion;
    QString m_lastError;
    std::optional<std::chrono::milliseconds> m_timeout;
    std::optional<qint64> m_sizeLimit;
    DownloadCanceller m_canceller;
};
