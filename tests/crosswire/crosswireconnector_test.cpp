#include "crosswire/crosswireconnector.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using KnObjects::CrosswireConnector;
using KnObjects::CWConnectorAppInfo;

struct LaunchArgumentsRow
{
    const char *target;
    const char *params;
    const char *expected;
};

class ConnectorLaunchArguments : public ::testing::TestWithParam<LaunchArgumentsRow>
{
};

TEST_P(ConnectorLaunchArguments, BuildsTheCommandLine)
{
    const LaunchArgumentsRow &row = GetParam();
    EXPECT_EQ(CrosswireConnector::launchArguments("pxoorganizer-11.0", row.target, row.params),
              QByteArray(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConnectorLaunchArguments,
    ::testing::Values(
        LaunchArgumentsRow{"pxoorganizer-11.0", "",
                           "-specifier pxoorganizer-11.0 -nostartupscreen"},
        LaunchArgumentsRow{"pxoorganizer_2-11.0", "",
                           "-specifier pxoorganizer-11.0 -nostartupscreen -instance 2"},
        LaunchArgumentsRow{"pxoorganizer-11.0", "-open \"a b\"",
                           "-specifier pxoorganizer-11.0 -nostartupscreen -open \"a b\""},
        LaunchArgumentsRow{"pxoorganizer_3-11.0", "-x",
                           "-specifier pxoorganizer-11.0 -nostartupscreen -instance 3 -x"},
        // "-noparam" starts the application without any argument.
        LaunchArgumentsRow{"pxoorganizer_3-11.0", "-noparam", ""}));

TEST(CrosswireConnector, MissingLibraryOrDatabaseLeavesTheInstalledListEmpty)
{
    CrosswireConnector noLibrary(QStringLiteral("/nonexistent/libtessaly_caps.so"));
    noLibrary.installed().add(CWConnectorAppInfo("stale-1.0", "/x"));
    EXPECT_FALSE(noLibrary.loadInstalled());
    EXPECT_TRUE(noLibrary.installed().isEmpty());

    const QString library = QStringLiteral(TESSALY_CAPS_LIBRARY_PATH);
    ASSERT_TRUE(QFileInfo::exists(library)) << library.toStdString();
    QTemporaryDir dir;
    CrosswireConnector noDatabase(library, dir.filePath(QStringLiteral("none.db")));
    noDatabase.installed().add(CWConnectorAppInfo("stale-1.0", "/x"));
    EXPECT_FALSE(noDatabase.loadInstalled());
    EXPECT_TRUE(noDatabase.installed().isEmpty());
    EXPECT_FALSE(noDatabase.isInstalled("stale-1.0"));
}

TEST(CrosswireConnector, ValidationMessagesNameTheRecord)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    CWConnectorAppInfo noPath("pxoeditor-11.0");
    noPath.setValue(CWConnectorAppInfo::Group, "editors");
    CWConnectorAppInfo noGroup("pxoorganizer-11.0", "/opt/o/PixtrelOrvanaOrganizer");
    CWConnectorAppInfo fine("pxolauncher-11.0", "/opt/l/launcher");
    fine.setValue(CWConnectorAppInfo::Group, "launchers");
    connector.installed().setRecords({noPath, noGroup, fine});
    EXPECT_EQ(connector.validate(),
              QStringList({QStringLiteral("CrosswireConnector validation failed: Can't find app "
                                          "info for 'pxoeditor-11.0'"),
                           QStringLiteral("CrosswireConnector validation failed: Can't find group "
                                          "entry for 'pxoorganizer-11.0'")}));
}

TEST(CrosswireConnector, LaunchRefusesTooLongTargetsAndMissingContext)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    connector.installed().add(CWConnectorAppInfo("pxoorganizer-11.0", "/bin/true"));
    EXPECT_FALSE(connector.launch(QByteArray(257, 'a'), {}, false));
    // No messaging context exists in this process.
    EXPECT_FALSE(connector.launch("pxoorganizer-11.0", {}, false));
    EXPECT_EQ(connector.launchProcess({}, "-x", true), -1);
}

TEST(CrosswireConnector, DeveloperOverridesReplaceTheInstalledProgram)
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("PixtrelOrvanaOrganizer"));
    EXPECT_EQ(CrosswireConnector::developerOverride(installed), installed);

    QFile desktop(dir.filePath(QStringLiteral("DeveloperApp.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nExec=\"/opt/dev build/organizer\" %U\n");
    desktop.close();
    EXPECT_EQ(CrosswireConnector::developerOverride(installed),
              QStringLiteral("/opt/dev build/organizer"));

    // The symbolic link comes first.
    ASSERT_TRUE(QFile::link(QStringLiteral("/opt/linked/organizer"),
                            dir.filePath(QStringLiteral("DeveloperApp.lnk"))));
    EXPECT_EQ(CrosswireConnector::developerOverride(installed),
              QStringLiteral("/opt/linked/organizer"));
}

TEST(CrosswireConnector, LaunchProcessStartsTheProgramWithSplitArguments)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("app.sh"));
    const QString out = dir.filePath(QStringLiteral("args.txt"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" + out.toUtf8() +
               ".part\"\npwd >> \"" + out.toUtf8() + ".part\"\nmv \"" + out.toUtf8() +
               ".part\" \"" + out.toUtf8() + "\"\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    const qint64 pid = connector.launchProcess(
        script.toUtf8(), "-specifier pxoorganizer-11.0 -open \"two words\"", true);
    EXPECT_GT(pid, 0);
    for (int i = 0; i < 200 && !QFileInfo::exists(out); ++i)
        QThread::msleep(25);
    QFile result(out);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), "-specifier\npxoorganizer-11.0\n-open\ntwo words\n" +
                                    QDir(dir.path()).canonicalPath().toUtf8() + '\n');
}
