// The shortened way of a message from send() to the receiver's queue keeps what the longer one
// guaranteed: the moment of insertion is observable, the log says what happened when it happened,
// streams write to the receiver they are given, and the messaging thread still does its whole
// cycle while datagrams keep it awake.

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/interappstream.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "tests/crosswire/crosswiretestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace KnObjects;
using Crosswire::Message;

namespace {

class MessagingPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
        CrosswireData::MessageGlobals::instance().setAddDigest(true);
    }

    static bool sendScript(CrosswireContext &from, const QByteArray &target, const QByteArray &body)
    {
        Message message;
        message.target = target;
        message.body = body;
        return from.send(message);
    }

    // Reads `endpoint`'s mailslot until `count` messages stand in its received queue.
    static bool drainUntil(CrosswireEndpoint &endpoint, size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (endpoint.received().size() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (endpoint.drainTransport() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    static QByteArrayList received(InterAppStream &stream)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        QByteArrayList all;
        while (std::chrono::steady_clock::now() < deadline) {
            while (stream.receive()) {
            }
            all += stream.takeReceivedMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!stream.isMessageWaiting())
                break;
        }
        return all;
    }
};

} // namespace

// Guards against the arrival observer running before the message is in the received queue.
TEST_F(MessagingPathTest, TheArrivalObserverSeesEachMessageInTheReceivedQueue)
{
    CrosswireContext receiver(CrosswireTest::identity());
    ASSERT_TRUE(receiver.init("pathobserved-1.0", false));
    CrosswireContext sender(CrosswireTest::identity());
    ASSERT_TRUE(sender.init("pathobserver-1.0", false));
    CrosswireEndpoint *main = receiver.mainEndpoint();
    std::vector<size_t> sizes;
    QByteArrayList bodies;
    main->setArrivalObserver([&](const Message &message) {
        sizes.push_back(main->received().size());
        bodies.append(message.body);
    });

    ASSERT_TRUE(sendScript(sender, "pathobserved-1.0", "a = 1;"));
    ASSERT_TRUE(sendScript(sender, "pathobserved-1.0", "b = 2;"));
    ASSERT_TRUE(drainUntil(*main, 2));

    EXPECT_EQ(sizes, (std::vector<size_t>{1, 2}));
    EXPECT_EQ(bodies, (QByteArrayList{"a = 1;", "b = 2;"}));
    auto first = main->received().pick();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->body, QByteArray("a = 1;"));
    EXPECT_TRUE(first->status.isEmpty()); // digest checked before it was queued
}

// Guards against the log formatting its lines late from a message that changed meanwhile.
TEST_F(MessagingPathTest, TheLogSaysWhatAMessageWasWhenItWasLogged)
{
    CrosswireContext context(CrosswireTest::identity());
    Message message;
    message.type = "Scriptara";
    message.serialNumber = 42;
    message.sender = "a-1.0";
    message.target = "b-1.0";
    message.body = "xyz";
    const QByteArray expected = "SEND " + message.summary();
    context.log("SEND", &message);
    message.body = "a longer body";
    message.target = "c-1.0";
    message.serialNumber = 43;
    context.log("RECEIVE");

    const QByteArrayList lines = context.logText().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QByteArray("CW LOG ------------------"));
    // "HH:mm:ss " and the line.
    EXPECT_EQ(lines[1].mid(9), expected);
    EXPECT_EQ(lines[1].mid(9), QByteArray("SEND Scriptara #42 a-1.0 -> b-1.0 (3 bytes)"));
    EXPECT_EQ(lines[2].mid(9), QByteArray("RECEIVE"));
}

TEST_F(MessagingPathTest, TheLogKeepsItsNewestEntriesUpToItsLimit)
{
    CrosswireContext context(CrosswireTest::identity());
    for (int i = 0; i < CrosswireContext::kMaxLogEntries + 5; ++i)
        context.log("EVENT " + QByteArray::number(i));
    const QByteArrayList lines = context.logText().split('\n');
    // The banner, the entries, and the empty rest after the last "\n".
    ASSERT_EQ(lines.size(), CrosswireContext::kMaxLogEntries + 2);
    EXPECT_EQ(lines[1].mid(9), QByteArray("EVENT 5"));
    EXPECT_EQ(lines[CrosswireContext::kMaxLogEntries].mid(9),
              "EVENT " + QByteArray::number(CrosswireContext::kMaxLogEntries + 4));

    context.setLogging(false);
    context.log("UNSEEN");
    EXPECT_FALSE(context.logText().contains("UNSEEN"));
}

// Guards against a stream writing to the receiver it wrote to before instead of the one named.
TEST_F(MessagingPathTest, AStreamWritesEachTextToTheReceiverItNames)
{
    const QByteArray user = CrosswireTest::identity().userId;
    auto first = InterAppStream::open("pathfirst-1.0", user);
    auto second = InterAppStream::open("pathsecond-1.0", user);
    ASSERT_TRUE(first->isOpen());
    ASSERT_TRUE(second->isOpen());
    auto writer = InterAppStream::writer("pathwriter-1.0", user);
    using Result = BaseInterAppStream::WriteResult;
    EXPECT_EQ(writer->write("pathfirst-1.0", "1"), Result::Written);
    EXPECT_EQ(writer->write("pathsecond-1.0", "2"), Result::Written);
    EXPECT_EQ(writer->write("pathfirst-1.0", "3"), Result::Written);
    EXPECT_EQ(writer->write("pathnobody-1.0", "4"), Result::NoReceiver);
    EXPECT_EQ(writer->write("pathsecond-1.0", "5"), Result::Written);

    EXPECT_EQ(received(*first), (QByteArrayList{"1", "3"}));
    EXPECT_EQ(received(*second), (QByteArrayList{"2", "5"}));
}

// Guards against arrivals starving the whole cycle: while datagrams keep the messaging thread
// awake it only delivers them, yet the thread endpoint, retries and expiry still get their turn
// every 100 ms.
TEST_F(MessagingPathTest, BusySocketsStillLeaveTheThreadItsWholeCycle)
{
    CrosswireContext receiver(CrosswireTest::identity());
    ASSERT_TRUE(receiver.init("pathbusy-1.0"));
    CrosswireContext sender(CrosswireTest::identity());
    ASSERT_TRUE(sender.init("pathflood-1.0", false));
    CrosswireThread *thread = receiver.thread();
    ASSERT_TRUE(thread);
    // Let the thread open its endpoint and settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const uint64_t fullBefore = thread->fullCycles();
    const uint64_t deliveriesBefore = thread->deliveryCycles();

    const auto start = std::chrono::steady_clock::now();
    const auto floodTime = std::chrono::milliseconds(600);
    int sent = 0;
    QByteArray status;
    while (std::chrono::steady_clock::now() - start < floodTime) {
        ASSERT_TRUE(sendScript(sender, "pathbusy-1.0", "n = " + QByteArray::number(sent) + ";"));
        ++sent;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (status.isEmpty() && std::chrono::steady_clock::now() - start > floodTime / 2)
            status = sender.ping("pathbusy-1.0", "STATUS");
    }
    const uint64_t full = thread->fullCycles() - fullBefore;
    const uint64_t deliveries = thread->deliveryCycles() - deliveriesBefore;

    // The thread endpoint answered in the middle of the flood.
    EXPECT_EQ(status, QByteArray("IDLE"));
    // 600 ms hold about six whole cycles; a loaded machine may lose one or two, never all.
    EXPECT_GE(full, 3u) << "deliveries " << deliveries;
    EXPECT_LE(full, 12u) << "a whole cycle ran for (nearly) every arrival";
    EXPECT_GT(deliveries, 0u);
    // Every message arrived, in order.
    CrosswireEndpoint *main = receiver.mainEndpoint();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (main->received().size() < size_t(sent) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(main->received().size(), size_t(sent));
    for (int i = 0; i < sent; ++i) {
        auto message = main->received().pick();
        ASSERT_TRUE(message);
        ASSERT_EQ(message->body, "n = " + QByteArray::number(i) + ";");
    }
}
