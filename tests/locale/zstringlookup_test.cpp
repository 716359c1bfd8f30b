#include "locale/dictionarywriter.h"
#include "locale/zstring.h"
#include "locale/zstringdictionary.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace basekit_private;

namespace {

struct LookupRow
{
    const char *name;
    std::string zstring;
    QString expected;
};

class ZStringLookupEmpty : public testing::TestWithParam<LookupRow>
{
};

TEST_P(ZStringLookupEmpty, givesDefaultText)
{
    ZStringDictionary dictionary;
    EXPECT_EQ(dictionary.translate(GetParam().zstring), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    KeyConvention, ZStringLookupEmpty,
    testing::Values(
        LookupRow{"defaultText", "$$$/LauncherWindow/Done=Done", QStringLiteral("Done")},
        LookupRow{"notAZString", "/home/user/Pictures/beach.jpg",
                  QStringLiteral("/home/user/Pictures/beach.jpg")},
        LookupRow{"twoDollars", "$$/X=Y", QString()}, LookupRow{"oneDollar", "$/X=Y", QString()},
        LookupRow{"noEqualsSign", "$$$/A/B", QString()}, LookupRow{"empty", "", QString()},
        LookupRow{"withoutDollarKeyFromStart", "/A/B=text", QStringLiteral("text")},
        LookupRow{"secondEqualsBelongsToDefault", "$$$/A/B=x=y", QStringLiteral("x=y")},
        LookupRow{"placeholdersUntouched", "$$$/A/B=%1 of %2", QStringLiteral("%1 of %2")},
        LookupRow{"expansionExample", "$$$/X/Y=Rock^Rroll ^Q#{copy}#{U+2022}#{zz}",
                  QStringLiteral("Rock\u00AEroll \"\u00A9\u2022#{zz}")},
        // Guards against widening the bytes of a UTF-8 default one by one.
        LookupRow{"utf8Default",
                  "$$$/A/Size=Gr\xC3\xB6\xC3\x9F"
                  "e \xE2\x82\xAC",
                  QStringLiteral("Größe €")},
        LookupRow{"utf8NotAZString", "caf\xC3\xA9.jpg", QStringLiteral("café.jpg")}),
    [](const testing::TestParamInfo<LookupRow> &info) { return std::string(info.param.name); });

ZStringDictionary &loaded(ZStringDictionary &dictionary, const QList<DictionaryEntry> &entries,
                          DictionaryWriter::Format format)
{
    const auto written = DictionaryWriter::write(entries, format);
    EXPECT_TRUE(written.ok()) << written.error.toStdString();
    dictionary.loadData(written.data);
    return dictionary;
}

TEST(ZStringLookup, dictionaryEntryReplacesDefault)
{
    ZStringDictionary dictionary;
    loaded(dictionary, {{"/LauncherWindow/Done", QStringLiteral("Fertig")}},
           DictionaryWriter::Format::Version2_1);
    EXPECT_EQ(dictionary.translate("$$$/LauncherWindow/Done=Done"), QStringLiteral("Fertig"));
    EXPECT_EQ(dictionary.translate("$$$/LauncherWindow/Cancel=Cancel"), QStringLiteral("Cancel"));
    // Keys are exact byte strings.
    EXPECT_EQ(dictionary.translate("$$$/launcherwindow/done=Done"), QStringLiteral("Done"));
}

TEST(ZStringLookup, keyWithoutDefaultFindsEntry)
{
    ZStringDictionary dictionary;
    loaded(dictionary, {{"/A/B", QStringLiteral("found")}}, DictionaryWriter::Format::Text);
    EXPECT_EQ(dictionary.translate("$$$/A/B"), QStringLiteral("found"));
}

TEST(ZStringLookup, nonAsciiKeyMatchesTextDictionaryKey)
{
    // Guards against narrowing text-file keys to their low bytes while the program's keys are
    // UTF-8.
    ZStringDictionary dictionary;
    dictionary.loadData(QByteArray("\"$$$/Gr\xC3\xB6\xC3\x9F"
                                   "e=Size\"\n"));
    EXPECT_EQ(dictionary.translate("$$$/Gr\xC3\xB6\xC3\x9F"
                                   "e=x"),
              QStringLiteral("Size"));
}

TEST(ZStringLookup, processWideDictionaryServesLocaleZString)
{
    ZStringDictionary::instance().clear();
    ZStringDictionary::instance().loadData("\"$$$/Test/ProcessWide=Überall\"\n");
    EXPECT_EQ(Locale::zstring("$$$/Test/ProcessWide=Everywhere"), QStringLiteral("Überall"));
    ZStringDictionary::instance().clear();
    EXPECT_EQ(Locale::zstring("$$$/Test/ProcessWide=Everywhere"), QStringLiteral("Everywhere"));
}

TEST(ZStringLookup, concurrentLookupsAgree)
{
    QList<DictionaryEntry> entries;
    for (int i = 0; i < 500; ++i)
        entries.append({"/T/K" + QByteArray::number(i), QStringLiteral("v%1").arg(i)});
    ZStringDictionary dictionary;
    loaded(dictionary, entries, DictionaryWriter::Format::Version2_1);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches = 0;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                for (int i = 0; i < 500; ++i) {
                    const std::string z = "$$$/T/K" + std::to_string(i) + "=default";
                    if (dictionary.translate(z) != QStringLiteral("v%1").arg(i))
                        ++mismatches;
                }
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
