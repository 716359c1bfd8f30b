#include "tests/movies/movietestsupport.h"

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

MovieHostSettings withoutPods(const QTemporaryDir &folder)
{
    MovieHostSettings settings;
    settings.podsFolder = folder.path() + QStringLiteral("/");
    return settings;
}

QString textOf(QQuickItem *item)
{
    return item ? item->property("text").toString() : QStringLiteral("<missing>");
}

} // namespace

// Guards against a movie that does not load, or loads with script or binding errors.
TEST(WelcomeMovie, LoadsWithoutErrorsAndReportsItselfFirst)
{
    MovieFixture::clearMovieErrors();
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    const QStringList calls = fixture.host().calls();
    ASSERT_GE(calls.size(), 4);
    EXPECT_EQ(calls.mid(0, 4),
              (QStringList{
                  QStringLiteral("WelcomeScreen_ContainerInitialized(true, 40, 822, 6, 851, 33)"),
                  QStringLiteral("WelcomeScreen_ContainerShowWindow(true)"),
                  QStringLiteral("WelcomeScreen_SetPodGeometry(576, 128, 260, 308)"),
                  QStringLiteral("PodPlayer_Created()")}));
    EXPECT_EQ(fixture.host().size(), QSize(860, 540));
    EXPECT_EQ(fixture.host().closeBox(), QRect(822, 6, 30, 28));
    EXPECT_TRUE(MovieFixture::movieErrors().isEmpty())
        << MovieFixture::movieErrors().join(u'\n').toStdString();
}

// Guards against the set-up sequence running before both movies reported, or twice.
TEST(WelcomeMovie, SetUpSequenceRunsOnceInOrder)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QStringList names;
    for (const QString &call : fixture.host().movieCalls())
        names << call.section(u'(', 0, 0);
    const QStringList expected{QStringLiteral("WelcomeScreenHost_setSplashScreenParams"),
                               QStringLiteral("setClientId"),
                               QStringLiteral("WelcomScreenHost_setLocaleString"),
                               QStringLiteral("WelcomScreenHost_setStartupAppStrings"),
                               QStringLiteral("WelcomScreenHost_setStartupApp"),
                               QStringLiteral("WelcomScreenHost_setLaunchButtonStrings"),
                               QStringLiteral("WelcomScreenHost_setMiniWelcomeScreenStrings"),
                               QStringLiteral("WSHostSetLaunchNumber"),
                               QStringLiteral("setPXO8UUID"),
                               QStringLiteral("logWSLaunchEvent"),
                               QStringLiteral("WelcomScreenHost_setDynamicContentFileList")};
    ASSERT_GE(names.size(), expected.size());
    EXPECT_EQ(names.mid(0, expected.size()), expected);
    EXPECT_EQ(names.count(QStringLiteral("setClientId")), 1);
}

// Guards against texts of the set-up calls not reaching the screen (a dictionary must change them).
TEST(WelcomeMovie, ShowsTheTextsTheHostSends)
{
    QTemporaryDir pods;
    MovieHostSettings settings = withoutPods(pods);
    settings.versionText = QStringLiteral("Version 11.0.3.7");
    settings.startupApp = 2;
    MovieFixture fixture(settings);
    ASSERT_TRUE(fixture.start());
    EXPECT_EQ(textOf(fixture.item(QStringLiteral("versionText"))),
              QStringLiteral("Version 11.0.3.7"));
    EXPECT_EQ(textOf(fixture.item(QStringLiteral("headline"))),
              QStringLiteral("Welcome to Tessaly Pixtrel Orvana 6"));
    EXPECT_EQ(textOf(fixture.item(QStringLiteral("startupValue"))), QStringLiteral("Photo Editor"));
    QQuickItem *organizer = fixture.item(QStringLiteral("organizerTile"));
    ASSERT_NE(organizer, nullptr);
    EXPECT_EQ(organizer->property("title").toString(), QStringLiteral("Organizer"));
    EXPECT_EQ(organizer->property("buttonText").toString(), QStringLiteral("ORGANIZE"));
    EXPECT_EQ(fixture.item(QStringLiteral("editorTile"))->property("description").toString(),
              QStringLiteral("Edit, Enhance, and add Effects to your Photos"));
}

struct ControlRow
{
    const char *item;
    const char *call;
};

// Guards against a rendered control calling the wrong host function, or none.
class WelcomeMovieControls : public ::testing::TestWithParam<ControlRow>
{
};

TEST_P(WelcomeMovieControls, ClickCallsTheHost)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickItem *control = fixture.item(QLatin1String(GetParam().item));
    ASSERT_NE(control, nullptr);
    fixture.host().clearCalls();
    fixture.click(control);
    EXPECT_TRUE(fixture.waitForCall(QLatin1String(GetParam().call)))
        << fixture.host().calls().join(u' ').toStdString();
}

TEST_P(WelcomeMovieControls, TabAndEnterCallTheHost)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickItem *control = fixture.item(QLatin1String(GetParam().item));
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(fixture.tabTo(control));
    EXPECT_FALSE(control->property("accessibleName").toString().isEmpty());
    fixture.host().clearCalls();
    fixture.pressKey(control->window(), Qt::Key_Return);
    EXPECT_TRUE(fixture.waitForCall(QLatin1String(GetParam().call)))
        << fixture.host().calls().join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Controls, WelcomeMovieControls,
    ::testing::Values(ControlRow{"organizerTile", "WelcomeScreen_RequestOrganizer()"},
                      ControlRow{"editorTile", "WelcomeScreen_RequestEditor()"},
                      ControlRow{"entry_create", "WelcomeScreen_RequestCreate()"},
                      ControlRow{"entry_share", "WelcomeScreen_RequestSharing()"},
                      ControlRow{"entry_backup", "WelcomeScreen_RequestBackupSettings()"},
                      ControlRow{"entry_idQuickFixMode", "invokeAction(\"idQuickFixMode\")"},
                      ControlRow{"entry_idNewBlankFile", "invokeAction(\"idNewBlankFile\")"},
                      ControlRow{"entry_idBrowseCatalog", "invokeAction(\"idBrowseCatalog\")"},
                      ControlRow{"entry_idTutorial", "invokeAction(\"idTutorial\")"},
                      ControlRow{"entry_idTessaly", "invokeAction(\"idTessaly\")"},
                      ControlRow{"preferencesButton", "slotOpenSettingsDialog()"},
                      ControlRow{"closeButton", "WelcomeScreen_RequestAppClose()"}));

// Guards against the start-up choice not being stored through both host functions.
TEST(WelcomeMovie, StartupChoiceStoresTheChosenApplication)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    fixture.click(fixture.item(QStringLiteral("startupChooser")));
    ASSERT_TRUE(fixture.item(QStringLiteral("startupPopup"))->isVisible());
    fixture.click(fixture.item(QStringLiteral("startupOption2")));
    fixture.click(fixture.item(QStringLiteral("startupDone")));
    EXPECT_TRUE(fixture.waitForCall(QStringLiteral("WSSetQuickLaunchApp(2)")));
    EXPECT_TRUE(fixture.hasCall(QStringLiteral("WelcomeScreen_UpdateStartupApp(2)")));
    EXPECT_EQ(textOf(fixture.item(QStringLiteral("startupValue"))), QStringLiteral("Photo Editor"));
    EXPECT_FALSE(fixture.item(QStringLiteral("startupPopup"))->isVisible());
}

// Guards against Cancel storing a choice.
TEST(WelcomeMovie, StartupChoiceCancelStoresNothing)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    fixture.click(fixture.item(QStringLiteral("startupChooser")));
    fixture.click(fixture.item(QStringLiteral("startupOption1")));
    fixture.host().clearCalls();
    fixture.click(fixture.item(QStringLiteral("startupCancel")));
    QTest::qWait(100);
    EXPECT_FALSE(fixture.host().calls().join(u' ').contains(QLatin1String("WSSetQuickLaunchApp")));
    EXPECT_EQ(textOf(fixture.item(QStringLiteral("startupValue"))),
              QStringLiteral("Welcome Screen"));
}

// Guards against the launching state not showing, or a second request during a launch.
TEST(WelcomeMovie, LaunchingStateShowsTextAndStatusAndBlocksRequests)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickItem *organizer = fixture.item(QStringLiteral("organizerTile"));
    QQuickItem *panel = organizer->findChild<QQuickItem *>(QStringLiteral("launchingPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    fixture.host().setLaunching(MovieHost::Organizer, true);
    fixture.host().showSplashStatus(MovieHost::Organizer, QStringLiteral("Opening the catalog"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(textOf(panel->findChild<QQuickItem *>(QStringLiteral("launchingText"))),
              QStringLiteral("Launching Tessaly Orvana 9 Organizer..."));
    EXPECT_EQ(textOf(panel->findChild<QQuickItem *>(QStringLiteral("statusText"))),
              QStringLiteral("Opening the catalog"));
    fixture.host().clearCalls();
    fixture.click(fixture.item(QStringLiteral("editorTile")));
    fixture.click(organizer);
    QTest::qWait(100);
    EXPECT_TRUE(fixture.host().calls().isEmpty())
        << fixture.host().calls().join(u' ').toStdString();
    fixture.host().setLaunching(MovieHost::Organizer, false);
    EXPECT_FALSE(panel->isVisible());
    fixture.click(organizer);
    EXPECT_TRUE(fixture.waitForCall(QStringLiteral("WelcomeScreen_RequestOrganizer()")));
}

// Guards against the dragger strip not reporting a drag to the host.
TEST(WelcomeMovie, DraggerReportsPressMoveAndRelease)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickWindow *window = fixture.containerWindow();
    fixture.host().clearCalls();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(300, 20));
    QTest::mouseMove(window, QPoint(340, 24));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(340, 24));
    QCoreApplication::processEvents();
    const QString calls = fixture.host().calls().join(u' ');
    EXPECT_TRUE(calls.startsWith(QLatin1String("WelcomeScreen_MouseDownInDragger()")))
        << calls.toStdString();
    EXPECT_TRUE(calls.contains(QLatin1String("WelcomeScreen_MouseMoveInDragger(")))
        << calls.toStdString();
    EXPECT_TRUE(calls.endsWith(QLatin1String("WelcomeScreen_MouseUpInDragger()")))
        << calls.toStdString();
}

// Guards against an alert leaving the content at full strength.
TEST(WelcomeMovie, HiddenByAlertFadesTheContent)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickItem *root = fixture.containerWindow()->contentItem()->childItems().value(0);
    ASSERT_NE(root, nullptr);
    fixture.host().hideByAlert();
    EXPECT_TRUE(root->property("hiddenByAlert").toBool());
    fixture.host().callMovie("SetHiddenByAlert", {false});
    EXPECT_FALSE(root->property("hiddenByAlert").toBool());
}

// Screenshots at fixed points: at rest and while launching.
TEST(WelcomeMovie, ScreenshotsAtRestAndWhileLaunching)
{
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "imagemagick's import is not installed";
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    const QString folder = QStringLiteral(TESSALY_BINARY_DIR "/tests/movies");
    QDir().mkpath(folder);
    const QPoint origin = fixture.host().geometry().topLeft();
    auto pixel = [&](const QImage &image, int x, int y) {
        return QColor(image.pixel(origin + QPoint(x, y)));
    };

    QImage rest;
    // The primary button of the Organizer tile carries the accent; the lower corner stays dark.
    ASSERT_TRUE(waitFor(
        [&] {
            fixture.host().raise();
            rest = grabScreen(folder + QStringLiteral("/welcome-rest.png"));
            return !rest.isNull() && pixel(rest, 66, 306).blue() > 180 &&
                   pixel(rest, 470, 320).blue() > 180;
        },
        15000));
    EXPECT_LT(pixel(rest, 10, 470).lightness(), 40);
    EXPECT_GT(pixel(rest, 837, 20).lightness(), 150) << "close box glyph";

    fixture.host().setLaunching(MovieHost::Organizer, true);
    fixture.host().showSplashStatus(MovieHost::Organizer, QStringLiteral("Opening the catalog"));
    QImage launching;
    ASSERT_TRUE(waitFor(
        [&] {
            launching = grabScreen(folder + QStringLiteral("/welcome-launching.png"));
            // The button gives way to the launching panel, and the Editor tile's button dims.
            return !launching.isNull() && pixel(launching, 66, 306).blue() < 120 &&
                   pixel(launching, 470, 320).blue() < pixel(rest, 470, 320).blue() - 60;
        },
        15000));
}

// Guards against Escape not asking to close while a control has the focus.
TEST(WelcomeMovie, EscapeAsksToClose)
{
    QTemporaryDir pods;
    MovieFixture fixture(withoutPods(pods));
    ASSERT_TRUE(fixture.start());
    QQuickItem *editor = fixture.item(QStringLiteral("editorTile"));
    ASSERT_TRUE(fixture.tabTo(editor));
    fixture.host().clearCalls();
    fixture.pressKey(editor->window(), Qt::Key_Escape);
    EXPECT_TRUE(fixture.waitForCall(QStringLiteral("WelcomeScreen_RequestAppClose()")));
}
