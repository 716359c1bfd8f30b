#pragma once

#include "services/mbsbase.h"
#include "services/mbscontentmgr.h"
#include "services/mbsstringvalue.h"

#include <cstdint>

namespace MBS {

constexpr uint32_t kCodeLibrary = fourCharCode("mlib");

// The library interface of "GetMBSLibraryInterface2" (version 1) and "GetMBSLibraryInterface".
class LibraryInterface : public Base
{
public:
    // Slot 4. The interface version this object implements (1).
    virtual Result getInterfaceVersion(uint32_t *version) = 0;
    // Slot 5. The process's content manager with one reference for the caller.
    virtual Result getContentMgr(ContentMgr **manager) = 0;
    // Slot 6. The user's membership client id, a lower-case GUID without braces.
    virtual Result getClientId(StringValue **clientId) = 0;
};

} // namespace MBS

// The library's exported C entry points, resolved by name.
extern "C" {
using GetMBSContentMgrInterfaceFn = MBS::Result (*)(MBS::ContentMgr **manager);
using GetMBSLibraryInterface2Fn = MBS::Result (*)(MBS::LibraryInterface **library,
                                                  uint32_t version);
using GetMBSLibraryInterfaceFn = MBS::Result (*)(MBS::LibraryInterface **library);
}
