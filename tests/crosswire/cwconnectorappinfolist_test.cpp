#include "crosswire/cwconnectorappinfolist.h"

#include <gtest/gtest.h>

using KnObjects::CWConnectorAppInfo;
using KnObjects::CWConnectorAppInfoList;

namespace {

CWConnectorAppInfo record(const char *specifier, const char *redirectTo = "")
{
    CWConnectorAppInfo info{QByteArray(specifier), QByteArray("/opt/") + specifier};
    info.setValue(CWConnectorAppInfo::RedirectTo, QByteArray(redirectTo));
    return info;
}

CWConnectorAppInfoList listOf(std::initializer_list<CWConnectorAppInfo> records)
{
    CWConnectorAppInfoList list;
    for (const CWConnectorAppInfo &r : records)
        list.add(r);
    return list;
}

} // namespace

TEST(CWConnectorAppInfo, KeyNamesRoundTripAndDefaultExtension)
{
    const CWConnectorAppInfo info;
    EXPECT_EQ(info.value(CWConnectorAppInfo::ExecutableExtensionWin), QByteArray("exe"));
    EXPECT_EQ(CWConnectorAppInfo::keyNames().size(), int(CWConnectorAppInfo::FieldCount));
    EXPECT_EQ(CWConnectorAppInfo::keyNames().first(), QByteArray("Group"));
    EXPECT_EQ(CWConnectorAppInfo::keyNames().last(), QByteArray("ExecutablePath"));
    for (int i = 0; i < CWConnectorAppInfo::FieldCount; ++i) {
        const auto field = static_cast<CWConnectorAppInfo::Field>(i);
        EXPECT_EQ(CWConnectorAppInfo::fieldForKey(CWConnectorAppInfo::keyName(field).toLower()),
                  field);
    }
    EXPECT_EQ(CWConnectorAppInfo::fieldForKey("NoSuchKey"), CWConnectorAppInfo::FieldCount);
}

struct LookupRow
{
    const char *asked;
    const char *found; // "" when nothing is found
};

class AppInfoLookup : public ::testing::TestWithParam<LookupRow>
{
};

TEST_P(AppInfoLookup, FindsByTextThenWithoutInstanceFollowingRedirects)
{
    const CWConnectorAppInfoList list = listOf({
        record("pxoorganizer-11.0"),
        record("pxoorganizer_2-11.0"),
        record("pxoeditor-11.0"),
        record("oldeditor-10.0", "pxoeditor-11.0"),
        record("older-9.0", "oldeditor-10.0"),
        record("loopa-1.0", "loopb-1.0"),
        record("loopb-1.0", "loopa-1.0"),
        record("self-1.0", "self-1.0"),
        record("dangling-1.0", "missing-1.0"),
    });
    const std::optional<CWConnectorAppInfo> found = list.find(GetParam().asked);
    const QByteArray expected(GetParam().found);
    if (expected.isEmpty()) {
        EXPECT_FALSE(found.has_value());
    } else {
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->specifier(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AppInfoLookup,
    ::testing::Values(LookupRow{"pxoorganizer-11.0", "pxoorganizer-11.0"},
                      // The exact instance record wins over the one without instance.
                      LookupRow{"pxoorganizer_2-11.0", "pxoorganizer_2-11.0"},
                      LookupRow{"pxoorganizer_7-11.0", "pxoorganizer-11.0"},
                      LookupRow{"PXOOrganizer-11.0#thread", "pxoorganizer-11.0"},
                      LookupRow{"pxoorganizer-12.0", ""},
                      LookupRow{"oldeditor-10.0", "pxoeditor-11.0"},
                      LookupRow{"older-9.0", "pxoeditor-11.0"},
                      // Guards against an endless loop on a cycle of redirections.
                      LookupRow{"loopa-1.0", ""}, LookupRow{"self-1.0", ""},
                      LookupRow{"dangling-1.0", ""}, LookupRow{"", ""}));

TEST(CWConnectorAppInfoList, AddReplacesTheRecordOfTheSameSpecifier)
{
    CWConnectorAppInfoList list;
    list.add(record("pxoeditor-11.0"));
    CWConnectorAppInfo running = record("PXOEditor-11.0");
    running.setProcessId(42);
    list.add(running);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.find("pxoeditor-11.0")->processId(), 42);
    EXPECT_TRUE(list.remove("pxoeditor-11.0"));
    EXPECT_FALSE(list.remove("pxoeditor-11.0"));
    EXPECT_TRUE(list.isEmpty());
}

struct NormalizeRow
{
    const char *text;
    const char *expected;
};

class SpecifierNormalize : public ::testing::TestWithParam<NormalizeRow>
{
};

TEST_P(SpecifierNormalize, ResolvesAgainstInstalledAndRunning)
{
    const CWConnectorAppInfoList installed = listOf({
        record("pxoorganizer-10.0"),
        record("pxoorganizer-11.0"),
        record("pxoorganizer-11.2"),
        record("pxoorganizer-12.0"),
        record("pxoeditor-11.0-en_us"),
        record("pxoeditor-11.0-de_de"),
        record("pxoeditor-11.0-fr_fr"),
    });
    const CWConnectorAppInfoList running = listOf({record("pxolauncher_3-11.0-en_us")});
    EXPECT_EQ(CWConnectorAppInfoList::normalize(GetParam().text, installed, running),
              QByteArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, SpecifierNormalize,
                         ::testing::Values(
                             // Major version only: the highest installed version of that major.
                             NormalizeRow{"pxoorganizer-11", "pxoorganizer-11.2"},
                             NormalizeRow{"PxoOrganizer-10", "pxoorganizer-10.0"},
                             NormalizeRow{"pxoorganizer-13", "pxoorganizer-13"},
                             // No version: the highest of all.
                             NormalizeRow{"pxoorganizer", "pxoorganizer-12.0"},
                             NormalizeRow{"pxoorganizer_2#thread", "pxoorganizer_2-12.0#thread"},
                             // A full version keeps the installed record, preferring the locale.
                             NormalizeRow{"pxoeditor-11.0-de_de", "pxoeditor-11.0-de_de"},
                             NormalizeRow{"pxoeditor-11.0-it_it", "pxoeditor-11.0-en_us"},
                             NormalizeRow{"pxoeditor-11-fr_fr", "pxoeditor-11.0-fr_fr"},
                             NormalizeRow{"pxoeditor-11.0.0-fr_fr#thread",
                                          "pxoeditor-11.0-fr_fr#thread"},
                             // The endpoint suffix is kept.
                             NormalizeRow{"pxoorganizer-11#thread", "pxoorganizer-11.2#thread"},
                             // A bare application that runs takes the running specifier.
                             NormalizeRow{"pxolauncher", "pxolauncher_3-11.0-en_us"},
                             NormalizeRow{"pxolauncher#thread", "pxolauncher_3-11.0-en_us#thread"},
                             NormalizeRow{"unknown-2.0", "unknown-2.0"}, NormalizeRow{"", ""}));

TEST(SpecifierNormalize, TooLongTextGivesAnEmptySpecifier)
{
    const CWConnectorAppInfoList none;
    EXPECT_TRUE(CWConnectorAppInfoList::normalize(QByteArray(256, 'a'), none, none).isEmpty());
    EXPECT_EQ(CWConnectorAppInfoList::normalize(QByteArray(255, 'a'), none, none).size(), 255);
}

// Guards against a valid target normalising to an empty, invalid one when the installed
// record's version makes it too long.
TEST(SpecifierNormalize, AResultPastTheLimitKeepsTheGivenText)
{
    KnObjects::CWConnectorAppInfoList installed;
    installed.add(KnObjects::CWConnectorAppInfo("pxoorganizer-11.0.12345", "/o"));
    const KnObjects::CWConnectorAppInfoList running;
    // 255 characters: valid, but its instance behind the installed version would pass 256.
    const QByteArray given = "pxoorganizer_" + QByteArray(242, '7');
    ASSERT_EQ(given.size(), 255);
    EXPECT_EQ(KnObjects::CWConnectorAppInfoList::normalize(given, installed, running), given);
    const QByteArray shorter = "pxoorganizer_" + QByteArray(200, '7');
    EXPECT_EQ(KnObjects::CWConnectorAppInfoList::normalize(shorter, installed, running),
              "pxoorganizer_" + QByteArray(200, '7') + "-11.0.12345");
}
