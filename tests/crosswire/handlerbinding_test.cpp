// Which handler a received message goes to when a peer's serial numbers meet ours: both sides
// number from 1, so a serial number alone never tells a peer's new message from a response to
// our own exchange.

#include "crosswire/crosswireendpoint.h"
#include "crosswire/messageglobals.h"
#include "tests/crosswire/crosswirepeerprocess.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::Peer;
using CrosswireTest::pumpUntil;
using CrosswireTest::RecordingHandler;

namespace {

struct CollisionCase
{
    const char *name;
    const char *peerType;
    const char *body;
    bool reachesExchange; // true: the handler bound to our serial; false: the general one
};

class HandlerBindingTest : public ::testing::TestWithParam<CollisionCase>
{
protected:
    void SetUp() override
    {
        CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
        CrosswireData::MessageGlobals::instance().setAddDigest(true);
    }

    TestEnvironment env;
};

QStringList peerSend(const QByteArray &type, uint32_t serial, const QByteArray &body)
{
    return {
        QStringLiteral("send"),   QStringLiteral("--target"), QStringLiteral("pxolauncher-11.0"),
        QStringLiteral("--type"), QString::fromUtf8(type),    QStringLiteral("--serial"),
        QString::number(serial),  QString::fromUtf8(body)};
}

} // namespace

// Guards against a peer's new message being given to the response handler of our exchange with
// the same serial number (a stand-in's start-up notification was swallowed that way).
TEST_P(HandlerBindingTest, APeerMessageWithOurSerialGoesWhereItsKindBelongs)
{
    const CollisionCase row = GetParam();
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    Peer target({QStringLiteral("hold"), QStringLiteral("--specifier"),
                 QStringLiteral("pxoorganizer-11.0")});
    ASSERT_EQ(target.waitForLine("READY"), QByteArray("READY pxoorganizer-11.0"));

    // Our open exchange: a script to the organizer, waiting for its result.
    Message exchange;
    exchange.target = "pxoorganizer-11.0";
    exchange.body = "open('organizeTab')";
    exchange.responseRequest = "Result";
    exchange.serialNumber = context.nextSerialNumber();
    auto bound = std::make_shared<RecordingHandler>("Scriptara", exchange.serialNumber);
    auto boundProcessed = std::make_shared<RecordingHandler>("Processed", exchange.serialNumber);
    auto general = std::make_shared<RecordingHandler>("Scriptara");
    context.addHandler(bound);
    context.addHandler(boundProcessed);
    context.addHandler(general);
    ASSERT_TRUE(context.send(exchange));

    Peer peer(peerSend(row.peerType, exchange.serialNumber, row.body));
    ASSERT_EQ(peer.waitForLine("SENT"), QByteArray("SENT"));
    const bool processedType = QByteArray(row.peerType) == "Processed";
    ASSERT_TRUE(pumpUntil(context, [&] {
        return !general->entries().empty() || !bound->entries().empty() ||
               !boundProcessed->entries().empty();
    }));
    if (row.reachesExchange) {
        auto &expected = processedType ? boundProcessed : bound;
        ASSERT_EQ(expected->entries().size(), 1u);
        EXPECT_EQ(expected->entries().front().type, QByteArray(row.peerType));
        EXPECT_EQ(expected->entries().front().body, QByteArray(row.body));
        EXPECT_TRUE(general->entries().empty());
    } else {
        ASSERT_EQ(general->entries().size(), 1u);
        EXPECT_EQ(general->entries().front().type, QByteArray(row.peerType));
        EXPECT_EQ(general->entries().front().body, QByteArray(row.body));
        EXPECT_EQ(general->entries().front().serial, exchange.serialNumber);
        EXPECT_TRUE(bound->entries().empty());
        EXPECT_TRUE(boundProcessed->entries().empty());
        // The exchange is still open: its handlers stay for the real response.
        EXPECT_EQ(context.mainEndpoint()->pendingResponses(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Collisions, HandlerBindingTest,
    ::testing::Values(CollisionCase{"NewScript", "Scriptara",
                                    "notification('launched_organizer:ok')", false},
                      CollisionCase{"NewDebug", "Debug", "trace", false},
                      CollisionCase{"Result", "Result", "42", true},
                      CollisionCase{"Error", "Error", "ERROR: SCRIPT FAILED", true},
                      CollisionCase{"Processed", "Processed", "", true}),
    [](const ::testing::TestParamInfo<CollisionCase> &info) { return info.param.name; });

// Guards against ping() taking a peer's message that carries the ping's serial number for its
// echo and dropping it.
TEST(PingCollisionTest, APeerMessageWithThePingsSerialStaysForThePump)
{
    TestEnvironment env;
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    auto general = std::make_shared<RecordingHandler>("Scriptara");
    context.addHandler(general);

    const uint32_t pingSerial = context.peekSerialNumber();
    Peer peer(peerSend("Scriptara", pingSerial, "notification('launched_editor:ok')"));
    ASSERT_EQ(peer.waitForLine("SENT"), QByteArray("SENT"));
    CrosswireEndpoint *main = context.mainEndpoint();
    for (int i = 0; i < 500 && main->received().isEmpty(); ++i) {
        main->drainTransport();
        context.waitForIncoming(10);
    }
    ASSERT_EQ(main->received().size(), 1u);

    EXPECT_EQ(context.ping("pxolauncher-11.0", "STATUS"), QByteArray("IDLE"));
    EXPECT_EQ(context.peekSerialNumber(), pingSerial + 1) << "the ping took another serial";
    ASSERT_TRUE(pumpUntil(context, [&] { return !general->entries().empty(); }));
    EXPECT_EQ(general->entries().front().body, QByteArray("notification('launched_editor:ok')"));
}
