#include "source/startupcommandline.h"
#include "tests/support/testenvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString touch(const TestEnvironment &env, const QString &name)
{
    const QString path = env.root() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path;
}

} // namespace

TEST(StartupCommandLine, CollectsExistingFilesOnlyInOrder)
{
    TestEnvironment env;
    const QString a = touch(env, QStringLiteral("x.jpg"));
    const QString b = touch(env, QStringLiteral("y.png"));
    const QStringList args{QStringLiteral("PixtrelOrvana"), a,
                           env.root() + QStringLiteral("/no.jpg"), QStringLiteral("-unknown"), b};
    const auto parsed = StartupCommandLine::parse(args, args);
    EXPECT_TRUE(parsed.subLaunchAllowed);
    EXPECT_EQ(parsed.files, (QStringList{a, b}));
}

TEST(StartupCommandLine, SwitchFirstInAnyCaseCollectsNothing)
{
    TestEnvironment env;
    const QString a = touch(env, QStringLiteral("x.jpg"));
    for (const QString &spelling : {QStringLiteral("-noSubLaunch"), QStringLiteral("-NOSUBLAUNCH"),
                                    QStringLiteral("-nosublaunch")}) {
        const QStringList args{QStringLiteral("PixtrelOrvana"), spelling, a};
        const auto parsed = StartupCommandLine::parse(args, args);
        EXPECT_FALSE(parsed.subLaunchAllowed) << spelling.toStdString();
        EXPECT_TRUE(parsed.files.isEmpty()) << spelling.toStdString();
    }
}

TEST(StartupCommandLine, LaterSwitchKeepsEarlierFilesAndStopsTheScan)
{
    TestEnvironment env;
    const QString a = touch(env, QStringLiteral("a.jpg"));
    const QString b = touch(env, QStringLiteral("b.jpg"));
    const QStringList args{QStringLiteral("PixtrelOrvana"), a, QStringLiteral("-NoSubLaunch"), b};
    const auto parsed = StartupCommandLine::parse(args, args);
    EXPECT_FALSE(parsed.subLaunchAllowed);
    EXPECT_EQ(parsed.files, QStringList{a});
}

// Guards against scanning only what Qt left: a file after a Qt option is still collected.
TEST(StartupCommandLine, FilesAreTakenFromTheRawArguments)
{
    TestEnvironment env;
    const QString a = touch(env, QStringLiteral("a.jpg"));
    const QStringList raw{QStringLiteral("PixtrelOrvana"), QStringLiteral("-style"),
                          QStringLiteral("fusion"), a};
    const QStringList qt{QStringLiteral("PixtrelOrvana"), a};
    const auto parsed = StartupCommandLine::parse(qt, raw);
    EXPECT_EQ(parsed.files, QStringList{a});
}

TEST(StartupCommandLine, NoArgumentsAllowsSubLaunch)
{
    const QStringList args{QStringLiteral("PixtrelOrvana")};
    const auto parsed = StartupCommandLine::parse(args, args);
    EXPECT_TRUE(parsed.subLaunchAllowed);
    EXPECT_TRUE(parsed.files.isEmpty());
}
