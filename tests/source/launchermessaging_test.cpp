#include "source/launchercomponent.h"
#include "source/launchermessaging.h"

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/cwconnectorappinfo.h"
#include "crosswire/message.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include "platform/desktop/desktopconnection.h"

#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include "components/scriptruntime/scriptara/engine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using CrosswireTest::RecordingHandler;

// The first response of `type` the recorder saw (a default entry when none came).
RecordingHandler::Entry entryOf(const RecordingHandler &recorder, const QByteArray &type)
{
    for (const auto &entry : recorder.entries()) {
        if (entry.type == type)
            return entry;
    }
    return {};
}

using KnObjects::CrosswireContext;
using KnObjects::Crosswire::Message;

// Pumps the launcher and `peer` until `done` holds; a bound, never an expectation.
bool pumpBoth(CrosswireContext &peer, const std::function<bool()> &done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        LauncherMessaging::pump();
        peer.pump();
        QThread::msleep(5);
    }
    return done();
}

class LauncherMessagingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KnObjects::CrosswireIdentity::clearCache();
        ASSERT_TRUE(LauncherMessaging::initialize());
        Crosswire::LauncherComponent::setStatusHandler(
            [this](const QString &text) { statuses.append(text); });
    }

    void TearDown() override
    {
        Crosswire::LauncherComponent::setStatusHandler({});
        peer.reset();
        LauncherMessaging::terminate();
    }

    // Another application of the family in this process, answering at `specifier`.
    CrosswireContext &startPeer(const QByteArray &specifier)
    {
        peer = std::make_unique<CrosswireContext>(CrosswireTest::identity());
        EXPECT_TRUE(peer->init(specifier));
        peerScripts = std::make_shared<RecordingHandler>("Scriptara");
        peer->addHandler(peerScripts);
        return *peer;
    }

    // Sends `body` from the peer to the launcher asking for `responses`; returns the recorder
    // of what came back.
    std::shared_ptr<RecordingHandler> sendToLauncher(const QByteArray &body,
                                                     const QByteArray &responseType)
    {
        Message message;
        message.target = LauncherMessaging::kLauncherSpecifier;
        message.body = body;
        message.responseRequest = responseType;
        message.serialNumber = peer->nextSerialNumber();
        auto responses = std::make_shared<RecordingHandler>("Scriptara", message.serialNumber);
        peer->addHandler(responses);
        EXPECT_TRUE(peer->send(message));
        return responses;
    }

    TestEnvironment env;
    std::unique_ptr<CrosswireContext> peer;
    std::shared_ptr<RecordingHandler> peerScripts;
    QStringList statuses;
};

TEST_F(LauncherMessagingTest, EndpointIsTheLauncherSpecifier)
{
    ASSERT_NE(LauncherMessaging::context(), nullptr);
    EXPECT_EQ(LauncherMessaging::context()->ownSpecifier(), QByteArray("pxolauncher-11.0"));
    EXPECT_TRUE(LauncherMessaging::isInitialized());
}

TEST_F(LauncherMessagingTest, ScriptsReachTheRunningTargetAsTheyAre)
{
    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    const QString script = QStringLiteral("open('organizeTab', 'requestFromWS');\n// ü \\ done");
    LauncherMessaging::sendToOrganizer(script);
    ASSERT_TRUE(pumpBoth(organizer, [&] { return !peerScripts->entries().empty(); }));
    const auto entries = peerScripts->entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].body, script.toUtf8());
    EXPECT_EQ(entries[0].sender, QByteArray("pxolauncher-11.0"));
}

TEST_F(LauncherMessagingTest, EditorScriptsGoToTheEditorOnly)
{
    CrosswireContext &editor = startPeer("pxoeditor-11.0");
    LauncherMessaging::sendToEditor(QStringLiteral("var a = new Array ();new_file('quick',a);"));
    ASSERT_TRUE(pumpBoth(editor, [&] { return !peerScripts->entries().empty(); }));
    EXPECT_EQ(peerScripts->entries()[0].body,
              QByteArray("var a = new Array ();new_file('quick',a);"));
}

// Guards against a send the library refuses being reported as success (the launcher would then
// stay hidden, waiting for an application that never comes).
TEST_F(LauncherMessagingTest, SendToAnApplicationThatCannotBeLaunchedThrows)
{
    EXPECT_THROW(LauncherMessaging::sendToEditor(QStringLiteral("x();")), std::runtime_error);
    EXPECT_THROW(LauncherMessaging::sendToOrganizer(QStringLiteral("x();")), std::runtime_error);
}

TEST_F(LauncherMessagingTest, TesterIsAnsweredWithItsResult)
{
    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    auto results = sendToLauncher("tester('x')", "Result");
    ASSERT_TRUE(pumpBoth(organizer, [&] { return results->has("Result"); }));
    EXPECT_EQ(entryOf(*results, "Result").body, QByteArray("response('YAHOOO!');"));
}

// Guards against the script engine being made at start-up again (it holds up the first frame),
// or not being made when the first script arrives.
TEST_F(LauncherMessagingTest, FirstReceivedScriptMakesTheEngine)
{
    EXPECT_EQ(KnScript::Engine::getCurrent(), nullptr) << "engine made before any script";
    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    auto first = sendToLauncher("tester('a')", "Result");
    ASSERT_TRUE(pumpBoth(organizer, [&] { return first->has("Result"); }));
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    ASSERT_NE(engine, nullptr);
    auto second = sendToLauncher("tester('b')", "Result");
    ASSERT_TRUE(pumpBoth(organizer, [&] { return second->has("Result"); }));
    EXPECT_EQ(entryOf(*second, "Result").body, QByteArray("response('YAHOOO!');"));
    EXPECT_EQ(KnScript::Engine::getCurrent(), engine) << "a second engine for the second script";
}

TEST_F(LauncherMessagingTest, NotificationsReachTheStatusHandlerInOrder)
{
    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    sendToLauncher("notification('organizer:xyz');", "Result");
    auto last = sendToLauncher("notification('launched_organizer:ok');", "Result");
    ASSERT_TRUE(pumpBoth(organizer, [&] { return last->has("Result"); }));
    EXPECT_EQ(statuses, (QStringList{QStringLiteral("organizer:xyz"),
                                     QStringLiteral("launched_organizer:ok")}));
}

TEST_F(LauncherMessagingTest, ABodyThatIsNoScriptIsAnsweredWithAnError)
{
    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    auto errors = sendToLauncher("notification('unterminated", "Error");
    ASSERT_TRUE(pumpBoth(organizer, [&] { return errors->has("Error"); }));
    const auto entry = entryOf(*errors, "Error");
    EXPECT_FALSE(entry.errorCode.isEmpty());
    EXPECT_NE(entry.errorCode, QByteArray("0"));
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(LauncherMessagingTest, RunningAndStatusFollowTheTarget)
{
    EXPECT_FALSE(LauncherMessaging::isOrganizerRunning());
    EXPECT_TRUE(LauncherMessaging::organizerStatus().isEmpty());

    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    organizer.thread()->setValue("STATUS", "IDLE");
    EXPECT_TRUE(LauncherMessaging::isOrganizerRunning());
    EXPECT_FALSE(LauncherMessaging::isEditorRunning());
    EXPECT_EQ(LauncherMessaging::organizerStatus(), QStringLiteral("IDLE"));
    organizer.thread()->setValue("STATUS", "BUSY");
    EXPECT_EQ(LauncherMessaging::organizerStatus(), QStringLiteral("BUSY"));
    EXPECT_TRUE(LauncherMessaging::editorStatus().isEmpty());
}

TEST_F(LauncherMessagingTest, InstalledMeansResolvedAmongInstalledApplications)
{
    EXPECT_FALSE(LauncherMessaging::isEditorInstalled());
    EXPECT_FALSE(LauncherMessaging::isMotivaInstalled());
    ASSERT_NE(LauncherMessaging::connector(), nullptr);
    LauncherMessaging::connector()->installed().add(
        KnObjects::CWConnectorAppInfo("pxoeditor-11.0", "/opt/editor/PixtrelOrvanaEditor"));
    EXPECT_TRUE(LauncherMessaging::isEditorInstalled());
    EXPECT_FALSE(LauncherMessaging::isMotivaInstalled());
}

TEST_F(LauncherMessagingTest, FlushWithNothingQueuedDoesNotWait)
{
    EXPECT_EQ(LauncherMessaging::flushOutgoing(LauncherMessaging::kFlushMaxWaits,
                                               LauncherMessaging::kFlushWaitMs),
              0);
    EXPECT_TRUE(LauncherMessaging::flushOutgoing());
}

TEST_F(LauncherMessagingTest, FlushWaitsUntilAQueuedMessageIsDelivered)
{
    KnObjects::CrosswireEndpoint *endpoint = LauncherMessaging::context()->mainEndpoint();
    auto message = std::make_unique<Message>();
    message->target = "pxoorganizer-11.0";
    message->sender = "pxolauncher-11.0";
    message->body = "late();";
    message->serialNumber = LauncherMessaging::context()->nextSerialNumber();
    ASSERT_TRUE(endpoint->outgoing().add(std::move(message)));

    // Nobody reads: the flush gives up after its rounds and the message stays queued.
    EXPECT_GE(LauncherMessaging::flushOutgoing(3, 20), 1);
    EXPECT_FALSE(endpoint->outgoing().isEmpty());

    CrosswireContext &organizer = startPeer("pxoorganizer-11.0");
    const int waits = LauncherMessaging::flushOutgoing(LauncherMessaging::kFlushMaxWaits,
                                                       LauncherMessaging::kFlushWaitMs);
    EXPECT_LT(waits, LauncherMessaging::kFlushMaxWaits);
    EXPECT_TRUE(endpoint->outgoing().isEmpty());
    ASSERT_TRUE(pumpBoth(organizer, [&] { return !peerScripts->entries().empty(); }));
    EXPECT_EQ(peerScripts->entries()[0].body, QByteArray("late();"));
}

// Sets WM_CLASS of a window of this process, so two windows of one program can be told apart.
void setWindowClass(QWidget &window, const QByteArray &className)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    const QByteArray value = "organizer" + QByteArray(1, '\0') + className + QByteArray(1, '\0');
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()),
                        XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, uint32_t(value.size()),
                        value.constData());
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

bool processEventsUntil(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return condition();
}

TEST_F(LauncherMessagingTest, BringOrganizerToFrontActivatesTheWindowOfItsRegisteredClass)
{
    QWidget organizerWindow;
    organizerWindow.setWindowTitle(QStringLiteral("organizer"));
    organizerWindow.show();
    setWindowClass(organizerWindow, "BenchOrganizerClass");
    QWidget cover;
    cover.setWindowTitle(QStringLiteral("cover"));
    cover.show();
    cover.activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return cover.isActiveWindow(); }));

    // Not registered: nothing is brought to the front.
    LauncherMessaging::bringOrganizerToFront();
    processEventsUntil([] { return false; }, 300);
    EXPECT_TRUE(cover.isActiveWindow());
    EXPECT_FALSE(organizerWindow.isActiveWindow());

    KnObjects::CWConnectorAppInfo record("pxoorganizer-11.0", "/opt/organizer/Organizer");
    record.setValue(KnObjects::CWConnectorAppInfo::WindowClassName, "benchorganizerclass");
    LauncherMessaging::connector()->installed().add(record);
    LauncherMessaging::bringOrganizerToFront();
    EXPECT_TRUE(processEventsUntil([&] { return organizerWindow.isActiveWindow(); }));
}

TEST(LauncherMessagingUninitialised, SendsThrowAndQueriesAnswerNothing)
{
    TestEnvironment env;
    ASSERT_FALSE(LauncherMessaging::isInitialized());
    EXPECT_THROW(LauncherMessaging::sendToOrganizer(QStringLiteral("x();")), std::runtime_error);
    EXPECT_THROW(LauncherMessaging::sendToEditor(QStringLiteral("x();")), std::runtime_error);
    EXPECT_FALSE(LauncherMessaging::isOrganizerRunning());
    EXPECT_FALSE(LauncherMessaging::isEditorRunning());
    EXPECT_TRUE(LauncherMessaging::organizerStatus().isEmpty());
    EXPECT_FALSE(LauncherMessaging::isEditorInstalled());
    EXPECT_EQ(LauncherMessaging::flushOutgoing(3, 10), 0);
    LauncherMessaging::pump();
    LauncherMessaging::bringOrganizerToFront();
    LauncherMessaging::terminate();
}

// Guards against a launcher whose endpoint could not open crashing on its first send.
TEST(LauncherMessagingLifecycle, WithoutAnEndpointSendsThrowAndScriptsStillRun)
{
    TestEnvironment env;
    KnObjects::CrosswireIdentity::clearCache();
    // A file where the mailslot folder belongs: no endpoint can open.
    ASSERT_TRUE(QDir().mkpath(env.runtimeDir() + QStringLiteral("/tessaly")));
    QFile blocker(env.runtimeDir() + QStringLiteral("/tessaly/mailslots"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_FALSE(LauncherMessaging::initialize());
    EXPECT_FALSE(LauncherMessaging::isInitialized());
    EXPECT_THROW(LauncherMessaging::sendToOrganizer(QStringLiteral("x();")), std::runtime_error);
    EXPECT_FALSE(LauncherMessaging::isOrganizerRunning());
    LauncherMessaging::pump();
    Kernova::Variant value;
    ASSERT_NE(KnScript::Engine::getCurrent(), nullptr);
    EXPECT_TRUE(KnScript::Engine::getCurrent()->evaluate(Kernova::String("tester('x')"), &value));
    EXPECT_EQ(value.toString().toQString(), QStringLiteral("response('YAHOOO!');"));
    LauncherMessaging::terminate();
    EXPECT_EQ(KnScript::Engine::getCurrent(), nullptr);
}

// Guards against a second initialisation after termination finding a dead engine or endpoint.
TEST(LauncherMessagingLifecycle, InitialiseAgainAfterTermination)
{
    TestEnvironment env;
    KnObjects::CrosswireIdentity::clearCache();
    ASSERT_TRUE(LauncherMessaging::initialize());
    LauncherMessaging::terminate();
    EXPECT_FALSE(LauncherMessaging::isInitialized());
    ASSERT_TRUE(LauncherMessaging::initialize());
    EXPECT_TRUE(LauncherMessaging::isInitialized());
    LauncherMessaging::terminate();
}

} // namespace
