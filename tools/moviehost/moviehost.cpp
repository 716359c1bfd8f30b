#include "tools/moviehost/moviehost.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcMovieHost, "tessaly.tools.moviehost", QtWarningMsg)

namespace {

QString describe(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::Double:
        return value.toString();
    default:
        return u'"' + value.toString() + u'"';
    }
}

QString describeCall(const QString &name, const QVariantList &arguments)
{
    QStringList parts;
    for (const QVariant &argument : arguments)
        parts << describe(argument);
    return name + u'(' + parts.join(QStringLiteral(", ")) + u')';
}

QString escaped(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
}

// The movie functions the container registers, with the slots that answer them, in the order
// the launcher registers them.
struct Callback
{
    const char *name;
    const char *slot;
};
constexpr Callback kCallbacks[] = {
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
    {"PodPlayer_resize", "slotPodPlayer_resize"},
    {"PodPlayer_Created", "slotPodPlayer_Created"},
    {"PodEventDispatched", "slotPodEventDispatched"},
    {"WS_SetCurrentDynamicPodFileName", "slotSetCurrentDynamicPodFileName"},
};

} // namespace

MovieHost::MovieHost(const MovieHostSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("MovieHost"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_container = new QtGlintPlayer(this, {}, 1);
    m_container->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_container->setAttribute(Qt::WA_NoSystemBackground);
    m_dragTimer = new QTimer(this);
    m_dragTimer->setInterval(2);
    connect(m_dragTimer, &QTimer::timeout, this, &MovieHost::dragTick);
}

MovieHost::~MovieHost() = default;

bool MovieHost::load()
{
    const QString required = m_settings.assetsFolder + QStringLiteral("/Required/");
    const QString containerPath =
        QDir::cleanPath(required + QStringLiteral("WelcomeScreenContainer.swf"));
    const QString podPath = QDir::cleanPath(required + QStringLiteral("PodPlayer.swf"));
    if (!QFileInfo::exists(containerPath) || !QFileInfo::exists(podPath)) {
        qCWarning(lcMovieHost) << "movie missing in" << required;
        return false;
    }
    m_container->setTrace(true);
    m_container->Load(containerPath);
    for (const Callback &callback : kCallbacks) {
        m_container->AddCallback(QLatin1String(callback.name), this, QLatin1String(callback.slot),
                                 QVariant());
    }
    layout()->addWidget(m_container);
    m_podPlayer = new QtGlintPlayer(this, {}, 1);
    m_podPlayer->setTrace(true);
    m_podPlayer->Load(podPath);
    m_podPlayer->hide();
    return true;
}

QString MovieHost::dynamicContentXml() const
{
    QString folder = QDir::toNativeSeparators(m_settings.podsFolder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    QStringList names = QDir(folder).entryList({QStringLiteral("*.xml")},
                                               QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                               QDir::Name | QDir::IgnoreCase);
    QString files;
    for (const QString &name : names)
        files += QStringLiteral("<file>") + escaped(name) + QStringLiteral("</file>");
    return QStringLiteral("<dynamic_content_info><application_name>pxo</application_name>") +
           QStringLiteral("<root_directory>") + escaped(folder) +
           QStringLiteral("</root_directory>") + QStringLiteral("<last_shown_pod_file_name>") +
           escaped(m_settings.lastShownPod) +
           QStringLiteral("</last_shown_pod_file_name><filelist>") + files +
           QStringLiteral("</filelist></dynamic_content_info>");
}

QString MovieHost::callMovie(const QByteArray &name, const QVariantList &arguments)
{
    m_movieCalls << describeCall(QString::fromLatin1(name), arguments);
    return m_container->CallFunction(name, &arguments);
}

void MovieHost::setLaunching(Application application, bool launching)
{
    m_launching = launching;
    callMovie(application == Organizer ? "WSHostSetOrganizerLaunching" : "WSHostSetEditorLaunching",
              {launching});
}

void MovieHost::showSplashStatus(Application application, const QString &text)
{
    callMovie(application == Organizer ? "WelcomeScreen_OrganizerSplashStatus"
                                       : "WelcomeScreen_EditorSplashStatus",
              {text});
}

void MovieHost::hideByAlert()
{
    callMovie("SetHiddenByAlert");
}

void MovieHost::record(const QString &name, const QVariantList &arguments)
{
    const QString call = describeCall(name, arguments);
    m_calls << call;
    emit called(call);
}

void MovieHost::runSetUp()
{
    if (!m_initialised || !m_podPlayerCreated || m_setUpDone)
        return;
    m_setUpDone = true;
    const MovieHostSettings &s = m_settings;
    callMovie("WelcomeScreenHost_setSplashScreenParams",
              {QStringLiteral("Photo Editor"), s.versionText, QStringLiteral("Organizer"),
               QStringLiteral("Edit, Enhance, and add Effects to your Photos"), QString(),
               QStringLiteral("Organize, Find, and View all your Photos"), s.membershipOff,
               QStringLiteral("Launching Tessaly Orvana 9 Organizer..."),
               QStringLiteral("Launching Tessaly Pixtrel Orvana...")});
    callMovie("setClientId", {QStringLiteral("00000000-feed-4bad-beef-000000000000")});
    callMovie("WelcomScreenHost_setLocaleString", {s.localeCode, QStringLiteral("win")});
    callMovie("WelcomScreenHost_setStartupAppStrings",
              {QStringLiteral("On Start Always Launch:"), QStringLiteral("Organizer"),
               QStringLiteral("Photo Editor"), QStringLiteral("Welcome Screen")});
    callMovie("WelcomScreenHost_setStartupApp", {s.startupApp});
    callMovie("WelcomScreenHost_setLaunchButtonStrings",
              {QStringLiteral("ORGANIZE"), QStringLiteral("EDIT"), QStringLiteral("Done"),
               QStringLiteral("Cancel")});
    callMovie("WelcomScreenHost_setMiniWelcomeScreenStrings",
              {QStringLiteral("Welcome to Tessaly Pixtrel Orvana 6"),
               QStringLiteral("Bring out the best in your photos! Creatively edit, quickly "
                              "organize, and easily share your photos."),
               QStringLiteral("Take advantage of new editing and retouching capabilities"),
               QStringLiteral("Save time with a new streamlined design"),
               QStringLiteral("Make fun, unique photo creations"),
               QStringLiteral("Easily share on the web, mobile phones and more")});
    callMovie("WSHostSetLaunchNumber", {s.launchNumber});
    callMovie("setPXO8UUID", {QStringLiteral("6f1c2b9e-3a4d-4e5f-8a7b-0c1d2e3f4a5b")});
    callMovie("logWSLaunchEvent",
              {false, 0, s.localeCode,
               s.startupApp == 1   ? QStringLiteral("ORG")
               : s.startupApp == 2 ? QStringLiteral("EDIT")
                                   : QString(),
               s.startupApp, QStringLiteral("/opt/tessaly/pixtrel-orvana-11/Assets/ols_config.xml"),
               QStringLiteral("11.0")});
    callMovie("WelcomScreenHost_setDynamicContentFileList", {dynamicContentXml()});
}

void MovieHost::requestClose()
{
    emit closeRequested();
    close();
}

void MovieHost::simulateLaunch(Application application)
{
    if (!m_settings.simulateLaunches || m_launching)
        return;
    setLaunching(application, true);
    const QStringList statuses =
        application == Organizer
            ? QStringList{QStringLiteral("Opening the catalog…"),
                          QStringLiteral("Reading keywords…"),
                          QStringLiteral("Preparing thumbnails…")}
            : QStringList{QStringLiteral("Loading plug-ins…"), QStringLiteral("Reading presets…"),
                          QStringLiteral("Preparing the workspace…")};
    for (int i = 0; i < statuses.size(); ++i) {
        QTimer::singleShot(600 * (i + 1), this, [this, application, text = statuses.at(i)] {
            showSplashStatus(application, text);
        });
    }
    QTimer::singleShot(600 * (statuses.size() + 1) + 400, this,
                       [this, application] { setLaunching(application, false); });
}

void MovieHost::slotGlintInit(bool app, int windowDraggerHeight, int closeBoxLeft, int closeBoxTop,
                              int closeBoxRight, int closeBoxBottom)
{
    record(QStringLiteral("WelcomeScreen_ContainerInitialized"),
           {app, windowDraggerHeight, closeBoxLeft, closeBoxTop, closeBoxRight, closeBoxBottom});
    m_draggerHeight = windowDraggerHeight;
    m_closeBox = QRect(QPoint(closeBoxLeft, closeBoxTop), QPoint(closeBoxRight, closeBoxBottom));
    m_initialised = true;
    runSetUp();
}

void MovieHost::slotShowWindow(bool success)
{
    record(QStringLiteral("WelcomeScreen_ContainerShowWindow"), {success});
    QSize size = m_container->requestedSize();
    if (size.height() == 375)
        size.setHeight(481);
    m_container->resize(size);
    setFixedSize(m_container->geometry().size());
    m_container->show();
    show();
}

void MovieHost::slotGlintRequestAppClose()
{
    record(QStringLiteral("WelcomeScreen_RequestAppClose"));
    requestClose();
}

void MovieHost::slotWelcomeScreen_SetPodGeometry(int x, int y, int width, int height)
{
    record(QStringLiteral("WelcomeScreen_SetPodGeometry"), {x, y, width, height});
    if (!m_podPlayer)
        return;
    m_podRect = QRect(x, y, width, height);
    m_podPlayer->setGeometry(m_podRect);
    m_podGeometrySet = true;
    m_podPlayer->show();
    m_podPlayer->raise();
}

void MovieHost::slotDynamicPodContainer_initModel(const QString &modelData)
{
    record(QStringLiteral("dynamicPodContainer_initModel"), {modelData});
    callMovie("dynamicPodContainer_initModel", {modelData});
}

void MovieHost::slotWelcomeScreenHost_showPod(bool show)
{
    record(QStringLiteral("WelcomeScreenHost_showPod"), {show});
    if (m_podPlayer && m_podGeometrySet)
        m_podPlayer->setVisible(show);
}

void MovieHost::slotGlintMouseDownEvent()
{
    record(QStringLiteral("WelcomeScreen_MouseDownInDragger"));
    m_dragStartCursor = QCursor::pos();
    m_dragStartWindow = mapToGlobal(QPoint(0, 0));
    m_dragTimer->start();
}

void MovieHost::slotGlintMouseUpEvent()
{
    record(QStringLiteral("WelcomeScreen_MouseUpInDragger"));
    m_dragTimer->stop();
}

void MovieHost::slotGlintMouseMoveEvent(int globalX, int globalY)
{
    record(QStringLiteral("WelcomeScreen_MouseMoveInDragger"), {globalX, globalY});
    move(m_dragStartWindow + QPoint(globalX, globalY) - m_dragStartCursor);
}

void MovieHost::dragTick()
{
    move(m_dragStartWindow + QCursor::pos() - m_dragStartCursor);
}

void MovieHost::slotGlintUpdateStartupApp(int startupApp)
{
    record(QStringLiteral("WelcomeScreen_UpdateStartupApp"), {startupApp});
}

void MovieHost::slotGlintRequestOrganizer()
{
    record(QStringLiteral("WelcomeScreen_RequestOrganizer"));
    simulateLaunch(Organizer);
}

void MovieHost::slotGlintRequestEditor()
{
    record(QStringLiteral("WelcomeScreen_RequestEditor"));
    simulateLaunch(Editor);
}

void MovieHost::slotGlintRequestCreate()
{
    record(QStringLiteral("WelcomeScreen_RequestCreate"));
}

void MovieHost::slotGlintRequestSharing()
{
    record(QStringLiteral("WelcomeScreen_RequestSharing"));
}

void MovieHost::slotGlintRequestBackupSettings()
{
    record(QStringLiteral("WelcomeScreen_RequestBackupSettings"));
}

void MovieHost::slotInvokeAction(const QString &action)
{
    record(QStringLiteral("invokeAction"), {action});
}

void MovieHost::slotGlintRequestSafeToQuit()
{
    record(QStringLiteral("WelcomeScreen_SafeToQuit"));
    requestClose();
}

void MovieHost::slotSetQuickLaunchApp(int app)
{
    record(QStringLiteral("WSSetQuickLaunchApp"), {app});
}

void MovieHost::slotWelcomeScreenSetHiddenByAlert()
{
    record(QStringLiteral("WelcomeScreenSetHiddenByAlert"));
    hideByAlert();
}

void MovieHost::slotResizePlayer(int height)
{
    record(QStringLiteral("slotResizePlayer"), {height});
    m_container->resize(m_container->width(), m_container->height() - 3);
    setFixedSize(m_container->geometry().size());
}

void MovieHost::slotOpenSettingsDialog()
{
    record(QStringLiteral("slotOpenSettingsDialog"));
}

void MovieHost::slotDumpQuillonLog(const QString &text)
{
    record(QStringLiteral("dumpQuillonLog"), {text});
}

void MovieHost::slotPodPlayer_resize(int width, int height)
{
    record(QStringLiteral("PodPlayer_resize"), {width, height});
    if (m_podPlayer)
        m_podPlayer->resize(width, height);
}

void MovieHost::slotPodPlayer_Created()
{
    record(QStringLiteral("PodPlayer_Created"));
    m_podPlayerCreated = true;
    runSetUp();
}

void MovieHost::slotPodEventDispatched(const QString &type, const QString &otherData)
{
    record(QStringLiteral("PodEventDispatched"), {type, otherData});
    callMovie("WelcomeScreen_PodEventDispatched", {type, otherData});
}

void MovieHost::slotSetCurrentDynamicPodFileName(const QString &podFileName)
{
    record(QStringLiteral("WS_SetCurrentDynamicPodFileName"), {podFileName});
    m_settings.lastShownPod = podFileName;
    if (!podFileName.isEmpty())
        callMovie("logMessagePodEvent", {podFileName, QStringLiteral("view")});
}
