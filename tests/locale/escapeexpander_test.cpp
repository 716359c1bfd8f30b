#include "locale/escapeexpander.h"

#include <gtest/gtest.h>

using basekit_private::EscapeExpander;

namespace {

struct ExpandRow
{
    const char *name;
    QString input;
    QString expected;
};

class Expansion : public testing::TestWithParam<ExpandRow>
{
};

TEST_P(Expansion, expands)
{
    EXPECT_EQ(EscapeExpander::expand(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, Expansion,
    testing::Values(
        ExpandRow{"caretTable", QStringLiteral("^Q^[^]^{^}^C^R^T^D^B^#^!^I^S^n^r"),
                  QStringLiteral("\"\u201C\u201D\u2018\u2019\u00A9\u00AE\u2122\u00B0\u2022\u2318"
                                 "\u00AC\u2206\u2211\n\r")},
        ExpandRow{"backslashTable", QStringLiteral("\\\"\\n\\r\\t\\b"),
                  QStringLiteral("\"\n\r\t\b")},
        ExpandRow{"doubled", QStringLiteral("a^^b\\\\c"), QStringLiteral("a^b\\c")},
        ExpandRow{"unknownKeepsBoth", QStringLiteral("^x \\q ^t \\Q"),
                  QStringLiteral("^x \\q ^t \\Q")},
        ExpandRow{"loneAtEnd", QStringLiteral("end^"), QStringLiteral("end^")},
        ExpandRow{"loneBackslashAtEnd", QStringLiteral("end\\"), QStringLiteral("end\\")},
        ExpandRow{"doubledCaretDoesNotEscapeNext", QStringLiteral("^^Q"), QStringLiteral("^Q")}),
    [](const testing::TestParamInfo<ExpandRow> &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Entities, Expansion,
    testing::Values(
        ExpandRow{"endl", QStringLiteral("a#{endl}b"), QStringLiteral("a\r\nb")},
        ExpandRow{"controls", QStringLiteral("#{tab}#{cr}#{lf}"), QStringLiteral("\t\r\n")},
        ExpandRow{"latin1First", QStringLiteral("#{nbsp}"), QStringLiteral("\u00A0")},
        ExpandRow{"latin1Last", QStringLiteral("#{yuml}"), QStringLiteral("\u00FF")},
        ExpandRow{"caseSensitive", QStringLiteral("#{Yuml}#{ETH}#{eth}"),
                  QStringLiteral("\u0178\u00D0\u00F0")},
        ExpandRow{"special", QStringLiteral("#{euro}#{mdash}#{lsaquo}#{amp}#{lt}#{gt}#{quot}"),
                  QStringLiteral("\u20AC\u2014\u2039&<>\"")},
        ExpandRow{"nameWithoutClosingBrace", QStringLiteral("#{copyx}"),
                  QStringLiteral("#{copyx}")},
        ExpandRow{"unknownName", QStringLiteral("#{zz}"), QStringLiteral("#{zz}")},
        ExpandRow{"hexUPlus", QStringLiteral("#{U+2022}"), QStringLiteral("\u2022")},
        ExpandRow{"hexU", QStringLiteral("#{u00e9}"), QStringLiteral("\u00E9")},
        ExpandRow{"hexBare", QStringLiteral("#{E9}#{a}"), QStringLiteral("\u00E9\n")},
        ExpandRow{"hexFourDigitsMost", QStringLiteral("#{12345}"), QStringLiteral("#{12345}")},
        ExpandRow{"hexNoDigits", QStringLiteral("#{U+}"), QStringLiteral("#{U+}")},
        ExpandRow{"tooShortToExamine", QStringLiteral("#{a"), QStringLiteral("#{a")},
        ExpandRow{"numberSignAlone", QStringLiteral("# 1 #x #"), QStringLiteral("# 1 #x #")},
        ExpandRow{"afterEscapes", QStringLiteral("^Q#{copy}^Q"), QStringLiteral("\"\u00A9\"")},
        ExpandRow{"notRescanned", QStringLiteral("#{23}{copy}"), QStringLiteral("#{copy}")}),
    [](const testing::TestParamInfo<ExpandRow> &info) { return std::string(info.param.name); });

TEST(EscapeExpander, has132NamedEntities)
{
    EXPECT_EQ(EscapeExpander::entityCount(), 132);
}

} // namespace
