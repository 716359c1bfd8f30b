// A message is one datagram: up to the limit (the datagram the system allows, or the longest
// message text when that is smaller) it arrives whole; one byte past it the sender is answered
// with an Error at once, and nothing is cut or left to retry.

#include "crosswire/crosswireendpoint.h"
#include "crosswire/interappstream.h"
#include "crosswire/messageglobals.h"
#include "crosswire/sostring.h"
#include "platform/mailslot/mailslot.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::RecordingHandler;

namespace {

constexpr const char *kTarget = "pxoeditor-11.0";

class DatagramLimitTest : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        // Without a digest line the text length follows the body length byte for byte.
        CrosswireData::MessageGlobals::instance().setAddDigest(false);
    }
    void TearDown() override { CrosswireData::MessageGlobals::instance().setAddDigest(true); }

    TestEnvironment env;
};

Message script(const QByteArray &body, uint32_t serial)
{
    Message m;
    m.target = kTarget;
    m.sender = "pxolauncher-11.0";
    m.body = body;
    // "Processed" already asked for, so send() leaves the text as long as measured here.
    m.responseRequest = "Error Processed";
    m.serialNumber = serial;
    return m;
}

qsizetype wireLength(const Message &message)
{
    SoString text;
    return message.streamOut(text, false, {}) ? qsizetype(text.length()) : -1;
}

} // namespace

// Guards against a message past the datagram limit being cut or queued for ten minutes of
// retries, and against the limit refusing what still fits.
TEST_P(DatagramLimitTest, ArrivesWholeUpToTheLimitAndIsRefusedAtOnceBeyondIt)
{
    const int overLimit = GetParam();
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0", false));
    auto writer = InterAppStream::writer("x", context.identity().userId);
    auto peer = Mailslot::create(QString::fromUtf8(writer->mailslotName(kTarget))).mailslot;
    ASSERT_TRUE(peer);

    // Whichever binds first: the datagram the system allows, or the longest message text.
    const qint64 datagramLimit = context.mainEndpoint()->stream()->maxMessageSize();
    const qint64 limit = qMin<qint64>(datagramLimit, Message::kMaxTextLength);
    const QByteArray refusal = datagramLimit < Message::kMaxTextLength
                                   ? QByteArray("ERROR: MESSAGE TOO LARGE")
                                   : QByteArray("ERROR: CAN'T STREAM MESSAGE TO STRING");
    const uint32_t serial = context.nextSerialNumber();
    const qsizetype probeBody = qsizetype(limit) - 400;
    const qsizetype overhead = wireLength(script(QByteArray(probeBody, 'x'), serial)) - probeBody;
    const qsizetype bodySize = qsizetype(limit) - overhead + overLimit;

    Message m = script(QByteArray(bodySize, 'b'), serial);
    if (overLimit <= 0 || datagramLimit < Message::kMaxTextLength)
        ASSERT_EQ(wireLength(m), qsizetype(limit) + overLimit);
    else
        ASSERT_EQ(wireLength(m), -1) << "a text past the longest message is refused";
    auto errors = std::make_shared<RecordingHandler>("Scriptara", serial);
    context.addHandler(errors);

    const bool sent = context.send(m, false);
    context.pump(CrosswireContext::kProcessIncoming);
    const Mailslot::ReadResult read = peer->read();
    if (overLimit <= 0) {
        EXPECT_TRUE(sent);
        EXPECT_TRUE(errors->entries().empty());
        ASSERT_EQ(read.status, Mailslot::ReadStatus::Message);
        Message arrived;
        EXPECT_EQ(arrived.parse(read.data, false, {}), size_t(read.data.size()));
        EXPECT_EQ(arrived.body, m.body);
    } else {
        EXPECT_FALSE(sent);
        ASSERT_EQ(errors->entries().size(), 1u);
        EXPECT_EQ(errors->entries().front().type, QByteArray("Error"));
        EXPECT_EQ(errors->entries().front().body, refusal);
        EXPECT_EQ(errors->entries().front().errorCode, QByteArray("59"));
        EXPECT_EQ(read.status, Mailslot::ReadStatus::Empty);
    }
    EXPECT_TRUE(context.mainEndpoint()->outgoing().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(AroundTheLimit, DatagramLimitTest, ::testing::Values(-1, 0, 1),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param < 0    ? std::string("OneBelow")
                                    : info.param == 0 ? std::string("AtTheLimit")
                                                      : std::string("OneAbove");
                         });
