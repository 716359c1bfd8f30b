#include "apps/peer/peerlog.h"
#include "tests/support/testenvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using TessalyApps::PeerLog;

struct EscapeRow
{
    const char *name;
    QByteArray script;
    QByteArray line;
};

class PeerLogEscape : public ::testing::TestWithParam<EscapeRow>
{
};

// Guards against a script's line break splitting it over two log lines, or an escape that
// cannot be told apart from a literal backslash.
TEST_P(PeerLogEscape, OneScriptIsOneLineAndComesBackWhole)
{
    const EscapeRow &row = GetParam();
    EXPECT_EQ(PeerLog::escape(row.script), row.line);
    EXPECT_FALSE(PeerLog::escape(row.script).contains('\n'));
    EXPECT_EQ(PeerLog::unescape(row.line), row.script);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PeerLogEscape,
    ::testing::Values(EscapeRow{"plain", "open('organizeTab', 'requestFromWS');",
                                "open('organizeTab', 'requestFromWS');"},
                      EscapeRow{"lineFeed", "var a = 1;\nimport_files(a);",
                                "var a = 1;\\nimport_files(a);"},
                      EscapeRow{"crlf", "a();\r\nb();", "a();\\r\\nb();"},
                      EscapeRow{"backslashBeforeN", "x('\\n');", "x('\\\\n');"},
                      EscapeRow{"trailingBackslash", "\\", "\\\\"}, EscapeRow{"empty", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PeerLog, AppendsOneLinePerScriptAndIsOffWithoutAPath)
{
    TestEnvironment environment;
    const QString path = environment.root() + QStringLiteral("/peer.log");
    const PeerLog log(path);
    ASSERT_TRUE(log.append("first();\nsecond();"));
    ASSERT_TRUE(log.append("third();"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("first();\\nsecond();\nthird();\n"));

    environment.unset("TESSALY_PEER_LOG");
    EXPECT_FALSE(PeerLog::fromEnvironment().isEnabled());
    EXPECT_FALSE(PeerLog::fromEnvironment().append("x"));
}
