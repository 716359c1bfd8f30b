#include "components/mbs/mbslibraryobject.h"

#include "components/mbs/clientid.h"
#include "components/mbs/mbscontentmanager.h"
#include "services/mbsvaluesupport.h"

#include <new>

MbsLibraryObject *MbsLibraryObject::create()
{
    return new (std::nothrow) MbsLibraryObject();
}

MBS::Result MbsLibraryObject::getInterfaceVersion(uint32_t *version)
{
    if (!version)
        return MBS::kErrorGeneric;
    *version = interfaceVersion;
    return MBS::kSuccess;
}

MBS::Result MbsLibraryObject::getContentMgr(MBS::ContentMgr **manager)
{
    if (!manager)
        return MBS::kErrorGeneric;
    *manager = MbsContentManager::instance();
    (*manager)->addRef();
    return MBS::kSuccess;
}

MBS::Result MbsLibraryObject::getClientId(MBS::StringValue **clientId)
{
    if (!clientId)
        return MBS::kErrorGeneric;
    *clientId = nullptr;
    const QString id = ClientId::get();
    if (id.isEmpty())
        return MBS::kErrorGeneric;
    return MBS::makeStringValue(id.toStdString(), clientId);
}
