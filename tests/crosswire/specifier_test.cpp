#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/specifier.h"

#include <gtest/gtest.h>

using KnObjects::CrosswireConnectorHooks;
using KnObjects::Crosswire::Specifier;

struct SpecifierRow
{
    const char *text;
    const char *application;
    const char *instance;
    const char *version;
    const char *locale;
    const char *endpoint;
};

class SpecifierParts : public ::testing::TestWithParam<SpecifierRow>
{
};

TEST_P(SpecifierParts, SplitsTheText)
{
    const SpecifierRow &row = GetParam();
    const Specifier spec{QByteArray(row.text)};
    EXPECT_EQ(spec.application(), QByteArray(row.application));
    EXPECT_EQ(spec.instance(), QByteArray(row.instance));
    EXPECT_EQ(spec.version(), QByteArray(row.version));
    EXPECT_EQ(spec.locale(), QByteArray(row.locale));
    EXPECT_EQ(spec.endpoint(), QByteArray(row.endpoint));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpecifierParts,
    ::testing::Values(SpecifierRow{"pxoorganizer-11.0#thread", "pxoorganizer", "", "11.0", "",
                                   "thread"},
                      SpecifierRow{"pxoorganizer_2-11.0", "pxoorganizer", "2", "11.0", "", ""},
                      SpecifierRow{"app-en_us", "app", "", "", "en_us", ""},
                      SpecifierRow{"PxoLauncher_3-11.0-EN_US#Thread", "pxolauncher", "3", "11.0",
                                   "en_us", "thread"},
                      SpecifierRow{"app", "app", "", "", "", ""},
                      SpecifierRow{"app_7", "app", "7", "", "", ""}));

TEST(Specifier, ThreadEndpointKeepsInstanceVersionAndLocale)
{
    EXPECT_EQ(Specifier("pxolauncher_1-11.0-en_us").threadEndpoint().text(),
              QByteArray("pxolauncher_1-11.0-en_us#thread"));
    EXPECT_EQ(Specifier("pxolauncher_1-11.0#ping").base().text(), QByteArray("pxolauncher-11.0"));
}

TEST(Specifier, TooLongOrEmptyIsInvalid)
{
    EXPECT_FALSE(Specifier(QByteArray()).isValid());
    EXPECT_TRUE(Specifier(QByteArray(255, 'a')).isValid());
    EXPECT_FALSE(Specifier(QByteArray(256, 'a')).isValid());
}

// Guards against the quick check of send() accepting a target the parsed form refuses.
TEST(Specifier, TheQuickCheckAgreesWithTheParsedFormAtTheLimits)
{
    for (const QByteArray &text :
         {QByteArray(), QByteArray("a"), QByteArray("A_2-11.0-en_US#thread"), QByteArray(254, 'a'),
          QByteArray(255, 'a'), QByteArray(256, 'a'), QByteArray(257, 'a')}) {
        SCOPED_TRACE(text.size());
        EXPECT_EQ(Specifier::isValidText(text), Specifier(text).isValid());
        EXPECT_EQ(Specifier::isValidText(text), Specifier(text, true).isValid());
    }
}

TEST(Specifier, SettersRebuildInOrder)
{
    Specifier spec("pxoeditor-11.0");
    spec.setInstance("4");
    spec.setEndpoint("thread");
    EXPECT_EQ(spec.text(), QByteArray("pxoeditor_4-11.0#thread"));
    spec.setLocale("de_de");
    EXPECT_EQ(spec.text(), QByteArray("pxoeditor_4-11.0-de_de#thread"));
}

// The default hooks remember their last answer; a different text, even one that differs only in
// case or is empty, must never get it.
TEST(Specifier, DefaultNormalizingAnswersEveryTextOnItsOwn)
{
    CrosswireConnectorHooks hooks;
    for (const QByteArray &text :
         {QByteArray("Organizer-11.0"), QByteArray("Organizer-11.0"), QByteArray("ORGANIZER-11.0"),
          QByteArray("editor_2-11.0-en_US#thread"), QByteArray(), QByteArray(""),
          QByteArray("Organizer-11.0")}) {
        SCOPED_TRACE(text.constData());
        EXPECT_EQ(hooks.normalizeSpecifier(text), Specifier(text).text());
    }
}
