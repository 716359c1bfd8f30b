#include "crosswire/clock.h"
#include "crosswire/message.h"
#include "crosswire/sostring.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using KnObjects::Clock;
using KnObjects::SoString;
using KnObjects::Crosswire::Message;

namespace {

const QByteArray kKey = "A1B2C3";

class FixedClock
{
public:
    explicit FixedClock(int64_t seconds)
    {
        Clock::setSourceForTesting([seconds] { return double(seconds) * 1000.0; });
    }
    ~FixedClock() { Clock::setSourceForTesting({}); }
};

Message sample()
{
    Message message;
    message.target = "pxoorganizer-11.0";
    message.sender = "pxolauncher-11.0";
    message.body = "open('organizeTab', 'requestFromWS');";
    message.serialNumber = 7;
    return message;
}

QByteArray text(const Message &message)
{
    SoString out;
    EXPECT_TRUE(message.toString(out));
    return out.toByteArray();
}

} // namespace

TEST(Message, HasTheDefaultsOfANewMessage)
{
    FixedClock clock(1000);
    Message message;
    EXPECT_EQ(message.type, QByteArray("Scriptara"));
    EXPECT_EQ(message.version, QByteArray("2.05"));
    EXPECT_EQ(message.timestamp, 1000);
    EXPECT_EQ(message.timeout, 0);
    EXPECT_EQ(message.received, Message::kUnset);
    EXPECT_EQ(message.result, Message::kUnset);
    EXPECT_EQ(message.error, Message::kUnset);
    EXPECT_TRUE(message.status.isEmpty());
}

TEST(Message, WritesTheFieldsInWireOrder)
{
    FixedClock clock(1700000000);
    Message message = sample();
    message.timeout = 30;
    message.responseRequest = "Result Error";
    message.setHeader("First", "1");
    message.setHeader("Second", " two");
    message.result = 3;
    const QByteArray expected =
        "@CW>Version:2.05\nTarget:pxoorganizer-11.0\nSender:pxolauncher-11.0\n"
        "Sender-ID:localhost:win" +
        QByteArray::number(::getpid()) +
        "\nTimeout:30\nType:Scriptara\nResponse-Request:Result Error\n"
        "Second: two\nFirst:1\nTimestamp: 1700000000\nSerial-Number:7\n"
        "Result:3\nContent-Length:37\n\n"
        "open('organizeTab', 'requestFromWS');";
    EXPECT_EQ(text(message), expected);
}

struct MissingRow
{
    const char *target;
    const char *sender;
};

class MessageNeedsAddresses : public ::testing::TestWithParam<MissingRow>
{
};

TEST_P(MessageNeedsAddresses, ToStringFails)
{
    Message message = sample();
    message.target = GetParam().target;
    message.sender = GetParam().sender;
    SoString out;
    EXPECT_FALSE(message.toString(out));
    EXPECT_TRUE(out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, MessageNeedsAddresses,
                         ::testing::Values(MissingRow{"", "s"}, MissingRow{"t", ""},
                                           MissingRow{"", ""}));

// Guards against a field forging header lines of its own on the wire.
TEST(Message, RefusesLineBreaksInFieldsAndHeaders)
{
    Message message = sample();
    EXPECT_FALSE(message.setHeader("Name", "a\nTarget:evil"));
    EXPECT_FALSE(message.setHeader("Na:me", "x"));
    EXPECT_FALSE(message.setHeader("", "x"));
    EXPECT_TRUE(message.headers.isEmpty());
    message.type = "Scriptara\nResult:1";
    SoString out;
    EXPECT_FALSE(message.toString(out));
}

TEST(Message, HeaderListReplacesAndPutsNewNamesFirst)
{
    Message message;
    message.setHeader("A", "1");
    message.setHeader("B", int64_t(-2));
    message.setHeaderUnsigned("C", 3u);
    message.setHeader("A", "again");
    ASSERT_EQ(message.headers.size(), 3);
    EXPECT_EQ(message.headers[0].first, QByteArray("C"));
    EXPECT_EQ(message.header("A"), QByteArray("again"));
    EXPECT_EQ(message.header("B"), QByteArray("-2"));
    EXPECT_TRUE(message.header("missing").isEmpty());
    message.removeHeader("B");
    EXPECT_FALSE(message.hasHeader("B"));
}

TEST(Message, RefusesMoreHeadersThanItsLimit)
{
    Message message;
    for (int i = 0; i < Message::kMaxHeaders; ++i)
        ASSERT_TRUE(message.setHeader("H" + QByteArray::number(i), "v"));
    EXPECT_FALSE(message.setHeader("one-too-many", "v"));
    EXPECT_TRUE(message.setHeader("H0", "replaced")) << "replacing stays allowed";
}

TEST(Message, ReservedHeadersGetThePrefixOnlyInNewVersions)
{
    Message message = sample();
    message.setHeader("Target", "shadow");
    EXPECT_TRUE(text(message).contains("\n@HDR>Target:shadow\n"));
    message.version = "2.0";
    EXPECT_TRUE(text(message).contains("\nTarget:shadow\n"));
    EXPECT_FALSE(text(message).contains("@HDR>"));
}

TEST(Message, RoundTripsThroughTheDigestedText)
{
    Message message = sample();
    message.timeout = 12;
    message.setHeader("Custom", "value with : colon");
    message.setHeader("Type", "reserved");
    SoString out;
    ASSERT_TRUE(message.streamOut(out, true, kKey));
    ASSERT_TRUE(out.toByteArray().startsWith("@CW>MD5:"));

    Message parsed;
    const QByteArray wire = out.toByteArray();
    EXPECT_EQ(parsed.parse(wire, true, kKey), size_t(wire.size()));
    EXPECT_TRUE(parsed.status.isEmpty());
    EXPECT_EQ(parsed.target, message.target);
    EXPECT_EQ(parsed.sender, message.sender);
    EXPECT_EQ(parsed.timeout, 12);
    EXPECT_EQ(parsed.type, QByteArray("Scriptara"));
    EXPECT_EQ(parsed.body, message.body);
    EXPECT_EQ(parsed.serialNumber, 7u);
    EXPECT_EQ(parsed.version, QByteArray("2.05"));
    EXPECT_EQ(parsed.header("Custom"), QByteArray("value with : colon"));
    EXPECT_EQ(parsed.header("Type"), QByteArray("reserved"));
    EXPECT_TRUE(parsed.header("Sender-ID").startsWith("localhost:win"));
}

TEST(Message, TheDigestIsMd5OfKeyTextKeyInUnpaddedHex)
{
    // MD5("k+abc+k") = 0a 5f ...: every byte "%X", so leading zeros are dropped.
    const QByteArray digest = Message::digest("abc", 3, "k");
    const QByteArray padded =
        QCryptographicHash::hash("k+abc+k", QCryptographicHash::Md5).toHex().toUpper();
    QByteArray unpadded;
    for (int i = 0; i < 32; i += 2)
        unpadded += padded.mid(i, 2).startsWith('0') ? padded.mid(i + 1, 1) : padded.mid(i, 2);
    EXPECT_EQ(digest, unpadded);
}

struct DigestRow
{
    const char *name;
    bool verify;
    bool tamper;
    bool withDigest;
    const char *status;
};

class MessageDigest : public ::testing::TestWithParam<DigestRow>
{
};

TEST_P(MessageDigest, SetsTheStatus)
{
    const DigestRow &row = GetParam();
    SoString out;
    ASSERT_TRUE(sample().streamOut(out, row.withDigest, kKey));
    QByteArray wire = out.toByteArray();
    if (row.tamper)
        wire.replace("organizeTab", "organizeTap");
    Message parsed;
    parsed.parse(wire, row.verify, kKey);
    EXPECT_EQ(parsed.status, QByteArray(row.status));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MessageDigest,
    ::testing::Values(DigestRow{"intact", true, false, true, ""},
                      DigestRow{"tampered", true, true, true, "REJECTED"},
                      DigestRow{"noDigestVerified", true, false, false, ""},
                      DigestRow{"verificationOff", false, true, true, "NODIGEST"},
                      DigestRow{"noDigestUnverified", false, false, false, "NODIGEST"}),
    [](const auto &info) { return std::string(info.param.name); });

// Guards against the in-place parser keeping a view into the text instead of a copy, or losing
// the header rules: the last value of a repeated header wins, the first digest line counts.
TEST(Message, ParsedHeadersAreCopiesThatFollowTheHeaderRules)
{
    QByteArray text = "@CW>Version:2.05\n"
                      "Target:t-1.0\n"
                      "Sender:s-1.0\n"
                      "@HDR>Type:reserved\n"
                      "Custom:first\n"
                      "no colon here\n"
                      "Custom:second\n"
                      "@HDR>:nameless\n"
                      "Content-Length:2\n"
                      "\n"
                      "ok";
    Message parsed;
    ASSERT_EQ(parsed.parse(text, false, kKey), size_t(text.size()));
    text.fill('#'); // nothing of the message may still point into the buffer
    EXPECT_EQ(parsed.target, QByteArray("t-1.0"));
    EXPECT_EQ(parsed.sender, QByteArray("s-1.0"));
    EXPECT_EQ(parsed.header("Type"), QByteArray("reserved"));
    EXPECT_EQ(parsed.header("Custom"), QByteArray("second"));
    EXPECT_EQ(parsed.headers.size(), 2);
    EXPECT_EQ(parsed.body, QByteArray("ok"));
}

// Guards the sharing of what consecutive messages repeat (addresses, custom headers): each
// message must still get exactly its own values, in the newest-first order, and a change made to
// one parsed message must not show in another.
TEST(Message, ConsecutiveParsesShareOnlyWhatIsTheSame)
{
    auto wire = [](const char *sender, const char *headers) -> QByteArray {
        return QByteArray("Target:t-1.0\nSender:") + sender + "\n" + headers +
               "Content-Length:0\n\n";
    };
    Message first, second, third, fourth;
    first.parse(wire("s-1.0", "A:1\nB:2\n"), false, kKey);
    second.parse(wire("s-1.0", "A:1\nB:2\n"), false, kKey);
    third.parse(wire("S-1.0", "A:1\nB:3\nA:4\n"), false, kKey);
    fourth.parse(wire("s-1.0", "B:2\nA:1\n"), false, kKey);

    const QList<Message::Header> newestFirst{{"B", "2"}, {"A", "1"}};
    EXPECT_EQ(first.headers, newestFirst);
    EXPECT_EQ(second.headers, newestFirst);
    EXPECT_EQ(third.sender, QByteArray("S-1.0"));
    EXPECT_EQ(third.headers, (QList<Message::Header>{{"B", "3"}, {"A", "4"}}));
    EXPECT_EQ(fourth.sender, QByteArray("s-1.0"));
    EXPECT_EQ(fourth.headers, (QList<Message::Header>{{"A", "1"}, {"B", "2"}}));

    second.setHeader("A", "changed");
    second.sender[0] = 'x';
    EXPECT_EQ(first.header("A"), QByteArray("1"));
    EXPECT_EQ(first.sender, QByteArray("s-1.0"));
    Message fifth;
    fifth.parse(wire("s-1.0", "A:1\nB:2\n"), false, kKey);
    EXPECT_EQ(fifth.headers, newestFirst);
    EXPECT_EQ(fifth.sender, QByteArray("s-1.0"));
}

TEST(Message, OnlyTheFirstDigestLineIsChecked)
{
    SoString plain;
    ASSERT_TRUE(sample().toString(plain));
    // The digest covers everything after its own line, a second "@CW>MD5" line included.
    const QByteArray inner = "@CW>MD5:0\n" + plain.toByteArray();
    const QByteArray wire =
        "@CW>MD5:" + Message::digest(inner.constData(), size_t(inner.size()), kKey) + "\n" + inner;
    Message parsed;
    EXPECT_EQ(parsed.parse(wire, true, kKey), size_t(wire.size()));
    EXPECT_TRUE(parsed.status.isEmpty()) << parsed.status.constData();
    EXPECT_EQ(parsed.header("@CW>MD5"), QByteArray("0"));
    EXPECT_EQ(parsed.body, sample().body);
}

// Guards against a kept process id: a forked child must not sign its messages with its parent's.
TEST(Message, AForkedChildWritesItsOwnProcessId)
{
    Message message = sample();
    SoString parentText;
    ASSERT_TRUE(message.toString(parentText));
    EXPECT_TRUE(parentText.toByteArray().contains(
        QByteArray("Sender-ID:localhost:win" + QByteArray::number(::getpid()) + "\n")));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SoString childText;
        message.toString(childText);
        [[maybe_unused]] const ssize_t n =
            ::write(pipeEnds[1], childText.data(), childText.length());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray fromChild;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        fromChild.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(fromChild.contains(
        QByteArray("Sender-ID:localhost:win" + QByteArray::number(child) + "\n")))
        << fromChild.constData();
}

TEST(Message, AWrongKeyIsRejected)
{
    SoString out;
    ASSERT_TRUE(sample().streamOut(out, true, kKey));
    Message parsed;
    parsed.parse(out.toByteArray(), true, "other key");
    EXPECT_EQ(parsed.status, QByteArray("REJECTED"));
}

struct PrefixRow
{
    const char *versionLine;
    const char *version;
    const char *headerName;
};

class MessageVersionPrefix : public ::testing::TestWithParam<PrefixRow>
{
};

TEST_P(MessageVersionPrefix, DecidesWhetherHdrIsStripped)
{
    const QByteArray wire = QByteArray(GetParam().versionLine) +
                            "Target:t\nSender:s\n@HDR>Type:inner\nContent-Length:0\n\n";
    Message parsed;
    parsed.parse(wire, false, kKey);
    EXPECT_EQ(parsed.version, QByteArray(GetParam().version));
    ASSERT_EQ(parsed.headers.size(), 1);
    EXPECT_EQ(parsed.headers[0].first, QByteArray(GetParam().headerName));
    EXPECT_EQ(parsed.type, QByteArray("Scriptara")) << "a prefixed header never sets a field";
}

INSTANTIATE_TEST_SUITE_P(Rows, MessageVersionPrefix,
                         ::testing::Values(PrefixRow{"", "1.0", "Type"},
                                           PrefixRow{"@CW>Version:1.0\n", "1.0", "@HDR>Type"},
                                           PrefixRow{"@CW>Version:2.0\n", "2.0", "@HDR>Type"},
                                           PrefixRow{"@CW>Version:2.05\n", "2.05", "Type"},
                                           PrefixRow{"Version:3\n", "@CW>3", "Type"},
                                           PrefixRow{"@CW>Version:\n", "", "@HDR>Type"}));

TEST(Message, NumbersKeepTheirLeadingBlanksAndValuesAreNotTrimmed)
{
    const QByteArray wire =
        "Target: t \nSender:s\nTimestamp:   1234\nTimeout: 5\nSerial-Number:  9\n"
        "X:  spaced  \nContent-Length:   3\n\nabc";
    Message parsed;
    parsed.parse(wire, false, kKey);
    EXPECT_EQ(parsed.target, QByteArray(" t "));
    EXPECT_EQ(parsed.timestamp, 1234);
    EXPECT_EQ(parsed.timeout, 5);
    EXPECT_EQ(parsed.serialNumber, 9u);
    EXPECT_EQ(parsed.header("X"), QByteArray("  spaced  "));
    EXPECT_EQ(parsed.body, QByteArray("abc"));
}

TEST(Message, TwoMessagesInOneBufferParseOneAfterTheOther)
{
    SoString first, second;
    Message a = sample();
    Message b = sample();
    b.body = "second";
    b.serialNumber = 8;
    ASSERT_TRUE(a.streamOut(first, true, kKey));
    ASSERT_TRUE(b.streamOut(second, true, kKey));
    const QByteArray buffer = first.toByteArray() + "\n\n" + second.toByteArray();
    Message parsed;
    const size_t consumed = parsed.parse(buffer, true, kKey);
    EXPECT_EQ(consumed, size_t(first.length() + 2)) << "following newlines are consumed";
    EXPECT_EQ(parsed.serialNumber, 7u);
    EXPECT_TRUE(parsed.status.isEmpty());
    Message next;
    const size_t rest =
        next.parse(buffer.constData() + consumed, buffer.size() - consumed, true, kKey);
    EXPECT_EQ(consumed + rest, size_t(buffer.size()));
    EXPECT_EQ(next.body, QByteArray("second"));
    EXPECT_EQ(next.serialNumber, 8u);
    EXPECT_TRUE(next.status.isEmpty());
}

// Guards against reading past the buffer when Content-Length lies.
TEST(Message, AContentLengthLargerThanTheTextNeverReadsPastIt)
{
    const QByteArray wire = "Target:t\nSender:s\nContent-Length:4000000000\n\nshort";
    const QByteArray exact(wire.constData(), wire.size()); // no slack after the data
    Message parsed;
    EXPECT_EQ(parsed.parse(exact.constData(), size_t(exact.size()), false, kKey),
              size_t(exact.size()));
    EXPECT_EQ(parsed.body, QByteArray("short"));
    EXPECT_EQ(parsed.contentLength, 4000000000u);
}

TEST(Message, ParsingReplacesEverythingOfThePreviousMessage)
{
    Message message = sample();
    message.setHeader("Old", "1");
    message.timeout = 9;
    message.parse(QByteArray("Target:x\nSender:y\nContent-Length:0\n\n"), false, kKey);
    EXPECT_TRUE(message.headers.isEmpty());
    EXPECT_EQ(message.timeout, 0);
    EXPECT_EQ(message.serialNumber, 0u);
    EXPECT_TRUE(message.body.isEmpty());
}

struct LegacyRow
{
    const char *line;
    const char *type;
    const char *resultType;
};

class MessageLegacyReference : public ::testing::TestWithParam<LegacyRow>
{
};

TEST_P(MessageLegacyReference, BecomesTheSerialAndType)
{
    const QByteArray wire = QByteArray("Target:t\nSender:s\nType:") + GetParam().type +
                            "\nSerial-Number:99\n" + GetParam().line + "Content-Length:0\n\n";
    Message parsed;
    parsed.parse(wire, false, kKey);
    EXPECT_EQ(parsed.type, QByteArray(GetParam().resultType));
    const bool debug = QByteArray(GetParam().type) == "Debug";
    EXPECT_EQ(parsed.serialNumber, debug ? 99u : 41u);
    EXPECT_EQ(parsed.hasReplyReference(), debug);
}

INSTANTIATE_TEST_SUITE_P(Rows, MessageLegacyReference,
                         ::testing::Values(LegacyRow{"Received:41\n", "Scriptara", "Received"},
                                           LegacyRow{"Result:41\n", "Scriptara", "Result"},
                                           LegacyRow{"Error:41\n", "Scriptara", "Error"},
                                           LegacyRow{"Result:41\n", "Debug", "Debug"}));

TEST(Message, ATimeoutWithoutTimestampGetsTheCurrentTime)
{
    FixedClock clock(5555);
    Message parsed;
    parsed.parse(QByteArray("Target:t\nSender:s\nTimeout:10\n\n"), false, kKey);
    EXPECT_EQ(parsed.timestamp, 5555);
}

TEST(Message, HeaderCountIsLimitedWhenParsing)
{
    QByteArray wire = "Target:t\nSender:s\n";
    for (int i = 0; i < Message::kMaxHeaders + 10; ++i)
        wire += "H" + QByteArray::number(i) + ":v\n";
    wire += "Content-Length:1\n\nz";
    Message parsed;
    EXPECT_EQ(parsed.parse(wire, false, kKey), size_t(wire.size()));
    EXPECT_EQ(parsed.headers.size(), Message::kMaxHeaders);
    EXPECT_EQ(parsed.body, QByteArray("z"));
}

struct EventRow
{
    const char *type;
    uint32_t Message::*reference;
    int code;
};

class MessageEventCode : public ::testing::TestWithParam<EventRow>
{
};

TEST_P(MessageEventCode, FollowsTypeAndReference)
{
    Message message;
    message.type = GetParam().type;
    if (GetParam().reference)
        message.*(GetParam().reference) = 4;
    EXPECT_EQ(message.eventCode(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MessageEventCode,
    ::testing::Values(EventRow{"Scriptara", nullptr, 1}, EventRow{"Debug", nullptr, 1},
                      EventRow{"Scriptara", &Message::received, 2},
                      EventRow{"Scriptara", &Message::result, 3},
                      EventRow{"Debug", &Message::error, 4}, EventRow{"Received", nullptr, 2},
                      EventRow{"Result", nullptr, 3}, EventRow{"Error", nullptr, 4},
                      EventRow{"Timeout", nullptr, 5}, EventRow{"Log", nullptr, 6},
                      EventRow{"Idle", nullptr, 7}, EventRow{"Processed", nullptr, 0},
                      EventRow{"Custom", nullptr, 0}));

TEST(Message, AResponseSwapsTheAddressesAndKeepsTheSerial)
{
    Message message = sample();
    message.responseRequest = "Result";
    message.timeout = 50;
    auto response = message.makeResponse("Result", "own");
    EXPECT_EQ(response->target, message.sender);
    EXPECT_EQ(response->sender, message.target);
    EXPECT_EQ(response->type, QByteArray("Result"));
    EXPECT_EQ(response->serialNumber, 7u);
    EXPECT_TRUE(response->responseRequest.isEmpty());
    EXPECT_EQ(response->timeout, 0);

    message.target.clear();
    EXPECT_EQ(message.makeResponse("Received", "own")->sender, QByteArray("own"));
    message.type = "Custom";
    EXPECT_EQ(message.makeResponse("Special", "own")->type, QByteArray("SpecialCustom"));
}

TEST(Message, AResponseToAVersionlessMessageUsesTheLegacyReference)
{
    Message message = sample();
    message.version.clear();
    auto response = message.makeResponse("Result", "own");
    EXPECT_EQ(response->type, QByteArray("Scriptara"));
    EXPECT_EQ(response->serialNumber, 0u);
    EXPECT_EQ(response->result, 7u);
}

TEST(Message, DescribesItselfInTheDiagnosticsTree)
{
    Message message = sample();
    message.timestamp = 0;
    message.setHeader("K", "V");
    const QByteArray tree = message.diagnostics("/instances/x/in");
    EXPECT_TRUE(tree.startsWith("/instances/x/in/msg7;1;msg00000007["));
    EXPECT_TRUE(tree.contains("/instances/x/in/msg7/version;0;@CW>Version;2.05;\n"));
    EXPECT_TRUE(tree.contains("/msg7/timeout;0;Timeout;undefined;\n"));
    EXPECT_TRUE(
        tree.contains("/msg7/headers;1;Headers;;\n/instances/x/in/msg7/headers/K;0;K;V;\n"));
    EXPECT_TRUE(tree.contains("/msg7/timestamp;0;Timestamp;undefined;\n"));
    EXPECT_TRUE(tree.contains("/msg7/received;0;Received;undefined;\n"));
    EXPECT_TRUE(
        tree.contains("/msg7/body;1;Body;37 bytes;\n/instances/x/in/msg7/body/text;0;Text;open("));
    message.body.clear();
    message.headers.clear();
    EXPECT_TRUE(message.diagnostics("").contains("/msg7/body;0;Body;(empty);\n"));
    EXPECT_TRUE(message.diagnostics("").contains("/msg7/headers;0;Headers;(no headers);\n"));
}

// Guards the digest's kept beginnings: texts that share their first lines, under the same and
// under another key, texts that differ only inside the shared part, and texts without a time
// stamp line each get the digest of their own bytes.
TEST(Message, DigestsOfTextsWithACommonBeginningAreTheirOwn)
{
    auto expected = [](const QByteArray &text, const QByteArray &key) {
        const QByteArray hash = QCryptographicHash::hash(QByteArray(key + "+" + text + "+" + key),
                                                         QCryptographicHash::Md5);
        QByteArray unpadded;
        for (const char c : hash)
            unpadded += QByteArray::number(uchar(c), 16).toUpper();
        return unpadded;
    };
    const QByteArray lead = "@CW>Version:2.05\nTarget:pxoorganizer-11.0-en_us\n"
                            "Sender:pxolauncher-11.0-en_us\nSender-ID:localhost:win77\n"
                            "Type:Scriptara\n";
    const QByteArray changedInLead = QByteArray(lead).replace("win77", "win78");
    const QByteArrayList texts{
        lead + "Timestamp: 1\nSerial-Number:1\nContent-Length:1\n\nA",
        lead + "Timestamp: 2\nSerial-Number:2\nContent-Length:1\n\nB",
        changedInLead + "Timestamp: 2\nSerial-Number:2\nContent-Length:1\n\nB",
        lead.left(20) + "\nTimestamp: 3\n",
        lead + "Serial-Number:3\n",
        "Timestamp: 4\n" + lead,
    };
    for (const QByteArray &key : {QByteArray("0123456789ABCDEF0123456789ABCDEF"), QByteArray("k"),
                                  QByteArray("0123456789ABCDEF0123456789ABCDEF")}) {
        for (int round = 0; round < 2; ++round) {
            for (const QByteArray &text : texts)
                EXPECT_EQ(Message::digest(text.constData(), size_t(text.size()), key),
                          expected(text, key))
                    << text.constData();
        }
    }
}

// Guards against a header passing for the digest line: one smuggled in as "@HDR>@CW>Digest" was
// kept and written back plainly, so the message's own digest no longer verified.
TEST(Message, NoHeaderTakesTheNameOfADigestLine)
{
    const QByteArray text = "Target:t-1.0\n"
                            "Sender:s-1.0\n"
                            "@HDR>@CW>Digest:\n"
                            "Content-Length:2\n"
                            "\n"
                            "ok";
    Message parsed;
    ASSERT_EQ(parsed.parse(text, false, kKey), size_t(text.size()));
    EXPECT_TRUE(parsed.headers.isEmpty());
    SoString out;
    ASSERT_TRUE(parsed.streamOut(out, true, kKey));
    Message again;
    again.parse(out.toByteArray(), true, kKey);
    EXPECT_EQ(again.status, QByteArray());
    EXPECT_EQ(again.body, QByteArray("ok"));

    Message message = sample();
    EXPECT_FALSE(message.setHeader("@CW>Digest", "x"));
    EXPECT_TRUE(message.setHeader("@CW>Other", "x"));
}
