#pragma once

#include "services/mbscbaseimpl.h"
#include "services/mbslibraryinterface.h"

// The library interface handed out by "GetMBSLibraryInterface2" and "GetMBSLibraryInterface".
class MbsLibraryObject final : public MBS::CBaseImpl<MBS::LibraryInterface, MBS::kCodeLibrary>
{
public:
    static constexpr uint32_t interfaceVersion = 1;

    // A new object with count 1, or null when allocation fails.
    static MbsLibraryObject *create();

    MBS::Result getInterfaceVersion(uint32_t *version) override;
    MBS::Result getContentMgr(MBS::ContentMgr **manager) override;
    MBS::Result getClientId(MBS::StringValue **clientId) override;

private:
    MbsLibraryObject() = default;
    ~MbsLibraryObject() override = default;
};
