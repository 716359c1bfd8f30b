#pragma once

#include "services/mbscbaseimpl.h"
#include "services/mbscontentlist.h"

#include <vector>

class MbsContentItemObject;

// The items of one listing; holds one reference to each.
class MbsContentListObject final : public MBS::CBaseImpl<MBS::ContentList, MBS::kCodeContentList>
{
public:
    // Takes over one reference of each item. Null when allocation fails (the items are then
    // released).
    static MbsContentListObject *create(std::vector<MbsContentItemObject *> items);

    MBS::Result getCount(uint32_t *count) override;
    MBS::Result getItem(uint32_t index, MBS::Base **item) override;

private:
    explicit MbsContentListObject(std::vector<MbsContentItemObject *> items);
    ~MbsContentListObject() override;

    std::vector<MbsContentItemObject *> m_items;
};
