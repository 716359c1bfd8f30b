#include "platform/crypto/crypto.h"

#include <QSet>

#include <gtest/gtest.h>

struct HexRow
{
    QByteArray bytes;
    QByteArray text;
};

class CryptoHex : public ::testing::TestWithParam<HexRow>
{
};

TEST_P(CryptoHex, WritesEachByteUnpadded)
{
    EXPECT_EQ(Crypto::toUnpaddedHex(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, CryptoHex,
                         ::testing::Values(HexRow{QByteArray(), QByteArray()},
                                           HexRow{QByteArray(1, '\0'), "0"},
                                           HexRow{QByteArray("\x0f", 1), "F"},
                                           HexRow{QByteArray("\x10", 1), "10"},
                                           HexRow{QByteArray("\xff\x01\xab", 3), "FF1AB"}));

TEST(Crypto, Md5MatchesTheKnownDigest)
{
    // RFC 1321 test suite value.
    EXPECT_EQ(Crypto::md5("abc").toHex(), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(Crypto::md5(QByteArray()).size(), 16);
}

TEST(Crypto, RandomBytesHaveTheCountAndDiffer)
{
    EXPECT_TRUE(Crypto::randomBytes(0).isEmpty());
    EXPECT_TRUE(Crypto::randomBytes(-3).isEmpty());
    QSet<QByteArray> seen;
    for (int i = 0; i < 32; ++i) {
        const QByteArray bytes = Crypto::randomBytes(16);
        ASSERT_EQ(bytes.size(), 16);
        seen.insert(bytes);
    }
    // Guards against a fixed or badly seeded generator.
    EXPECT_EQ(seen.size(), 32);
}
