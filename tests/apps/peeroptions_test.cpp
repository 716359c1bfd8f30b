#include "apps/peer/peeroptions.h"

#include <gtest/gtest.h>

using TessalyApps::PeerOptions;

TEST(PeerOptions, ConnectorCommandLineIsUnderstood)
{
    const auto options =
        PeerOptions::parse({QStringLiteral("-specifier"), QStringLiteral("pxoorganizer-11.0"),
                            QStringLiteral("-nostartupscreen"), QStringLiteral("/photos/a.jpg")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->specifier, QByteArray("pxoorganizer-11.0"));
    EXPECT_TRUE(options->noStartupScreen);
    EXPECT_FALSE(options->noParam);
    EXPECT_EQ(options->parameters, QStringList{QStringLiteral("/photos/a.jpg")});
}

TEST(PeerOptions, NoParamAndTestSwitches)
{
    const auto options =
        PeerOptions::parse({QStringLiteral("-NOPARAM"), QStringLiteral("--startup-delay-ms"),
                            QStringLiteral("900"), QStringLiteral("--never-confirm")});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->noParam);
    EXPECT_EQ(options->startupDelayMs, 900);
    EXPECT_TRUE(options->neverConfirm);
    EXPECT_TRUE(options->parameters.isEmpty());
}

struct BadRow
{
    const char *name;
    QStringList arguments;
};

class PeerOptionsBad : public ::testing::TestWithParam<BadRow>
{
};

// Guards against a missing value silently taking the next switch, or a bad delay hanging a test.
TEST_P(PeerOptionsBad, IsRefusedWithAReason)
{
    QString error;
    EXPECT_FALSE(PeerOptions::parse(GetParam().arguments, &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PeerOptionsBad,
    ::testing::Values(
        BadRow{"specifierWithoutValue", {QStringLiteral("-specifier")}},
        BadRow{"delayWithoutValue", {QStringLiteral("--startup-delay-ms")}},
        BadRow{"delayNotANumber", {QStringLiteral("--startup-delay-ms"), QStringLiteral("soon")}},
        BadRow{"delayNegative", {QStringLiteral("--startup-delay-ms"), QStringLiteral("-5")}}),
    [](const auto &info) { return std::string(info.param.name); });
