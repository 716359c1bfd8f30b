#include "platform/folders/folders.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

TEST(Folders, MachineLocationsFollowTheMachineRoot)
{
    TestEnvironment env;
    EXPECT_EQ(Folders::machineRoot(), env.machineRoot());
    EXPECT_EQ(Folders::machineDataRoot(), env.machineRoot() + QStringLiteral("/data"));
    EXPECT_EQ(Folders::userConfigHome(), env.configHome());
    EXPECT_EQ(Folders::userDataHome(), env.dataHome());
}

TEST(Folders, RelativeXdgPathsAreIgnored)
{
    TestEnvironment env;
    env.set("XDG_DATA_HOME", QStringLiteral("relative/data"));
    EXPECT_EQ(Folders::userDataHome(), env.homeDir() + QStringLiteral("/.local/share"));
}

TEST(Folders, CommonDataFallsBackToTheUserFolderWhenNotWritable)
{
    TestEnvironment env;
    EXPECT_EQ(Folders::commonAppData(), env.machineRoot() + QStringLiteral("/data"));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QFile::setPermissions(env.machineRoot() + QStringLiteral("/data"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(Folders::commonAppData(), env.dataHome());
    QFile::setPermissions(env.machineRoot() + QStringLiteral("/data"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(Folders, CommonDataFallsBackWhenTheMachineRootCannotBeMade)
{
    TestEnvironment env;
    QFile blocker(env.root() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A plain file where a folder is needed: mkpath fails, for root as for anyone.
    env.set("TESSALY_MACHINE_ROOT", blocker.fileName());
    EXPECT_EQ(Folders::commonAppData(), env.dataHome());
}
