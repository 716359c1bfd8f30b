#include "platform/nativewindow/bstr.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Bstr, KeepsTextLengthPrefixAndTerminator)
{
    BSTR text = sysAllocString(u"h\u00e9llo");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(sysStringLen(text), 5u);
    EXPECT_EQ(sysStringByteLen(text), 10u);
    quint32 prefix;
    std::memcpy(&prefix, reinterpret_cast<char *>(text) - 4, 4);
    EXPECT_EQ(prefix, 10u);
    EXPECT_EQ(std::u16string(text), u"h\u00e9llo");
    EXPECT_EQ(text[5], 0);
    sysFreeString(text);
}

TEST(Bstr, ZeroLengthIsAValidAllocation)
{
    BSTR empty = sysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(sysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], 0);
    sysFreeString(empty);

    BSTR fromLength = sysAllocStringLen(nullptr, 0);
    ASSERT_NE(fromLength, nullptr);
    EXPECT_EQ(sysStringLen(fromLength), 0u);
    sysFreeString(fromLength);
}

TEST(Bstr, EmbeddedNulsAndZeroFill)
{
    const char16_t chars[] = {u'a', 0, u'b'};
    BSTR text = sysAllocStringLen(chars, 3);
    EXPECT_EQ(sysStringLen(text), 3u);
    EXPECT_EQ(text[2], u'b');
    sysFreeString(text);

    BSTR zeroed = sysAllocStringLen(nullptr, 4);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(zeroed[i], 0);
    sysFreeString(zeroed);
}

TEST(Bstr, NullIsHarmless)
{
    EXPECT_EQ(sysAllocString(nullptr), nullptr);
    EXPECT_EQ(sysStringLen(nullptr), 0u);
    sysFreeString(nullptr);
}

// Guards against a length whose byte count overflows the 32-bit prefix.
TEST(Bstr, RefusesLengthsThePrefixCannotHold)
{
    EXPECT_EQ(sysAllocStringLen(nullptr, 0x80000000u), nullptr);
}
