#include "components/pip/usagerecord.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

struct TextRow
{
    const char *name;
    const char *utf8;
    qsizetype maxBytes;
    const char16_t *expected;
    bool truncated;
};

class UsageRecordTextTest : public ::testing::TestWithParam<TextRow>
{
};

TEST_P(UsageRecordTextTest, CutsAtACharacterBoundary)
{
    bool truncated = false;
    const QString text = UsageRecord::text(GetParam().utf8, GetParam().maxBytes, &truncated);
    EXPECT_EQ(text, QString::fromUtf16(GetParam().expected));
    EXPECT_EQ(truncated, GetParam().truncated);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageRecordTextTest,
    ::testing::Values(TextRow{"belowLimit", "abc", 4, u"abc", false},
                      TextRow{"atLimit", "abcd", 4, u"abcd", false},
                      TextRow{"pastLimit", "abcde", 4, u"abcd", true},
                      // "é" is two bytes: cutting after its first would leave half a character.
                      TextRow{"splitTwoByte", "a\xc3\xa9", 2, u"a", true},
                      TextRow{"wholeTwoByte", "a\xc3\xa9", 3, u"a\u00e9", false},
                      TextRow{"splitFourByte", "ab\xf0\x9f\x93\xb7", 5, u"ab", true},
                      TextRow{"invalid",
                              "a\xff"
                              "b",
                              10, u"a\ufffdb", false},
                      TextRow{"null", nullptr, 4, u"", false}, TextRow{"empty", "", 4, u"", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(UsageRecord, LineIsOneCompactJsonObject)
{
    QJsonObject record;
    record.insert(QStringLiteral("name"), QStringLiteral("two\nlines \"quoted\" \\"));
    record.insert(QStringLiteral("value"), 3);
    const QByteArray line = UsageRecord::line(record);
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    EXPECT_EQ(QJsonDocument::fromJson(line).object(), record);
}

} // namespace
