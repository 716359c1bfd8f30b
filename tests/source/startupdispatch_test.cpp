#include "source/launchercontext.h"
#include "source/startupdispatch.h"

#include <QJSEngine>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Target = StartupDispatch::Target;

struct DispatchRow
{
    const char *name;
    int startupApplication;
    QStringList files;
    Target target;
    QString script;
};

class StartupDispatchPlan : public ::testing::TestWithParam<DispatchRow>
{
};

const QStringList twoFiles{QStringLiteral("C:/a/x.jpg"), QStringLiteral("C:/b/y.png")};

INSTANTIATE_TEST_SUITE_P(
    Table, StartupDispatchPlan,
    ::testing::Values(
        DispatchRow{
            "OrganizerWithFilesImportsThem", 1, twoFiles, Target::Organizer,
            QStringLiteral("var a = new Array ('C:/a/x.jpg','C:/b/y.png');import_files(a);")},
        DispatchRow{"OrganizerWithoutFilesOpensTheOrganizeTab",
                    1,
                    {},
                    Target::Organizer,
                    QStringLiteral("open('organizeTab', 'requestFromWS');")},
        DispatchRow{
            "EditorWithFiles", 2, twoFiles, Target::Editor,
            QStringLiteral("var a = new Array ('C:/a/x.jpg','C:/b/y.png');new_file('quick',a);")},
        DispatchRow{"EditorWithoutFilesGetsAnEmptyArray",
                    2,
                    {},
                    Target::Editor,
                    QStringLiteral("var a = new Array ();new_file('quick',a);")},
        DispatchRow{
            "WelcomeWithFilesSendsThemToTheEditor", 0, twoFiles, Target::Editor,
            QStringLiteral("var a = new Array ('C:/a/x.jpg','C:/b/y.png');new_file('quick',a);")},
        DispatchRow{"WelcomeWithoutFilesSendsNothing", 0, {}, Target::None, {}},
        DispatchRow{"UnknownChoiceWithFilesSendsNothing", 3, twoFiles, Target::None, {}},
        DispatchRow{"NegativeChoiceSendsNothing", -1, {}, Target::None, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_P(StartupDispatchPlan, TargetAndScriptByteForByte)
{
    const DispatchRow &row = GetParam();
    const StartupDispatch::Plan plan = StartupDispatch::plan(row.startupApplication, row.files);
    EXPECT_EQ(plan.target, row.target);
    EXPECT_EQ(plan.script.toStdString(), row.script.toStdString());
}

struct NameRow
{
    const char *name;
    QString fileName;
};

class StartupDispatchEscaping : public ::testing::TestWithParam<NameRow>
{
};

// Guards against file names that end the quoted string early and run as script.
INSTANTIATE_TEST_SUITE_P(
    FileNames, StartupDispatchEscaping,
    ::testing::Values(NameRow{"Quote", QStringLiteral("/photos/it's.jpg")},
                      NameRow{"Backslash", QStringLiteral("/photos/back\\slash.jpg")},
                      NameRow{"TrailingBackslash", QStringLiteral("/photos/end\\")},
                      NameRow{"LineFeed", QStringLiteral("/photos/two\nlines.jpg")},
                      NameRow{"CarriageReturn", QStringLiteral("/photos/two\rlines.jpg")},
                      NameRow{"LineSeparator", QStringLiteral("/photos/two") + QChar(0x2028) +
                                                   QStringLiteral("lines.jpg")},
                      NameRow{"Injection", QStringLiteral("/x');injected=true;('")},
                      NameRow{"InjectionThroughBackslash",
                              QStringLiteral("/x\\');injected=true;//")},
                      NameRow{"Everything", QStringLiteral("/a\\b'c\nd.jpg")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_P(StartupDispatchEscaping, ScriptYieldsTheFileNameAndNothingElseRuns)
{
    const QString name = GetParam().fileName;
    const StartupDispatch::Plan plan = StartupDispatch::plan(2, {name, QStringLiteral("/b.png")});
    ASSERT_EQ(plan.target, Target::Editor);

    QJSEngine engine;
    engine.evaluate(QStringLiteral("var injected = false; var received = null;"
                                   "function new_file(kind, list) { received = list; }"));
    const QJSValue outcome = engine.evaluate(plan.script);
    ASSERT_FALSE(outcome.isError()) << outcome.toString().toStdString();
    EXPECT_FALSE(engine.globalObject().property(QStringLiteral("injected")).toBool());
    const QJSValue received = engine.globalObject().property(QStringLiteral("received"));
    ASSERT_TRUE(received.isArray());
    EXPECT_EQ(received.property(QStringLiteral("length")).toInt(), 2);
    EXPECT_EQ(received.property(0).toString(), name);
    EXPECT_EQ(received.property(1).toString(), QStringLiteral("/b.png"));
}

TEST(StartupDispatchEscape, OrdinaryTextIsUnchangedAndSpecialsAreEscaped)
{
    EXPECT_EQ(StartupDispatch::escapeForSingleQuotes(QStringLiteral("/home/u/Pictures/IMG 1.jpg")),
              QStringLiteral("/home/u/Pictures/IMG 1.jpg"));
    EXPECT_EQ(StartupDispatch::escapeForSingleQuotes(QStringLiteral("a\\b'c\nd\re")),
              QStringLiteral("a\\\\b\\'c\\nd\\re"));
    EXPECT_EQ(StartupDispatch::escapeForSingleQuotes(QStringLiteral("ü\"x")),
              QStringLiteral("ü\"x"));
}

class StartupDispatchRun : public ::testing::Test
{
protected:
    void SetUp() override { LauncherContext::setSubLaunched(false); }
    void TearDown() override { LauncherContext::setSubLaunched(false); }

    QStringList organizerScripts;
    QStringList editorScripts;
    StartupDispatch::Send toOrganizer = [this](const QString &s) {
        organizerScripts.append(s);
    };
    StartupDispatch::Send toEditor = [this](const QString &s) {
        editorScripts.append(s);
    };
};

TEST_F(StartupDispatchRun, SendsToThePlannedTargetOnlyAndSetsTheFlag)
{
    EXPECT_TRUE(
        StartupDispatch::run(StartupDispatch::plan(1, {}), toOrganizer, toEditor).isEmpty());
    EXPECT_EQ(organizerScripts,
              QStringList{QStringLiteral("open('organizeTab', 'requestFromWS');")});
    EXPECT_TRUE(editorScripts.isEmpty());
    EXPECT_TRUE(LauncherContext::subLaunched());
}

TEST_F(StartupDispatchRun, NothingPlannedSendsNothingAndLeavesTheFlag)
{
    EXPECT_TRUE(
        StartupDispatch::run(StartupDispatch::plan(0, {}), toOrganizer, toEditor).isEmpty());
    EXPECT_TRUE(organizerScripts.isEmpty());
    EXPECT_TRUE(editorScripts.isEmpty());
    EXPECT_FALSE(LauncherContext::subLaunched());
}

// Guards against a failed start-up send leaving the launcher hidden, though its box promises
// the Welcome Screen.
TEST_F(StartupDispatchRun, ThrowingSendNamesTheApplicationAndLeavesTheFlag)
{
    const StartupDispatch::Send throwsStd = [](const QString &) {
        throw std::runtime_error("no room");
    };
    const StartupDispatch::Send throwsOther = [](const QString &) {
        throw 42;
    };

    EXPECT_EQ(StartupDispatch::run(StartupDispatch::plan(1, {}), throwsStd, toEditor),
              QStringLiteral("Orvana Organizer 11.0"));
    EXPECT_FALSE(LauncherContext::subLaunched());

    EXPECT_EQ(StartupDispatch::run(StartupDispatch::plan(2, {}), toOrganizer, throwsOther),
              QStringLiteral("Tessaly Pixtrel Orvana 11.0 (Editor)"));
    EXPECT_FALSE(LauncherContext::subLaunched());
    EXPECT_TRUE(organizerScripts.isEmpty());
    EXPECT_TRUE(editorScripts.isEmpty());
}

} // namespace
