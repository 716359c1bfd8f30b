// Two real processes talking through the mailslot folder: this test process on one side, the
// crosswire_peer helper on the other.

#include "crosswire/crosswireendpoint.h"
#include "crosswire/interappstream.h"
#include "crosswire/messageglobals.h"
#include "crosswire/sostring.h"
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

class TwoProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
        CrosswireData::MessageGlobals::instance().setAddDigest(true);
    }

    TestEnvironment env;
};

QByteArray escaped(QByteArray body)
{
    body.replace('\\', "\\\\");
    body.replace('\n', "\\n");
    return body;
}

} // namespace

TEST_F(TwoProcessTest, AScriptArrivesWholeAndIsAnsweredWithReceivedResultProcessed)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    Peer peer({QStringLiteral("listen"), QStringLiteral("--specifier"),
               QStringLiteral("pxoorganizer-11.0"), QStringLiteral("--answer"),
               QStringLiteral("42")});
    ASSERT_EQ(peer.waitForLine("READY"), QByteArray("READY pxoorganizer-11.0"));

    Message m;
    m.target = "pxoorganizer-11.0";
    m.body = "open('organizeTab', 'requestFromWS');\n// zweite Zeile – \xc3\xbc \\ done";
    m.responseRequest = "Received Result";
    m.serialNumber = context.nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    auto processed = std::make_shared<RecordingHandler>("Processed", m.serialNumber);
    context.addHandler(responses);
    context.addHandler(processed);
    ASSERT_TRUE(context.send(m));
    EXPECT_TRUE(pumpUntil(context, [&] { return !processed->entries().empty(); }));

    EXPECT_EQ(peer.waitForLine("MSG"), "MSG pxolauncher-11.0 " +
                                           QByteArray::number(m.serialNumber) + " Scriptara " +
                                           escaped(m.body));
    const auto entries = responses->entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].type, QByteArray("Received"));
    EXPECT_EQ(entries[1].type, QByteArray("Result"));
    EXPECT_EQ(entries[1].body, QByteArray("42"));
    EXPECT_EQ(entries[1].sender, QByteArray("pxoorganizer-11.0"));
    ASSERT_EQ(processed->entries().size(), 1u);
}

struct TransportDigestRow
{
    const char *name;
    bool peerVerifies;
    const char *digestLine; // nullptr: the right digest
    bool processed;
};

class TwoProcessDigest : public TwoProcessTest,
                         public ::testing::WithParamInterface<TransportDigestRow>
{
};

TEST_P(TwoProcessDigest, DecidesWhetherTheMessageIsProcessed)
{
    const TransportDigestRow &row = GetParam();
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    QStringList arguments = {QStringLiteral("listen"), QStringLiteral("--specifier"),
                             QStringLiteral("pxoeditor-11.0"), QStringLiteral("--answer"),
                             QStringLiteral("ok")};
    if (!row.peerVerifies)
        arguments << QStringLiteral("--no-verify");
    Peer peer(arguments);
    ASSERT_FALSE(peer.waitForLine("READY").isEmpty());

    Message m;
    m.target = "pxoeditor-11.0";
    m.sender = "pxolauncher-11.0";
    m.body = "1 + 1";
    m.responseRequest = "Result Error";
    m.serialNumber = context.nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", m.serialNumber);
    context.addHandler(responses);
    SoString text;
    if (row.digestLine) {
        ASSERT_TRUE(m.toString(text));
        const QByteArray wire = QByteArray(row.digestLine) + text.toByteArray();
        ASSERT_EQ(context.mainEndpoint()->stream()->write(m.target, wire),
                  BaseInterAppStream::WriteResult::Written);
    } else {
        ASSERT_TRUE(context.send(m));
    }
    EXPECT_TRUE(pumpUntil(context, [&] { return !responses->entries().empty(); }));
    ASSERT_EQ(responses->entries().size(), 1u);
    const auto entry = responses->entries()[0];
    if (row.processed) {
        EXPECT_EQ(entry.type, QByteArray("Result"));
        EXPECT_EQ(entry.body, QByteArray("ok"));
    } else {
        EXPECT_EQ(entry.type, QByteArray("Error"));
        EXPECT_EQ(entry.body, QByteArray("ERROR: MESSAGE REJECTED"));
        EXPECT_EQ(entry.errorCode, QByteArray("53"));
        for (const QByteArray &line : peer.lines())
            EXPECT_FALSE(line.startsWith("MSG")) << "a rejected script never ran";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TwoProcessDigest,
                         ::testing::Values(TransportDigestRow{"rightDigest", true, nullptr, true},
                                           TransportDigestRow{"noDigest", true, "", true},
                                           TransportDigestRow{"wrongDigest", true,
                                                              "@CW>MD5:DEADBEEF\n", false},
                                           TransportDigestRow{"wrongDigestUnverified", false,
                                                              "@CW>MD5:DEADBEEF\n", true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TwoProcessTest, InstancesOneToEightThenNoStreamAndACrashedOwnerIsReplacedAtOnce)
{
    // The identity is made here once, so every peer shares the user's folder.
    CrosswireTest::identity();
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < 10; ++i) {
        peers.push_back(std::make_unique<Peer>(QStringList{QStringLiteral("hold"),
                                                           QStringLiteral("--specifier"),
                                                           QStringLiteral("pxoeditor-11.0")}));
        const QByteArray expected = i == 0   ? QByteArray("READY pxoeditor-11.0")
                                    : i <= 8 ? "READY pxoeditor_" + QByteArray::number(i) + "-11.0"
                                             : QByteArray("NOSTREAM");
        ASSERT_EQ(peers.back()->waitForLine(i <= 8 ? "READY" : "NOSTREAM"), expected)
            << "peer " << i;
    }
    peers[0]->crash();
    Peer again(
        {QStringLiteral("hold"), QStringLiteral("--specifier"), QStringLiteral("pxoeditor-11.0")});
    EXPECT_EQ(again.waitForLine("READY"), QByteArray("READY pxoeditor-11.0"));
}

TEST_F(TwoProcessTest, TenThousandMessagesArriveOnceAndInOrder)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    Peer peer({QStringLiteral("listen"), QStringLiteral("--specifier"),
               QStringLiteral("pxoorganizer-11.0")});
    ASSERT_FALSE(peer.waitForLine("READY").isEmpty());
    constexpr int count = 10000;
    for (int i = 0; i < count; ++i) {
        Message m;
        m.target = "pxoorganizer-11.0";
        m.body = "n=" + QByteArray::number(i);
        ASSERT_TRUE(context.send(m)) << "message " << i;
    }
    QByteArrayList received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < count && timer.elapsed() < 120000) {
        const QByteArray line = peer.waitForLine("MSG", 1000);
        if (!line.isEmpty())
            received.append(line);
    }
    ASSERT_EQ(received.size(), count);
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(received[i].endsWith(QByteArray(" Scriptara n=" + QByteArray::number(i))))
            << received[i].constData();
    EXPECT_TRUE(peer.waitForLine("MSG", 300).isEmpty()) << "nothing arrives twice";
}

TEST_F(TwoProcessTest, AnotherProcessGetsTheResultOfItsMessage)
{
    CrosswireContext context(CrosswireTest::identity());
    ASSERT_TRUE(context.init("pxolauncher-11.0"));
    auto handler = std::make_shared<RecordingHandler>("Scriptara", -1, "handled");
    context.addHandler(handler);
    Peer peer({QStringLiteral("send"), QStringLiteral("--target"),
               QStringLiteral("pxolauncher-11.0"), QStringLiteral("--request"),
               QStringLiteral("Result"), QStringLiteral("--wait"), QStringLiteral("5000"),
               QStringLiteral("hello()")});
    ASSERT_EQ(peer.waitForLine("SENT"), QByteArray("SENT"));
    EXPECT_TRUE(pumpUntil(context, [&] { return !handler->entries().empty(); }));
    EXPECT_EQ(peer.waitForLine("3 Result"), QByteArray("3 Result  handled"));
    ASSERT_EQ(handler->entries().size(), 1u);
    EXPECT_EQ(handler->entries()[0].body, QByteArray("hello()"));
}

TEST_F(TwoProcessTest, AProcessThatMayNotLaunchIsToldTheTargetDoesNotRun)
{
    CrosswireTest::identity();
    Peer peer({QStringLiteral("send"), QStringLiteral("--target"),
               QStringLiteral("pxoorganizer-11.0"), QStringLiteral("--request"),
               QStringLiteral("Error"), QStringLiteral("--wait"), QStringLiteral("500"),
               QStringLiteral("x()")});
    EXPECT_EQ(peer.waitForLine("FAILED"), QByteArray("FAILED"));
    EXPECT_EQ(peer.waitForLine("4 Error"), QByteArray("4 Error 59 ERROR: LAUNCHING IS SUPPRESSED"));
}
