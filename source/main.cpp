// The launcher's start-up sequence: paths, dictionary, chrome, one instance per session, the
// command line and the stored start-up choice, messaging, the first-launch work, the main window
// and the event loop, then the teardown in its fixed order.

#include "locale/localeutil.h"
#include "locale/zstring.h"
#include "locale/zstringdictionary.h"
#include "source/firstlaunch.h"
#include "source/launcherapp.h"
#include "source/launchercontext.h"
#include "source/launcherimagestore.h"
#include "source/launcherlog.h"
#include "source/launchermessagebox.h"
#include "source/launchermessaging.h"
#include "source/launcherpaths.h"
#include "source/launcherpixmapsexception.h"
#include "source/missingfilesalert.h"
#include "source/ptlaunchercustomwindowwidget.h"
#include "source/singleinstance.h"
#include "source/startupcommandline.h"
#include "source/startupdispatch.h"
#include "source/welcomewidget.h"

#include "platform/registry/ptsettings.h"

#if __has_include("services/usagelogging.h")
#include "services/usagelogging.h"
#define TESSALY_HAVE_USAGE_LOGGING 1
#endif

#include <QElapsedTimer>
#include <QThread>

#include <memory>

using LauncherWindow::LauncherApp;

namespace {

const QString kVersion = QStringLiteral("11.0");
const QString kShortVersion = QStringLiteral("11");

// Milliseconds since main began, for the start-up timing traces ("start-up: <step> <ms>").
QElapsedTimer &startupClock()
{
    static QElapsedTimer clock;
    return clock;
}

void traceStartup(const char *step)
{
    qCDebug(lcLauncher, "start-up: %s %.1f ms", step, double(startupClock().nsecsElapsed()) / 1e6);
}

void loadDictionary()
{
    const QString applicationDirectory = LauncherPaths::applicationDirectory();
    QString code = LocaleUtil::currentLocaleCode(applicationDirectory);
    int localeId = 0;
    try {
        localeId = LocaleUtil::localeIdForCode(code);
    } catch (const std::exception &error) {
        // An unknown code in the machine hive must not end the program: run in English.
        qCWarning(lcLauncher) << error.what() << code << "- using en_us";
        code = QStringLiteral("en_us");
        localeId = LocaleUtil::localeIdForCode(code);
    }
    const QString path = QStringLiteral("%1%2/%3").arg(LauncherPaths::localeDirectory(), code,
                                                       QStringLiteral("zstring.dct"));
    if (!basekit_private::loadDictionary(path, localeId, false)) {
        qCDebug(lcLauncher, "main: dictionary file missing");
        const auto message = LocaleUtil::missingDictionaryMessage(localeId);
        LauncherMessageBox::critical(nullptr, message.title, message.text, message.button);
    }
}

// Another launcher runs. Returns true when start-up may go on (the other one went away while
// closing), false when this process must end.
bool waitForClosingInstance(const QString &instanceName, const QString &caption)
{
    if (!SingleInstance::isClosing(caption))
        return false;
    for (int check = 0; check < 10; ++check) {
        QThread::msleep(1000);
        if (!SingleInstance::launcherInstanceCheck(instanceName, caption, true))
            return true;
    }
    LauncherMessageBox::show(
        {LauncherMessageBox::Icon::NoIcon,
         nullptr,
         Locale::zstring("$$$/main/AppNameLongOrvana=Orvana Organizer"),
         Locale::zstring("$$$/main/AppAlreadyRunningAndHung=Pixtrel Orvana is already running but "
                         "is not responding. To open a new instance, you must first close the "
                         "existing Pixtrel Orvana process, or restart your system."),
         {Locale::zstring("$$$/LauncherUtils/OK=OK")},
         0,
         0});
    return false;
}

int readStartupApplication()
{
    PtSettingsCU settings(QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen"));
    const int choice = settings.value(QStringLiteral("QuickLaunchApp"), 0).toInt();
    qCDebug(lcLauncher, "start-up choice: %d", choice);
    return choice;
}

void initializeMessaging()
{
    LauncherMessaging::initialize();
    LauncherApp::setMessagingPump(&LauncherMessaging::pump);
    // After the timer is gone, with the application object still there for the engine.
    LauncherApp::addDeferredDestruction([] {
        LauncherApp::setMessagingPump({});
        LauncherMessaging::terminate();
    });
}

void startUsageLogging()
{
#ifdef TESSALY_HAVE_USAGE_LOGGING
    UsageLogging::start();
#endif
}

void stopUsageLogging()
{
#ifdef TESSALY_HAVE_USAGE_LOGGING
    UsageLogging::stop();
#endif
}

} // namespace

int main(int argc, char **argv)
{
    startupClock().start();
    // Kept before Qt removes its own options: the file scan looks at every argument.
    QStringList rawArguments;
    rawArguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));

    auto app = std::make_unique<LauncherApp>(argc, argv);
    const QString applicationDirectory = QCoreApplication::applicationDirPath();
    qCDebug(lcLauncher, "%s\n", applicationDirectory.toUtf8().constData());
    LauncherPaths::configureFrom(applicationDirectory);
    traceStartup("application");

    loadDictionary();
    traceStartup("dictionary");

    std::unique_ptr<LauncherImageStore> imageStore;
    try {
        imageStore = std::make_unique<LauncherImageStore>();
    } catch (const LauncherPixmapsException &error) {
        qCDebug(lcLauncher, "%s", qPrintable(error.message()));
        showMissingFilesAlert(nullptr);
        return 0;
    }

    traceStartup("images");
    const QString caption =
        Locale::zstring("$$$/LauncherWindow/AppCaption2=Welcome - Pixtrel Orvana %1").arg(kVersion);
    const QString instanceName = app->instanceName();

    if (SingleInstance::launcherInstanceCheck(instanceName, caption, true) &&
        !waitForClosingInstance(instanceName, caption))
        return 0;

    const StartupCommandLine commandLine =
        StartupCommandLine::parse(QCoreApplication::arguments(), rawArguments);
    int startupApplication = 0;
    if (commandLine.subLaunchAllowed)
        startupApplication = readStartupApplication();

    traceStartup("instance and command line");
    const StartupDispatch::Plan plan =
        commandLine.subLaunchAllowed ? StartupDispatch::plan(startupApplication, commandLine.files)
                                     : StartupDispatch::Plan{};
    // With no script to hand over, nothing needs usage logging before the Welcome Screen is on
    // screen: it starts right after the first frame. The messaging endpoint comes up here in
    // any case, so peers find the launcher as soon as it is past the instance check.
    const bool scriptDue = plan.target != StartupDispatch::Target::None;
    initializeMessaging();
    if (scriptDue)
        startUsageLogging();
    app->startMessagingTimer();
    traceStartup("messaging");

    QString failedApplication;
    if (scriptDue)
        failedApplication = StartupDispatch::run(plan, &LauncherMessaging::sendToOrganizer,
                                                 &LauncherMessaging::sendToEditor);
    if (!failedApplication.isEmpty()) {
        QWidget iconHolder;
        iconHolder.setWindowIcon(QPixmap::fromImage(imageStore->image(AppIconMedium)));
        LauncherMessageBox::show(
            {LauncherMessageBox::Icon::Warning,
             &iconHolder,
             Locale::zstring("$$$/LauncherMain/SubLaunchErrorCaption=Error Launching Application"),
             Locale::zstring("$$$/LauncherMain/SubLaunchErrorMsg=Could not launch %1. Launching "
                             "the Welcome application.")
                 .arg(failedApplication),
             {Locale::zstring("$$$/LauncherUtils/OK=OK")},
             0,
             -1});
    }

    LauncherContext::setApplication(app.get());
    FirstLaunch::runIfNeeded();
    traceStartup("first launch");

    auto mainWindow = std::make_unique<PtLauncherCustomWindowWidget>(
        startupApplication, false, nullptr, "pxo_3_launcher_window", false, 0);
    LauncherContext::setMainWindow(mainWindow.get());
    if (!scriptDue) {
        const auto startLogging = [] {
            traceStartup("first frame");
            startUsageLogging();
            traceStartup("usage logging");
        };
        if (WelcomeWidget *welcome = LauncherContext::welcomeWidget())
            welcome->runAfterFirstFrame(startLogging);
        else
            startLogging();
    }
    traceStartup("main window");
    if (!LauncherContext::subLaunched())
        mainWindow->show();
    traceStartup("shown");

    const int result = app->exec();

    SingleInstance::markClosing(caption);
    stopUsageLogging();
    imageStore.reset();
    LauncherContext::setMainWindow(nullptr);
    mainWindow.reset();
    LauncherContext::setApplication(nullptr);
    app.reset();
    return result;
}
