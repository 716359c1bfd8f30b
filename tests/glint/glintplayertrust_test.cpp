#include "shared/glint/glintplayertrust.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct ParseRow
{
    const char *name;
    QByteArray content;
    QStringList expected;
};

class TrustFileParse : public ::testing::TestWithParam<ParseRow>
{
};

TEST_P(TrustFileParse, YieldsTheAbsoluteFoldersCleaned)
{
    EXPECT_EQ(GlintPlayerTrust::parseTrustFile(GetParam().content), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TrustFileParse,
    ::testing::Values(
        ParseRow{"OneFolderALine",
                 "/a/pods/\n/a/Locales/en_us/application_swfs/\n/a/Required\n",
                 {QStringLiteral("/a/pods"), QStringLiteral("/a/Locales/en_us/application_swfs"),
                  QStringLiteral("/a/Required")}},
        // The launcher writes the localised folder with a doubled separator and "..".
        ParseRow{"DoubledSeparatorsAndDotDot",
                 "/b/source/../../assets//Locales/x/\n",
                 {QStringLiteral("/assets/Locales/x")}},
        ParseRow{"WindowsLineEndsAndNoFinalLineEnd",
                 "/c/one\r\n/c/two",
                 {QStringLiteral("/c/one"), QStringLiteral("/c/two")}},
        ParseRow{"BlankLinesSkipped", "\n\n/d\n\r\n", {QStringLiteral("/d")}},
        // Guards against trusting folders relative to wherever the host happens to run.
        ParseRow{"RelativeLinesSkipped", "pods\n./x\n../y\n/e\n", {QStringLiteral("/e")}},
        // Qt takes ":/" resource paths for absolute, but ":/../b" cleans to the relative "b".
        ParseRow{"ResourcePathsSkipped", ":/../b/\n:/c\n/e\n", {QStringLiteral("/e")}},
        ParseRow{"AboveTheRootSkipped", "/..\n/../b/\n/a/../../c\n/e\n", {QStringLiteral("/e")}},
        ParseRow{"LineWithNulSkipped", QByteArray("/f\0/g\n/h\n", 9), {QStringLiteral("/h")}},
        ParseRow{"Utf8Names", "/p/Fotos \xc3\xa4\n", {QStringLiteral("/p/Fotos \u00e4")}},
        ParseRow{"Empty", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct InsideRow
{
    const char *name;
    const char *path;
    const char *folder;
    bool inside;
};

class TrustInside : public ::testing::TestWithParam<InsideRow>
{
};

TEST_P(TrustInside, ComparesWholeFolderNames)
{
    EXPECT_EQ(GlintPlayerTrust::isInside(QString::fromUtf8(GetParam().path),
                                         QString::fromUtf8(GetParam().folder)),
              GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TrustInside,
    ::testing::Values(InsideRow{"FileInFolder", "/t/pods/a.swf", "/t/pods", true},
                      InsideRow{"FolderWithSlash", "/t/pods/a.swf", "/t/pods/", true},
                      InsideRow{"Deeper", "/t/pods/x/y/a.swf", "/t/pods", true},
                      InsideRow{"FolderItself", "/t/pods", "/t/pods", true},
                      // Guards against a prefix match trusting a neighbour with a longer name.
                      InsideRow{"NeighbourWithLongerName", "/t/pods-evil/a.swf", "/t/pods", false},
                      InsideRow{"Parent", "/t/a.swf", "/t/pods", false},
                      // Guards against ".." walking out of a trusted folder.
                      InsideRow{"DotDotEscape", "/t/pods/../secret/a.swf", "/t/pods", false},
                      InsideRow{"DotDotStayingInside", "/t/pods/x/../a.swf", "/t/pods", true},
                      InsideRow{"EmptyFolderTrustsNothing", "/t/a.swf", "", false},
                      InsideRow{"RootTrustsAll", "/t/a.swf", "/", true}),
    [](const auto &info) { return std::string(info.param.name); });

class TrustFolders : public ::testing::Test
{
protected:
    void TearDown() override { GlintPlayerTrust::setOwnMovieFolders({}); }

    void writeTrustFile(const QString &name, const QByteArray &content)
    {
        QDir().mkpath(GlintPlayerTrust::trustFolder());
        QFile file(GlintPlayerTrust::trustFolder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QString makeFolder(const QString &relative)
    {
        const QString path = env.root() + QLatin1Char('/') + relative;
        QDir().mkpath(path);
        return path;
    }

    TestEnvironment env;
};

TEST_F(TrustFolders, TrustFolderIsBelowTheUsersDataFolder)
{
    EXPECT_EQ(GlintPlayerTrust::trustFolder(),
              env.dataHome() + QStringLiteral("/Halvex/Glint Player/#Security/GlintPlayerTrust/"));
}

TEST_F(TrustFolders, EveryCfgFileOfTheUserCounts)
{
    writeTrustFile(QStringLiteral("en_us_pxo_pod_player11.cfg"), "/one\n");
    writeTrustFile(QStringLiteral("OTHER.CFG"), "/two\n");
    writeTrustFile(QStringLiteral("notes.txt"), "/three\n");
    QDir().mkpath(GlintPlayerTrust::trustFolder() + QStringLiteral("folder.cfg"));
    QStringList folders = GlintPlayerTrust::trustedFolders();
    folders.sort();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("/one"), QStringLiteral("/two")}));
}

TEST_F(TrustFolders, OversizedTrustFileIsIgnoredWhole)
{
    QByteArray atLimit = "/fits\n";
    atLimit.append(GlintPlayerTrust::kMaxTrustFileSize - atLimit.size(), '\n');
    writeTrustFile(QStringLiteral("a.cfg"), atLimit);
    QByteArray beyond = "/too-big\n";
    beyond.append(GlintPlayerTrust::kMaxTrustFileSize + 1 - beyond.size(), '\n');
    writeTrustFile(QStringLiteral("b.cfg"), beyond);
    EXPECT_EQ(GlintPlayerTrust::trustedFolders(), QStringList{QStringLiteral("/fits")});
}

TEST_F(TrustFolders, HostWithoutOwnFoldersIsUnrestricted)
{
    ASSERT_TRUE(GlintPlayerTrust::ownMovieFolders().isEmpty());
    EXPECT_TRUE(GlintPlayerTrust::mayLoad(makeFolder(QStringLiteral("any")) +
                                          QStringLiteral("/movie.swf")));
}

TEST_F(TrustFolders, OwnAndListedFoldersOnly)
{
    const QString own = makeFolder(QStringLiteral("app/Required"));
    const QString pods = makeFolder(QStringLiteral("data/pods"));
    const QString other = makeFolder(QStringLiteral("downloads"));
    GlintPlayerTrust::setOwnMovieFolders({own});
    EXPECT_TRUE(GlintPlayerTrust::mayLoad(own + QStringLiteral("/PodPlayer.swf")));
    EXPECT_FALSE(GlintPlayerTrust::mayLoad(pods + QStringLiteral("/quick-fix.swf")));

    writeTrustFile(QStringLiteral("en_us_pxo_pod_player11.cfg"), pods.toUtf8() + '\n');
    EXPECT_TRUE(GlintPlayerTrust::mayLoad(pods + QStringLiteral("/quick-fix.swf")));
    EXPECT_FALSE(GlintPlayerTrust::mayLoad(other + QStringLiteral("/quick-fix.swf")));
    EXPECT_FALSE(GlintPlayerTrust::mayLoad(QStringLiteral("relative.swf")));
}

// Guards against a symbolic link inside a trusted folder pointing a load elsewhere.
TEST_F(TrustFolders, LinksAreFollowedBeforeComparing)
{
    const QString pods = makeFolder(QStringLiteral("pods"));
    const QString other = makeFolder(QStringLiteral("other"));
    QFile movie(other + QStringLiteral("/movie.swf"));
    ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
    movie.close();
    ASSERT_TRUE(
        QFile::link(other + QStringLiteral("/movie.swf"), pods + QStringLiteral("/in.swf")));
    EXPECT_FALSE(GlintPlayerTrust::isInside(pods + QStringLiteral("/in.swf"), pods));

    // A trusted folder reached through a link trusts what lies in its real place.
    ASSERT_TRUE(QFile::link(pods, env.root() + QStringLiteral("/pods-link")));
    EXPECT_TRUE(GlintPlayerTrust::isInside(pods + QStringLiteral("/new.swf"),
                                           env.root() + QStringLiteral("/pods-link")));
    EXPECT_TRUE(
        GlintPlayerTrust::isInside(env.root() + QStringLiteral("/pods-link/missing.swf"), pods));
}

} // namespace
