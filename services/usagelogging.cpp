#include "services/usagelogging.h"

#include "locale/localeutil.h"
#include "locale/zstring.h"
#include "services/logsessionlibrary.h"
#include "services/usagelogcategory.h"
#include "services/usagelogclient.h"

#include <QFileInfo>

#include <mutex>

namespace {

// The launcher-level state: the client, the opt-in decision and the launch-event group.
struct UsageState
{
    std::recursive_mutex mutex;
    UsageLogClient client;
    LogSessionLibrary recorder;
    bool started = false;
    bool optedIn = false;
    UTLogHandle logHandle = nullptr;
    int32_t launchGroupId = -1;
    QString libraryFolder;
};

UsageState &state()
{
    // Never destroyed: at exit the libraries' own state may already be gone, so nothing may call
    // into them from a destructor. stop() is what ends usage logging.
    static UsageState *const s = new UsageState;
    return *s;
}

const QString productLine = QStringLiteral("Orvana11");

// The recorder, loaded on first use from where the usage-logging library came from.
LogSessionLibrary *recorder(UsageState &s)
{
    if (s.recorder.isLoaded())
        return &s.recorder;
    const QString folder = QFileInfo(s.client.library().fileName()).absolutePath();
    if (!s.recorder.load(folder)) {
        qCDebug(lcUsage) << "no event recorder:" << s.recorder.errorString();
        return nullptr;
    }
    return &s.recorder;
}

} // namespace

QString UsageLogging::productLineId()
{
    return productLine;
}

QString UsageLogging::usageLocale(const QString &localeCode)
{
    const qsizetype underscore = localeCode.indexOf(QLatin1Char('_'));
    if (underscore < 0)
        return localeCode;
    return localeCode.left(underscore) + QLatin1Char('_') +
           localeCode.mid(underscore + 1).toUpper();
}

QString UsageLogging::productDisplayName()
{
    return Locale::zstring("$$$/LE/Menu/Help/TPIP/ImproveProductOrg=Help Improve ") +
           Locale::zstring("Pixtrel Orvana") +
           Locale::zstring("$$$/LE/Menu/Help/TPIP/ImproveProductAND= And ") +
           Locale::zstring("Motiva Orvana");
}

void UsageLogging::setLibraryFolder(const QString &folder)
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    s.libraryFolder = folder;
}

void UsageLogging::start()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    if (s.started)
        return;
    s.started = true;

    const QString locale =
        usageLocale(LocaleUtil::currentLocaleCode(PipLibrary::executableFolder()));
    s.client.setProductDisplayNames({productDisplayName()}, 0);

    UsageLogIdentity identity;
    identity.product = QStringLiteral("Orvana");
    identity.productCode = QStringLiteral("PixtrelOrvana");
    identity.majorVersion = QStringLiteral("11");
    identity.fullVersion = QStringLiteral("11.0 (20120923.r.32287)");
    identity.locale = locale;
    identity.startMode = startMode;
    identity.reserved = 0;
    identity.libraryFolder = s.libraryFolder;
    identity.productLineId = productLine;
    if (s.client.initialize(identity))
        takeOptInDecision();
}

void UsageLogging::takeOptInDecision()
{
    UsageState &s = state();
    s.optedIn = UsageLogClient::countsAsOptedIn(
        s.client.startMode(), UsageLogClient::optInState(s.client.productLineId()));
    s.logHandle = nullptr;
    if (s.optedIn) {
        s.logHandle = s.client.library().getLogHandle();
        s.optedIn = s.logHandle != nullptr;
    }
}

void UsageLogging::stop()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    s.client.stop();
    s.recorder.unload();
    s.started = false;
    s.optedIn = false;
    s.logHandle = nullptr;
    // The group belonged to the session that just ended.
    s.launchGroupId = -1;
}

void UsageLogging::ensureStarted()
{
    UsageState &s = state();
    if (!s.started) {
        start();
        return;
    }
    if (s.client.hasDeferredInitialization() && s.client.initializeDeferred(false))
        takeOptInDecision();
}

void UsageLogging::addToLaunchEventGroup(const QString &category, const QString &name)
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    ensureStarted();
    if (!s.optedIn)
        return;
    LogSessionLibrary *log = recorder(s);
    if (!log)
        return;
    if (s.launchGroupId == -1) {
        int32_t id = -1;
        if (log->newDataGroup(s.logHandle, "Create", "", "TestOrganizerLogging", &id, 0, 0) ==
            UT_OK)
            s.launchGroupId = id;
    }
    if (s.launchGroupId == -1)
        return;
    log->addToGroup(s.logHandle, s.launchGroupId, category.toUtf8().constData(),
                    name.toUtf8().constData());
}

void UsageLogging::logEvent(const QString &a, const QString &b, const QString &c, int m, int n)
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    ensureStarted();
    if (!s.optedIn)
        return;
    LogSessionLibrary *log = recorder(s);
    if (!log)
        return;
    log->logEvent(s.logHandle, c.toUtf8().constData(), b.toUtf8().constData(),
                  a.toUtf8().constData(), m, n);
}

int UsageLogging::optInState()
{
    return UsageLogClient::optInState(productLine);
}

bool UsageLogging::policyAllows()
{
    return UsageLogClient::policyAllows();
}

bool UsageLogging::showOptInDialog()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    ensureStarted();
    // The user asks for the dialog: a deferred initialisation is carried out for it.
    if (!s.client.isInitialized() && !s.client.initializeDeferred(true))
        return false;
    const int32_t status = s.client.library().displayOptInOutDialog();
    if (status != TPIP_OK)
        return false;
    takeOptInDecision();
    return true;
}

bool UsageLogging::isStarted()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    return s.started;
}

bool UsageLogging::isOptedIn()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    return s.optedIn;
}

bool UsageLogging::isLibraryLoaded()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    return s.client.library().isLoaded();
}

bool UsageLogging::isLibraryInitialized()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    return s.client.isInitialized();
}

QString UsageLogging::libraryFileName()
{
    UsageState &s = state();
    std::lock_guard lock(s.mutex);
    return s.client.library().isLoaded() ? s.client.library().fileName() : QString();
}
