// The "manifest.txt" of a content folder: its reading rules, its line format, and its writing.

#include "services/ptcontentmanifest.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using Map = PtContentManifest::Map;

struct ParseRow
{
    const char *name;
    QByteArray text;
    Map expected;
};

class ManifestParseTest : public ::testing::TestWithParam<ParseRow>
{
};

TEST_P(ManifestParseTest, ReadsPairsOfTokens)
{
    EXPECT_EQ(PtContentManifest::parse(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ManifestParseTest,
    ::testing::Values(ParseRow{"Empty", "", {}}, ParseRow{"OnlyWhiteSpace", " \n\t\r\n", {}},
                      ParseRow{"OneLine", "quick-fix 2\n", {{"quick-fix", "2"}}},
                      ParseRow{"NoFinalLineEnd", "a 1\nb 2", {{"a", "1"}, {"b", "2"}}},
                      ParseRow{"AnyWhiteSpaceSeparates",
                               "a\t1  b\r\n2\v c\f3",
                               {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
                      ParseRow{"CrLfLines", "a 1\r\nb 2\r\n", {{"a", "1"}, {"b", "2"}}},
                      ParseRow{"LaterEntryWins", "a 1\na 2\n", {{"a", "2"}}},
                      ParseRow{"OddTokenCountDiscardsAll", "a 1\nb 2\nc", {}},
                      ParseRow{"OneToken", "a", {}},
                      ParseRow{"EightBitTokensKept", "caf\xc3\xa9 1\n", {{"caf\xc3\xa9", "1"}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ManifestTest, WritesOneLinePerEntryInKeyOrder)
{
    EXPECT_EQ(PtContentManifest::serialize({{"b", "2"}, {"a", "10"}, {"B", "1"}}),
              QByteArray("B 1\na 10\nb 2\n"));
}

// Guards against an entry that would read back as other entries or none.
TEST(ManifestTest, EntriesThatAreNoTokensAreLeftOut)
{
    const Map map{{"ok", "1"}, {"two words", "1"}, {"tab", "1\t2"},
                  {"", "1"},   {"empty", ""},      {"nl\n", "1"}};
    const QByteArray text = PtContentManifest::serialize(map);
    EXPECT_EQ(text, QByteArray("ok 1\n"));
    EXPECT_EQ(PtContentManifest::parse(text), (Map{{"ok", "1"}}));
}

class ManifestFileTest : public ::testing::Test
{
protected:
    TestEnvironment environment;
    QString path = environment.root() + QStringLiteral("/pods/manifest.txt");
    void SetUp() override { QDir().mkpath(environment.root() + QStringLiteral("/pods")); }
};

TEST_F(ManifestFileTest, WriteThenReadGivesTheSameMap)
{
    const Map map{{"learn-tutorials", "1"}, {"quick-fix", "2.1"}};
    ASSERT_TRUE(PtContentManifest::write(path, map));
    EXPECT_EQ(PtContentManifest::read(path), map);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("learn-tutorials 1\nquick-fix 2.1\n"));
    // No temporary file is left beside it.
    EXPECT_EQ(
        QDir(environment.root() + QStringLiteral("/pods")).entryList(QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("manifest.txt")});
}

TEST_F(ManifestFileTest, EmptyMapWritesNothing)
{
    EXPECT_FALSE(PtContentManifest::write(path, {}));
    EXPECT_FALSE(QFileInfo::exists(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a 1\n");
    file.close();
    EXPECT_FALSE(PtContentManifest::write(path, {}));
    EXPECT_EQ(PtContentManifest::read(path), (Map{{"a", "1"}}));
}

TEST_F(ManifestFileTest, MissingFileReadsAsEmpty)
{
    EXPECT_TRUE(PtContentManifest::read(path).empty());
}

TEST_F(ManifestFileTest, FolderThatCannotBeWrittenIsSkipped)
{
    const QString folder = environment.root() + QStringLiteral("/missing/folder/manifest.txt");
    EXPECT_FALSE(PtContentManifest::write(folder, {{"a", "1"}}));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(ManifestFileTest, SizeLimit)
{
    QByteArray text("a 1\n");
    text.append(QByteArray(PtContentManifest::maximumFileSize - text.size(), ' '));
    auto writeRaw = [&](const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    writeRaw(text);
    EXPECT_EQ(PtContentManifest::read(path), (Map{{"a", "1"}}));
    writeRaw(text + ' ');
    EXPECT_TRUE(PtContentManifest::read(path).empty());
}

} // namespace
