#include "components/mbs/mbscontentitemobject.h"

#include "services/mbsvaluesupport.h"

#include <new>

namespace {

MBS::Result handOut(const QString &text, MBS::StringValue **out)
{
    if (!out)
        return MBS::kErrorGeneric;
    return MBS::makeStringValue(text.toUtf8().toStdString(), out);
}

} // namespace

MbsContentItemObject::MbsContentItemObject(const FeedItem &item, const QUrl &feedRoot)
    : m_item(item)
    , m_feedRoot(feedRoot)
{
}

MbsContentItemObject::~MbsContentItemObject() = default;

MbsContentItemObject *MbsContentItemObject::create(const FeedItem &item, const QUrl &feedRoot)
{
    try {
        return new (std::nothrow) MbsContentItemObject(item, feedRoot);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

MBS::Result MbsContentItemObject::queryInterface(uint32_t code, MBS::Base **out)
{
    if (!out)
        return MBS::kErrorGeneric;
    *out = nullptr;
    if (code == MBS::kCodeContentItem || code == MBS::kCodeBase)
        *out = static_cast<MBS::ContentItem *>(this);
    else if (code == MBS::kCodeContentDownload)
        *out = static_cast<MBS::ContentDownload *>(this);
    else
        return MBS::kErrorGeneric;
    addRef();
    return MBS::kSuccess;
}

MBS::Result MbsContentItemObject::addRef()
{
    m_refCount.fetch_add(1, std::memory_order_relaxed);
    return MBS::kSuccess;
}

MBS::Result MbsContentItemObject::release()
{
    int32_t count = m_refCount.load(std::memory_order_relaxed);
    do {
        if (count == 0)
            return MBS::kSuccess;
    } while (!m_refCount.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel,
                                               std::memory_order_relaxed));
    if (count == 1) {
        delete this;
        return MBS::kSuccess;
    }
    return count - 1;
}

MBS::Result MbsContentItemObject::getKind(uint32_t *kind)
{
    if (!kind)
        return MBS::kErrorGeneric;
    *kind = m_item.kind;
    return MBS::kSuccess;
}

MBS::Result MbsContentItemObject::isOffered(uint32_t *offered)
{
    if (!offered)
        return MBS::kErrorGeneric;
    *offered = m_item.offered ? 1 : 0;
    return MBS::kSuccess;
}

MBS::Result MbsContentItemObject::getName(MBS::StringValue **name)
{
    return handOut(m_item.name, name);
}

MBS::Result MbsContentItemObject::getIdentifier(MBS::StringValue **identifier)
{
    return handOut(m_item.identifier, identifier);
}

MBS::Result MbsContentItemObject::getVersion(MBS::StringValue **version)
{
    return handOut(m_item.version, version);
}

MBS::Result MbsContentItemObject::getFileCount(uint32_t *count)
{
    if (!count)
        return MBS::kErrorGeneric;
    *count = uint32_t(m_item.files.size());
    return MBS::kSuccess;
}

MBS::Result MbsContentItemObject::getTotalSize(uint64_t *bytes)
{
    if (!bytes)
        return MBS::kErrorGeneric;
    *bytes = uint64_t(m_item.totalSize());
    return MBS::kSuccess;
}
