#include "shared/glint/efpunicode.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct RoundTripRow
{
    const char *name;
    std::string utf8;
    std::u16string utf16;
};

class UnicodeRoundTrip : public ::testing::TestWithParam<RoundTripRow>
{
};

TEST_P(UnicodeRoundTrip, ConvertsBothWays)
{
    const RoundTripRow &row = GetParam();
    EXPECT_EQ(utf8ToUtf16(row.utf8), row.utf16);
    EXPECT_EQ(utf16ToUtf8(row.utf16), row.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnicodeRoundTrip,
    ::testing::Values(RoundTripRow{"empty", "", u""}, RoundTripRow{"ascii", "abc", u"abc"},
                      RoundTripRow{"twoBytes", "\xC3\xA9", u"\u00e9"},
                      RoundTripRow{"lastTwoByte", "\xDF\xBF", u"\u07ff"},
                      RoundTripRow{"threeBytes", "\xE2\x82\xAC", u"\u20ac"},
                      RoundTripRow{"lastBmp", "\xEF\xBF\xBF", u"\uffff"},
                      RoundTripRow{"emojiPair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
                      RoundTripRow{"lastPlane", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
                      RoundTripRow{"embeddedNul", std::string("a\0b", 3),
                                   std::u16string(u"a\0b", 3)}),
    [](const auto &info) { return std::string(info.param.name); });

struct ErrorRow
{
    const char *name;
    std::string utf8;
    std::u16string utf16;
    const char *message;
};

class UnicodeErrors : public ::testing::TestWithParam<ErrorRow>
{
};

TEST_P(UnicodeErrors, FailWithTheirText)
{
    const ErrorRow &row = GetParam();
    try {
        if (!row.utf16.empty())
            utf16ToUtf8(row.utf16);
        else
            utf8ToUtf16(row.utf8);
        FAIL() << "no exception";
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), row.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnicodeErrors,
    ::testing::Values(
        ErrorRow{"loneHighAtEnd", "", u"ab\xD83D",
                 "unicode: utf16 high surrogate found without low surrogate"},
        // Regression: the unit after a high surrogate was taken as its pair whatever it was.
        ErrorRow{"highBeforeOrdinary", "", u"\xD800]]>",
                 "unicode: utf16 high surrogate found without low surrogate"},
        ErrorRow{"highBeforeHigh", "", u"\xD800\xD800\xDC00",
                 "unicode: utf16 high surrogate found without low surrogate"},
        ErrorRow{"loneLow", "", u"a\xDE00z",
                 "unicode: utf16 low surrogate found without high surrogate"},
        ErrorRow{"lowBeforeHigh", "", u"\xDE00\xD83D",
                 "unicode: utf16 low surrogate found without high surrogate"},
        ErrorRow{"continuationLead", "a\x80", u"", "unicode: ill-defined utf8 (< 192)"},
        ErrorRow{"lastContinuationLead", "\xBF", u"", "unicode: ill-defined utf8 (< 192)"},
        ErrorRow{"leadFE", "\xFE", u"", "unicode: ill-defined utf8 (>= 254)"},
        ErrorRow{"leadFF", "x\xFF", u"", "unicode: ill-defined utf8 (>= 254)"},
        ErrorRow{"cutTwoByte", "\xC3", u"", "unicode: utf32 conversion ran out of input"},
        ErrorRow{"cutFourByte", "\xF0\x9F\x98", u"", "unicode: utf32 conversion ran out of input"},
        ErrorRow{"cutSixByte", "\xFC\x80\x80\x80\x80", u"",
                 "unicode: utf32 conversion ran out of input"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(Unicode, LongSequencesOfTheOldSchemeAreEncoded)
{
    // Code points beyond UTF-16 still have a UTF-8 form in five and six bytes.
    EXPECT_EQ(utf16ToUtf8(u"\u0041"), "A");
    const std::string five = "\xF8\x88\x80\x80\x80";    // 0x200000
    const std::string six = "\xFC\x84\x80\x80\x80\x80"; // 0x4000000
    // Regression: such code points used to become a wrong surrogate pair instead of U+FFFD.
    EXPECT_EQ(utf8ToUtf16(five), u"\uFFFD");
    EXPECT_EQ(utf8ToUtf16(six), u"\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD");
}

TEST(Unicode, ContinuationBytesAreNotChecked)
{
    EXPECT_EQ(utf8ToUtf16("\xC3\x29"), u"\u00e9");
}
