#include "shared/glint/glintplayertrust.h"
#include "tests/glint/gui/glinttestsupport.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A host that declared its own movie folder; the same small movie lies in that folder, in a
// folder the user's trust file lists and in one it does not list.
class PlayerTrustTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        own = copyMovie(QStringLiteral("app/Required"));
        pods = copyMovie(QStringLiteral("data/Welcome Screen Pods"));
        elsewhere = copyMovie(QStringLiteral("downloads"));
        QDir().mkpath(env.root() + QStringLiteral("/data/Welcome Screen Pods/card"));
        QFile::copy(moviePath(QStringLiteral("component/main.qml")),
                    env.root() + QStringLiteral("/data/Welcome Screen Pods/card/main.qml"));
        QDir().mkpath(env.root() + QStringLiteral("/downloads/card"));
        QFile::copy(moviePath(QStringLiteral("component/main.qml")),
                    env.root() + QStringLiteral("/downloads/card/main.qml"));

        QDir().mkpath(GlintPlayerTrust::trustFolder());
        QFile trust(GlintPlayerTrust::trustFolder() + QStringLiteral("en_us_pxo_pod_player11.cfg"));
        ASSERT_TRUE(trust.open(QIODevice::WriteOnly | QIODevice::Text));
        trust.write(pods.toUtf8() + "/\n");
        trust.close();
        GlintPlayerTrust::setOwnMovieFolders({own});

        frame = std::make_unique<QWidget>();
        frame->setGeometry(100, 100, 400, 300);
        player = new TestPlayer(frame.get());
        player->setGeometry(0, 0, 200, 150);
        frame->show();
        ASSERT_TRUE(waitUntil([this] { return frame->windowHandle()->isExposed(); }));
    }
    void TearDown() override { GlintPlayerTrust::setOwnMovieFolders({}); }

    QString copyMovie(const QString &relative)
    {
        const QString folder = env.root() + QLatin1Char('/') + relative;
        QDir().mkpath(folder);
        QFile::copy(moviePath(QStringLiteral("implicit.qml")), folder + QStringLiteral("/pod.swf"));
        return folder;
    }

    TestEnvironment env;
    QString own, pods, elsewhere;
    std::unique_ptr<QWidget> frame;
    TestPlayer *player = nullptr;
};

TEST_F(PlayerTrustTest, LoadsFromTheHostsOwnFolder)
{
    EXPECT_EQ(player->Load(own + QStringLiteral("/pod.swf")), 0);
    EXPECT_EQ(player->requestedSize(), QSize(150, 90));
}

TEST_F(PlayerTrustTest, LoadsFromAFolderTheTrustFileLists)
{
    EXPECT_EQ(player->Load(pods + QStringLiteral("/pod.swf")), 0);
    EXPECT_EQ(player->requestedSize(), QSize(150, 90));
    EXPECT_EQ(player->Load(pods + QStringLiteral("/card")), 0);
    EXPECT_EQ(player->requestedSize(), QSize(111, 77));
}

TEST_F(PlayerTrustTest, RefusesAnUntrustedFolderAndLoadsNothing)
{
    EXPECT_EQ(player->Load(elsewhere + QStringLiteral("/pod.swf")),
              EFPGlintPlayer::kUntrustedFolder);
    EXPECT_EQ(player->Load(elsewhere + QStringLiteral("/card")), EFPGlintPlayer::kUntrustedFolder);
    // Out of the host's own folder by "..": refused too.
    EXPECT_EQ(player->Load(own + QStringLiteral("/../../downloads/pod.swf")),
              EFPGlintPlayer::kUntrustedFolder);
    EXPECT_EQ(player->requestedSize(), QSize(-1, -1));
    EXPECT_EQ(player->CallFunction("whoAmI"), QString());
}

// Guards against a refused load replacing the movie already playing.
TEST_F(PlayerTrustTest, RefusalLeavesThePlayingMovieAlone)
{
    ASSERT_EQ(player->Load(pods + QStringLiteral("/card")), 0);
    EXPECT_EQ(player->Load(elsewhere + QStringLiteral("/pod.swf")),
              EFPGlintPlayer::kUntrustedFolder);
    EXPECT_EQ(player->CallFunction("whoAmI"),
              QStringLiteral("<string><![CDATA[component]]></string>"));
}

TEST_F(PlayerTrustTest, TrustFileReadAtEachLoad)
{
    ASSERT_EQ(player->Load(elsewhere + QStringLiteral("/pod.swf")),
              EFPGlintPlayer::kUntrustedFolder);
    QFile trust(GlintPlayerTrust::trustFolder() + QStringLiteral("other.cfg"));
    ASSERT_TRUE(trust.open(QIODevice::WriteOnly | QIODevice::Text));
    trust.write(elsewhere.toUtf8() + '\n');
    trust.close();
    EXPECT_EQ(player->Load(elsewhere + QStringLiteral("/pod.swf")), 0);
}

TEST_F(PlayerTrustTest, HostWithoutOwnFoldersLoadsAnywhere)
{
    GlintPlayerTrust::setOwnMovieFolders({});
    EXPECT_EQ(player->Load(elsewhere + QStringLiteral("/pod.swf")), 0);
}

} // namespace
