// send() with launching: the connector's hooks run without the library's locks held, so a launch
// hook may call back into the library from its own thread or from another one.

#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/messageglobals.h"
#include "tests/crosswire/crosswirepeerprocess.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::Peer;
using CrosswireTest::pumpUntil;
using CrosswireTest::RecordingHandler;

namespace {

constexpr auto kCallBackBound = std::chrono::seconds(5);

// Hooks whose launch runs `onLaunch` (the test's call-backs into the library) and reports
// whether it finished in time.
class CallingBackHooks : public CrosswireConnectorHooks
{
public:
    std::function<bool(const QByteArray &target)> onLaunch;
    std::function<void()> onNormalize;
    int launches = 0;

    bool launchTarget(const QByteArray &target, const QByteArray &, bool) override
    {
        ++launches;
        return onLaunch ? onLaunch(target) : false;
    }
    QByteArray normalizeSpecifier(const QByteArray &text) override
    {
        if (onNormalize)
            onNormalize();
        return CrosswireConnectorHooks::normalizeSpecifier(text);
    }
};

class SendLaunchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
        CrosswireData::MessageGlobals::instance().setAddDigest(true);
        auto hooks = std::make_unique<CallingBackHooks>();
        m_hooks = hooks.get();
        m_context = std::make_unique<CrosswireContext>(CrosswireTest::identity(), std::move(hooks));
        ASSERT_TRUE(m_context->init("pxolauncher-11.0"));
    }

    Message script(const QByteArray &target, const QByteArray &body)
    {
        Message m;
        m.target = target;
        m.body = body;
        m.responseRequest = "Error";
        m.serialNumber = m_context->nextSerialNumber();
        return m;
    }

    TestEnvironment env;
    CallingBackHooks *m_hooks = nullptr;
    std::unique_ptr<CrosswireContext> m_context;
};

} // namespace

// Guards against send() holding the endpoint's lock while the launch hook runs: another thread's
// send through the same endpoint then blocked until the launch gave up.
TEST_F(SendLaunchTest, ALaunchHookMayWaitForAnotherThreadThatSendsAndAsksWhatRuns)
{
    bool otherThreadDone = false;
    m_hooks->onLaunch = [&](const QByteArray &target) {
        auto done = std::async(std::launch::async, [&] {
            Message other = script("pxoelsewhere-11.0", "x()");
            const bool sent = m_context->send(other, false);
            const bool running = m_context->isRunning(target);
            return !sent && !running;
        });
        otherThreadDone = done.wait_for(kCallBackBound) == std::future_status::ready && done.get();
        return false;
    };
    Message m = script("pxoorganizer-11.0", "open()");
    auto errors = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    m_context->addHandler(errors);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_context->send(m, true));
    EXPECT_LT(std::chrono::steady_clock::now() - started, kCallBackBound);
    EXPECT_TRUE(otherThreadDone);
    EXPECT_EQ(m_hooks->launches, 1);
    ASSERT_TRUE(pumpUntil(
        *m_context, [&] { return !errors->entries().empty(); }, 5));
    EXPECT_EQ(errors->entries().front().body, QByteArray("ERROR: TARGET COULD NOT BE LAUNCHED"));
    EXPECT_EQ(errors->entries().front().errorCode, QByteArray("59"));
}

// Guards against a launch hook deadlocking when it uses the library on its own thread, as the
// connector's launch does (isRunning, another send, a ping answered by the messaging thread).
TEST_F(SendLaunchTest, ALaunchHookMayCallTheLibraryOnItsOwnThread)
{
    QByteArray pingAnswer;
    bool innerSent = false;
    m_hooks->onLaunch = [&](const QByteArray &target) {
        EXPECT_FALSE(m_context->isRunning(target));
        Message note = script("pxolauncher-11.0", "note()");
        innerSent = m_context->send(note, false);
        pingAnswer = m_context->ping("pxolauncher-11.0", "STATUS", 5000);
        return true;
    };
    Message m = script("pxoorganizer-11.0", "open()");
    EXPECT_TRUE(m_context->send(m, true));
    EXPECT_TRUE(innerSent);
    EXPECT_FALSE(pingAnswer.isEmpty());
    // Launched but not up yet: the message waits in the outgoing queue.
    EXPECT_TRUE(m_context->mainEndpoint()->outgoing().holdsMessageFor("pxoorganizer-11.0"));
}

// Guards against the messaging thread calling the hooks under the endpoint's lock while
// answering "Received": a hook waiting for another thread's send then never returned.
TEST_F(SendLaunchTest, TheMessagingThreadAnswersWithoutHoldingTheEndpointLockInHooks)
{
    std::atomic<bool> armed{false};
    std::atomic<int> blockedCallBacks{0};
    m_hooks->onNormalize = [&] {
        if (!armed.exchange(false))
            return;
        auto done = std::async(std::launch::async, [&] {
            Message other = script("pxoelsewhere-11.0", "x()");
            m_context->send(other, false);
        });
        if (done.wait_for(kCallBackBound) != std::future_status::ready)
            ++blockedCallBacks;
    };
    Peer peer({QStringLiteral("send"), QStringLiteral("--target"),
               QStringLiteral("pxolauncher-11.0"), QStringLiteral("--request"),
               QStringLiteral("Received"), QStringLiteral("--wait"), QStringLiteral("3000"),
               QStringLiteral("hello()")});
    auto scripts = std::make_shared<RecordingHandler>("Scriptara");
    m_context->addHandler(scripts);
    armed.store(true);
    ASSERT_EQ(peer.waitForLine("SENT"), QByteArray("SENT"));
    EXPECT_FALSE(peer.waitForLine("2 Received").isEmpty());
    EXPECT_TRUE(pumpUntil(
        *m_context, [&] { return !scripts->entries().empty(); }, 5));
    EXPECT_EQ(blockedCallBacks.load(), 0);
}

// A real launch: the hook starts the peer and waits until it reads its mailslot; the message
// queued meanwhile reaches it.
TEST_F(SendLaunchTest, AMessageToALaunchedPeerArrivesOnceItRuns)
{
    std::unique_ptr<Peer> peer;
    m_hooks->onLaunch = [&](const QByteArray &target) {
        peer = std::make_unique<Peer>(QStringList{
            QStringLiteral("listen"), QStringLiteral("--specifier"), QString::fromUtf8(target)});
        const auto deadline = std::chrono::steady_clock::now() + kCallBackBound;
        while (!m_context->isRunning(target) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return m_context->isRunning(target);
    };
    Message m = script("pxoorganizer-11.0", "open('organizeTab')");
    ASSERT_TRUE(m_context->send(m, true));
    ASSERT_TRUE(peer);
    const QByteArray expected =
        "MSG pxolauncher-11.0 " + QByteArray::number(m.serialNumber) + " Scriptara " + m.body;
    EXPECT_EQ(peer->waitForLine("MSG"), expected);
}
