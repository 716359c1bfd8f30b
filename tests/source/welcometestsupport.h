#pragma once

// Shared set-up of the Welcome widget tests: a fresh environment, the real main window around the
// widget, recording movies played by the real player, a messenger that records what would go to
// the sub-applications, and the message-box seam answering every box.

#include "platform/registry/ptsettings.h"
#include "source/launchercontext.h"
#include "source/launchermessagebox.h"
#include "source/ptlaunchercustomwindowwidget.h"
#include "source/subapplicationmessenger.h"
#include "source/welcomeglintcontainer.h"
#include "source/welcomewidget.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QVariant>
#include <QWindow>

#include <stdexcept>
#include <vector>

// Records the scripts and flushes the Welcome Screen hands to the messaging component, and
// answers its questions with what a test set.
class RecordingMessenger : public SubApplicationMessenger
{
public:
    struct Sent
    {
        SubApplication::Id target;
        QString script;
    };

    bool organizerRunning = false;
    bool editorRunning = false;
    QString organizerStatus;
    QString editorStatus;
    bool failSends = false;
    bool motivaInstalled = false;
    std::vector<Sent> sent;
    // What was sent before each flush, so a test sees that the flush came after the send.
    std::vector<std::size_t> flushes;
    int bringToFronts = 0;
    int statusQueries = 0;

    bool isRunning(SubApplication::Id id) override
    {
        return id == SubApplication::Organizer ? organizerRunning : editorRunning;
    }
    QString status(SubApplication::Id id) override
    {
        ++statusQueries;
        return id == SubApplication::Organizer ? organizerStatus : editorStatus;
    }
    void send(SubApplication::Id id, const QString &script) override
    {
        if (failSends)
            throw std::runtime_error("the messaging endpoint refused the message");
        sent.push_back({id, script});
    }
    void flushOutgoing() override { flushes.push_back(sent.size()); }
    void bringOrganizerToFront() override { ++bringToFronts; }
    bool isInstalled(const QByteArray &target) override
    {
        return motivaInstalled && target == "motivaorvana-11.0";
    }
};

// A container movie that records every movie function the host calls, as
// "name(arg, arg, ...)" with strings in double quotes, and calls host functions on request.
inline QByteArray recordingContainerMovie(int height)
{
    return QByteArray(R"qml(import QtQuick
Item {
    id: root
    objectName: "recordingContainer"
    implicitWidth: 640
    implicitHeight: )qml") +
           QByteArray::number(height) + QByteArray(R"qml(
    property var calls: []
    readonly property var functions: [
        "WelcomeScreenHost_setSplashScreenParams", "setClientId",
        "WelcomScreenHost_setLocaleString", "WelcomScreenHost_setStartupAppStrings",
        "WelcomScreenHost_setStartupApp", "WelcomScreenHost_setLaunchButtonStrings",
        "WelcomScreenHost_setMiniWelcomeScreenStrings", "WSHostSetLaunchNumber", "setPXO8UUID",
        "logWSLaunchEvent", "WelcomScreenHost_setDynamicContentFileList",
        "WSHostSetOrganizerLaunching", "WSHostSetEditorLaunching",
        "WelcomeScreen_OrganizerSplashStatus", "WelcomeScreen_EditorSplashStatus",
        "SetHiddenByAlert", "dynamicPodContainer_initModel", "WelcomeScreen_PodEventDispatched",
        "logMessagePodEvent"]
    function describe(value) {
        return typeof value === "string" ? "\"" + value + "\"" : String(value)
    }
    function record(name, args) {
        calls = calls.concat([name + "(" + args.map(describe).join(", ") + ")"])
    }
    function hostCall(name, args) {
        return ExternalInterface.call.apply(ExternalInterface, [name].concat(args))
    }
    Component.onCompleted: {
        functions.forEach(function(name) {
            ExternalInterface.addCallback(name, function() {
                root.record(name, Array.prototype.slice.call(arguments))
            })
        })
    }
}
)qml");
}

inline QByteArray recordingPodMovie()
{
    return QByteArray(R"qml(import QtQuick
Rectangle {
    objectName: "recordingPod"
    implicitWidth: 260
    implicitHeight: 300
    color: "#204060"
}
)qml");
}

class WelcomeWidgetTest : public ChromeTest
{
protected:
    void SetUp() override
    {
        ChromeTest::SetUp();
        m_environment = std::make_unique<TestEnvironment>();
        ASSERT_TRUE(m_assets.isValid());
        m_savedAssets = LauncherPaths::assetsDirectory();
        LauncherPaths::setAssetsDirectory(m_assets.path() + QStringLiteral("/"));
        SubApplicationMessenger::setCurrent(&messenger);
        LauncherMessageBox::setHandler([this](const LauncherMessageBox::Request &request) {
            boxes.push_back(request);
            return 0;
        });
        LauncherContext::setSubLaunched(false);
    }

    void TearDown() override
    {
        m_window.reset();
        LauncherContext::setSubLaunched(false);
        LauncherContext::setWelcomeWidget(nullptr);
        LauncherMessageBox::setHandler({});
        SubApplicationMessenger::setCurrent(nullptr);
        LauncherPaths::setAssetsDirectory(m_savedAssets);
        m_environment.reset();
        ChromeTest::TearDown();
    }

    void writeMovies(int height = 375, bool container = true, bool pod = true)
    {
        const QString folder = m_assets.path() + QStringLiteral("/Required/");
        ASSERT_TRUE(QDir().mkpath(folder));
        if (container)
            writeFile(folder + QStringLiteral("WelcomeScreenContainer.swf"),
                      recordingContainerMovie(height));
        if (pod)
            writeFile(folder + QStringLiteral("PodPlayer.swf"), recordingPodMovie());
    }

    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(content);
    }

    // The main window with its Welcome widget, the container movie loaded and answering.
    bool start(int startupApplication = 0)
    {
        if (!construct(startupApplication))
            return false;
        return waitFor([] { return movieRoot() != nullptr; }, 8000);
    }

    // The main window only, without waiting for the movie.
    bool construct(int startupApplication = 0)
    {
        m_window = std::make_unique<PtLauncherCustomWindowWidget>(
            startupApplication, false, nullptr, "pxo_3_launcher_window", false, 0);
        widget = qobject_cast<WelcomeWidget *>(m_window->welcomeWidget());
        return widget != nullptr;
    }

    PtLauncherCustomWindowWidget &window() { return *m_window; }
    void destroyWindow()
    {
        m_window.reset();
        widget = nullptr;
    }

    // An object of a movie by name: the movies' windows own their items.
    static QObject *movieItem(const QString &name)
    {
        for (QWindow *window : QGuiApplication::allWindows()) {
            if (QObject *found = window->findChild<QObject *>(name))
                return found;
        }
        return nullptr;
    }

    static QObject *movieRoot() { return movieItem(QStringLiteral("recordingContainer")); }

    // Calls a host function from the container movie, as a click in the movie would.
    static QVariant hostCall(const char *name, const QVariantList &arguments = {})
    {
        QVariant result;
        QObject *root = movieRoot();
        if (!root) {
            ADD_FAILURE() << "no container movie";
            return result;
        }
        QMetaObject::invokeMethod(root, "hostCall", Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, QString::fromLatin1(name)),
                                  Q_ARG(QVariant, QVariant(arguments)));
        return result;
    }

    // The movie functions the host has called so far.
    static QStringList movieCalls()
    {
        QObject *root = movieRoot();
        return root ? root->property("calls").toStringList() : QStringList();
    }
    static void clearMovieCalls()
    {
        if (QObject *root = movieRoot())
            root->setProperty("calls", QVariant(QStringList()));
    }
    static QStringList callNames()
    {
        QStringList names;
        for (const QString &call : movieCalls())
            names << call.left(call.indexOf(u'('));
        return names;
    }

    // Both movies report, as they do once loaded: the set-up runs.
    static void reportBothMovies()
    {
        hostCall("WelcomeScreen_ContainerInitialized", {true, 40, 822, 6, 851, 33});
        hostCall("PodPlayer_Created");
    }

    // Shows the window as the movie does once it knows its size.
    bool showWindow()
    {
        hostCall("WelcomeScreen_ContainerShowWindow", {true});
        return waitFor([this] { return m_window->isVisible(); });
    }

    bool windowClosed(int timeoutMs = 3000)
    {
        return waitFor([this] { return !m_window->isVisible(); }, timeoutMs);
    }

    RecordingMessenger messenger;
    std::vector<LauncherMessageBox::Request> boxes;
    WelcomeWidget *widget = nullptr;

private:
    std::unique_ptr<TestEnvironment> m_environment;
    QTemporaryDir m_assets;
    QString m_savedAssets;
    std::unique_ptr<PtLauncherCustomWindowWidget> m_window;
};
