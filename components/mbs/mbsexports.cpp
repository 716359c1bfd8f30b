// The C entry points of the membership-services library, resolved by name by the launcher.

#include "components/mbs/mbscontentmanager.h"
#include "components/mbs/mbslibraryobject.h"
#include "services/mbslibraryinterface.h"

#include <type_traits>

#define MBS_EXPORT extern "C" __attribute__((visibility("default")))

MBS_EXPORT MBS::Result GetMBSContentMgrInterface(MBS::ContentMgr **manager)
{
    if (!manager)
        return MBS::kErrorGeneric;
    *manager = MbsContentManager::instance();
    (*manager)->addRef();
    return MBS::kSuccess;
}

MBS_EXPORT MBS::Result GetMBSLibraryInterface2(MBS::LibraryInterface **library, uint32_t version)
{
    if (!library)
        return MBS::kErrorGeneric;
    *library = nullptr;
    if (version != MbsLibraryObject::interfaceVersion)
        return MBS::kErrorGeneric;
    *library = MbsLibraryObject::create();
    return *library ? MBS::kSuccess : MBS::kErrorGeneric;
}

MBS_EXPORT MBS::Result GetMBSLibraryInterface(MBS::LibraryInterface **library)
{
    return GetMBSLibraryInterface2(library, MbsLibraryObject::interfaceVersion);
}

static_assert(std::is_same_v<decltype(&GetMBSContentMgrInterface), GetMBSContentMgrInterfaceFn>);
static_assert(std::is_same_v<decltype(&GetMBSLibraryInterface2), GetMBSLibraryInterface2Fn>);
static_assert(std::is_same_v<decltype(&GetMBSLibraryInterface), GetMBSLibraryInterfaceFn>);
