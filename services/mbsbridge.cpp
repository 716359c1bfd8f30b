#include "services/mbsbridge.h"

#include "services/mbslibraryinterface.h"
#include "services/mbslog.h"
#include "services/mbsref.h"
#include "services/mbsvaluesupport.h"

#include "tessaly_version.h"

#include <QCoreApplication>
#include <QDir>

namespace {

constexpr uint32_t kLibraryInterfaceVersion = 1;

// Hands one string value to a setter of the manager and gives the creator's reference back.
void passString(MBS::ContentMgr *manager,
                MBS::Result (MBS::ContentMgr::*setter)(MBS::StringValue *), const QString &text)
{
    MBS::StringValue *value = nullptr;
    if (MBS::makeStringValue(text.toStdString(), &value) != MBS::kSuccess)
        return;
    (manager->*setter)(value);
    value->release();
}

} // namespace

QString MbsBridge::builtInClientId()
{
    return QStringLiteral("00000000-feed-4bad-beef-000000000000");
}

QString MbsBridge::defaultLibraryFile()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mbs"));
}

QString MbsBridge::productVersionText()
{
    return QString::asprintf("%d.0", TESSALY_VERSION_MAJOR);
}

MbsBridge::MbsBridge(const QString &libraryFile)
{
    m_library.setFileName(libraryFile.isEmpty() ? defaultLibraryFile() : libraryFile);
}

// QLibrary does not unload on destruction: a library that gave an interface stays loaded.
MbsBridge::~MbsBridge() = default;

QFunctionPointer MbsBridge::resolve(const char *name)
{
    if (!m_library.isLoaded() && !m_library.load()) {
        qCDebug(lcMbs) << "membership-services library not loaded:" << m_library.errorString();
        return nullptr;
    }
    const QFunctionPointer function = m_library.resolve(name);
    if (!function)
        qCDebug(lcMbs) << "membership-services library has no" << name;
    return function;
}

MBS::ContentMgr *MbsBridge::startContentManager(const QString &localeCode)
{
    const auto getManager =
        reinterpret_cast<GetMBSContentMgrInterfaceFn>(resolve("GetMBSContentMgrInterface"));
    MBS::ContentMgr *manager = nullptr;
    if (!getManager || getManager(&manager) != MBS::kSuccess || !manager) {
        if (manager)
            manager->release();
        if (m_library.isLoaded())
            m_library.unload();
        return nullptr;
    }
    passString(manager, &MBS::ContentMgr::setProduct, QStringLiteral("pxo"));
    passString(manager, &MBS::ContentMgr::setLocale, localeCode.toLower());
    passString(manager, &MBS::ContentMgr::setProductVersion, productVersionText());
    return manager;
}

void MbsBridge::shutDownContentManager()
{
    const auto getManager =
        reinterpret_cast<GetMBSContentMgrInterfaceFn>(resolve("GetMBSContentMgrInterface"));
    if (!getManager)
        return;
    MBS::Ref<MBS::ContentMgr> manager;
    if (getManager(manager.put()) == MBS::kSuccess && manager)
        manager->shutDown();
}

QString MbsBridge::clientId()
{
    const auto getLibrary =
        reinterpret_cast<GetMBSLibraryInterface2Fn>(resolve("GetMBSLibraryInterface2"));
    if (!getLibrary)
        return QString();
    MBS::Ref<MBS::LibraryInterface> library;
    if (getLibrary(library.put(), kLibraryInterfaceVersion) != MBS::kSuccess || !library)
        return QString();
    MBS::StringValue *id = nullptr;
    if (library->getClientId(&id) != MBS::kSuccess || !id) {
        if (id)
            id->release();
        return QString();
    }
    return QString::fromStdString(MBS::readStringValue(id));
}

QString MbsBridge::movieClientId(const QString &libraryFile)
{
    MbsBridge bridge(libraryFile);
    const QString id = bridge.clientId();
    return id.isEmpty() ? builtInClientId() : id;
}
