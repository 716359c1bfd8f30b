// The launcher as a messaging endpoint, with the real launcher and the Organizer and Editor
// stand-ins: the start-up script each start-up choice and command line sends, the box when a
// send fails, and what the sub-applications' messages make the launcher do.

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "platform/registry/ptsettings.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/e2e/e2esession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QProcess>

#include <csignal>

using namespace std::chrono_literals;
using CrosswireTest::RecordingHandler;
using KnObjects::CrosswireContext;

namespace {

// The first response of `type` the recorder saw (a default entry when none came).
RecordingHandler::Entry entryOf(const RecordingHandler &recorder, const QByteArray &type)
{
    for (const auto &entry : recorder.entries()) {
        if (entry.type == type)
            return entry;
    }
    return {};
}

constexpr auto scriptTimeout = 30s;
constexpr auto windowTimeout = 20s;
const QString kOrganizeScript = QStringLiteral("open('organizeTab', 'requestFromWS');");

QByteArray unescapePeerLine(const QByteArray &line)
{
    QByteArray out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += line[i];
        }
    }
    return out;
}

} // namespace

class Dispatch : public E2eSession
{
protected:
    void SetUp() override
    {
        E2eSession::SetUp();
        m_peerLog = testEnvironment().root() + QStringLiteral("/peer.log");
    }

    void TearDown() override
    {
        // The stand-ins were started by the launcher, not by the session: end them here.
        for (const DesktopWindow &window :
             display().windows([](const DesktopWindow &) { return true; })) {
            const QString exe =
                QFileInfo(QStringLiteral("/proc/%1/exe").arg(window.pid)).symLinkTarget();
            if (window.pid > 0 && (exe.endsWith(QStringLiteral("/PixtrelOrvanaOrganizer")) ||
                                   exe.endsWith(QStringLiteral("/PixtrelOrvanaEditor"))))
                ::kill(pid_t(window.pid), SIGTERM);
        }
        E2eSession::TearDown();
    }

    static QString standIn(const char *relative)
    {
        return QStringLiteral(TESSALY_BINARY_DIR) + QLatin1Char('/') + QLatin1String(relative);
    }

    // Registers the stand-ins in the session's configuration database, as an install does.
    void registerStandIns(bool organizer = true, bool editor = true)
    {
        const auto registerOne = [&](const char *specifier, const QString &path) {
            QProcess tool;
            tool.setProcessEnvironment(environment());
            tool.start(QStringLiteral(TESSALY_BINARY_DIR) +
                           QStringLiteral("/tools/caps-tool/caps-tool"),
                       {QStringLiteral("register"), QLatin1String(specifier),
                        QStringLiteral("--path"), path});
            ASSERT_TRUE(tool.waitForFinished(30000));
            ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        };
        if (organizer)
            registerOne("pxoorganizer-11.0", standIn("apps/organizer/PixtrelOrvanaOrganizer"));
        if (editor)
            registerOne("pxoeditor-11.0", standIn("apps/editor/PixtrelOrvanaEditor"));
    }

    void setStartupChoice(int value)
    {
        PtSettingsCU settings(
            QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen"));
        settings.setValue(QStringLiteral("QuickLaunchApp"), value);
        settings.sync();
    }

    E2eProcess &launch(const QString &label, const QStringList &arguments = {})
    {
        Options options;
        options.arguments = arguments;
        options.environment.insert(QStringLiteral("TESSALY_PEER_LOG"), m_peerLog);
        // The first-launch service commands must not reach the user's own service manager.
        options.environment.insert(QStringLiteral("TESSALY_SERVICE_CONTROL"),
                                   QStringLiteral("/bin/true"));
        options.loggingRules = QStringLiteral("tessaly.launcher.debug=true");
        return startLauncher(label, options);
    }

    // The scripts the stand-ins received, in order.
    QList<QByteArray> peerScripts() const
    {
        QFile file(m_peerLog);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> scripts;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                scripts.append(unescapePeerLine(line));
        }
        return scripts;
    }

    bool waitForScripts(E2eProcess &launcher, int count)
    {
        return launcher.waitUntil([&] { return peerScripts().size() >= count; }, scriptTimeout) ||
               peerScripts().size() >= count;
    }

    // Whether the launcher shows its window within a while (a hidden launcher never does).
    bool launcherWindowShown(const E2eProcess &launcher)
    {
        return waitForLauncherWindow(launcher, 2s).has_value();
    }

    QString makeFile(const QString &name)
    {
        const QString path = testEnvironment().root() + QStringLiteral("/files/") + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        return path;
    }

    // A messaging peer in this test process, talking to the running launcher.
    std::unique_ptr<CrosswireContext> openPeer(const QByteArray &specifier)
    {
        KnObjects::CrosswireIdentity::clearCache();
        auto peer = std::make_unique<CrosswireContext>(CrosswireTest::identity());
        EXPECT_TRUE(peer->init(specifier));
        return peer;
    }

    // Sends `body` to the launcher; the recorder sees the Result the launcher answers.
    std::shared_ptr<RecordingHandler> sendToLauncher(CrosswireContext &peer, const QByteArray &body)
    {
        KnObjects::Crosswire::Message message;
        message.target = "pxolauncher-11.0";
        message.body = body;
        message.responseRequest = "Result";
        message.serialNumber = peer.nextSerialNumber();
        auto results = std::make_shared<RecordingHandler>("Scriptara", message.serialNumber);
        peer.addHandler(results);
        EXPECT_TRUE(peer.send(message));
        return results;
    }

    bool pumpUntil(CrosswireContext &peer, E2eProcess &launcher, const std::function<bool()> &done)
    {
        return launcher.waitUntil(
            [&] {
                peer.pump();
                return done();
            },
            scriptTimeout);
    }

    QString m_peerLog;
};

TEST_F(Dispatch, OrganizerChoiceStartsTheOrganizerWithItsScriptAndStaysHidden)
{
    registerStandIns();
    setStartupChoice(1);
    E2eProcess &launcher = launch(QStringLiteral("organizer"));
    ASSERT_TRUE(waitForScripts(launcher, 1)) << launcher.describe().toStdString();
    EXPECT_EQ(peerScripts(), QList<QByteArray>{kOrganizeScript.toUtf8()});
    EXPECT_TRUE(launcher.traces(QStringLiteral("tessaly.launcher"))
                    .contains(QStringLiteral("start-up choice: 1")));
    EXPECT_TRUE(launcher.isRunning());
    EXPECT_FALSE(launcherWindowShown(launcher));
    EXPECT_TRUE(launcher.messageBoxes().isEmpty());
}

TEST_F(Dispatch, WelcomeChoiceWithTwoFilesHandsThemToTheEditor)
{
    registerStandIns();
    setStartupChoice(0);
    const QString x = makeFile(QStringLiteral("a/x.jpg"));
    const QString y = makeFile(QStringLiteral("b/y.png"));
    E2eProcess &launcher = launch(
        QStringLiteral("files"), {x, testEnvironment().root() + QStringLiteral("/missing.jpg"), y});
    ASSERT_TRUE(waitForScripts(launcher, 1)) << launcher.describe().toStdString();
    const QByteArray expected =
        "var a = new Array ('" + x.toUtf8() + "','" + y.toUtf8() + "');new_file('quick',a);";
    EXPECT_EQ(peerScripts(), QList<QByteArray>{expected});
    EXPECT_FALSE(launcherWindowShown(launcher));
}

TEST_F(Dispatch, EditorChoiceWithoutFilesSendsAnEmptyArray)
{
    registerStandIns();
    setStartupChoice(2);
    E2eProcess &launcher = launch(QStringLiteral("editor"));
    ASSERT_TRUE(waitForScripts(launcher, 1)) << launcher.describe().toStdString();
    EXPECT_EQ(peerScripts(), QList<QByteArray>{"var a = new Array ();new_file('quick',a);"});
}

TEST_F(Dispatch, NoSubLaunchSwitchSendsNothingAndShowsTheWelcomeScreen)
{
    registerStandIns();
    setStartupChoice(1);
    const QString x = makeFile(QStringLiteral("x.jpg"));
    struct Row
    {
        const char *label;
        QStringList arguments;
    };
    const Row rows[] = {{"first-capitals", {QStringLiteral("-NOSUBLAUNCH"), x}},
                        {"first", {QStringLiteral("-noSubLaunch")}},
                        {"later", {x, QStringLiteral("-nosublaunch")}}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        E2eProcess &launcher = launch(QLatin1String(row.label), row.arguments);
        const auto window = waitForLauncherWindow(launcher, windowTimeout);
        ASSERT_TRUE(window) << launcher.describe().toStdString();
        // A close that comes while the Welcome Screen is still setting up may be taken for
        // nothing; the user would click again.
        bool ended = false;
        for (int attempt = 0; attempt < 4 && !ended; ++attempt) {
            display().close(window->id);
            ended = launcher.waitForExit(5s);
        }
        ASSERT_TRUE(ended) << launcher.describe().toStdString();
        EXPECT_EQ(launcher.exitCode(), 0);
        // With sub-launching off the stored choice is not even read.
        for (const QString &trace : launcher.traces(QStringLiteral("tessaly.launcher")))
            EXPECT_FALSE(trace.startsWith(QStringLiteral("start-up choice")))
                << trace.toStdString();
    }
    EXPECT_TRUE(peerScripts().isEmpty());
}

// Guards against a file name running as script in the Editor.
TEST_F(Dispatch, AFileNameWithQuoteBackslashAndLineBreakArrivesAsThatFile)
{
    registerStandIns();
    setStartupChoice(0);
    const QString odd = makeFile(QStringLiteral("it's a \\ back\nslash.jpg"));
    E2eProcess &launcher = launch(QStringLiteral("odd"), {odd});
    ASSERT_TRUE(waitForScripts(launcher, 1)) << launcher.describe().toStdString();
    const QList<QByteArray> scripts = peerScripts();
    ASSERT_EQ(scripts.size(), 1);

    // What the Editor ran, evaluated again: one call with exactly that file, nothing else.
    QJSEngine engine;
    engine.evaluate(QStringLiteral("var calls = [];"
                                   "function new_file(kind, list) { calls.push([kind, list]); }"));
    const QJSValue outcome = engine.evaluate(QString::fromUtf8(scripts[0]));
    ASSERT_FALSE(outcome.isError()) << outcome.toString().toStdString();
    const QJSValue calls = engine.globalObject().property(QStringLiteral("calls"));
    ASSERT_EQ(calls.property(QStringLiteral("length")).toInt(), 1);
    EXPECT_EQ(calls.property(0).property(0).toString(), QStringLiteral("quick"));
    const QJSValue list = calls.property(0).property(1);
    ASSERT_EQ(list.property(QStringLiteral("length")).toInt(), 1);
    EXPECT_EQ(list.property(0).toString(), odd);
    EXPECT_FALSE(launcher.standardError().contains("failed:")) << launcher.describe().toStdString();
}

TEST_F(Dispatch, ASendThatFailsShowsTheBoxAndTheWelcomeScreen)
{
    // Nothing registered: the Organizer cannot be launched.
    setStartupChoice(1);
    E2eProcess &launcher = launch(QStringLiteral("failing"));
    const auto window = waitForLauncherWindow(launcher, windowTimeout);
    ASSERT_TRUE(window) << launcher.describe().toStdString();
    const auto boxes = launcher.messageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].value(QStringLiteral("icon")).toString(), QStringLiteral("warning"));
    EXPECT_EQ(boxes[0].value(QStringLiteral("title")).toString(),
              QStringLiteral("Error Launching Application"));
    EXPECT_EQ(boxes[0].value(QStringLiteral("text")).toString(),
              QStringLiteral("Could not launch Orvana Organizer 11.0. Launching the Welcome "
                             "application."));
    EXPECT_TRUE(peerScripts().isEmpty());
}

TEST_F(Dispatch, MessagesToTheLauncherCallItsComponent)
{
    E2eProcess &launcher = launch(QStringLiteral("component"));
    const auto window = waitForLauncherWindow(launcher, windowTimeout);
    ASSERT_TRUE(window) << launcher.describe().toStdString();
    auto editor = openPeer("pxoeditor-11.0");

    auto tester = sendToLauncher(*editor, "tester('x')");
    ASSERT_TRUE(pumpUntil(*editor, launcher, [&] { return tester->has("Result"); }))
        << launcher.describe().toStdString();
    EXPECT_EQ(entryOf(*tester, "Result").body, QByteArray("response('YAHOOO!');"));

    auto status = sendToLauncher(*editor, "notification('organizer:xyz')");
    ASSERT_TRUE(pumpUntil(*editor, launcher, [&] { return status->has("Result"); }));
    EXPECT_TRUE(launcher.traces(QStringLiteral("tessaly.launcher"))
                    .contains(QStringLiteral("sub-application status: organizer:xyz")))
        << launcher.describe().toStdString();

    // A window of another program covers the launcher and has the focus ...
    const quint32 cover = display().createWindow(QStringLiteral("cover"));
    display().desktop().activate(cover);
    ASSERT_TRUE(
        E2eDisplay::waitUntil([&] { return display().desktop().activeWindow() == cover; }, 10s));
    // ... until the Editor asks for the launcher.
    auto front = sendToLauncher(*editor, "notification('editor:bringToFront')");
    ASSERT_TRUE(pumpUntil(*editor, launcher, [&] { return front->has("Result"); }));
    EXPECT_TRUE(E2eDisplay::waitUntil(
        [&] { return display().desktop().activeWindow() == window->id; }, 10s));
    EXPECT_GT(display().stackingIndex(window->id), display().stackingIndex(cover));
    editor->terminate();
}
