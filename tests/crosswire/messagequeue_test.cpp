#include "crosswire/clock.h"
#include "crosswire/message.h"
#include "crosswire/messagequeue.h"
#include "crosswire/messagequeuehost.h"

#include <gtest/gtest.h>

using KnObjects::Clock;
using KnObjects::Crosswire::Message;
using KnObjects::CrosswireData::MessageQueue;
using KnObjects::CrosswireData::MessageQueueHost;

namespace {

class RecordingHost : public MessageQueueHost
{
public:
    struct Response
    {
        QByteArray type;
        uint32_t serial;
    };
    void respond(const Message &message, const QByteArray &type, const QByteArray &,
                 int64_t) override
    {
        responses.push_back({type, message.serialNumber});
    }
    void forwardQueueEvent(const QByteArray &target, const QByteArray &event,
                           const Message &message) override
    {
        events.push_back(target + ":" + event + ":" + QByteArray::number(message.serialNumber));
    }
    std::vector<Response> responses;
    std::vector<QByteArray> events;
};

class QueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::setSourceForTesting([this] { return double(now) * 1000.0; });
    }
    void TearDown() override { Clock::setSourceForTesting({}); }

    std::unique_ptr<Message> message(uint32_t serial, const QByteArray &type = "Scriptara",
                                     int64_t timeout = 0, const QByteArray &request = {})
    {
        auto m = std::make_unique<Message>();
        m->target = "target";
        m->sender = "sender";
        m->type = type;
        m->serialNumber = serial;
        m->timeout = timeout;
        m->responseRequest = request;
        m->timestamp = now;
        return m;
    }

    int64_t now = 1000000;
    RecordingHost host;
    MessageQueue queue{&host};
};

} // namespace

TEST_F(QueueTest, AddNeedsTargetAndSenderAndFillsDefaults)
{
    auto noTarget = message(1);
    noTarget->target.clear();
    EXPECT_FALSE(queue.add(std::move(noTarget)));
    auto noSender = message(2);
    noSender->sender.clear();
    EXPECT_FALSE(queue.add(std::move(noSender)));
    auto fresh = message(3);
    fresh->timestamp = 0;
    EXPECT_TRUE(queue.add(std::move(fresh)));
    auto picked = queue.pick();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->timestamp, now);
    EXPECT_EQ(picked->timeout, 600);
}

struct ExpiryRow
{
    const char *name;
    const char *type;
    int64_t timeout;
    int64_t age;
    bool expired;
};

class QueueExpiry : public QueueTest, public ::testing::WithParamInterface<ExpiryRow>
{
};

TEST_P(QueueExpiry, FollowsTimestampPlusTimeout)
{
    const ExpiryRow &row = GetParam();
    Message m;
    m.type = row.type;
    m.timeout = row.timeout;
    m.timestamp = now - row.age;
    EXPECT_EQ(MessageQueue::isExpired(m, now), row.expired);
}

INSTANTIATE_TEST_SUITE_P(Rows, QueueExpiry,
                         ::testing::Values(ExpiryRow{"beforeLimit", "Scriptara", 10, 9, false},
                                           ExpiryRow{"atLimit", "Scriptara", 10, 10, true},
                                           ExpiryRow{"afterLimit", "Scriptara", 10, 11, true},
                                           ExpiryRow{"noTimeoutNeverExpires", "Scriptara", 0,
                                                     100000, false},
                                           ExpiryRow{"ignoreWithoutTimeout", "Ignore", 0, 0, true},
                                           ExpiryRow{"ignoreWithTimeout", "Ignore", 5, 4, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(QueueTest, ExpiredMessagesAreAnsweredWithTimeoutWhenAsked)
{
    queue.add(message(1, "Scriptara", 5, "Result Timeout"));
    queue.add(message(2, "Scriptara", 5));
    queue.add(message(3, "Scriptara", 50));
    now += 5;
    auto picked = queue.pick();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->serialNumber, 3u);
    ASSERT_EQ(host.responses.size(), 1u);
    EXPECT_EQ(host.responses[0].type, QByteArray("Timeout"));
    EXPECT_EQ(host.responses[0].serial, 1u);
    EXPECT_TRUE(queue.isEmpty());
}

TEST_F(QueueTest, PickSetsWatchersAsideAndKeepsTheirOrder)
{
    queue.add(message(1, "Ignore", 30, "Timeout"));
    queue.add(message(2, "Ignore", 30, "Timeout"));
    queue.add(message(3));
    queue.add(message(4));
    auto picked = queue.pick();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->serialNumber, 3u);
    const auto rest = queue.snapshot();
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].serialNumber, 4u);
    EXPECT_EQ(rest[1].serialNumber, 1u);
    EXPECT_EQ(rest[2].serialNumber, 2u);
    EXPECT_EQ(queue.pick()->serialNumber, 4u);
    EXPECT_FALSE(queue.pick()) << "watchers are never handed out";
    EXPECT_EQ(queue.size(), 2u);
}

TEST_F(QueueTest, PickBySerialLeavesTheOthersInOrder)
{
    queue.add(message(1));
    queue.add(message(2));
    queue.add(message(3));
    EXPECT_EQ(queue.pick(2)->serialNumber, 2u);
    EXPECT_FALSE(queue.pick(9));
    EXPECT_EQ(queue.pick()->serialNumber, 1u);
    EXPECT_EQ(queue.pick()->serialNumber, 3u);
}

TEST_F(QueueTest, AWatcherGivesTheTimeoutResponseWhenItExpires)
{
    queue.add(message(5, "Ignore", 31, "Timeout"));
    now += 30;
    queue.expireAll();
    EXPECT_TRUE(host.responses.empty());
    now += 1;
    queue.expireAll();
    ASSERT_EQ(host.responses.size(), 1u);
    EXPECT_EQ(host.responses[0].type, QByteArray("Timeout"));
    EXPECT_EQ(host.responses[0].serial, 5u);
    EXPECT_TRUE(queue.isEmpty());
}

TEST_F(QueueTest, RemoveWatcherDropsOnlyTimeoutWatchersOfThatSerial)
{
    queue.add(message(5, "Ignore", 31, "Timeout"));
    queue.add(message(5, "Ignore", 31, "Other"));
    queue.add(message(6, "Ignore", 31, "Timeout"));
    queue.add(message(5));
    queue.removeWatcher(5);
    const auto rest = queue.snapshot();
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].responseRequest, QByteArray("Other"));
    EXPECT_EQ(rest[1].serialNumber, 6u);
    EXPECT_EQ(rest[2].type, QByteArray("Scriptara"));
}

// Guards against a message to an unreachable target living for ever (or dying early).
TEST_F(QueueTest, ARequeuedMessageExpiresAbout600SecondsAfterItsFirstQueueing)
{
    const int64_t first = now;
    queue.add(message(1, "Scriptara", 0, "Timeout"));
    int64_t expiredAt = 0;
    for (int step = 0; step < 2000 && !expiredAt; ++step) {
        auto m = queue.pick();
        if (!m) {
            expiredAt = now;
            break;
        }
        queue.requeue(std::move(m));
        now += 1;
    }
    ASSERT_NE(expiredAt, 0);
    EXPECT_GE(expiredAt, first + 599);
    EXPECT_LE(expiredAt, first + 601);
    ASSERT_EQ(host.responses.size(), 1u);
    EXPECT_EQ(host.responses[0].type, QByteArray("Timeout"));
}

TEST_F(QueueTest, RequeueStampsOnceAndFollowsNowWithinTheWindow)
{
    queue.add(message(1, "Scriptara", 30));
    auto m = queue.pick();
    const int64_t first = m->timestamp;
    now += 100;
    queue.requeue(std::move(m));
    m = queue.pick();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header("QUEUESTAMP"), QByteArray::number(qlonglong(first)));
    EXPECT_EQ(m->timestamp, now);
    now += 700;
    queue.requeue(std::move(m));
    const auto rest = queue.snapshot();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].timestamp, first);
    EXPECT_EQ(rest[0].timeout, 30) << "a short timeout is kept: it is past already";
    EXPECT_FALSE(queue.pick());
}

TEST_F(QueueTest, ALongTimeoutIsCutTo599OnceTheWindowIsOver)
{
    queue.add(message(1, "Scriptara", 3600));
    auto m = queue.pick();
    queue.requeue(std::move(m));
    now += 601;
    m = queue.pick();
    ASSERT_TRUE(m);
    queue.requeue(std::move(m));
    EXPECT_EQ(queue.snapshot()[0].timeout, 599);
}

TEST_F(QueueTest, EventsGoToTheForwardTargetExceptForDebugMessages)
{
    queue.add(message(1));
    EXPECT_TRUE(host.events.empty()) << "no forward target yet";
    queue.setForwardTarget("monitor");
    queue.add(message(2));
    queue.add(message(3, "Debug"));
    auto m = queue.pick();
    queue.requeue(std::move(m));
    queue.add(message(4, "Scriptara", 1, "Timeout"));
    now += 2;
    queue.expireAll();
    const std::vector<QByteArray> expected = {"monitor:added:2", "monitor:picked:1",
                                              "monitor:requeued:1", "monitor:added:4",
                                              "monitor:timed out:4"};
    EXPECT_EQ(host.events, expected);
}

// Guards against the observer running before the message stands in the queue (or for a message
// the queue refused): the figure an application takes there must be the moment of insertion.
TEST_F(QueueTest, TheInsertionObserverSeesTheMessageStandingInTheQueue)
{
    MessageQueue small(&host, 2);
    std::vector<uint32_t> seen;
    auto observe = [&](const Message &inserted) {
        seen.push_back(inserted.serialNumber);
        EXPECT_EQ(small.size(), seen.size());
        EXPECT_EQ(inserted.timeout, 600);
        EXPECT_EQ(inserted.timestamp, now);
    };
    auto fresh = message(5);
    fresh->timestamp = 0;
    EXPECT_TRUE(small.add(std::move(fresh), observe));
    auto noSender = message(6);
    noSender->sender.clear();
    EXPECT_FALSE(small.add(std::move(noSender), observe));
    EXPECT_TRUE(small.add(message(7), observe));
    EXPECT_FALSE(small.add(message(8), observe)); // full
    EXPECT_EQ(seen, (std::vector<uint32_t>{5, 7}));
}

TEST(MessageQueue, RefusesMessagesBeyondItsLength)
{
    MessageQueue queue(nullptr, 3);
    for (int i = 0; i < 3; ++i) {
        auto m = std::make_unique<Message>();
        m->target = "t";
        m->sender = "s";
        ASSERT_TRUE(queue.add(std::move(m)));
    }
    auto extra = std::make_unique<Message>();
    extra->target = "t";
    extra->sender = "s";
    EXPECT_FALSE(queue.add(std::move(extra)));
    EXPECT_EQ(queue.size(), 3u);
    EXPECT_TRUE(queue.holdsMessageFor("t"));
    EXPECT_FALSE(queue.holdsMessageFor("u"));
}
