#include "components/mbs/mbscontentlistobject.h"

#include "components/mbs/mbscontentitemobject.h"

#include <new>

MbsContentListObject::MbsContentListObject(std::vector<MbsContentItemObject *> items)
    : m_items(std::move(items))
{
}

MbsContentListObject::~MbsContentListObject()
{
    for (MbsContentItemObject *item : m_items)
        item->release();
}

MbsContentListObject *MbsContentListObject::create(std::vector<MbsContentItemObject *> items)
{
    auto *list = new (std::nothrow) MbsContentListObject(std::vector<MbsContentItemObject *>());
    if (!list) {
        for (MbsContentItemObject *item : items)
            item->release();
        return nullptr;
    }
    list->m_items = std::move(items);
    return list;
}

MBS::Result MbsContentListObject::getCount(uint32_t *count)
{
    if (!count)
        return MBS::kErrorGeneric;
    *count = uint32_t(m_items.size());
    return MBS::kSuccess;
}

MBS::Result MbsContentListObject::getItem(uint32_t index, MBS::Base **item)
{
    if (!item)
        return MBS::kErrorGeneric;
    *item = nullptr;
    if (index >= m_items.size())
        return MBS::kErrorGeneric;
    return m_items[index]->queryInterface(MBS::kCodeBase, item);
}
