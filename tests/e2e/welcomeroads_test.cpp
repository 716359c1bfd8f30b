// The roads through the Welcome Screen as a person takes them: the real launcher on its own X
// server with a window manager, the Organizer and Editor stand-ins registered in a temporary
// set-up, and clicks with xdotool on the controls the movie draws.

#include "platform/registry/ptsettings.h"
#include "tests/e2e/e2esession.h"
#include "tests/e2e/e2ewait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace std::chrono_literals;

namespace {

constexpr auto kWindowTimeout = 20s;
constexpr auto kSetUpTimeout = 20s;
constexpr auto kLaunchTimeout = 30s;
constexpr auto kExitTimeout = 20s;

const QString kWelcomeScreenKey =
    QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");

// Points inside the movie's controls, in window coordinates. The two tiles sit side by side
// from x 40 at y 128 to 360; these points lie inside them with and without the pod area.
const QPoint kOrganizerTile(150, 244);
const QPoint kEditorTile(480, 244);
const QPoint kDragger(400, 20);
// The "Share" entry, second of the entries row at y 374.
const QPoint kShareEntry(168, 389);
// The launch-preferences button, right-aligned in the footer.
const QPoint kPreferencesButton(822, 512);

QString buildFolder()
{
    // The launcher is build/source/PixtrelOrvana.
    return QFileInfo(QStringLiteral(TESSALY_LAUNCHER_PATH)).absolutePath() + QStringLiteral("/..");
}

QString standInPath(const char *folder, const char *program)
{
    return QDir::cleanPath(buildFolder() + QStringLiteral("/apps/") + QLatin1String(folder) + u'/' +
                           QLatin1String(program));
}

QString capsToolPath()
{
    return QDir::cleanPath(buildFolder() + QStringLiteral("/tools/caps-tool/caps-tool"));
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class WelcomeRoads : public E2eSession
{
protected:
    enum class App { Organizer, Editor };

    void SetUp() override
    {
        for (const QString &program :
             {standInPath("organizer", "PixtrelOrvanaOrganizer"),
              standInPath("editor", "PixtrelOrvanaEditor"), capsToolPath()}) {
            if (!QFileInfo(program).isExecutable())
                GTEST_SKIP() << "not built: " << program.toStdString();
        }
        E2eSession::SetUp();
        m_peerLog = testEnvironment().root() + QStringLiteral("/peer.log");
    }

    // Installs the stand-in behind a small program of the installation folder that notes each
    // start (its argument count) and passes the extra options on.
    void install(App app, const QStringList &extraOptions)
    {
        const bool organizer = app == App::Organizer;
        const QString folder = testEnvironment().root() + (organizer ? QStringLiteral("/organizer")
                                                                     : QStringLiteral("/editor"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString name = organizer ? QStringLiteral("PixtrelOrvanaOrganizer")
                                       : QStringLiteral("PixtrelOrvanaEditor");
        const QString real = organizer ? standInPath("organizer", "PixtrelOrvanaOrganizer")
                                       : standInPath("editor", "PixtrelOrvanaEditor");
        const QString program = folder + u'/' + name;
        QFile file(program);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$#\" >> \"$0.starts\"\nexec '" + real.toUtf8() + "' \"$@\" " +
                   extraOptions.join(u' ').toUtf8() + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        PtSettingsLM settings(
            organizer ? QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\ApplicationPath")
                      : QStringLiteral("Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath"));
        settings.setValue(QStringLiteral("Default"), folder);
        settings.sync();

        QProcess caps;
        caps.start(capsToolPath(), {QStringLiteral("register"),
                                    organizer ? QStringLiteral("pxoorganizer-11.0")
                                              : QStringLiteral("pxoeditor-11.0"),
                                    QStringLiteral("--path"), program});
        ASSERT_TRUE(caps.waitForFinished(20000));
        ASSERT_EQ(caps.exitCode(), 0) << caps.readAllStandardError().toStdString();
        (organizer ? m_organizerStarts : m_editorStarts) = program + QStringLiteral(".starts");
    }

    // The launcher with its Welcome Screen on screen and the movie set up.
    E2eProcess &startWelcome()
    {
        Options options;
        options.loggingRules = QStringLiteral("tessaly.launcher.debug=true");
        options.environment.insert(QStringLiteral("TESSALY_PEER_LOG"), m_peerLog);
        E2eProcess &launcher = startLauncher(QStringLiteral("launcher"), options);
        m_window = waitForLauncherWindow(launcher, kWindowTimeout);
        EXPECT_TRUE(m_window.has_value()) << launcher.describe().toStdString();
        EXPECT_TRUE(waitForMovieCall(launcher,
                                     QStringLiteral("WelcomScreenHost_setDynamicContentFileList("),
                                     kSetUpTimeout));
        // Let the first frames reach the screen before anything is clicked.
        E2eWait::until([] { return false; }, 700ms);
        return launcher;
    }

    static QStringList movieCalls(const E2eProcess &launcher)
    {
        QStringList calls;
        for (const QString &trace : launcher.traces(QStringLiteral("tessaly.launcher"))) {
            if (trace.startsWith(QLatin1String("movie call ")))
                calls << trace.mid(11);
        }
        return calls;
    }

    static bool waitForMovieCall(E2eProcess &launcher, const QString &start,
                                 std::chrono::milliseconds timeout)
    {
        return launcher.waitUntil(
            [&] {
                for (const QString &call : movieCalls(launcher)) {
                    if (call.startsWith(start))
                        return true;
                }
                return false;
            },
            timeout);
    }

    bool xdotool(const QStringList &arguments, QString *output = nullptr)
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool done = tool.waitForFinished(10000) && tool.exitCode() == 0;
        if (output)
            *output = QString::fromUtf8(tool.readAllStandardOutput());
        return done;
    }

    bool click(QPoint point)
    {
        const QString window = QString::number(m_window ? m_window->id : 0);
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                        QString::number(point.x()), QString::number(point.y()),
                        QStringLiteral("click"), QStringLiteral("1")});
    }

    bool peerReceived(const QString &script, std::chrono::milliseconds timeout)
    {
        return E2eWait::until([&] { return readFile(m_peerLog).contains(script); }, timeout);
    }

    QStringList starts(App app) const
    {
        return readFile(app == App::Organizer ? m_organizerStarts : m_editorStarts)
            .split(u'\n', Qt::SkipEmptyParts);
    }

    // Where the window is on the screen ("X=" and "Y=" of xdotool's geometry).
    QPoint windowPosition()
    {
        QString output;
        if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                      QString::number(m_window->id)},
                     &output))
            return QPoint(-1, -1);
        QPoint position(-1, -1);
        for (const QString &line : output.split(u'\n')) {
            if (line.startsWith(QLatin1String("X=")))
                position.setX(line.mid(2).toInt());
            else if (line.startsWith(QLatin1String("Y=")))
                position.setY(line.mid(2).toInt());
        }
        return position;
    }

    QString m_peerLog;
    QString m_organizerStarts;
    QString m_editorStarts;
    std::optional<DesktopWindow> m_window;
};

// Guards against a step of the road of one request going missing: the click, the launching
// state, the script, the status texts and the confirmation that closes the Welcome Screen.
TEST_F(WelcomeRoads, OrganizerRequestLaunchesAndClosesOnConfirmation)
{
    install(App::Organizer, {QStringLiteral("--startup-delay-ms"), QStringLiteral("1500")});
    {
        // The user took part in usage logging, so the launch request is recorded.
        PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\CommonFiles\\Usage\\Orvana11"));
        settings.setValue(QStringLiteral("OptIn"), 1);
        settings.sync();
    }
    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kOrganizerTile));
    ASSERT_TRUE(
        waitForMovieCall(launcher, QStringLiteral("WSHostSetOrganizerLaunching(true)"), 10s))
        << movieCalls(launcher).join(u'\n').toStdString();
    EXPECT_TRUE(
        peerReceived(QStringLiteral("open('organizeTab', 'requestFromWS');"), kLaunchTimeout))
        << readFile(m_peerLog).toStdString();
    EXPECT_TRUE(waitForMovieCall(
        launcher, QStringLiteral("WelcomeScreen_OrganizerSplashStatus(\"messaging\")"),
        kLaunchTimeout));
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout)) << launcher.describe().toStdString();
    EXPECT_EQ(launcher.exitCode(), 0);
    const QStringList calls = movieCalls(launcher);
    EXPECT_TRUE(calls.contains(QStringLiteral("WSHostSetOrganizerLaunching(false)")));
    QString records;
    const QDir usage(testEnvironment().dataHome() + QStringLiteral("/tessaly/usage/Orvana11"));
    for (const QString &name : usage.entryList({QStringLiteral("events-*.jsonl")}, QDir::Files))
        records += readFile(usage.filePath(name));
    EXPECT_TRUE(records.contains(QLatin1String("launchOrganizer"))) << records.toStdString();
    // Started once, by the messaging component: "-noparams" starts it without arguments.
    EXPECT_EQ(starts(App::Organizer), QStringList{QStringLiteral("0")});
}

// Guards against the Welcome Screen closing under a user who moved it while the Organizer came up.
TEST_F(WelcomeRoads, DragBeforeConfirmationKeepsTheScreenOpen)
{
    install(App::Organizer, {QStringLiteral("--startup-delay-ms"), QStringLiteral("5000")});
    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kOrganizerTile));
    ASSERT_TRUE(
        waitForMovieCall(launcher, QStringLiteral("WSHostSetOrganizerLaunching(true)"), 10s));
    const QPoint before = windowPosition();
    const QString window = QString::number(m_window->id);
    ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QString::number(kDragger.x()), QString::number(kDragger.y()),
                         QStringLiteral("mousedown"), QStringLiteral("1")}));
    // The drag starts from where the pointer is when the movie has reported the press.
    E2eWait::until([] { return false; }, 400ms);
    for (int step = 1; step <= 6; ++step) {
        xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("10"),
                 QStringLiteral("8")});
        E2eWait::until([] { return false; }, 30ms);
    }
    ASSERT_TRUE(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    EXPECT_TRUE(E2eWait::until([&] { return windowPosition() == before + QPoint(60, 48); }, 3s))
        << windowPosition().x() << "," << windowPosition().y();

    ASSERT_TRUE(waitForMovieCall(launcher, QStringLiteral("WSHostSetOrganizerLaunching(false)"),
                                 kLaunchTimeout))
        << movieCalls(launcher).join(u'\n').toStdString();
    EXPECT_FALSE(launcher.waitForExit(1500ms));
    EXPECT_TRUE(display().waitForWindow(launcherWindowTitle(), launcher.pid(), 1s).has_value());
    display().close(m_window->id);
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout));
    EXPECT_EQ(launcher.exitCode(), 0);
}

// Guards against a running Organizer getting a script, or the Welcome Screen staying open.
TEST_F(WelcomeRoads, RunningOrganizerIsStartedAgainAndTheScreenCloses)
{
    install(App::Organizer, {});
    Options byHand;
    byHand.environment.insert(QStringLiteral("TESSALY_PEER_LOG"), m_peerLog);
    startProgram(QStringLiteral("organizer"),
                 testEnvironment().root() + QStringLiteral("/organizer/PixtrelOrvanaOrganizer"),
                 byHand);
    ASSERT_TRUE(E2eWait::until([&] { return starts(App::Organizer).size() == 1; }, 10s));
    // Running once its endpoint is open and its window is up.
    E2eWait::until([] { return false; }, 1500ms);

    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kOrganizerTile));
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout)) << launcher.describe().toStdString();
    EXPECT_EQ(launcher.exitCode(), 0);
    ASSERT_TRUE(E2eWait::until([&] { return starts(App::Organizer).size() == 2; }, 10s));
    EXPECT_EQ(starts(App::Organizer).at(1), QStringLiteral("0"));
    E2eWait::until([] { return false; }, 500ms);
    EXPECT_FALSE(readFile(m_peerLog).contains(QLatin1String("requestFromWS")))
        << readFile(m_peerLog).toStdString();
    EXPECT_FALSE(
        movieCalls(launcher).contains(QStringLiteral("WSHostSetOrganizerLaunching(true)")));
}

// Guards against the Editor's launch hanging when the Editor never confirms: its status is
// polled until it is idle, the movie is told, and the window closes.
TEST_F(WelcomeRoads, EditorRequestPollsUntilIdleAndCloses)
{
    install(App::Editor, {QStringLiteral("--never-confirm"), QStringLiteral("--startup-delay-ms"),
                          QStringLiteral("1500")});
    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kEditorTile));
    ASSERT_TRUE(waitForMovieCall(launcher, QStringLiteral("WSHostSetEditorLaunching(true)"), 10s));
    EXPECT_TRUE(peerReceived(QStringLiteral("new_file('previous');"), kLaunchTimeout))
        << readFile(m_peerLog).toStdString();
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout)) << launcher.describe().toStdString();
    EXPECT_EQ(launcher.exitCode(), 0);
    EXPECT_TRUE(movieCalls(launcher).contains(QStringLiteral("WSHostSetEditorLaunching(false)")));
    int polls = 0;
    for (const QString &trace : launcher.traces(QStringLiteral("tessaly.launcher")))
        polls += trace.startsWith(QLatin1String("editor status ")) ? 1 : 0;
    EXPECT_GE(polls, 2);
}

// Guards against the launch preferences opened from the movie not showing the stored choice.
TEST_F(WelcomeRoads, LaunchPreferencesShowTheStoredEditorChoice)
{
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        settings.setValue(QStringLiteral("QuickLaunchApp"), 2);
        settings.sync();
    }
    // A start without files would go straight to the Editor: keep the Welcome Screen.
    E2eProcess &launcher = startLauncher(QStringLiteral("launcher"),
                                         Options{{QStringLiteral("-noSubLaunch")},
                                                 {{QStringLiteral("TESSALY_PEER_LOG"), m_peerLog}},
                                                 {},
                                                 QStringLiteral("tessaly.launcher.debug=true"),
                                                 {}});
    m_window = waitForLauncherWindow(launcher, kWindowTimeout);
    ASSERT_TRUE(m_window) << launcher.describe().toStdString();
    ASSERT_TRUE(waitForMovieCall(
        launcher, QStringLiteral("WelcomScreenHost_setDynamicContentFileList("), kSetUpTimeout));
    E2eWait::until([] { return false; }, 700ms);
    ASSERT_TRUE(click(kPreferencesButton));
    const auto dialog =
        display().waitForWindow(QStringLiteral("Launch Preferences"), launcher.pid(), 10s);
    ASSERT_TRUE(dialog.has_value()) << launcher.describe().toStdString();
    // The dialog read 2; what it stores on OK is the button it shows checked.
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        settings.setValue(QStringLiteral("QuickLaunchApp"), 0);
        settings.sync();
    }
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(dialog->id)}));
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(dialog->id)}));
    // Typed as a user types, to the focused dialog. A key sent to the dialog's window would fail
    // on its release when the press has already closed the dialog.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    EXPECT_TRUE(E2eWait::until(
        [&] {
            PtSettingsCU settings(kWelcomeScreenKey);
            return settings.value(QStringLiteral("QuickLaunchApp"), -1).toInt() == 2;
        },
        10s));
    display().close(m_window->id);
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout));
    EXPECT_EQ(launcher.exitCode(), 0);
}

// Guards against the share entry not reaching the Organizer (started for it) or closing the
// Welcome Screen, which stays for the next choice.
TEST_F(WelcomeRoads, ShareEntrySendsTheShareScript)
{
    install(App::Organizer, {});
    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kShareEntry));
    EXPECT_TRUE(peerReceived(QStringLiteral("open('shareTab', 'requestFromWS');"), kLaunchTimeout))
        << readFile(m_peerLog).toStdString();
    EXPECT_FALSE(launcher.waitForExit(1s));
    EXPECT_FALSE(
        movieCalls(launcher).contains(QStringLiteral("WSHostSetOrganizerLaunching(true)")));
    display().close(m_window->id);
    ASSERT_TRUE(launcher.waitForExit(kExitTimeout));
    EXPECT_EQ(launcher.exitCode(), 0);
}
