#include "tests/source/welcometestsupport.h"

#include "platform/registry/regkey.h"
#include "source/launchersettingsdlg.h"
#include "source/welcomeaction.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPushButton>
#include <QTimer>

#include <QFileInfo>

namespace {

const QString kWelcomeScreenKey =
    QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");

} // namespace

// A Welcome Screen that is shown and set up, as a user sees it.
class WelcomeLaunchTest : public WelcomeWidgetTest
{
protected:
    void SetUp() override
    {
        WelcomeWidgetTest::SetUp();
        writeMovies();
        ASSERT_TRUE(start());
        reportBothMovies();
        ASSERT_TRUE(showWindow());
        clearMovieCalls();
    }

    std::vector<QString> scripts() const
    {
        std::vector<QString> list;
        for (const auto &sent : messenger.sent)
            list.push_back(sent.script);
        return list;
    }

    // An executable at the application's installation folder that notes how it was started.
    QString installFakeApplication(SubApplication::Id id)
    {
        const QString folder =
            m_programs.path() + (id == SubApplication::Organizer ? QStringLiteral("/organizer")
                                                                 : QStringLiteral("/editor"));
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString program =
            folder + (id == SubApplication::Organizer ? QStringLiteral("/PixtrelOrvanaOrganizer")
                                                      : QStringLiteral("/PixtrelOrvanaEditor"));
        writeFile(program, "#!/bin/sh\necho \"$#\" >> \"$0.started\"\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        PtSettingsLM settings(SubApplication::folderKeyPath(id));
        settings.setValue(QStringLiteral("Default"), folder);
        return program + QStringLiteral(".started");
    }

    static QString readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_programs;
};

// ------------------------------------------------------------------------------ movie action ids

struct ActionRow
{
    const char *id;
    SubApplication::Id target;
    const char *script; // nullptr: nothing is sent
    bool flushed;
};

class WelcomeInvokeAction : public WelcomeLaunchTest,
                            public ::testing::WithParamInterface<ActionRow>
{
};

// Guards against an id reaching the wrong application or script, a flush missing or coming
// before the send, and ids that differ in letter case being taken for table entries.
TEST_P(WelcomeInvokeAction, SendsTheTableScript)
{
    const ActionRow &row = GetParam();
    hostCall("invokeAction", {QString::fromLatin1(row.id)});
    if (!row.script) {
        EXPECT_TRUE(messenger.sent.empty()) << messenger.sent.front().script.toStdString();
        EXPECT_TRUE(messenger.flushes.empty());
        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(window().isVisible());
        return;
    }
    ASSERT_EQ(messenger.sent.size(), 1u);
    EXPECT_EQ(messenger.sent.front().target, row.target);
    EXPECT_EQ(messenger.sent.front().script, QString::fromLatin1(row.script));
    if (row.flushed)
        EXPECT_EQ(messenger.flushes, std::vector<std::size_t>{1u});
    else
        EXPECT_TRUE(messenger.flushes.empty());
    EXPECT_TRUE(boxes.empty());
    // An action alone does not close the Welcome Screen or start a launch.
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(widget->launchPending());
}

INSTANTIATE_TEST_SUITE_P(
    Ids, WelcomeInvokeAction,
    ::testing::Values(
        ActionRow{"idBrowseCatalog", SubApplication::Organizer,
                  "open('organizeTab', 'requestFromWS');", false},
        ActionRow{"idQuickFixMode", SubApplication::Editor, "new_file('quick');", false},
        ActionRow{"idAdvancedEditingMode", SubApplication::Editor, "new_file('previous');", false},
        ActionRow{"idNewCreation", SubApplication::Organizer, "open('createTab', 'requestFromWS');",
                  true},
        ActionRow{"idNewBlankFile", SubApplication::Editor, "new_file('quick','generic');", false},
        ActionRow{"idShare", SubApplication::Organizer, "open('shareTab', 'requestFromWS');", true},
        ActionRow{"IDSHARE", SubApplication::Organizer, nullptr, false},
        ActionRow{"idshare", SubApplication::Organizer, nullptr, false},
        ActionRow{"idShare ", SubApplication::Organizer, nullptr, false},
        ActionRow{"", SubApplication::Organizer, nullptr, false},
        ActionRow{"idSyncIntro", SubApplication::Organizer, nullptr, false}));

struct RequestRow
{
    const char *function;
    const char *script;
};

class WelcomeModeRequest : public WelcomeLaunchTest,
                           public ::testing::WithParamInterface<RequestRow>
{
};

// Guards against the create and share entries not sending and flushing their script.
TEST_P(WelcomeModeRequest, SendsAndFlushes)
{
    hostCall(GetParam().function);
    ASSERT_EQ(scripts(), std::vector<QString>{QString::fromLatin1(GetParam().script)});
    EXPECT_EQ(messenger.flushes, std::vector<std::size_t>{1u});
}

INSTANTIATE_TEST_SUITE_P(Requests, WelcomeModeRequest,
                         ::testing::Values(RequestRow{"WelcomeScreen_RequestCreate",
                                                      "open('createTab', 'requestFromWS');"},
                                           RequestRow{"WelcomeScreen_RequestSharing",
                                                      "open('shareTab', 'requestFromWS');"}));

struct FailedSendRow
{
    int action;
    const char *textStart;
};

class WelcomeFailedSend : public WelcomeLaunchTest,
                          public ::testing::WithParamInterface<FailedSendRow>
{
};

// Guards against a refused send going unreported or naming the wrong application.
TEST_P(WelcomeFailedSend, ShowsTheAddressedApplicationsBox)
{
    messenger.failSends = true;
    widget->performAction(GetParam().action);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes.front().icon, LauncherMessageBox::Icon::Warning);
    EXPECT_EQ(boxes.front().title, QStringLiteral("Error Launching Application"));
    EXPECT_TRUE(boxes.front().text.startsWith(QLatin1String(GetParam().textStart)))
        << boxes.front().text.toStdString();
    EXPECT_EQ(boxes.front().parent, &window());
    EXPECT_EQ(boxes.front().buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(messenger.flushes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, WelcomeFailedSend,
    ::testing::Values(FailedSendRow{4, "There was a problem launching the Pixtrel Orvana Editor."},
                      FailedSendRow{5, "There was a problem launching the Pixtrel Orvana Editor."},
                      FailedSendRow{7, "There was a problem launching the Pixtrel Orvana Editor."},
                      FailedSendRow{3, "There was a problem launching the Orvana Organizer."},
                      FailedSendRow{6, "There was a problem launching the Orvana Organizer."},
                      FailedSendRow{10, "There was a problem launching the Orvana Organizer."},
                      FailedSendRow{11, "There was a problem launching the Orvana Organizer."}));

// Guards against the numbers without a script sending something or showing a box.
TEST_F(WelcomeLaunchTest, NumbersWithoutScriptSendNothing)
{
    for (int number : {0, 2, 8, 12, -1, 1000}) {
        widget->performAction(number);
        EXPECT_TRUE(messenger.sent.empty()) << number;
        EXPECT_TRUE(boxes.empty()) << number;
        EXPECT_TRUE(window().isVisible()) << number;
    }
}

// Guards against opening anything but a web page from a dictionary address, and a refusal going
// without the browser box.
TEST_F(WelcomeLaunchTest, OpenUrlRefusesWhatIsNoWebPage)
{
    for (const char *address : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "",
                                "http//missing-colon"}) {
        boxes.clear();
        EXPECT_FALSE(WelcomeWidget::openUrl(widget, QString::fromLatin1(address), true)) << address;
        ASSERT_EQ(boxes.size(), 1u) << address;
        EXPECT_EQ(boxes.front().title, QStringLiteral("Error Launching Browser"));
        EXPECT_EQ(boxes.front().text,
                  QStringLiteral("Could not launch browser. Please ensure that your browser is "
                                 "properly configured and try again."));
        EXPECT_EQ(boxes.front().parent, widget);
        EXPECT_EQ(boxes.front().defaultButton, 0);
        EXPECT_EQ(boxes.front().escapeButton, -1);
    }
    boxes.clear();
    EXPECT_FALSE(WelcomeWidget::openUrl(widget, QStringLiteral("file:///etc/passwd"), false));
    EXPECT_TRUE(boxes.empty());
}

// Guards against the movie's page entries pointing nowhere.
TEST(WelcomeActionPages, TutorialAndHomePageAreWebAddresses)
{
    for (int number : {int(WelcomeAction::Tutorial), int(WelcomeAction::TessalyHome)}) {
        const QUrl url(WelcomeAction::pageAddress(number), QUrl::StrictMode);
        EXPECT_TRUE(url.isValid()) << number;
        EXPECT_EQ(url.scheme(), QStringLiteral("https")) << number;
        EXPECT_FALSE(url.host().isEmpty()) << number;
    }
}

// ---------------------------------------------------------------------- requests and confirmation

// Guards against the Organizer request missing a step of its road, and the confirmation not
// closing the Welcome Screen.
TEST_F(WelcomeLaunchTest, OrganizerRequestLaunchesAndConfirmationCloses)
{
    hostCall("WelcomeScreen_RequestOrganizer");
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("WSHostSetOrganizerLaunching(true)")});
    EXPECT_EQ(scripts(),
              std::vector<QString>{QStringLiteral("open('organizeTab', 'requestFromWS');")});
    EXPECT_TRUE(widget->organizerLaunching());
    EXPECT_TRUE(widget->launchPending());
    EXPECT_EQ(widget->organizerPollTimer(), 0);
    EXPECT_EQ(widget->editorPollTimer(), 0);

    clearMovieCalls();
    widget->handleSubAppStatus(QStringLiteral("organizer:Reading the catalog"));
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral(
                                "WelcomeScreen_OrganizerSplashStatus(\"Reading the catalog\")")});
    EXPECT_TRUE(window().isVisible());

    clearMovieCalls();
    widget->handleSubAppStatus(QStringLiteral("launched_organizer:ok"));
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("WSHostSetOrganizerLaunching(false)")});
    EXPECT_FALSE(widget->organizerLaunching());
    EXPECT_TRUE(windowClosed());
}

// Guards against the Welcome Screen closing under a user who moved it while the launch ran.
TEST_F(WelcomeLaunchTest, DragBeforeConfirmationKeepsTheScreenOpen)
{
    hostCall("WelcomeScreen_RequestOrganizer");
    hostCall("WelcomeScreen_MouseDownInDragger");
    EXPECT_TRUE(widget->draggedWhileLaunching());
    EXPECT_TRUE(widget->isDragging());
    hostCall("WelcomeScreen_MouseUpInDragger");
    EXPECT_FALSE(widget->isDragging());

    widget->handleSubAppStatus(QStringLiteral("launched_organizer:"));
    waitFor([] { return false; }, 200);
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(widget->launchPending());
    EXPECT_FALSE(widget->draggedWhileLaunching());
    EXPECT_FALSE(widget->organizerLaunching());
}

// Guards against a drag outside a launch keeping a later confirmed launch from closing.
TEST_F(WelcomeLaunchTest, DragWithoutLaunchDoesNotCount)
{
    hostCall("WelcomeScreen_MouseDownInDragger");
    hostCall("WelcomeScreen_MouseUpInDragger");
    EXPECT_FALSE(widget->draggedWhileLaunching());
    hostCall("WelcomeScreen_RequestOrganizer");
    widget->handleSubAppStatus(QStringLiteral("launched_organizer:ok"));
    EXPECT_TRUE(windowClosed());
}

// Guards against the window closing while the other application still comes up.
TEST_F(WelcomeLaunchTest, BothLaunchingClosesAfterTheSecondConfirmation)
{
    hostCall("WelcomeScreen_RequestOrganizer");
    messenger.editorStatus = QStringLiteral("BUSY");
    hostCall("WelcomeScreen_RequestEditor");
    widget->handleSubAppStatus(QStringLiteral("launched_organizer:ok"));
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(window().isVisible());
    widget->handleSubAppStatus(QStringLiteral("launched_editor:ok"));
    EXPECT_TRUE(windowClosed());
}

struct RunningRow
{
    const char *function;
    SubApplication::Id id;
};

class WelcomeRunningApplication : public WelcomeLaunchTest,
                                  public ::testing::WithParamInterface<RunningRow>
{
};

// Guards against a running application getting a script (or arguments) instead of a plain
// second start, and the Welcome Screen staying open.
TEST_P(WelcomeRunningApplication, StartsItAgainAndCloses)
{
    const QString marker = installFakeApplication(GetParam().id);
    messenger.organizerRunning = true;
    messenger.editorRunning = true;
    hostCall(GetParam().function);
    EXPECT_TRUE(windowClosed());
    EXPECT_TRUE(messenger.sent.empty());
    EXPECT_TRUE(movieCalls().isEmpty()) << movieCalls().join(u' ').toStdString();
    EXPECT_FALSE(widget->launchPending());
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(marker); }));
    EXPECT_EQ(readAll(marker), QStringLiteral("0\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Applications, WelcomeRunningApplication,
    ::testing::Values(RunningRow{"WelcomeScreen_RequestOrganizer", SubApplication::Organizer},
                      RunningRow{"WelcomeScreen_RequestEditor", SubApplication::Editor}));

// Guards against the Editor's launch never ending without its confirmation: the poll asks every
// 200 ms, tells the movie when the Editor is idle and closes the window a little later.
TEST_F(WelcomeLaunchTest, EditorRequestPollsUntilIdle)
{
    messenger.editorStatus = QStringLiteral("STARTING");
    hostCall("WelcomeScreen_RequestEditor");
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("WSHostSetEditorLaunching(true)")});
    EXPECT_EQ(scripts(), std::vector<QString>{QStringLiteral("new_file('previous');")});
    EXPECT_NE(widget->editorPollTimer(), 0);
    EXPECT_EQ(widget->organizerPollTimer(), 0);
    EXPECT_TRUE(widget->editorLaunching());

    ASSERT_TRUE(waitFor([this] { return messenger.statusQueries >= 3; }));
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(movieCalls().size(), 1);

    clearMovieCalls();
    messenger.editorStatus = QStringLiteral("IDLE");
    ASSERT_TRUE(waitFor([] { return !movieCalls().isEmpty(); }));
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("WSHostSetEditorLaunching(false)")});
    EXPECT_EQ(widget->editorPollTimer(), 0);
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(windowClosed());
    // The poll leaves the launch flags to the confirmation.
    EXPECT_TRUE(widget->editorLaunching());
    const int queries = messenger.statusQueries;
    waitFor([] { return false; }, 500);
    EXPECT_EQ(messenger.statusQueries, queries);
}

// Guards against a second Editor request leaving a poll timer running forever.
TEST_F(WelcomeLaunchTest, SecondEditorRequestKeepsOnePoll)
{
    hostCall("WelcomeScreen_RequestEditor");
    const int timer = widget->editorPollTimer();
    hostCall("WelcomeScreen_RequestEditor");
    EXPECT_EQ(widget->editorPollTimer(), timer);
    messenger.editorStatus = QStringLiteral("IDLE");
    ASSERT_TRUE(waitFor([this] { return widget->editorPollTimer() == 0; }));
    const int queries = messenger.statusQueries;
    waitFor([] { return false; }, 600);
    EXPECT_EQ(messenger.statusQueries, queries);
}

struct BackupRow
{
    const char *name;
    bool running;
    bool syncCatalog;
    const char *script;
    bool closes;
};

class WelcomeBackup : public WelcomeLaunchTest, public ::testing::WithParamInterface<BackupRow>
{
};

// Guards against the backup entry choosing the wrong script, skipping the flush of the sync
// introduction, or closing while the Organizer still has to come up.
TEST_P(WelcomeBackup, ChoosesScriptByCatalogAndRunningState)
{
    const BackupRow &row = GetParam();
    if (row.syncCatalog) {
        PtSettingsCU settings(QStringLiteral("software\\tessaly\\Tidings"));
        settings.setValue(QStringLiteral("PXO9SyncCatalogPath"), QStringLiteral("/photos/sync"));
    }
    EXPECT_EQ(WelcomeWidget::hasSyncCatalog(), row.syncCatalog);
    messenger.organizerRunning = row.running;
    hostCall("WelcomeScreen_RequestBackupSettings");
    ASSERT_EQ(scripts(), std::vector<QString>{QString::fromLatin1(row.script)});
    const bool syncIntro = QLatin1String(row.script) == QLatin1String("launchSyncIntro('');");
    EXPECT_EQ(messenger.flushes.size(), syncIntro ? 1u : 0u);
    EXPECT_EQ(messenger.bringToFronts, row.running ? 1 : 0);
    if (row.closes) {
        EXPECT_TRUE(windowClosed());
    } else {
        EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("WSHostSetOrganizerLaunching(true)")});
        EXPECT_TRUE(widget->launchPending());
        EXPECT_TRUE(window().isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, WelcomeBackup,
    ::testing::Values(BackupRow{"Running", true, false, "launchSyncIntro('');", true},
                      BackupRow{"NotRunningWithCatalog", false, true, "launchSyncIntro('');",
                                false},
                      BackupRow{"NotRunningWithoutCatalog", false, false,
                                "open('organizeTab', 'requestFromWS');", false}),
    [](const auto &info) { return std::string(info.param.name); });

// --------------------------------------------------------------------------- status messages

struct StatusRow
{
    const char *name;
    const char *body;
    const char *movieCall; // nullptr: the movie hears nothing
    bool closes;
};

class WelcomeStatus : public WelcomeLaunchTest, public ::testing::WithParamInterface<StatusRow>
{
};

// Guards against a status body with zero or two colons, or another letter case, being taken
// for a status, and against the known ones reaching the wrong movie function.
TEST_P(WelcomeStatus, HandlesExactlyTwoParts)
{
    const StatusRow &row = GetParam();
    widget->handleSubAppStatus(QString::fromUtf8(row.body));
    if (row.movieCall)
        EXPECT_EQ(movieCalls(), QStringList{QString::fromUtf8(row.movieCall)});
    else
        EXPECT_TRUE(movieCalls().isEmpty()) << movieCalls().join(u' ').toStdString();
    if (row.closes) {
        EXPECT_TRUE(windowClosed());
    } else {
        waitFor([] { return false; }, 50);
        EXPECT_TRUE(window().isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, WelcomeStatus,
    ::testing::Values(
        StatusRow{"OrganizerStatus", "organizer:Opening",
                  "WelcomeScreen_OrganizerSplashStatus(\"Opening\")", false},
        StatusRow{"EditorStatus", "editor:Loading plug-ins…",
                  "WelcomeScreen_EditorSplashStatus(\"Loading plug-ins…\")", false},
        StatusRow{"EmptyStatus", "editor:", "WelcomeScreen_EditorSplashStatus(\"\")", false},
        StatusRow{"NoColon", "organizer", nullptr, false},
        StatusRow{"TwoColons", "organizer:a:b", nullptr, false},
        StatusRow{"OnlyColons", "::", nullptr, false}, StatusRow{"Empty", "", nullptr, false},
        StatusRow{"Capitals", "Organizer:Opening", nullptr, false},
        StatusRow{"Unknown", "catalog:ready", nullptr, false},
        // A confirmation without a pending launch (a start-up launch) leaves the screen alone.
        StatusRow{"ConfirmedWithoutRequest", "launched_organizer:ok",
                  "WSHostSetOrganizerLaunching(false)", false},
        StatusRow{"EditorConfirmedWithoutRequest", "launched_editor:ok",
                  "WSHostSetEditorLaunching(false)", false},
        StatusRow{"ForceQuit", "force_quit_welcome_screen:", nullptr, true},
        StatusRow{"ForceQuitTwoColons", "force_quit_welcome_screen:a:b", nullptr, false}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------------ the usage-log relay

// Guards against "Exit" not ending a Welcome Screen that was never shown.
TEST_F(WelcomeWidgetTest, ExitClosesOnlyWhenSubLaunched)
{
    writeMovies();
    LauncherContext::setSubLaunched(true);
    ASSERT_TRUE(start());
    window().show();
    ASSERT_TRUE(waitFor([this] { return window().isVisible(); }));
    hostCall("dumpQuillonLog", {QStringLiteral("Exit ")});
    waitFor([] { return false; }, 50);
    EXPECT_TRUE(window().isVisible());
    hostCall("dumpQuillonLog", {QStringLiteral("Exit")});
    EXPECT_TRUE(windowClosed());
}

// Guards against "Exit" closing a Welcome Screen the user is looking at.
TEST_F(WelcomeLaunchTest, ExitWithoutSubLaunchKeepsTheScreen)
{
    hostCall("dumpQuillonLog", {QStringLiteral("Exit")});
    waitFor([] { return false; }, 50);
    EXPECT_TRUE(window().isVisible());
}

// ----------------------------------------------------------------------------- stored choices

// Guards against the start-up choices landing under the wrong key, name or type.
TEST_F(WelcomeLaunchTest, StoresTheStartupChoices)
{
    hostCall("WSSetQuickLaunchApp", {2});
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        EXPECT_EQ(settings.value(QStringLiteral("QuickLaunchApp"), -5).toInt(), 2);
    }
    hostCall("WelcomeScreen_UpdateStartupApp", {1});
    reg_key_cu_t key(QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Common\\settings"));
    quint32 value = 0;
    ASSERT_EQ(key.queryDword(QStringLiteral("STARTUP_APP"), value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
}

// ---------------------------------------------------------------------------------- the drag

// Guards against the drag moving the window by anything but the pointer's displacement.
TEST_F(WelcomeLaunchTest, MoveInDraggerFollowsThePointer)
{
    window().m_centreOnResize = false;
    window().move(100, 120);
    ASSERT_TRUE(waitFor([this] { return window().pos() == QPoint(100, 120); }));
    QCursor::setPos(300, 300);
    ASSERT_TRUE(waitFor([] { return QCursor::pos() == QPoint(300, 300); }));
    hostCall("WelcomeScreen_MouseDownInDragger");
    hostCall("WelcomeScreen_MouseUpInDragger");
    hostCall("WelcomeScreen_MouseMoveInDragger", {340, 290});
    EXPECT_TRUE(waitFor([this] { return window().pos() == QPoint(140, 110); }))
        << window().pos().x() << "," << window().pos().y();
}

// Guards against the 2 ms drag timer not following the cursor while the button is down.
TEST_F(WelcomeLaunchTest, DragTimerFollowsTheCursor)
{
    window().m_centreOnResize = false;
    window().move(100, 120);
    ASSERT_TRUE(waitFor([this] { return window().pos() == QPoint(100, 120); }));
    QCursor::setPos(300, 300);
    ASSERT_TRUE(waitFor([] { return QCursor::pos() == QPoint(300, 300); }));
    hostCall("WelcomeScreen_MouseDownInDragger");
    QCursor::setPos(325, 350);
    EXPECT_TRUE(waitFor([this] { return window().pos() == QPoint(125, 170); }))
        << window().pos().x() << "," << window().pos().y();
    hostCall("WelcomeScreen_MouseUpInDragger");
    QCursor::setPos(400, 400);
    waitFor([] { return false; }, 100);
    EXPECT_EQ(window().pos(), QPoint(125, 170));
}

// --------------------------------------------------------------------------------- pods

// Guards against the pod player covering anything but the rectangle the container names.
TEST_F(WelcomeLaunchTest, PodGeometryCoversTheNamedRectangle)
{
    // The pod player comes with the first frame.
    ASSERT_TRUE(waitFor([this] { return widget->podPlayer() != nullptr; }, 5000));
    hostCall("WelcomeScreenHost_showPod", {true});
    EXPECT_FALSE(widget->podPlayer()->isVisible()) << "shown before any geometry";
    hostCall("WelcomeScreen_SetPodGeometry", {10, 20, 300, 100});
    const QRect geometry = widget->podPlayer()->geometry();
    EXPECT_EQ(geometry.left(), 10);
    EXPECT_EQ(geometry.right(), 309);
    EXPECT_EQ(geometry.top(), 20);
    EXPECT_EQ(geometry.bottom(), 119);
    EXPECT_TRUE(widget->podPlayer()->isVisible());
    EXPECT_EQ(widget->podRect(), geometry);
    hostCall("WelcomeScreenHost_showPod", {false});
    EXPECT_FALSE(widget->podPlayer()->isVisible());
    hostCall("WelcomeScreenHost_showPod", {true});
    EXPECT_TRUE(widget->podPlayer()->isVisible());
    hostCall("PodPlayer_resize", {200, 80});
    EXPECT_EQ(widget->podPlayer()->geometry(), QRect(10, 20, 200, 80));
}

// Guards against pod events and models not being relayed to the container movie.
TEST_F(WelcomeLaunchTest, RelaysPodEventsToTheContainer)
{
    hostCall("PodEventDispatched", {QStringLiteral("click"), QStringLiteral("quick-fix")});
    hostCall("dynamicPodContainer_initModel", {QStringLiteral("<model/>")});
    EXPECT_EQ(
        movieCalls(),
        (QStringList{QStringLiteral("WelcomeScreen_PodEventDispatched(\"click\", \"quick-fix\")"),
                     QStringLiteral("dynamicPodContainer_initModel(\"<model/>\")")}));
}

// Guards against the pod shown not being remembered, or reported while nobody sees it.
TEST_F(WelcomeLaunchTest, CurrentPodIsStoredAndReported)
{
    hostCall("WS_SetCurrentDynamicPodFileName", {QStringLiteral("quick-fix.metadata.xml")});
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral(
                                "logMessagePodEvent(\"quick-fix.metadata.xml\", \"view\")")});
    EXPECT_EQ(widget->currentPodFileName(), QStringLiteral("quick-fix.metadata.xml"));
    {
        PtSettingsCU settings(QStringLiteral("software\\tessaly\\Tidings"));
        EXPECT_EQ(settings.value(QStringLiteral("LastDynamicPodFileName"), QString()).toString(),
                  QStringLiteral("quick-fix.metadata.xml"));
    }
    clearMovieCalls();
    hostCall("WS_SetCurrentDynamicPodFileName", {QString()});
    EXPECT_TRUE(movieCalls().isEmpty());
    clearMovieCalls();
    LauncherContext::setSubLaunched(true);
    hostCall("WS_SetCurrentDynamicPodFileName", {QStringLiteral("b.metadata.xml")});
    EXPECT_TRUE(movieCalls().isEmpty());
    PtSettingsCU settings(QStringLiteral("software\\tessaly\\Tidings"));
    EXPECT_EQ(settings.value(QStringLiteral("LastDynamicPodFileName"), QString()).toString(),
              QStringLiteral("b.metadata.xml"));
}

// ---------------------------------------------------------------------------- other callbacks

// Guards against the movie's close and quit requests not closing the window.
TEST_F(WelcomeLaunchTest, CloseRequestsCloseTheWindow)
{
    hostCall("WelcomeScreen_RequestAppClose");
    EXPECT_TRUE(windowClosed());
}

TEST_F(WelcomeLaunchTest, SafeToQuitClosesTheWindow)
{
    hostCall("WelcomeScreen_SafeToQuit");
    EXPECT_TRUE(windowClosed());
}

// Guards against the alert request not reaching the movie.
TEST_F(WelcomeLaunchTest, HiddenByAlertTellsTheMovie)
{
    hostCall("WelcomeScreenSetHiddenByAlert");
    EXPECT_EQ(movieCalls(), QStringList{QStringLiteral("SetHiddenByAlert()")});
}

// Guards against the player resize request changing anything but the height, by three.
TEST_F(WelcomeLaunchTest, ResizePlayerTakesThreePixels)
{
    const QSize before = widget->containerPlayer()->size();
    hostCall("slotResizePlayer", {400});
    EXPECT_EQ(widget->containerPlayer()->size(), QSize(before.width(), before.height() - 3));
    EXPECT_EQ(widget->size(), widget->containerPlayer()->size());
}

// Guards against the launch preferences opening on another choice than the stored one, and the
// choice not being stored.
TEST_F(WelcomeLaunchTest, LaunchPreferencesShowAndStoreTheChoice)
{
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        settings.setValue(QStringLiteral("QuickLaunchApp"), 2);
    }
    int checked = -1;
    QTimer::singleShot(100, widget, [&] {
        auto *dialog = widget->findChild<LauncherSettingsDlg *>();
        if (!dialog)
            return;
        checked = dialog->buttonGroup()->checkedId();
        dialog->buttonGroup()->button(0)->click();
        dialog->okButton()->click();
    });
    hostCall("slotOpenSettingsDialog");
    EXPECT_EQ(checked, 2);
    PtSettingsCU settings(kWelcomeScreenKey);
    EXPECT_EQ(settings.value(QStringLiteral("QuickLaunchApp"), -5).toInt(), 0);
}

// Guards against the logout path leaving the window open or signals connected.
TEST_F(WelcomeLaunchTest, QuitOnTidingsNoReplyCloses)
{
    bool destroyedSeen = false;
    QObject::connect(widget, &QObject::objectNameChanged, widget, [&] { destroyedSeen = true; });
    widget->slotQuitOnTidingsNoReply();
    widget->setObjectName(QStringLiteral("renamed"));
    EXPECT_FALSE(destroyedSeen);
    EXPECT_TRUE(windowClosed());
}

// Guards against a sub-launched launcher, whose window never showed, living on after it was
// told to quit.
TEST_F(WelcomeWidgetTest, ForceQuitEndsTheLauncherWhenTheWindowNeverShowed)
{
    writeMovies();
    LauncherContext::setSubLaunched(true);
    ASSERT_TRUE(start());
    reportBothMovies();
    hostCall("WelcomeScreen_ContainerShowWindow", {true});
    ASSERT_FALSE(window().isVisible());
    QTimer::singleShot(0, widget, [this] {
        widget->handleSubAppStatus(QStringLiteral("force_quit_welcome_screen:"));
    });
    QTimer::singleShot(5000, widget, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}
