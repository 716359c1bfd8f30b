#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/interappstream.h"
#include "crosswire/messageglobals.h"
#include "crosswire/objectlock.h"
#include "crosswire/sostring.h"
#include "platform/mailslot/mailslot.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::pumpUntil;
using CrosswireTest::RecordingHandler;

namespace {

// A connector that "launches" by remembering the request.
class LaunchingHooks : public CrosswireConnectorHooks
{
public:
    explicit LaunchingHooks(bool succeed)
        : m_succeed(succeed)
    {
    }
    bool launchTarget(const QByteArray &target, const QByteArray &params, bool) override
    {
        launched.push_back(target + " " + params);
        return m_succeed;
    }
    std::vector<QByteArray> launched;

private:
    bool m_succeed;
};

class ContextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
        CrosswireData::MessageGlobals::instance().setAddDigest(true);
    }

    Message message(const QByteArray &target, const QByteArray &body = "x = 1;")
    {
        Message m;
        m.target = target;
        m.body = body;
        return m;
    }

    // Holds a mailslot in this process that nobody reads: a peer that runs but never answers.
    std::unique_ptr<Mailslot> silentPeer(CrosswireContext &context, const QByteArray &specifier)
    {
        auto stream = InterAppStream::writer("x", context.identity().userId);
        auto result = Mailslot::create(QString::fromUtf8(stream->mailslotName(specifier)));
        return std::move(result.mailslot);
    }

    TestEnvironment env;
};

} // namespace

TEST_F(ContextTest, AMessageToTheOwnProcessGoesThroughTheReceivedQueueOnly)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    auto handler = std::make_shared<RecordingHandler>("Scriptara", -1, "done");
    context.addHandler(handler);
    Message m = message("pxolauncher-11.0", "alert('hi');");
    ASSERT_TRUE(context.send(m));
    CrosswireEndpoint *main = context.mainEndpoint();
    EXPECT_EQ(main->received().size(), 1u);
    EXPECT_FALSE(main->stream()->isMessageWaiting()) << "nothing was written to a socket";
    EXPECT_TRUE(context.pump());
    ASSERT_EQ(handler->entries().size(), 1u);
    EXPECT_EQ(handler->entries()[0].body, QByteArray("alert('hi');"));
    EXPECT_EQ(handler->entries()[0].event, 1);
}

TEST_F(ContextTest, AnEmptyScriptWithoutReplyReferenceIsNotSent)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    Message m = message("pxolauncher-11.0", "");
    EXPECT_FALSE(context.send(m));
    EXPECT_EQ(m.serialNumber, 0u) << "dropped before it was numbered";
    EXPECT_TRUE(context.mainEndpoint()->received().isEmpty());
}

struct SendErrorRow
{
    const char *name;
    QByteArray target;
    QByteArray text;
};

class ContextSendError : public ContextTest, public ::testing::WithParamInterface<SendErrorRow>
{
};

TEST_P(ContextSendError, IsAnsweredWithAnErrorResponse)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    Message m = message(GetParam().target);
    m.serialNumber = context.nextSerialNumber();
    m.responseRequest = "Error";
    auto handler = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    context.addHandler(handler);
    EXPECT_FALSE(context.send(m, false));
    context.pump();
    ASSERT_EQ(handler->entries().size(), 1u);
    const auto entry = handler->entries()[0];
    EXPECT_EQ(entry.type, QByteArray("Error"));
    EXPECT_EQ(entry.event, 4);
    EXPECT_EQ(entry.body, GetParam().text);
    EXPECT_EQ(entry.errorCode, QByteArray("59"));
    EXPECT_TRUE(context.mainEndpoint()->outgoing().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ContextSendError,
                         ::testing::Values(SendErrorRow{"invalidSpecifier", QByteArray(300, 'a'),
                                                        "ERROR: INVALID SPECIFIER"},
                                           SendErrorRow{"notRunningNoLaunch", "pxoorganizer-11.0",
                                                        "ERROR: LAUNCHING IS SUPPRESSED"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ContextTest, ATargetThatCannotBeLaunchedIsAnswered)
{
    auto hooks = std::make_unique<LaunchingHooks>(false);
    LaunchingHooks *launcher = hooks.get();
    CrosswireContext context(CrosswireTest::identity(), std::move(hooks));
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    Message m = message("pxoorganizer-11.0");
    m.responseRequest = "Error";
    m.serialNumber = context.nextSerialNumber();
    auto handler = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    context.addHandler(handler);
    EXPECT_FALSE(context.send(m, true, false, "-noparams"));
    context.pump();
    ASSERT_EQ(launcher->launched.size(), 1u);
    EXPECT_EQ(launcher->launched[0], QByteArray("pxoorganizer-11.0 -noparams"));
    ASSERT_EQ(handler->entries().size(), 1u);
    EXPECT_EQ(handler->entries()[0].body, QByteArray("ERROR: TARGET COULD NOT BE LAUNCHED"));
}

// Guards against a message to a starting target waiting for the next 100 ms cycle or getting lost.
TEST_F(ContextTest, ALaunchedTargetGetsTheQueuedMessageOnceItsMailslotAppears)
{
    auto hooks = std::make_unique<LaunchingHooks>(true);
    CrosswireContext sender(CrosswireTest::identity(), std::move(hooks));
    ASSERT_TRUE(sender.init("pxolauncher-11.0"));
    Message m = message("pxoorganizer-11.0", "open('organizeTab', 'requestFromWS');");
    ASSERT_TRUE(sender.send(m, true, false, "-noparams"));
    {
        // The messaging thread takes the message out of the queue while it tries the write, and
        // puts it back; its whole pass holds the endpoint's lock.
        ObjectLock lock(*sender.mainEndpoint());
        EXPECT_EQ(sender.mainEndpoint()->outgoing().size(), 1u);
    }

    CrosswireContext receiver(sender.identity());
    ASSERT_TRUE(receiver.init("pxoorganizer-11.0"));
    auto handler = std::make_shared<RecordingHandler>();
    receiver.addHandler(handler);
    EXPECT_TRUE(pumpUntil(receiver, [&] { return !handler->entries().empty(); }));
    ASSERT_EQ(handler->entries().size(), 1u);
    EXPECT_EQ(handler->entries()[0].body, m.body);
    EXPECT_TRUE(sender.mainEndpoint()->outgoing().isEmpty());
}

TEST_F(ContextTest, AFullReceiverQueuesTheRestAndKeepsTheOrder)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    auto peer = silentPeer(context, "pxoeditor-11.0");
    ASSERT_TRUE(peer);
    constexpr int count = 40;
    for (int i = 0; i < count; ++i) {
        Message m = message("pxoeditor-11.0", "n=" + QByteArray::number(i));
        ASSERT_TRUE(context.send(m, false)) << "a full receiver is no failure, message " << i;
    }
    EXPECT_GT(context.mainEndpoint()->outgoing().size(), 0u);
    std::vector<QByteArray> bodies;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (int(bodies.size()) < count && std::chrono::steady_clock::now() < deadline) {
        const auto read = peer->read();
        if (read.status != Mailslot::ReadStatus::Message) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        // Messages that waited go together; a datagram holds them one after the other.
        for (size_t offset = 0; offset < size_t(read.data.size());) {
            Message parsed;
            offset +=
                parsed.parse(read.data.constData() + offset, size_t(read.data.size()) - offset,
                             true, context.identity().digestKey);
            EXPECT_TRUE(parsed.status.isEmpty());
            bodies.push_back(parsed.body);
        }
    }
    ASSERT_EQ(int(bodies.size()), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(bodies[size_t(i)], "n=" + QByteArray::number(i));
}

// Guards against an oversized message being cut or retried for ten minutes.
TEST_F(ContextTest, AMessageTooLargeForOneDatagramIsAnsweredAtOnce)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    auto peer = silentPeer(context, "pxoeditor-11.0");
    Message m = message("pxoeditor-11.0", QByteArray(Message::kMaxTextLength, 'x'));
    m.responseRequest = "Error";
    m.serialNumber = context.nextSerialNumber();
    auto handler = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    context.addHandler(handler);
    EXPECT_FALSE(context.send(m, true));
    context.pump(1);
    ASSERT_EQ(handler->entries().size(), 1u);
    EXPECT_EQ(handler->entries()[0].type, QByteArray("Error"));
    EXPECT_EQ(handler->entries()[0].errorCode, QByteArray("59"));
    EXPECT_TRUE(context.mainEndpoint()->outgoing().isEmpty());
    EXPECT_EQ(peer->read().status, Mailslot::ReadStatus::Empty);
}

TEST_F(ContextTest, AScriptIsAnsweredWithReceivedResultAndProcessed)
{
    CrosswireContext sender(CrosswireTest::identity());
    ASSERT_TRUE(sender.init("pxolauncher-11.0"));
    CrosswireContext receiver(sender.identity());
    ASSERT_TRUE(receiver.init("pxoorganizer-11.0"));
    receiver.addHandler(std::make_shared<RecordingHandler>("Scriptara", -1, "42"));

    Message m = message("pxoorganizer-11.0", "6 * 7");
    m.responseRequest = "Received Result";
    m.serialNumber = sender.nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    sender.addHandler(responses);
    auto processed = std::make_shared<RecordingHandler>("Processed", m.serialNumber);
    sender.addHandler(processed);
    ASSERT_TRUE(sender.send(m));
    EXPECT_TRUE(m.responseRequest.endsWith("Processed")) << "asked for because someone waits";

    const auto done = [&] {
        return !processed->entries().empty();
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        receiver.pump();
        sender.pump();
        sender.waitForIncoming(5);
    }
    const auto entries = responses->entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].type, QByteArray("Received"));
    EXPECT_EQ(entries[0].event, 2);
    EXPECT_EQ(entries[1].type, QByteArray("Result"));
    EXPECT_EQ(entries[1].body, QByteArray("42"));
    ASSERT_EQ(processed->entries().size(), 1u);
    EXPECT_EQ(sender.mainEndpoint()->pendingResponses(), 0u) << "the exchange was cleaned up";
}

TEST_F(ContextTest, AHandlerErrorIsSentBackWithItsCode)
{
    CrosswireContext sender(CrosswireTest::identity());
    ASSERT_TRUE(sender.init("pxolauncher-11.0"));
    CrosswireContext receiver(sender.identity());
    ASSERT_TRUE(receiver.init("pxoorganizer-11.0"));
    receiver.addHandler(std::make_shared<RecordingHandler>("Scriptara", -1, "SyntaxError", 27));
    Message m = message("pxoorganizer-11.0", "(((");
    m.responseRequest = "Result Error";
    m.serialNumber = sender.nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    sender.addHandler(responses);
    ASSERT_TRUE(sender.send(m));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (responses->entries().empty() && std::chrono::steady_clock::now() < deadline) {
        receiver.pump();
        sender.pump();
        sender.waitForIncoming(5);
    }
    ASSERT_EQ(responses->entries().size(), 1u);
    EXPECT_EQ(responses->entries()[0].type, QByteArray("Error"));
    EXPECT_EQ(responses->entries()[0].errorCode, QByteArray("27"));
    EXPECT_EQ(responses->entries()[0].body, QByteArray("SyntaxError"));
}

TEST_F(ContextTest, AWatcherReportsTheTimeoutOfAnUnansweredMessage)
{
    double now = 1.7e12;
    Clock::setSourceForTesting([&now] { return now; });
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    auto peer = silentPeer(context, "pxoeditor-11.0");
    Message m = message("pxoeditor-11.0");
    m.timeout = 5;
    m.responseRequest = "Result Timeout";
    m.serialNumber = context.nextSerialNumber();
    auto timeout = std::make_shared<RecordingHandler>("Timeout", m.serialNumber);
    context.addHandler(timeout);
    ASSERT_TRUE(context.send(m));
    now += 5000;
    context.pump();
    EXPECT_TRUE(timeout->entries().empty()) << "the watcher waits timeout + 1 seconds";
    now += 1000;
    context.pump();
    context.pump();
    Clock::setSourceForTesting({});
    ASSERT_EQ(timeout->entries().size(), 1u);
    EXPECT_EQ(timeout->entries()[0].event, 5);
    EXPECT_EQ(timeout->entries()[0].type, QByteArray("Timeout"));
}

TEST_F(ContextTest, AQueuedMessageForAnUnreachableTargetExpiresAfterAbout600Seconds)
{
    double now = 1.7e12;
    Clock::setSourceForTesting([&now] { return now; });
    CrosswireContext context(CrosswireTest::identity(), std::make_unique<LaunchingHooks>(true));
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    Message m = message("pxoorganizer-11.0");
    m.responseRequest = "Timeout";
    m.setHeader("TIMEOUT_DETECTOR", "TARGET"); // no watcher: the queue's own expiry answers
    m.serialNumber = context.nextSerialNumber();
    auto timeout = std::make_shared<RecordingHandler>("Timeout", m.serialNumber);
    context.addHandler(timeout);
    ASSERT_TRUE(context.send(m, true));
    int seconds = 0;
    for (; seconds < 700 && timeout->entries().empty(); ++seconds) {
        now += 1000;
        context.pump();
    }
    Clock::setSourceForTesting({});
    ASSERT_EQ(timeout->entries().size(), 1u);
    EXPECT_GE(seconds, 599);
    EXPECT_LE(seconds, 602);
    EXPECT_TRUE(context.mainEndpoint()->outgoing().isEmpty());
}

TEST_F(ContextTest, ASecondEndpointWithTheSameSpecifierGetsTheNextInstance)
{
    CrosswireContext first(CrosswireTest::identity());
    ASSERT_TRUE(first.init("pxoeditor-11.0", false));
    CrosswireContext second(first.identity());
    ASSERT_TRUE(second.init("pxoeditor-11.0", false));
    EXPECT_EQ(first.ownSpecifier(), QByteArray("pxoeditor-11.0"));
    EXPECT_EQ(second.ownSpecifier(), QByteArray("pxoeditor_1-11.0"));
    EXPECT_FALSE(second.openOwnStream("pxoeditor_1-11.0")) << "an explicit instance is not varied";
}

TEST_F(ContextTest, AnInvalidOwnSpecifierGivesInvalidSpec)
{
    CrosswireContext context(CrosswireTest::identity());
    EXPECT_FALSE(context.init(QByteArray(), false));
    EXPECT_EQ(context.status(), QByteArray("INVALIDSPEC"));
    EXPECT_FALSE(context.openOwnStream(QByteArray()));
}

TEST_F(ContextTest, IsRunningProbesTheMailslots)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    EXPECT_TRUE(context.isRunning("pxolauncher-11.0"));
    EXPECT_FALSE(context.isRunning(QByteArray()));
    EXPECT_FALSE(context.isRunning("pxoorganizer-11.0"));
    CrosswireContext other(context.identity());
    ASSERT_TRUE(other.init("pxoorganizer-11.0"));
    EXPECT_TRUE(context.isRunning("pxoorganizer-11.0"));
    auto peer = silentPeer(context, "pxoeditor-11.0");
    EXPECT_TRUE(context.isRunning("pxoeditor-11.0")) << "found by the endpoint itself";
}

struct PingRow
{
    const char *request;
    const char *answer;
};

class ContextPing : public ContextTest, public ::testing::WithParamInterface<PingRow>
{
};

TEST_P(ContextPing, TheThreadEndpointAnswers)
{
    CrosswireContext asker(CrosswireTest::identity());
    ASSERT_TRUE(asker.init("pxolauncher-11.0"));
    CrosswireContext target(asker.identity());
    ASSERT_TRUE(target.init("pxoorganizer-11.0"));
    target.thread()->setValue("LAUNCHPARAMS:pxoeditor-11.0", "-noparams", 300);
    EXPECT_EQ(asker.ping("pxoorganizer-11.0", GetParam().request), QByteArray(GetParam().answer));
}

INSTANTIATE_TEST_SUITE_P(Rows, ContextPing,
                         ::testing::Values(PingRow{"STATUS", "IDLE"}, PingRow{"NOPE", "UNDEFINED"},
                                           PingRow{"LAUNCHPARAMS:pxoeditor-11.0", "-noparams"},
                                           PingRow{"COLOR=blue", "blue"}));

TEST_F(ContextTest, ASetValueCanBeReadBackAndLaunchedClearsTheLaunchParameters)
{
    CrosswireContext asker(CrosswireTest::identity());
    ASSERT_TRUE(asker.init("pxoeditor-11.0"));
    CrosswireContext target(asker.identity());
    ASSERT_TRUE(target.init("pxolauncher-11.0"));
    EXPECT_EQ(asker.ping("pxolauncher-11.0", "COLOR=blue"), QByteArray("blue"));
    EXPECT_EQ(asker.ping("pxolauncher-11.0", "COLOR"), QByteArray("blue"));
    target.thread()->setValue("LAUNCHPARAMS:pxoeditor-11.0", "-x");
    EXPECT_EQ(asker.ping("pxolauncher-11.0", "LAUNCHED"), QByteArray("LAUNCHED"));
    EXPECT_FALSE(target.thread()->hasValue("LAUNCHPARAMS:pxoeditor-11.0"));
}

TEST_F(ContextTest, DiagnosticsAreAnsweredInTheBody)
{
    CrosswireContext asker(CrosswireTest::identity());
    ASSERT_TRUE(asker.init("pxoeditor-11.0"));
    CrosswireContext target(asker.identity());
    ASSERT_TRUE(target.init("pxolauncher-11.0"));
    const QByteArray tree = asker.ping("pxolauncher-11.0", "DIAGNOSTICS");
    EXPECT_TRUE(tree.startsWith("Crosswire Diagnostics\n----------------------\n"))
        << tree.constData();
    EXPECT_TRUE(tree.contains("/instances/0;1;pxolauncher-11.0;(main);\n"));
    EXPECT_TRUE(tree.contains("/context/version;0;Version;2.0;\n"));
    EXPECT_TRUE(tree.contains("/context/build;0;Build;QJS 4.1.23;\n"));
    EXPECT_TRUE(tree.contains("/thread;1;Thread;pxolauncher-11.0#thread;\n"));
    EXPECT_TRUE(tree.contains("/messages/version;0;Message Version;2.05;\n"));
    EXPECT_TRUE(tree.contains("/messages/authentication;0;Authentication;ON;\n"));
    EXPECT_TRUE(tree.contains("CW LOG ------------------\n"));
    const QByteArray info = asker.ping("pxolauncher-11.0", "INFO", 2000, "messages");
    EXPECT_TRUE(info.contains("/messages;1;Messages;;\n"));
    EXPECT_FALSE(info.contains("/context;1;Info;;\n"));
}

TEST_F(ContextTest, MessageEventsAreForwardedToAMonitor)
{
    CrosswireContext monitor(CrosswireTest::identity());
    ASSERT_TRUE(monitor.init("pxomonitor-11.0"));
    auto seen = std::make_shared<RecordingHandler>("Debug");
    monitor.addHandler(seen);
    CrosswireContext watched(monitor.identity());
    ASSERT_TRUE(watched.init("pxolauncher-11.0"));
    EXPECT_EQ(monitor.ping("pxolauncher-11.0", "FWDMESSAGES=pxomonitor-11.0"),
              QByteArray("pxomonitor-11.0"));
    Message m = message("pxolauncher-11.0", "x");
    ASSERT_TRUE(watched.send(m));
    EXPECT_TRUE(pumpUntil(monitor, [&] {
        for (const auto &entry : seen->entries()) {
            if (entry.body.startsWith("FWDMESSAGES added"))
                return true;
        }
        return false;
    }));
}

TEST_F(ContextTest, PumpStatisticsAverageTheIntervals)
{
    double now = 1.7e12;
    Clock::setSourceForTesting([&now] { return now; });
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    CrosswireThread &thread = *context.thread();
    thread.setStatus("PUMPING");
    now += 5;
    thread.setStatus("PUMPING"); // 5 ms: ignored
    EXPECT_EQ(thread.averagePumpInterval(), 0);
    now += 100;
    thread.setStatus("PUMPING");
    EXPECT_EQ(thread.averagePumpInterval(), 100);
    now += 200;
    thread.setStatus("PUMPING");
    EXPECT_EQ(thread.averagePumpInterval(), 150);
    now += 1500;
    thread.setStatus("PUMPING"); // ten times the average or more: ignored
    EXPECT_EQ(thread.averagePumpInterval(), 150);
    EXPECT_EQ(thread.lastPumpTime(), now);
    Clock::setSourceForTesting({});
}

TEST_F(ContextTest, NamedValuesExpire)
{
    double now = 1.7e12;
    Clock::setSourceForTesting([&now] { return now; });
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    CrosswireThread thread(context);
    thread.setValue("LAUNCHPARAMS:x", "-p", 300);
    thread.setValue("KEEP", "1");
    now += 299000;
    thread.cycle();
    EXPECT_TRUE(thread.hasValue("LAUNCHPARAMS:x"));
    now += 1000;
    thread.cycle();
    EXPECT_FALSE(thread.hasValue("LAUNCHPARAMS:x"));
    EXPECT_TRUE(thread.hasValue("KEEP"));
    Clock::setSourceForTesting({});
}

TEST_F(ContextTest, ThePumpWaitsForTheSetup)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    std::mutex gate;
    gate.lock();
    context.runSetup([&] { std::lock_guard wait(gate); }, false);
    EXPECT_TRUE(context.isSetupRunning());
    Message m = message("pxolauncher-11.0");
    context.send(m);
    EXPECT_FALSE(context.pump()) << "nothing is handled while the set-up runs";
    gate.unlock();
    context.terminate();
    EXPECT_FALSE(context.isSetupRunning());
}
