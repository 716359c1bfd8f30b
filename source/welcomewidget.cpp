#include "source/welcomewidget.h"

#include "locale/localeutil.h"
#include "locale/zstring.h"
#include "platform/folders/folders.h"
#include "platform/nativewindow/nativewindows.h"
#include "platform/registry/iniprofile.h"
#include "platform/registry/productsettings.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"
#include "platform/shell/shell.h"
#include "services/mbsbridge.h"
#include "services/ptcontentdownloadbgthread.h"
#include "services/usagelogging.h"
#include "source/launcherapp.h"
#include "source/launchercontext.h"
#include "source/launcherlog.h"
#include "source/launchermessagebox.h"
#include "source/launcherpaths.h"
#include "source/launchersettingsdlg.h"
#include "source/missingfilesalert.h"
#include "source/podcontent.h"
#include "source/ptlaunchercustomwindowwidget.h"
#include "source/subapplicationmessenger.h"
#include "source/welcomeaction.h"
#include "source/welcomeglintcontainer.h"
#include "tessaly_version.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QTimerEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <limits>

namespace {

const QString kWelcomeScreenKey =
    QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");
const QString kTidingsKey = QStringLiteral("software\\tessaly\\Tidings");
const QString kStartupAppKey =
    QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Common\\settings");
const QString kUninstallKey = QStringLiteral(
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly Pixtrel Orvana 11");
const QString kBuiltInClientId = QStringLiteral("00000000-feed-4bad-beef-000000000000");
const QString kIdleStatus = QStringLiteral("IDLE");
constexpr int kDragInterval = 2;
constexpr int kEditorPollInterval = 200;
constexpr int kCloseAfterIdle = 300;
// The movie asks for 375 pixels but is laid out for the taller screen.
constexpr int kShortMovieHeight = 375;
constexpr int kMovieHeight = 481;
constexpr int kProcessStartWait = 30000;
// How long deferred start-up work waits for a first frame that does not come.
constexpr int kFirstFrameWait = 1000;

QString zs(const char *zstring)
{
    return Locale::zstring(zstring);
}

int readQuickLaunchApp()
{
    PtSettingsCU settings(kWelcomeScreenKey);
    return settings.value(QStringLiteral("QuickLaunchApp"), 0).toInt();
}

// "name(true, 3, \"text\")": a movie call as the traces and the API log show it.
QString describeCall(const QByteArray &function, const QList<QVariant> &arguments)
{
    QStringList parts;
    for (const QVariant &argument : arguments) {
        switch (argument.typeId()) {
        case QMetaType::Bool:
            parts << (argument.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
            break;
        case QMetaType::Int:
        case QMetaType::Double:
            parts << argument.toString();
            break;
        default:
            parts << u'"' + argument.toString() + u'"';
        }
    }
    return QString::fromLatin1(function) + u'(' + parts.join(QStringLiteral(", ")) + u')';
}

// Starts the background download of pod and membership content. The application object owns
// the thread and ends it at shut-down; the widget keeps no pointer to it.
void startContentDownload()
{
    QObject *owner = LauncherContext::application();
    if (!owner)
        owner = QCoreApplication::instance();
    auto *thread =
        new PtContentDownloadBgThread(owner, PodContent::podsFolder(), PodContent::swfFolder());
    thread->start(QThread::InheritPriority);
}

} // namespace

const QList<WelcomeWidget::Callback> &WelcomeWidget::containerCallbacks()
{
    static const QList<Callback> callbacks = {
        {"WelcomeScreen_ContainerInitialized", "slotGlintInit"},
        {"WelcomeScreen_ContainerShowWindow", "slotShowWindow"},
        {"WelcomeScreen_RequestAppClose", "slotGlintRequestAppClose"},
        {"WelcomeScreen_SetPodGeometry", "slotWelcomeScreen_SetPodGeometry"},
        {"dynamicPodContainer_initModel", "slotDynamicPodContainer_initModel"},
        {"WelcomeScreenHost_showPod", "slotWelcomeScreenHost_showPod"},
        {"WelcomeScreen_MouseDownInDragger", "slotGlintMouseDownEvent"},
        {"WelcomeScreen_MouseUpInDragger", "slotGlintMouseUpEvent"},
        {"WelcomeScreen_MouseMoveInDragger", "slotGlintMouseMoveEvent"},
        {"WelcomeScreen_UpdateStartupApp", "slotGlintUpdateStartupApp"},
        {"WelcomeScreen_RequestOrganizer", "slotGlintRequestOrganizer"},
        {"WelcomeScreen_RequestEditor", "slotGlintRequestEditor"},
        {"WelcomeScreen_RequestCreate", "slotGlintRequestCreate"},
        {"WelcomeScreen_RequestSharing", "slotGlintRequestSharing"},
        {"WelcomeScreen_RequestBackupSettings", "slotGlintRequestBackupSettings"},
        {"invokeAction", "slotInvokeAction"},
        {"WelcomeScreen_SafeToQuit", "slotGlintRequestSafeToQuit"},
        {"WSSetQuickLaunchApp", "slotSetQuickLaunchApp"},
        {"WelcomeScreenSetHiddenByAlert", "slotWelcomeScreenSetHiddenByAlert"},
        {"slotResizePlayer", "slotResizePlayer"},
        {"slotOpenSettingsDialog", "slotOpenSettingsDialog"},
        {"dumpQuillonLog", "slotDumpQuillonLog"},
    };
    return callbacks;
}

const QList<WelcomeWidget::Callback> &WelcomeWidget::podCallbacks()
{
    static const QList<Callback> callbacks = {
        {"PodPlayer_resize", "slotPodPlayer_resize"},
        {"PodPlayer_Created", "slotPodPlayer_Created"},
        {"PodEventDispatched", "slotPodEventDispatched"},
        {"WS_SetCurrentDynamicPodFileName", "slotSetCurrentDynamicPodFileName"},
    };
    return callbacks;
}

WelcomeWidget::WelcomeWidget(QWidget *parent, int startupApplication)
    : QLabel(parent)
    , m_startupApplication(startupApplication)
{
    setObjectName(QStringLiteral("WelcomeWidget"));
    openApiLog();
    PodContent::writePlayerTrustFile();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_containerPlayer = new WelcomeGlintContainer(this);
    m_containerPlayer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_containerPlayer->setAttribute(Qt::WA_NoSystemBackground);

    // This program offers no membership content: its movies come from the shared folder.
    PodContent::setMembershipEnabled(false);
    m_membershipOff = true;

    if (!loadWelcomeMovie(m_containerPlayer, QStringLiteral("WelcomeScreenContainer.swf"))) {
        failMissingMovie();
    } else {
        registerCallbacks(containerCallbacks());
        m_dragTimer = new QTimer(this);
        m_dragTimer->setInterval(kDragInterval);
        connect(m_dragTimer, &QTimer::timeout, this, &WelcomeWidget::TimeOut);
        layout->addWidget(m_containerPlayer);

        const QString podMovie = welcomeMoviePath(QStringLiteral("PodPlayer.swf"));
        if (podMovie.isEmpty()) {
            qCWarning(lcLauncher) << "Welcome Screen movie missing: PodPlayer.swf";
            failMissingMovie();
        } else {
            // The pod movie reaches the launcher only through the container.
            registerCallbacks(podCallbacks());
            // The pod area stays empty until the container has placed it, and the movie set-up
            // waits for the pod movie anyway: neither its player (a stage window and an engine
            // of its own) nor its movie need hold up the first frame.
            m_ownAfterFirstFrame.push_back([this, podMovie] { createPodPlayer(podMovie); });
        }
    }

    m_ownAfterFirstFrame.push_back(&startContentDownload);
    watchFirstFrame();
    bringMainWindowToFront();
}

WelcomeWidget::~WelcomeWidget()
{
    // Status messages still arriving during teardown must not reach a destroyed widget.
    if (LauncherContext::welcomeWidget() == this)
        LauncherContext::setWelcomeWidget(nullptr);
    if (m_apiLogFile)
        m_apiLogFile->close();
}

void WelcomeWidget::openApiLog()
{
    int enabled = 0;
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        enabled = settings.value(QStringLiteral("EnableQuillonLogDump"), 0).toInt();
    }
    if (enabled != 1)
        return;
    // The per-user product data folder, built like the shared one on the user's own data folder.
    const QString folder = Folders::userAppData() + QStringLiteral("/Tessaly/Pixtrel Orvana/") +
                           SubApplication::versionText();
    QDir().mkpath(folder);
    auto file = std::make_unique<QFile>(folder + QStringLiteral("/QuillonLogAPIDump.txt"));
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcLauncher) << "cannot open the movie API log" << file->fileName()
                              << file->errorString();
        return;
    }
    m_apiLogFile = std::move(file);
    m_apiLogOn = true;
}

void WelcomeWidget::writeApiLog(const QString &text)
{
    if (!m_apiLogOn)
        return;
    const QString line =
        QStringLiteral("[%1]%2\n")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                 text);
    m_apiLogFile->write(line.toUtf8());
    m_apiLogFile->flush();
}

QString WelcomeWidget::welcomeMoviePath(const QString &fileName)
{
    const QString assets = LauncherPaths::assetsDirectory();
    QString path =
        QDir::toNativeSeparators(QDir::cleanPath(assets + QStringLiteral("/Required/") + fileName));
    if (!QFileInfo::exists(path)) {
        const QString locale = LocaleUtil::currentLocaleCode(LauncherPaths::applicationDirectory());
        path = QDir::toNativeSeparators(
            QDir::cleanPath(assets + QStringLiteral("/Locales/") + locale +
                            QStringLiteral("/application_swfs/") + fileName));
    }
    return QFileInfo::exists(path) ? path : QString();
}

bool WelcomeWidget::loadWelcomeMovie(WelcomeGlintContainer *player, const QString &fileName)
{
    const QString path = welcomeMoviePath(fileName);
    player->setTrace(true);
    if (path.isEmpty()) {
        qCWarning(lcLauncher) << "Welcome Screen movie missing:" << fileName;
        return false;
    }
    player->Load(path);
    return true;
}

void WelcomeWidget::runAfterFirstFrame(std::function<void()> task)
{
    if (!m_firstFrameShown) {
        m_afterFirstFrame.push_back(std::move(task));
        return;
    }
    QTimer::singleShot(0, this, std::move(task));
}

void WelcomeWidget::watchFirstFrame()
{
    QObject *stage =
        m_containerPlayer ? NativeWindows::window(m_containerPlayer->stageWindow()) : nullptr;
    if (!stage || LauncherContext::subLaunched()) {
        // Nothing will be drawn: the deferred work runs as soon as the event loop does.
        QTimer::singleShot(0, this, &WelcomeWidget::firstFrameShown);
        return;
    }
    // Queued: the frame is flushed to the window after the scene graph has rendered it.
    connect(stage, SIGNAL(afterRendering()), this, SLOT(stageRendered()), Qt::QueuedConnection);
    // A window that is never shown, or a stage that never renders, must not hold the work back
    // for good.
    QTimer::singleShot(kFirstFrameWait, this, &WelcomeWidget::firstFrameShown);
}

void WelcomeWidget::stageRendered()
{
    // The stage renders as soon as it exists, also inside a main window that is not on screen
    // yet; only a frame inside the mapped window counts.
    const QWindow *main = window()->windowHandle();
    if (main && main->isExposed())
        firstFrameShown();
}

void WelcomeWidget::firstFrameShown()
{
    if (m_firstFrameShown)
        return;
    m_firstFrameShown = true;
    if (QObject *stage =
            m_containerPlayer ? NativeWindows::window(m_containerPlayer->stageWindow()) : nullptr)
        disconnect(stage, SIGNAL(afterRendering()), this, SLOT(stageRendered()));
    qCDebug(lcLauncher, "first frame of the Welcome Screen shown");
    // Tasks queued while these run wait for the next turn, after the ones already queued.
    std::vector<std::function<void()>> tasks = std::exchange(m_afterFirstFrame, {});
    for (std::function<void()> &task : std::exchange(m_ownAfterFirstFrame, {}))
        tasks.push_back(std::move(task));
    for (const std::function<void()> &task : tasks)
        task();
}

void WelcomeWidget::registerCallbacks(const QList<Callback> &callbacks)
{
    for (const Callback &callback : callbacks) {
        m_containerPlayer->AddCallback(QLatin1String(callback.function), this,
                                       QLatin1String(callback.slot), QVariant());
    }
}

void WelcomeWidget::failMissingMovie()
{
    if (PtLauncherCustomWindowWidget *main = mainWindow())
        main->m_centreOnResize = true;
    window()->show();
    QTimer::singleShot(0, this, &WelcomeWidget::slotShowMissingFilesAlertAndQuit);
}

PtLauncherCustomWindowWidget *WelcomeWidget::mainWindow() const
{
    return qobject_cast<PtLauncherCustomWindowWidget *>(window());
}

void WelcomeWidget::closeMainWindow()
{
    QWidget *main = window();
    const bool shown = main->isVisible();
    main->close();
    // Closing a window that was never shown (a sub-launched start) ends no event loop, yet the
    // launcher has to end all the same.
    if (!shown)
        QCoreApplication::quit();
}

void WelcomeWidget::bringMainWindowToFront()
{
    QWidget *main = window();
    if (main == this || !main->isVisible())
        return;
    main->raise();
    main->activateWindow();
}

QString WelcomeWidget::callMovie(const QByteArray &function, const QList<QVariant> &arguments)
{
    const QString described = describeCall(function, arguments);
    qCDebug(lcLauncher, "movie call %s", qUtf8Printable(described));
    writeApiLog(described);
    if (!m_containerPlayer)
        return {};
    return m_containerPlayer->CallFunction(function, &arguments);
}

// ------------------------------------------------------------------------------ container block

void WelcomeWidget::slotGlintInit(bool app, int windowDraggerHeight, int closeBoxLeft,
                                  int closeBoxTop, int closeBoxRight, int closeBoxBottom)
{
    Q_UNUSED(app)
    m_draggerHeight = windowDraggerHeight;
    m_closeBox = QRect(QPoint(closeBoxLeft, closeBoxTop), QPoint(closeBoxRight, closeBoxBottom));
    m_initialised = true;
    runMovieSetUp();
}

void WelcomeWidget::slotShowWindow(bool success)
{
    QSize size = m_containerPlayer->requestedSize();
    if (size.height() == kShortMovieHeight)
        size.setHeight(kMovieHeight);
    m_containerPlayer->resize(size);
    setFixedSize(m_containerPlayer->geometry().size());
    const bool subLaunched = LauncherContext::subLaunched();
    if (!subLaunched)
        m_containerPlayer->show();
    if (PtLauncherCustomWindowWidget *main = mainWindow())
        main->m_centreOnResize = true;
    if (!subLaunched)
        window()->show();
    if (!success)
        QTimer::singleShot(0, this, &WelcomeWidget::slotShowMissingFilesAlert);
}

void WelcomeWidget::slotGlintRequestAppClose()
{
    closeMainWindow();
}

void WelcomeWidget::slotGlintMouseDownEvent()
{
    if (m_organizerLaunching || m_editorLaunching)
        m_draggedWhileLaunching = true;
    m_dragStartCursor = QCursor::pos();
    m_dragStartWindow = window()->mapToGlobal(QPoint(0, 0));
    m_dragTimer->start();
}

void WelcomeWidget::slotGlintMouseUpEvent()
{
    m_dragTimer->stop();
}

void WelcomeWidget::slotGlintMouseMoveEvent(int globalX, int globalY)
{
    window()->move(m_dragStartWindow + QPoint(globalX, globalY) - m_dragStartCursor);
}

void WelcomeWidget::TimeOut()
{
    window()->move(m_dragStartWindow + QCursor::pos() - m_dragStartCursor);
}

bool WelcomeWidget::isDragging() const
{
    return m_dragTimer && m_dragTimer->isActive();
}

void WelcomeWidget::slotGlintUpdateStartupApp(int startupApp)
{
    reg_key_t key(HKEY_CURRENT_USER, kStartupAppKey, KEY_WRITE, true);
    const RegError error = key.setDword(QStringLiteral("STARTUP_APP"), quint32(startupApp));
    if (error != ERROR_SUCCESS)
        qCWarning(lcLauncher) << "cannot store the start-up choice, error" << error;
}

void WelcomeWidget::slotGlintRequestSafeToQuit()
{
    closeMainWindow();
}

void WelcomeWidget::slotSetQuickLaunchApp(int appStr)
{
    PtSettingsCU settings(kWelcomeScreenKey);
    settings.setValue(QStringLiteral("QuickLaunchApp"), appStr);
    settings.sync();
}

void WelcomeWidget::slotWelcomeScreenSetHiddenByAlert()
{
    callMovie("SetHiddenByAlert");
}

void WelcomeWidget::slotResizePlayer(int height)
{
    Q_UNUSED(height)
    m_containerPlayer->resize(m_containerPlayer->width(), m_containerPlayer->height() - 3);
    setFixedSize(m_containerPlayer->geometry().size());
}

void WelcomeWidget::slotOpenSettingsDialog()
{
    LauncherSettingsDlg::runLaunchPreferences(this);
}

void WelcomeWidget::slotDumpQuillonLog(const QString &text)
{
    if (LauncherContext::subLaunched() && text == QLatin1String("Exit")) {
        closeMainWindow();
        return;
    }
    for (const auto &[category, name] : usageLogEntries(text))
        UsageLogging::logEvent(category, name, QString(), 0, 0);
}

QList<std::pair<QString, QString>> WelcomeWidget::usageLogEntries(const QString &text)
{
    QList<std::pair<QString, QString>> events;
    const QStringList entries = text.split(QStringLiteral("##"), Qt::KeepEmptyParts);
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(u':', Qt::KeepEmptyParts);
        // An entry without its second part carries no event.
        if (parts.size() < 2)
            continue;
        events.append({parts.at(0), parts.at(1)});
    }
    return events;
}

// ---------------------------------------------------------------------------------- movie set-up

int WelcomeWidget::nextLaunchNumber()
{
    const IniProfile ini(ProductSettings::orvanaIniPath());
    const QString section = QStringLiteral("PXOInformation");
    const QString key = QStringLiteral("LauncherLaunchCount");
    QString stored;
    int count = 0;
    if (ini.read(section, key, stored)) {
        bool ok = false;
        count = stored.trimmed().toInt(&ok);
        if (!ok || count < 0)
            count = 0;
    }
    // A count at the top of the range starts again rather than overflowing.
    count = count == std::numeric_limits<int>::max() ? 1 : count + 1;
    ini.write(section, key, QString::number(count));
    return count;
}

void WelcomeWidget::runMovieSetUp()
{
    if (!m_initialised || !m_podPlayerCreated || m_movieSetUpDone)
        return;
    // Once per run: a second report of either movie must not count the launch again.
    m_movieSetUpDone = true;

    const QString version = QStringLiteral("%1.%2.%3.%4")
                                .arg(TESSALY_VERSION_MAJOR)
                                .arg(TESSALY_VERSION_MINOR)
                                .arg(TESSALY_VERSION_PATCH)
                                .arg(TESSALY_VERSION_BUILD);
    callMovie("WelcomeScreenHost_setSplashScreenParams",
              {zs("$$$/WelcomeWidget/editStr=Photo Editor"),
               zs("$$$/WelcomeWidget/VersionSpecifier=Version %1").arg(version),
               zs("$$$/WelcomeWidget/OrganiserStr=Organizer"),
               zs("$$$/WelcomeWidget/pxoDescText=Edit, Enhance, and add Effects to your Photos"),
               QString(),
               zs("$$$/WelcomeWidget/orgDescText=Organize, Find, and View all your Photos"),
               m_membershipOff,
               zs("$$$/WelcomeWidget/launchingOrg=Launching Tessaly Orvana 9 Organizer..."),
               zs("$$$/WelcomeWidget/launchingEditor=Launching Tessaly Pixtrel Orvana...")});

    QString clientId = MbsBridge::movieClientId();
    if (clientId.isEmpty())
        clientId = kBuiltInClientId;
    callMovie("setClientId", {clientId});

    const QString locale = LocaleUtil::currentLocaleCode(LauncherPaths::applicationDirectory());
    callMovie("WelcomScreenHost_setLocaleString", {locale, QStringLiteral("win")});
    callMovie("WelcomScreenHost_setStartupAppStrings",
              {zs("$$$/LauncherWindow/StartUpWithX=On Start Always Launch:"),
               zs("$$$/LauncherWindow/OrganizerMode=Organizer"),
               zs("$$$/LauncherWindow/EditingMode=Photo Editor"),
               zs("$$$/LauncherWindow/WelcomeMode=Welcome Screen")});
    callMovie("WelcomScreenHost_setStartupApp", {m_startupApplication});
    callMovie("WelcomScreenHost_setLaunchButtonStrings",
              {zs("$$$/LauncherWindow/LaunchButtonOrganize=ORGANIZE"),
               zs("$$$/LauncherWindow/LaunchButtonEdit=EDIT"), zs("$$$/LauncherWindow/Done=Done"),
               zs("$$$/LauncherWindow/Cancel=Cancel")});
    callMovie("WelcomScreenHost_setMiniWelcomeScreenStrings",
              {zs("$$$/LauncherWindow/MiniWS1=Welcome to Tessaly Pixtrel Orvana 6"),
               zs("$$$/LauncherWindow/MiniWS2=Bring out the best in your photos! Creatively edit, "
                  "quickly organize, and easily share your photos."),
               zs("$$$/LauncherWindow/MiniWSBullet1=Take advantage of new editing and retouching "
                  "capabilities"),
               zs("$$$/LauncherWindow/MiniWSBullet2=Save time with a new streamlined design"),
               zs("$$$/LauncherWindow/MiniWSBullet3=Make fun, unique photo creations"),
               zs("$$$/LauncherWindow/MiniWSBullet4=Easily share on the web, mobile phones and "
                  "more")});

    const int launchNumber = nextLaunchNumber();
    callMovie("WSHostSetLaunchNumber", {launchNumber});
    callMovie("setPXO8UUID", {ProductSettings::uniqueId()});

    const bool videoProductInstalled = SubApplicationMessenger::current().isInstalled(
        "motivaorvana-" + SubApplication::versionText().toLatin1());
    const QString startupText =
        m_startupApplication == SubApplication::Organizer ? QStringLiteral("ORG")
        : m_startupApplication == SubApplication::Editor  ? QStringLiteral("EDIT")
                                                          : QString();
    QString displayVersion;
    {
        PtSettingsLM settings(kUninstallKey);
        displayVersion = settings.value(QStringLiteral("DisplayVersion"), QString()).toString();
    }
    // The second value is the launch number, so the movie's event carries how often it ran.
    callMovie(
        "logWSLaunchEvent",
        {videoProductInstalled, launchNumber, locale, startupText, readQuickLaunchApp(),
         QString(SubApplication::editorInstallFolder() + QStringLiteral("/Assets/ols_config.xml")),
         displayVersion});
    callMovie("WelcomScreenHost_setDynamicContentFileList", {PodContent::dynamicContentXml()});
}

// ------------------------------------------------------------------------------------- pod block

void WelcomeWidget::createPodPlayer(const QString &movie)
{
    if (m_podPlayer)
        return;
    m_podPlayer = new WelcomeGlintContainer(this);
    m_podPlayer->setTrace(true);
    m_podPlayer->hide();
    // The container places the pod area as soon as it has loaded, before this player exists.
    if (m_podGeometrySet) {
        m_podPlayer->setGeometry(m_podRect);
        if (m_podShown) {
            m_podPlayer->show();
            m_podPlayer->raise();
        }
    }
    m_podPlayer->Load(movie);
}

void WelcomeWidget::slotWelcomeScreen_SetPodGeometry(int x, int y, int width, int height)
{
    const QRect rect(x, y, width, height);
    m_podRect = rect;
    m_podGeometrySet = true;
    m_podShown = true;
    if (!m_podPlayer)
        return;
    m_podPlayer->setGeometry(rect);
    m_podPlayer->show();
    m_podPlayer->raise();
}

void WelcomeWidget::slotWelcomeScreenHost_showPod(bool bShow)
{
    if (!m_podGeometrySet)
        return;
    m_podShown = bShow;
    if (!m_podPlayer)
        return;
    m_podPlayer->setVisible(bShow);
    if (bShow)
        m_podPlayer->raise();
}

void WelcomeWidget::slotPodPlayer_resize(int width, int height)
{
    if (m_podPlayer)
        m_podPlayer->resize(width, height);
}

void WelcomeWidget::slotPodPlayer_Created()
{
    m_podPlayerCreated = true;
    runMovieSetUp();
}

void WelcomeWidget::slotDynamicPodContainer_initModel(const QString &modelData)
{
    if (m_containerPlayer)
        callMovie("dynamicPodContainer_initModel", {modelData});
}

void WelcomeWidget::slotPodEventDispatched(const QString &type, const QString &otherData)
{
    callMovie("WelcomeScreen_PodEventDispatched", {type, otherData});
}

void WelcomeWidget::slotSetCurrentDynamicPodFileName(const QString &podFileName)
{
    PodContent::setLastShownPodFileName(podFileName);
    m_currentPodFileName = podFileName;
    reportPodView();
}

void WelcomeWidget::reportPodView()
{
    if (m_currentPodFileName.isEmpty() || LauncherContext::subLaunched())
        return;
    callMovie("logMessagePodEvent", {m_currentPodFileName, QStringLiteral("view")});
}

// ------------------------------------------------------------------------------ other slots

void WelcomeWidget::slotShowMissingFilesAlert()
{
    showMissingFilesAlert(this);
}

void WelcomeWidget::slotShowMissingFilesAlertAndQuit()
{
    showMissingFilesAlert(this);
    closeMainWindow();
}

void WelcomeWidget::slotQuitOnTidingsNoReply()
{
    if (m_containerPlayer) {
        m_containerPlayer->RemoveCallback(QStringLiteral("loggedOut"), this,
                                          QStringLiteral("slotQuitOnTidingsNoReply"));
    }
    QObject::disconnect(this, nullptr, nullptr, nullptr);
    closeMainWindow();
}

// --------------------------------------------------------------------- sub-application launching

void WelcomeWidget::setLaunching(SubApplication::Id id, bool launching)
{
    callMovie(SubApplication::launchStateFunction(id), {launching});
}

void WelcomeWidget::startRunningApplication(SubApplication::Id id)
{
    const QString path = SubApplication::executablePath(id);
    // The process belongs to the widget but must outlive the launcher, which quits right after:
    // a child QProcess would be killed with it.
    auto *process = new QProcess(this);
    process->setProgram(path);
    process->setArguments({});
    if (!process->startDetached())
        qCWarning(lcLauncher) << "cannot start" << path;
    closeMainWindow();
}

void WelcomeWidget::slotGlintRequestOrganizer()
{
    if (SubApplicationMessenger::current().isRunning(SubApplication::Organizer)) {
        startRunningApplication(SubApplication::Organizer);
        return;
    }
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    setLaunching(SubApplication::Organizer, true);
    m_organizerLaunching = true;
    m_launchPending = true;
    performAction(WelcomeAction::BrowseCatalog);
}

void WelcomeWidget::slotGlintRequestEditor()
{
    if (SubApplicationMessenger::current().isRunning(SubApplication::Editor)) {
        startRunningApplication(SubApplication::Editor);
        return;
    }
    setLaunching(SubApplication::Editor, true);
    m_editorLaunching = true;
    m_launchPending = true;
    performAction(WelcomeAction::AdvancedEditingMode);
    // A second request while the first still polls keeps the one timer.
    if (m_editorPollTimer == 0)
        m_editorPollTimer = startTimer(kEditorPollInterval);
}

void WelcomeWidget::slotGlintRequestCreate()
{
    performAction(WelcomeAction::NewCreation);
}

void WelcomeWidget::slotGlintRequestSharing()
{
    performAction(WelcomeAction::Share);
}

void WelcomeWidget::slotGlintRequestBackupSettings()
{
    SubApplicationMessenger &messenger = SubApplicationMessenger::current();
    if (messenger.isRunning(SubApplication::Organizer)) {
        performAction(WelcomeAction::SyncIntro);
        messenger.bringOrganizerToFront();
        closeMainWindow();
        return;
    }
    setLaunching(SubApplication::Organizer, true);
    m_organizerLaunching = true;
    m_launchPending = true;
    performAction(hasSyncCatalog() ? WelcomeAction::SyncIntro : WelcomeAction::BrowseCatalog);
}

bool WelcomeWidget::hasSyncCatalog()
{
    PtSettingsCU settings(kTidingsKey);
    for (const char *name : {"PXO10SyncCatalogPath", "PXO9SyncCatalogPath", "PXO8SyncCatalogPath",
                             "CurrentSyncCatalogPath"}) {
        if (!settings.value(QLatin1String(name), QString()).toString().isEmpty())
            return true;
    }
    return false;
}

void WelcomeWidget::slotInvokeAction(const QString &action)
{
    if (const std::optional<int> number = WelcomeAction::fromMovieId(action))
        performAction(*number);
}

void WelcomeWidget::performAction(int number)
{
    const QString caption =
        zs("$$$/LauncherMain/SubLaunchErrorCaption=Error Launching Application");
    const QString organizerText =
        zs("$$$/LauncherWindow/OrgIACerror=There was a problem launching the Orvana Organizer. "
           "Please re-install Pixtrel Orvana to fix this problem.");
    const QString editorText =
        zs("$$$/LauncherWindow/EdtIACerror=There was a problem launching the Pixtrel Orvana "
           "Editor. Please re-install Pixtrel Orvana to fix this problem.");

    switch (WelcomeAction::kind(number)) {
    case WelcomeAction::Kind::WebPage:
        openUrl(this, WelcomeAction::pageAddress(number), true);
        return;
    case WelcomeAction::Kind::Nothing:
        return;
    case WelcomeAction::Kind::Foreground:
        bringMainWindowToFront();
        return;
    case WelcomeAction::Kind::Script:
        break;
    }

    const SubApplication::Id target = WelcomeAction::target(number);
    try {
        SubApplicationMessenger &messenger = SubApplicationMessenger::current();
        messenger.send(target, WelcomeAction::script(number));
        if (WelcomeAction::flushesAfterSend(number))
            messenger.flushOutgoing();
        bringMainWindowToFront();
    } catch (...) {
        qCWarning(lcLauncher) << "sending the Welcome action" << number << "failed";
        QWidget *main = window();
        LauncherMessageBox::show({LauncherMessageBox::Icon::Warning,
                                  main,
                                  caption,
                                  target == SubApplication::Organizer ? organizerText : editorText,
                                  {zs("$$$/LauncherUtils/OK=OK")},
                                  0,
                                  -1});
        main->show();
    }
}

bool WelcomeWidget::openUrl(QWidget *parent, const QString &url, bool showError)
{
    QCoreApplication::processEvents();
    const QUrl address(url, QUrl::StrictMode);
    // Only web pages: an address from a dictionary must not open local files or programs.
    const bool web = address.isValid() && (address.scheme() == QLatin1String("https") ||
                                           address.scheme() == QLatin1String("http"));
    if (web && Shell::openUrl(address))
        return true;
    if (showError) {
        LauncherMessageBox::show(
            {LauncherMessageBox::Icon::Warning,
             parent,
             zs("$$$/LauncherUtils/BrowserErrorCaption=Error Launching Browser"),
             zs("$$$/LauncherUtils/BrowserError=Could not launch browser. Please ensure that your "
                "browser is properly configured and try again."),
             {zs("$$$/LauncherUtils/OK=OK")},
             0,
             -1});
    }
    return false;
}

// ----------------------------------------------------------------------------- status and polling

void WelcomeWidget::handleSubAppStatus(const QString &body)
{
    const QStringList parts = body.split(u':', Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() != 2)
        return;
    const QString &first = parts.at(0);
    if (first == QLatin1String("organizer")) {
        callMovie(SubApplication::splashStatusFunction(SubApplication::Organizer), {parts.at(1)});
        bringMainWindowToFront();
    } else if (first == QLatin1String("editor")) {
        callMovie(SubApplication::splashStatusFunction(SubApplication::Editor), {parts.at(1)});
        bringMainWindowToFront();
    } else if (first == QLatin1String("launched_organizer")) {
        setLaunching(SubApplication::Organizer, false);
        m_organizerLaunching = false;
        applyClosingRule();
    } else if (first == QLatin1String("launched_editor")) {
        setLaunching(SubApplication::Editor, false);
        m_editorLaunching = false;
        applyClosingRule();
    } else if (first == QLatin1String("force_quit_welcome_screen")) {
        closeMainWindow();
    } else {
        bringMainWindowToFront();
    }
}

void WelcomeWidget::applyClosingRule()
{
    const bool launching = m_organizerLaunching || m_editorLaunching;
    if (!launching && !m_draggedWhileLaunching && m_launchPending)
        closeMainWindow();
    if (!launching && m_draggedWhileLaunching) {
        // The user moved the window while the application came up: leave the screen open.
        m_draggedWhileLaunching = false;
        m_launchPending = false;
        return;
    }
    bringMainWindowToFront();
}

void WelcomeWidget::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_editorPollTimer && m_editorPollTimer != 0)
        slotPollEditor();
    else if (event->timerId() == m_organizerPollTimer && m_organizerPollTimer != 0)
        slotPollOrganizer();
    else
        QLabel::timerEvent(event);
}

void WelcomeWidget::slotPollEditor()
{
    const QString status = SubApplicationMessenger::current().status(SubApplication::Editor);
    qCDebug(lcLauncher, "editor status %s", qUtf8Printable(status));
    if (status != kIdleStatus)
        return;
    setLaunching(SubApplication::Editor, false);
    if (m_editorPollTimer != 0) {
        killTimer(m_editorPollTimer);
        m_editorPollTimer = 0;
    }
    QTimer::singleShot(kCloseAfterIdle, window(), &QWidget::close);
}

void WelcomeWidget::slotPollOrganizer()
{
    if (SubApplicationMessenger::current().status(SubApplication::Organizer) != kIdleStatus)
        return;
    setLaunching(SubApplication::Organizer, false);
    if (m_organizerPollTimer != 0) {
        killTimer(m_organizerPollTimer);
        m_organizerPollTimer = 0;
    }
    QTimer::singleShot(kCloseAfterIdle, window(), &QWidget::close);
}
