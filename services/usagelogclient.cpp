#include "services/usagelogclient.h"

#include "platform/registry/ptsettings.h"
#include "services/usagelogcategory.h"

#include <vector>

namespace {

// The library records a session that ended without terminating (a crash).
constexpr int32_t crashDetection = 1;

const char16_t *wide(const QString &text)
{
    return reinterpret_cast<const char16_t *>(text.utf16());
}

} // namespace

UsageLogClient::UsageLogClient() = default;

UsageLogClient::~UsageLogClient()
{
    stop();
}

void UsageLogClient::setProductDisplayNames(const QStringList &names, int listMode)
{
    if (listMode == 0)
        m_displayNames = names;
    else
        m_displayNames += names;
}

int UsageLogClient::optInState(const QString &productLineId)
{
    PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\CommonFiles\\Usage\\") +
                          productLineId);
    const QString name = QStringLiteral("OptIn");
    if (!settings.contains(name))
        return -1;
    bool ok = false;
    const int state = settings.value(name).toInt(&ok);
    return ok ? state : -1;
}

bool UsageLogClient::policyAllows()
{
    PtSettingsLM settings(QStringLiteral("SOFTWARE\\Policies\\Tessaly\\TPIP"));
    const QString name = QStringLiteral("enabled");
    if (!settings.contains(name))
        return true;
    // Whatever does not read as a number reads as 0 here: a policy an administrator wrote as
    // text ("false", "no") must not switch recording on.
    return settings.value(name).toInt() != 0;
}

bool UsageLogClient::countsAsOptedIn(int startMode, int optInState)
{
    return startMode == 0 ? optInState != 0 : optInState == 1;
}

QString UsageLogClient::correctedProductLineId(const QString &productLineId)
{
    return productLineId == u"TS5.1" ? QStringLiteral("TS5.5") : productLineId;
}

bool UsageLogClient::initialize(const UsageLogIdentity &identity)
{
    if (m_initialized || m_deferred)
        return m_initialized;
    m_startMode = identity.startMode;
    m_productLineId = correctedProductLineId(identity.productLineId);
    if (!policyAllows()) {
        qCDebug(lcUsage) << "usage logging is switched off by machine policy";
        return false;
    }
    if (identity.startMode == 1 && optInState(m_productLineId) != 1) {
        m_deferred = std::make_unique<UsageLogIdentity>(identity);
        return false;
    }
    return initializeNow(identity);
}

bool UsageLogClient::initializeDeferred(bool force)
{
    if (m_initialized || !m_deferred)
        return m_initialized;
    if (!policyAllows())
        return false;
    if (!force && optInState(m_productLineId) != 1)
        return false;
    const std::unique_ptr<UsageLogIdentity> identity = std::move(m_deferred);
    return initializeNow(*identity);
}

bool UsageLogClient::initializeNow(const UsageLogIdentity &identity)
{
    if (!m_library.load(identity.libraryFolder)) {
        qCDebug(lcUsage) << "usage logging is not available:" << m_library.errorString();
        return false;
    }
    std::vector<const char16_t *> names;
    for (const QString &name : std::as_const(m_displayNames))
        names.push_back(wide(name));
    m_library.setProductDisplayName(names.data(), int32_t(names.size()), 0);
    m_library.enableCrashDetection(crashDetection);
    const QString folder = identity.libraryFolder;
    const int32_t status = m_library.initialize(
        wide(identity.product), wide(identity.productCode), wide(identity.majorVersion),
        wide(identity.fullVersion), wide(identity.locale), identity.startMode, identity.reserved,
        folder.isEmpty() ? nullptr : wide(folder), wide(m_productLineId));
    if (status != TPIP_OK) {
        qCWarning(lcUsage) << "the usage-logging library refused to initialise:" << status;
        m_library.unload();
        return false;
    }
    m_initialized = true;
    return true;
}

void UsageLogClient::stop()
{
    if (m_initialized && m_library.isLoaded())
        m_library.terminate();
    m_initialized = false;
    m_deferred.reset();
    m_library.unload();
}
