#include "source/launcherpaths.h"
#include "tests/support/testenvironment.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(LauncherPaths, InstalledAssetsBesideTheExecutableWin)
{
    TestEnvironment env;
    const QString app = env.root() + QStringLiteral("/lib/launcher");
    QDir().mkpath(app + QStringLiteral("/Assets"));
    LauncherPaths::configureFrom(app);
    EXPECT_EQ(LauncherPaths::applicationDirectory(), app);
    EXPECT_EQ(LauncherPaths::assetsDirectory(), app + QStringLiteral("/Assets/"));
    EXPECT_EQ(LauncherPaths::bitmapsDirectory(), app + QStringLiteral("/Assets/bitmaps/"));
    EXPECT_EQ(LauncherPaths::localeDirectory(), app + QStringLiteral("/Assets/locale/"));
}

TEST(LauncherPaths, BuildTreeFallsBackToTheRepositoryAssets)
{
    TestEnvironment env;
    const QString app = env.root() + QStringLiteral("/build/source");
    QDir().mkpath(app);
    LauncherPaths::configureFrom(app);
    EXPECT_EQ(LauncherPaths::assetsDirectory(), app + QStringLiteral("/../../assets/common/"));
    EXPECT_EQ(LauncherPaths::bitmapsDirectory(),
              app + QStringLiteral("/../../assets/common/bitmaps/"));
    EXPECT_EQ(LauncherPaths::localeDirectory(), app + QStringLiteral("/../../assets/locale/"));
}

TEST(LauncherPaths, SettersAddTheMissingSlashOnce)
{
    LauncherPaths::setAssetsDirectory(QStringLiteral("/opt/a"));
    EXPECT_EQ(LauncherPaths::assetsDirectory(), QStringLiteral("/opt/a/"));
    EXPECT_EQ(LauncherPaths::bitmapsDirectory(), QStringLiteral("/opt/a/bitmaps/"));
    LauncherPaths::setAssetsDirectory(QStringLiteral("/opt/b/"));
    EXPECT_EQ(LauncherPaths::bitmapsDirectory(), QStringLiteral("/opt/b/bitmaps/"));
    LauncherPaths::setLocaleDirectory(QStringLiteral("/opt/l"));
    EXPECT_EQ(LauncherPaths::localeDirectory(), QStringLiteral("/opt/l/"));
}
