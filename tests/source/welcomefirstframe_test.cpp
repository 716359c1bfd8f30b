// What the Welcome Screen leaves until its first frame is on screen (the pod movie, the content
// download, the tasks start-up hands it), and the shipped movies' compiled form kept between
// starts.

#include "tests/source/welcometestsupport.h"

#include "platform/nativewindow/nativewindows.h"
#include "source/launcherpaths.h"
#include "source/podcontent.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QQuickItem>
#include <QQuickWindow>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

class WelcomeFirstFrame : public WelcomeWidgetTest
{
protected:
    static QObject *podRoot() { return movieItem(QStringLiteral("recordingPod")); }

    // Each task notes its name and whether the pod movie was already playing when it ran.
    std::function<void()> noting(const char *name)
    {
        return [this, name] {
            events << QString::fromLatin1(name) + (podRoot() ? QStringLiteral(" +pod") : QString());
        };
    }

    QStringList events;
};

// Guards against deferred work that runs before the first frame, out of order, or after the pod
// movie whose set-up may depend on it (the messaging endpoint the set-up asks).
TEST_F(WelcomeFirstFrame, TasksRunAfterTheContainersFrameInOrderBeforeThePodMovie)
{
    writeMovies(540);
    ASSERT_TRUE(construct());
    EXPECT_EQ(podRoot(), nullptr) << "the pod movie loaded before the first frame";
    EXPECT_FALSE(widget->isFirstFrameShown());

    auto *stage = qobject_cast<QQuickWindow *>(
        NativeWindows::window(widget->containerPlayer()->stageWindow()));
    ASSERT_NE(stage, nullptr);
    const QMetaObject::Connection frames = QObject::connect(
        stage, &QQuickWindow::afterRendering, widget, [this] { events << QStringLiteral("frame"); },
        Qt::DirectConnection);
    widget->runAfterFirstFrame(noting("messaging"));
    widget->runAfterFirstFrame(noting("usage logging"));
    EXPECT_EQ(widget->podPlayer(), nullptr) << "the pod player was made before the first frame";

    window().show();
    ASSERT_TRUE(waitFor([this] { return widget->isFirstFrameShown(); }, 5000));
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first(), QStringLiteral("frame")) << events.join(u',').toStdString();
    events.removeAll(QStringLiteral("frame"));
    EXPECT_EQ(events, QStringList({QStringLiteral("messaging"), QStringLiteral("usage logging")}));
    EXPECT_TRUE(waitFor([] { return podRoot() != nullptr; }, 5000)) << "pod movie never loaded";
    QObject::disconnect(frames);
}

struct EarlyPlacementRow
{
    const char *name;
    bool placed;  // "WelcomeScreen_SetPodGeometry" (10, 20, 300, 100) before the frame
    int showPod;  // then "WelcomeScreenHost_showPod": -1 not called, else its argument
    bool visible; // the pod player once made
};

class WelcomeFirstFrameEarlyPlacement : public WelcomeFirstFrame,
                                        public ::testing::WithParamInterface<EarlyPlacementRow>
{
};

// Guards against the container's placing and showing of the pod area, which comes as soon as it
// has loaded, being lost because the pod player is only made after the first frame.
TEST_P(WelcomeFirstFrameEarlyPlacement, LatePodPlayerGetsWhatTheContainerAsked)
{
    writeMovies(540);
    ASSERT_TRUE(start());
    const EarlyPlacementRow &row = GetParam();
    if (row.placed)
        hostCall("WelcomeScreen_SetPodGeometry", {10, 20, 300, 100});
    if (row.showPod >= 0)
        hostCall("WelcomeScreenHost_showPod", {row.showPod == 1});
    ASSERT_EQ(widget->podPlayer(), nullptr);

    window().show();
    ASSERT_TRUE(waitFor([this] { return widget->isFirstFrameShown(); }, 5000));
    ASSERT_NE(widget->podPlayer(), nullptr);
    EXPECT_EQ(widget->podPlayer()->isVisible(), row.visible);
    EXPECT_TRUE(waitFor([] { return podRoot() != nullptr; }, 5000)) << "pod movie never loaded";
    if (row.placed) {
        // Where the container put it; the size is the one the pod movie asks for on loading.
        EXPECT_EQ(widget->podPlayer()->pos(), QPoint(10, 20));
        EXPECT_EQ(widget->podPlayer()->size(), QSize(260, 300));
        EXPECT_EQ(widget->podRect(), QRect(10, 20, 300, 100));
    }

    // Once made, the player follows the container directly.
    hostCall("WelcomeScreen_SetPodGeometry", {30, 40, 200, 80});
    EXPECT_EQ(widget->podPlayer()->geometry(), QRect(30, 40, 200, 80));
    EXPECT_TRUE(widget->podPlayer()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Placements, WelcomeFirstFrameEarlyPlacement,
                         ::testing::Values(EarlyPlacementRow{"PlacedAndShown", true, -1, true},
                                           EarlyPlacementRow{"PlacedThenHidden", true, 0, false},
                                           EarlyPlacementRow{"PlacedAndAskedToShow", true, 1, true},
                                           EarlyPlacementRow{"ShownButNeverPlaced", false, 1,
                                                             false}),
                         [](const auto &info) { return std::string(info.param.name); });

// Guards against a task queued once the frame is up being lost, or run inside the caller.
TEST_F(WelcomeFirstFrame, TaskGivenAfterTheFrameRunsOnTheNextTurn)
{
    writeMovies(540);
    ASSERT_TRUE(start());
    window().show();
    ASSERT_TRUE(waitFor([this] { return widget->isFirstFrameShown(); }, 5000));

    widget->runAfterFirstFrame(noting("late"));
    EXPECT_TRUE(events.isEmpty()) << "ran inside runAfterFirstFrame";
    ASSERT_TRUE(waitFor([this] { return !events.isEmpty(); }));
    EXPECT_EQ(events.first().section(u' ', 0, 0), QStringLiteral("late"));
}

struct UnshownRow
{
    const char *name;
    bool subLaunched;
};

class WelcomeFirstFrameUnshown : public WelcomeFirstFrame,
                                 public ::testing::WithParamInterface<UnshownRow>
{
};

// Guards against a Welcome Screen that never draws (sub-launched, or kept hidden) holding its
// deferred work, and with it the pod movie and the movie set-up, back for good.
TEST_P(WelcomeFirstFrameUnshown, TasksAndThePodMovieStillCome)
{
    LauncherContext::setSubLaunched(GetParam().subLaunched);
    writeMovies(540);
    ASSERT_TRUE(construct());
    widget->runAfterFirstFrame(noting("messaging"));

    ASSERT_TRUE(waitFor([this] { return !events.isEmpty(); }, 5000));
    EXPECT_EQ(events, QStringList{QStringLiteral("messaging")});
    EXPECT_TRUE(waitFor([] { return podRoot() != nullptr; }, 5000));
    EXPECT_FALSE(window().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Starts, WelcomeFirstFrameUnshown,
                         ::testing::Values(UnshownRow{"SubLaunched", true},
                                           UnshownRow{"NotYetShown", false}),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ compiled movies kept

class WelcomeMovieCache : public WelcomeWidgetTest
{
protected:
    // The compiled documents under the cache folder: path → (inode, modification time).
    static std::map<QString, std::pair<ino_t, qint64>> compiledDocuments()
    {
        std::map<QString, std::pair<ino_t, qint64>> documents;
        QDirIterator it(qEnvironmentVariable("XDG_CACHE_HOME"), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            struct stat info = {};
            if (::stat(QFile::encodeName(path).constData(), &info) == 0)
                documents[path] = {info.st_ino,
                                   qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
        }
        return documents;
    }

    // Plays the movie in a player of its own until the named item is there; the player compiles
    // the movie (or reads it from the cache) before Load returns.
    static bool play(const QString &movie, const char *item)
    {
        WelcomeGlintContainer player(nullptr);
        player.Load(movie);
        return movieItem(QLatin1String(item)) != nullptr;
    }

    // A copy of the shipped movies in this test's own movie folder; the path of the named one.
    static QString copyShippedMovies(const char *file)
    {
        const QString folder = LauncherPaths::assetsDirectory() + QStringLiteral("Required");
        const QString shipped = QStringLiteral(TESSALY_SOURCE_DIR "/assets/common/Required");
        QDirIterator it(shipped, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target = folder + source.mid(shipped.size());
            if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(source, target))
                return QString();
        }
        // The player plays only from the launcher's own movie folders, which the trust file
        // names.
        PodContent::writePlayerTrustFile();
        return folder + u'/' + QLatin1String(file);
    }
};

// An item of a movie by name, searched through the item trees of the movies' windows: a
// repeater's items belong to no object tree.
static QQuickItem *sceneItem(QQuickItem *item, const QString &name)
{
    if (!item)
        return nullptr;
    if (item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = sceneItem(child, name))
            return found;
    }
    return nullptr;
}

static QQuickItem *sceneItem(const QString &name)
{
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (auto *quick = qobject_cast<QQuickWindow *>(window)) {
            if (QQuickItem *found = sceneItem(quick->contentItem(), name))
                return found;
        }
    }
    return nullptr;
}

struct RestingItemRow
{
    const char *name;
    const char *item;
    bool builtAtRest;
    // What makes a lazily made part: "chooser" opens the start-up choice, "launch" starts the
    // Organizer's launching state.
    const char *trigger = nullptr;
};

class WelcomeMovieAtRest : public WelcomeMovieCache,
                           public ::testing::WithParamInterface<RestingItemRow>
{
};

// Guards against the container building, before its first frame, the parts nothing shows at
// rest (the start-up choice's list, the launching state's text and bar), and against a lazily
// made part taking a control that is on screen at rest with it.
TEST_P(WelcomeMovieAtRest, BuildsOnlyWhatShowsAtRest)
{
    const QString movie = copyShippedMovies("WelcomeScreenContainer.swf");
    ASSERT_FALSE(movie.isEmpty());
    WelcomeGlintContainer player(nullptr);
    player.Load(movie);
    ASSERT_NE(movieItem(QStringLiteral("preferencesButton")), nullptr) << "the movie did not play";
    const RestingItemRow &row = GetParam();
    EXPECT_EQ(sceneItem(QLatin1String(row.item)) != nullptr, row.builtAtRest);
    if (!row.trigger)
        return;

    // The part still comes, whole, when it is wanted.
    if (QByteArray(row.trigger) == "chooser") {
        QObject *chooser = sceneItem(QStringLiteral("startupChooser"));
        ASSERT_NE(chooser, nullptr);
        ASSERT_TRUE(QMetaObject::invokeMethod(chooser, "activated"));
    } else {
        const QList<QVariant> on{true};
        player.CallFunction("WSHostSetOrganizerLaunching", &on);
    }
    QQuickItem *item = sceneItem(QLatin1String(row.item));
    ASSERT_NE(item, nullptr) << "not made when wanted";
    EXPECT_TRUE(item->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Items, WelcomeMovieAtRest,
    ::testing::Values(RestingItemRow{"StartupChooser", "startupChooser", true},
                      RestingItemRow{"OrganizerTile", "organizerTile", true},
                      RestingItemRow{"LaunchingPanel", "launchingPanel", true},
                      RestingItemRow{"Entry", "entry_idTutorial", true},
                      RestingItemRow{"StartupPopup", "startupPopup", false, "chooser"},
                      RestingItemRow{"StartupOption", "startupOption0", false, "chooser"},
                      RestingItemRow{"LaunchingText", "launchingText", false, "launch"},
                      RestingItemRow{"LaunchingStatus", "statusText", false, "launch"}),
    [](const auto &info) { return std::string(info.param.name); });

struct ShippedMovieRow
{
    const char *name;
    const char *file;
    const char *item; // an object of the movie, by name
};

class WelcomeMovieCacheShipped : public WelcomeMovieCache,
                                 public ::testing::WithParamInterface<ShippedMovieRow>
{
};

// Guards against a shipped movie that the compiled-document cache rejects on every start (it
// did, with components declared inside the movie), so each start compiles it afresh.
TEST_P(WelcomeMovieCacheShipped, SecondStartReadsTheCompiledMovie)
{
    // A copy at a new address, in this test's own movie folder, so no player of this process
    // has compiled it before.
    const QString movie = copyShippedMovies(GetParam().file);
    ASSERT_FALSE(movie.isEmpty());
    ASSERT_TRUE(play(movie, GetParam().item)) << "the movie did not play";
    const auto first = compiledDocuments();
    ASSERT_FALSE(first.empty()) << "nothing compiled was kept";

    ASSERT_TRUE(play(movie, GetParam().item));
    EXPECT_EQ(compiledDocuments(), first) << "compiled again instead of read from the cache";
}

INSTANTIATE_TEST_SUITE_P(
    Movies, WelcomeMovieCacheShipped,
    ::testing::Values(ShippedMovieRow{"Container", "WelcomeScreenContainer.swf",
                                      "preferencesButton"},
                      ShippedMovieRow{"PodPlayer", "PodPlayer.swf", "podNext"}),
    [](const auto &info) { return std::string(info.param.name); });
