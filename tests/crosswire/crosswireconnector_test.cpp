#include "crosswire/crosswireconnector.h"
#include "crosswire/specifier.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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
    CWConnectorAppInfo undefinedGroup("pxobridge-11.0", "/opt/b/bridge");
    undefinedGroup.setValue(CWConnectorAppInfo::Group, "bridges");
    CWConnectorAppInfo alias("pxocatalog-11.0");
    alias.setValue(CWConnectorAppInfo::RedirectTo, "pxolauncher-11.0");
    connector.installed().setRecords({noPath, noGroup, fine, undefinedGroup, alias});
    connector.setGroups({{"Launchers", "Launchers", "pxolauncher-11.0"}});
    EXPECT_EQ(connector.validate(),
              QStringList({QStringLiteral("CrosswireConnector validation failed: Can't find app "
                                          "info for 'pxoeditor-11.0'"),
                           QStringLiteral("CrosswireConnector validation failed: Can't find group "
                                          "entry for 'pxoorganizer-11.0'"),
                           QStringLiteral("CrosswireConnector validation failed: Can't find group "
                                          "entry for 'pxobridge-11.0'")}));
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

namespace {

using Group = CrosswireConnector::Group;

CWConnectorAppInfo appRecord(const QByteArray &specifier, const QByteArray &group,
                             const QByteArray &displayName, const QByteArray &path)
{
    CWConnectorAppInfo record(specifier, path);
    record.setValue(CWConnectorAppInfo::Group, group);
    record.setValue(CWConnectorAppInfo::DisplayName, displayName);
    record.setValue(CWConnectorAppInfo::WindowClassName, displayName);
    return record;
}

// The family as a configuration database describes it: two Organizers, an Editor in two
// locales, an alias that redirects to the Organizer, and a group with a stale preference.
void installFamily(CrosswireConnector &connector)
{
    connector.installed().setRecords(
        {appRecord("pxoorganizer-11.0", "organizers", "Organizer 11",
                   "/opt/o11/PixtrelOrvanaOrganizer"),
         appRecord("pxoorganizer-10.0", "organizers", "Organizer 10",
                   "/opt/o10/PixtrelOrvanaOrganizer"),
         appRecord("pxoeditor-11.0-en_us", "editors", "Editor", "/opt/e/PixtrelOrvanaEditor"),
         appRecord("pxoeditor-11.0-de_de", "editors", "Bildeditor", "/opt/e/PixtrelOrvanaEditor"),
         [] {
             CWConnectorAppInfo alias("pxocatalog-11.0");
             alias.setValue(CWConnectorAppInfo::RedirectTo, "pxoorganizer-11.0");
             return alias;
         }()});
    connector.setGroups({{"organizers", "Organizers", "pxoorganizer-10.0"},
                         {"editors", "Editors", "pxoeditor-12.0"},
                         {"empty", "Nobody", ""}});
}

struct LookupCase
{
    const char *operation;
    const char *a;
    const char *b;
    const char *c;
    const char *expected;
};

class ConnectorLookups : public ::testing::TestWithParam<LookupCase>
{
};

QByteArray runLookup(CrosswireConnector &connector, const LookupCase &row)
{
    const QByteArray op(row.operation);
    if (op == "getSpecifier")
        return connector.getSpecifier(row.a, row.b, row.c);
    if (op == "getTargets")
        return connector.getTargets(row.a, row.b).join(',');
    if (op == "getDisplayName")
        return connector.getDisplayName(row.a);
    if (op == "getAppPath")
        return connector.getAppPath(row.a);
    if (op == "getInfo")
        return connector.getInfo(row.a, row.b);
    if (op == "getPreferredApp")
        return connector.getPreferredApp(row.a);
    if (op == "getGroupForSpecifier")
        return connector.getGroupForSpecifier(row.a);
    if (op == "resolve")
        return connector.resolve(row.a);
    return "unknown operation";
}

} // namespace

TEST_P(ConnectorLookups, AnswersFromTheInstalledRecords)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    installFamily(connector);
    const LookupCase &row = GetParam();
    EXPECT_EQ(runLookup(connector, row), QByteArray(row.expected))
        << row.operation << "(" << row.a << ", " << row.b << ", " << row.c << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConnectorLookups,
    ::testing::Values(
        // The best installed match: highest version without one, the major's versions with a
        // major, the given locale preferred, nothing for what is not installed.
        LookupCase{"getSpecifier", "pxoorganizer", "", "", "pxoorganizer-11.0"},
        LookupCase{"getSpecifier", "pxoorganizer", "10", "", "pxoorganizer-10.0"},
        LookupCase{"getSpecifier", "PXOOrganizer", "11.0", "", "pxoorganizer-11.0"},
        LookupCase{"getSpecifier", "pxoorganizer", "12", "", ""},
        LookupCase{"getSpecifier", "pxoeditor", "11.0", "de_DE", "pxoeditor-11.0-de_de"},
        LookupCase{"getSpecifier", "pxoeditor", "11", "de_de", "pxoeditor-11.0-de_de"},
        LookupCase{"getSpecifier", "pxonothing", "", "", ""},
        LookupCase{"getSpecifier", "", "11", "", ""},
        LookupCase{"getTargets", "", "", "",
                   "pxocatalog-11.0,pxoeditor-11.0-de_de,pxoeditor-11.0-en_us,pxoorganizer-10.0,"
                   "pxoorganizer-11.0"},
        LookupCase{"getTargets", "10", "", "", "pxoorganizer-10.0"},
        LookupCase{"getTargets", "11.0", "de_de", "", "pxoeditor-11.0-de_de"},
        LookupCase{"getTargets", "9", "", "", ""},
        // Record fields, through redirections and without regard to the key's letter case.
        LookupCase{"getDisplayName", "pxoorganizer-11", "", "", "Organizer 11"},
        LookupCase{"getDisplayName", "pxocatalog-11.0", "", "", "Organizer 11"},
        LookupCase{"getDisplayName", "pxoorganizer-11.0#thread", "", "", "Organizer 11"},
        LookupCase{"getDisplayName", "pxonothing-1.0", "", "", ""},
        LookupCase{"getAppPath", "pxoorganizer_2-10.0", "", "", "/opt/o10/PixtrelOrvanaOrganizer"},
        LookupCase{"getInfo", "pxoeditor-11.0-en_us", "windowclassname", "", "Editor"},
        LookupCase{"getInfo", "pxoeditor-11.0-en_us", "ExecutableExtensionWin", "", "exe"},
        LookupCase{"getInfo", "pxoeditor-11.0-en_us", "NoSuchKey", "", ""},
        LookupCase{"getInfo", "pxoeditor-11.0-en_us", "Status", "", ""},
        // Groups: a preference that is installed wins; a stale one falls back to the member
        // with the highest version; a group without members has no application.
        LookupCase{"getPreferredApp", "organizers", "", "", "pxoorganizer-10.0"},
        LookupCase{"getPreferredApp", "Editors", "", "", "pxoeditor-11.0-en_us"},
        LookupCase{"getPreferredApp", "empty", "", "", ""},
        LookupCase{"getPreferredApp", "", "", "", ""},
        LookupCase{"getGroupForSpecifier", "pxoeditor-11.0-de_de", "", "", "editors"},
        LookupCase{"getGroupForSpecifier", "pxocatalog-11.0", "", "", "organizers"},
        LookupCase{"getGroupForSpecifier", "pxonothing", "", "", ""},
        LookupCase{"resolve", "pxoorganizer_3-11.0#thread", "", "", "pxoorganizer-11.0"},
        LookupCase{"resolve", "pxocatalog-11.0", "", "", "pxoorganizer-11.0"}));

struct SetupCase
{
    QStringList arguments;
    const char *specifier;
    const char *launchParams;
};

class ConnectorProcessSetup : public ::testing::TestWithParam<SetupCase>
{
};

TEST_P(ConnectorProcessSetup, ReadsSpecifierInstanceAndLaunchParameters)
{
    const SetupCase &row = GetParam();
    const CrosswireConnector::ProcessSetup setup =
        CrosswireConnector::processSetup("pxoorganizer-11.0", row.arguments);
    EXPECT_EQ(setup.specifier, QByteArray(row.specifier));
    EXPECT_EQ(setup.launchParams, QByteArray(row.launchParams));
    // What is stored reads back as the same arguments.
    EXPECT_EQ(QProcess::splitCommand(QString::fromUtf8(setup.launchParams)), row.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConnectorProcessSetup,
    ::testing::Values(
        SetupCase{{}, "pxoorganizer-11.0", ""},
        SetupCase{{QStringLiteral("-specifier"), QStringLiteral("PXOOrganizer-11.2"),
                   QStringLiteral("-nostartupscreen")},
                  "pxoorganizer-11.2",
                  "-specifier PXOOrganizer-11.2 -nostartupscreen"},
        SetupCase{{QStringLiteral("-instance"), QStringLiteral("3")},
                  "pxoorganizer_3-11.0",
                  "-instance 3"},
        SetupCase{{QStringLiteral("-instance"), QStringLiteral("2"), QStringLiteral("-specifier"),
                   QStringLiteral("pxoeditor-11.0")},
                  "pxoeditor_2-11.0",
                  "-instance 2 -specifier pxoeditor-11.0"},
        // A switch without its value changes nothing; quoted words survive the round trip.
        SetupCase{{QStringLiteral("-specifier")}, "pxoorganizer-11.0", "-specifier"},
        SetupCase{{QStringLiteral("-open"), QStringLiteral("/photos/a b.jpg"),
                   QStringLiteral("say \"hi\"")},
                  "pxoorganizer-11.0",
                  "-open \"/photos/a b.jpg\" \"say \"\"\"hi\"\"\"\""}));

// An invalid specifier stays invalid (the set-up then reports "INVALIDSPEC").
TEST(CrosswireConnector, InvalidSpecifierArgumentKeepsTheWholeCommandLine)
{
    const QStringList arguments{QStringLiteral("-specifier"), QString(300, u'x')};
    const auto setup = CrosswireConnector::processSetup("pxoorganizer-11.0", arguments);
    EXPECT_TRUE(setup.specifier.isEmpty());
    EXPECT_EQ(setup.launchParams, "-specifier " + QByteArray(300, 'x'));
}

TEST(CrosswireConnector, LegacyListHoldsTheFamilysOtherApplications)
{
    const QByteArrayList legacy = CrosswireConnector::legacySpecifiers();
    EXPECT_EQ(legacy.size(), 22);
    QSet<QByteArray> distinct(legacy.begin(), legacy.end());
    EXPECT_EQ(distinct.size(), legacy.size());
    for (QByteArray entry : legacy) {
        entry.replace("{LOCALE}", "en_us");
        const KnObjects::Crosswire::Specifier spec(entry);
        EXPECT_FALSE(spec.version().isEmpty()) << entry.constData();
        EXPECT_EQ(spec.locale(), QByteArray("en_us")) << entry.constData();
        // None of them is this release's Organizer, Editor or launcher.
        EXPECT_FALSE(spec.version().startsWith("11")) << entry.constData();
    }
    const QByteArray locale = CrosswireConnector::userLocale();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[a-z]+_[a-z]+$"))
                    .match(QString::fromLatin1(locale))
                    .hasMatch())
        << locale.constData();
    EXPECT_TRUE(CrosswireConnector::launchesWithoutArguments("pxoupdater-6.0-en_us"));
    EXPECT_EQ(CrosswireConnector::launchArguments("pxoupdater-11.0", "pxoupdater_2-11.0", "-x"),
              QByteArray());
}

TEST(CrosswireConnector, DiagnosticsOfAnEmptyConnector)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    EXPECT_EQ(connector.diagnostics(),
              QByteArray("/targets;1;Targets;;\n"
                         "/targets/connector;0;Connector;;\n"
                         "/targets/installed;1;Installed;0;\n"
                         "/targets/running;1;Running;0;\n"
                         "/targets/groups;0;Groups;(no groups defined);\n"));
}

TEST(CrosswireConnector, DiagnosticsListEveryRecordWithItsFields)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    installFamily(connector);
    CWConnectorAppInfo live = appRecord("pxoeditor-11.0-en_us", "editors", "Editor", "/opt/e/x");
    live.setStatus("LAUNCHED");
    live.setProcessId(4242);
    connector.running().add(live);
    const QByteArray tree = connector.diagnostics();
    const QByteArrayList expected{
        "/targets/installed;1;Installed;5;\n",
        "/targets/installed/0;1;pxoorganizer-11.0;;\n",
        "/targets/installed/0/group;0;Group;organizers;\n",
        "/targets/installed/0/path;0;Path;/opt/o11/PixtrelOrvanaOrganizer;\n",
        "/targets/installed/0/displayname;0;Display Name;Organizer 11;\n",
        "/targets/installed/0/authentication;0;MsgAuthentication;;\n",
        "/targets/installed/0/digest;0;MsgDigest;;\n",
        "/targets/installed/0/srtk;0;SRTK;;\n",
        "/targets/installed/0/bundleid;0;BundleID;;\n",
        "/targets/installed/0/status;0;Status;(not running);\n",
        "/targets/installed/0/exename;0;ExeName;;\n",
        "/targets/installed/2/status;0;Status;LAUNCHED (pid 4242);\n",
        "/targets/running;1;Running;1;\n",
        "/targets/running/0;1;pxoeditor-11.0-en_us;;\n",
        "/targets/groups;1;Groups;3;\n",
        "/targets/groups/0;1;organizers;Organizers;\n",
        "/targets/groups/0/preferred;0;Preferred App;pxoorganizer-10.0;\n",
    };
    for (const QByteArray &line : expected)
        EXPECT_TRUE(tree.contains(line)) << line.constData() << "in\n" << tree.constData();
    // Every line has the five fields of the tree format.
    for (const QByteArray &line : tree.split('\n')) {
        if (!line.isEmpty()) {
            EXPECT_GE(line.count(';'), 4) << line.constData();
        }
    }
}

// Guards the connector's memory of normalised targets: an answer worked out before a list
// changed must not be given after it.
TEST(CrosswireConnector, NormalisedTargetsFollowChangesOfBothLists)
{
    CrosswireConnector connector(QStringLiteral("/nonexistent"));
    connector.installed().add(CWConnectorAppInfo("pxoeditor-11.0-en_us", "/opt/e11/x"));
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor-11"), QByteArray("pxoeditor-11.0-en_us"));
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor"), QByteArray("pxoeditor-11.0-en_us"));

    connector.installed().add(CWConnectorAppInfo("pxoeditor-11.5-en_us", "/opt/e115/x"));
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor-11"), QByteArray("pxoeditor-11.5-en_us"));

    connector.running().add(CWConnectorAppInfo("pxoeditor-11.0-de_de", "/opt/e11/x"));
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor"), QByteArray("pxoeditor-11.0-de_de"));
    connector.running().remove("pxoeditor-11.0-de_de");
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor"), QByteArray("pxoeditor-11.5-en_us"));

    connector.installed().setRecords({CWConnectorAppInfo("pxoeditor-12.0-en_us", "/opt/e12/x")});
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor"), QByteArray("pxoeditor-12.0-en_us"));
    connector.installed().clear();
    EXPECT_EQ(connector.normalizeSpecifier("pxoeditor"), QByteArray("pxoeditor"));
}
