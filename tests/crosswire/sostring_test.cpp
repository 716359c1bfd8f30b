#include "crosswire/sostring.h"

#include <gtest/gtest.h>

#include <limits>

using KnObjects::SoString;

struct CapacityRow
{
    size_t length;
    size_t capacity;
};

class SoStringCapacity : public ::testing::TestWithParam<CapacityRow>
{
};

TEST_P(SoStringCapacity, GrowsInStepsOf128)
{
    SoString text;
    EXPECT_EQ(text.capacity(), 128u);
    ASSERT_TRUE(text.append(QByteArray(qsizetype(GetParam().length), 'x')));
    EXPECT_EQ(text.length(), GetParam().length);
    EXPECT_EQ(text.capacity(), GetParam().capacity);
    EXPECT_EQ(text.data()[text.length()], '\0');
}

// needed = length + 1 for the terminator; new capacity = (needed + 128) rounded down to 128.
INSTANTIATE_TEST_SUITE_P(Rows, SoStringCapacity,
                         ::testing::Values(CapacityRow{0, 128}, CapacityRow{127, 128},
                                           CapacityRow{128, 256}, CapacityRow{255, 384},
                                           CapacityRow{256, 384}, CapacityRow{1000, 1024}));

struct NumberRow
{
    uint64_t value;
    const char *text;
};

class SoStringNumber : public ::testing::TestWithParam<NumberRow>
{
};

TEST_P(SoStringNumber, AppendsTheLow32Bits)
{
    SoString text;
    text.appendNumber64(GetParam().value);
    EXPECT_EQ(text.toByteArray(), QByteArray(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Rows, SoStringNumber,
                         ::testing::Values(NumberRow{0, "0"}, NumberRow{4294967295u, "4294967295"},
                                           NumberRow{4294967296ull, "0"},
                                           NumberRow{4294967296ull + 7, "7"}));

// Guards against the decimal writer losing a digit or the sign at the ends of its range.
TEST(SoString, WritesSignedNumbersAtTheEndsOfTheirRange)
{
    SoString text;
    text.appendSigned(std::numeric_limits<int64_t>::min());
    text.append(" ");
    text.appendSigned(std::numeric_limits<int64_t>::max());
    text.append(" ");
    text.appendSigned(0);
    text.append(" ");
    text.appendNumber(std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(text.toByteArray(),
              QByteArray("-9223372036854775808 9223372036854775807 0 4294967295"));
}

TEST(SoString, FormatsDoublesWithoutDecimals)
{
    SoString text;
    text.appendDouble(1234.6);
    text.append(",");
    text.appendSigned(-5);
    EXPECT_EQ(text.toByteArray(), QByteArray("1235,-5"));
}

TEST(SoString, KeepsEmbeddedNulsAndCopies)
{
    SoString text;
    text.append("a\0b", 3);
    SoString copy = text;
    EXPECT_EQ(copy.length(), 3u);
    EXPECT_TRUE(copy == text);
    copy.clear();
    EXPECT_TRUE(copy.isEmpty());
    EXPECT_EQ(copy.capacity(), text.capacity());
}

// Guards against unbounded growth from a hostile length.
TEST(SoString, RefusesToGrowPastItsLimit)
{
    SoString text;
    text.append("abc");
    EXPECT_FALSE(text.append("x", SoString::maxLength()));
    EXPECT_EQ(text.toByteArray(), QByteArray("abc"));
}

// Guards the digest line put before a streamed text: the text must move whole, also when the
// string has to grow for it, and the terminator must follow the new end.
TEST(SoString, PrependMovesTheTextAndGrowsByTheUsualRule)
{
    SoString text;
    const QByteArray tail(120, 'x');
    text.append(tail);
    ASSERT_EQ(text.capacity(), 128u);
    EXPECT_TRUE(text.prepend("@CW>MD5:1\n", 10));
    EXPECT_EQ(text.toByteArray(), QByteArray("@CW>MD5:1\n").append(tail));
    EXPECT_EQ(text.capacity(), 256u);
    EXPECT_EQ(text.data()[text.length()], '\0');
    EXPECT_TRUE(text.prepend("", 0));
    EXPECT_FALSE(text.prepend("y", SoString::maxLength()));
    EXPECT_EQ(text.length(), 130u);
}
