// One launcher per user session, with real launcher processes on a desktop with a window
// manager.

#include "tests/e2e/e2esession.h"

#include <QElapsedTimer>
#include <QJsonArray>

#include <csignal>

using namespace std::chrono_literals;

namespace {

constexpr auto windowTimeout = 20s;
constexpr auto exitTimeout = 20s;

const QString instanceCategory = QStringLiteral("tessaly.launcher.instance");

QStringList buttonsOf(const QJsonObject &box)
{
    QStringList buttons;
    const QJsonArray array = box.value(QStringLiteral("buttons")).toArray();
    for (const auto &button : array)
        buttons.append(button.toString());
    return buttons;
}

} // namespace

class SingleInstanceE2e : public E2eSession
{
protected:
    // A launcher that runs with its window on screen.
    E2eProcess &startFirst(quint32 *window, const Options &options = {})
    {
        E2eProcess &first = startLauncher(QStringLiteral("first"), options);
        const auto found = waitForLauncherWindow(first, windowTimeout);
        EXPECT_TRUE(found) << "the first launcher shows no window";
        *window = found ? found->id : 0;
        return first;
    }
};

class SecondStart : public SingleInstanceE2e, public ::testing::WithParamInterface<bool>
{
};

TEST_P(SecondStart, BringsTheFirstWindowAndItsPopupToTheFrontAndEndsQuietly)
{
    const bool minimised = GetParam();
    quint32 window = 0;
    E2eProcess &first = startFirst(&window);
    ASSERT_NE(window, 0u);
    // The launcher has no pop-up of its own yet: the test gives its window one.
    const quint32 popup = display().createWindow(QStringLiteral("Pop-up of the launcher"), window,
                                                 QRect(300, 300, 240, 120));
    const quint32 cover =
        display().createWindow(QStringLiteral("Another program"), 0, QRect(0, 0, 1280, 1024));
    display().desktop().activate(cover);
    ASSERT_TRUE(display().waitUntil(
        [&] {
            return display().stackingIndex(cover) > display().stackingIndex(popup) &&
                   display().stackingIndex(popup) >= 0;
        },
        5s))
        << "the cover did not come above the launcher";
    if (minimised) {
        display().iconify(window);
        ASSERT_TRUE(display().waitUntil([&] { return display().desktop().isIconic(window); }, 5s));
    }

    E2eProcess &second = startLauncher(QStringLiteral("second"));
    ASSERT_TRUE(second.waitForExit(exitTimeout)) << "the second launcher did not end";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.messageBoxes().isEmpty()) << "the second launcher showed a box";
    EXPECT_TRUE(
        display()
            .windows(E2eDisplay::titleContains(E2eSession::launcherWindowTitle(), second.pid()))
            .isEmpty());

    const bool front = display().waitUntil(
        [&] {
            const int w = display().stackingIndex(window);
            return !display().desktop().isIconic(window) && w > display().stackingIndex(cover) &&
                   display().stackingIndex(popup) > w;
        },
        5s);
    EXPECT_TRUE(front) << "stacking index of the launcher " << display().stackingIndex(window)
                       << ", its pop-up " << display().stackingIndex(popup) << ", the cover "
                       << display().stackingIndex(cover) << "; minimised "
                       << display().desktop().isIconic(window);
    const quint32 active = display().desktop().activeWindow();
    EXPECT_TRUE(active == window || active == popup) << "active window " << active;
    EXPECT_TRUE(first.isRunning());
}

INSTANTIATE_TEST_SUITE_P(Window, SecondStart, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "Minimised" : "Covered"; });

// Regression: a launcher that crashed must not lock every later start out.
TEST_F(SingleInstanceE2e, StartAfterAKilledLauncherObtainsTheAbandonedMutex)
{
    quint32 window = 0;
    E2eProcess &first = startFirst(&window);
    ASSERT_NE(window, 0u);
    first.kill(SIGKILL);
    ASSERT_TRUE(first.waitForExit(exitTimeout));
    EXPECT_TRUE(first.crashed());

    Options traced;
    traced.loggingRules = instanceTraces();
    E2eProcess &next = startLauncher(QStringLiteral("next"), traced);
    EXPECT_TRUE(waitForLauncherWindow(next, windowTimeout)) << "the next launcher did not start";
    EXPECT_TRUE(next.isRunning());
    EXPECT_TRUE(next.traces(instanceCategory).isEmpty()) << "it saw no other instance";
    EXPECT_TRUE(next.messageBoxes().isEmpty());
}

class ClosingInstance : public SingleInstanceE2e, public ::testing::WithParamInterface<bool>
{
};

// Both mutexes held: the other launcher is tearing down. The new one waits; when the old one
// goes within the ten checks it starts, else it reports the hung instance.
TEST_P(ClosingInstance, NewLauncherWaitsForTheOldOne)
{
    const bool holderEnds = GetParam();
    E2eProcess *holder =
        holdMutexes({launcherInstanceName(), launcherCaption() + QStringLiteral("_Closing")});
    ASSERT_NE(holder, nullptr) << "the mutex holder did not take the mutexes";

    Options traced;
    traced.loggingRules = instanceTraces();
    E2eProcess &launcher = startLauncher(QStringLiteral("waiting"), traced);
    ASSERT_TRUE(launcher.waitForError(
        QStringLiteral("AlbumkeepClosing: previous app instance closing - return true"), 15s))
        << "the launcher did not see the closing instance";
    QElapsedTimer waiting;
    waiting.start();
    EXPECT_EQ(launcher.traces(instanceCategory),
              QStringList({QStringLiteral("AlbumkeepClosing: start"),
                           QStringLiteral("AlbumkeepClosing: created mutex"),
                           QStringLiteral("AlbumkeepClosing: previous app instance closing - "
                                          "return true")}));

    if (holderEnds) {
        // The old process ends a few checks later.
        EXPECT_FALSE(launcher.waitForExit(2500ms)) << "the launcher gave up while waiting";
        holder->closeInput();
        ASSERT_TRUE(holder->waitForExit(5s));
        EXPECT_TRUE(waitForLauncherWindow(launcher, windowTimeout))
            << "the launcher did not continue to its window";
        EXPECT_TRUE(launcher.isRunning());
        EXPECT_TRUE(launcher.messageBoxes().isEmpty());
        return;
    }

    ASSERT_TRUE(launcher.waitForExit(exitTimeout)) << "the launcher did not give up";
    // Ten checks one second apart: it cannot have given up much sooner.
    EXPECT_GE(waiting.elapsed(), 9000);
    EXPECT_EQ(launcher.exitCode(), 0);
    const QList<QJsonObject> boxes = launcher.messageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().value(QStringLiteral("title")).toString(),
              QStringLiteral("Orvana Organizer"));
    EXPECT_EQ(boxes.first().value(QStringLiteral("text")).toString(),
              QStringLiteral("Pixtrel Orvana is already running but is not responding. To open a "
                             "new instance, you must first close the existing Pixtrel Orvana "
                             "process, or restart your system."));
    EXPECT_EQ(buttonsOf(boxes.first()), QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(display()
                    .windows(E2eDisplay::titleContains(launcherWindowTitle(), launcher.pid()))
                    .isEmpty());
    EXPECT_TRUE(holder->isRunning());
}

INSTANTIATE_TEST_SUITE_P(Holder, ClosingInstance, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "Ends" : "Hangs"; });

TEST_F(SingleInstanceE2e, OfFiveSimultaneousLaunchersExactlyOneRuns)
{
    std::vector<E2eProcess *> launchers;
    for (int i = 0; i < 5; ++i)
        launchers.push_back(&startLauncher(QStringLiteral("launcher-%1").arg(i)));

    // Four of them end with 0 without a box; the fifth stays with its window.
    ASSERT_TRUE(display().waitUntil(
        [&] {
            return std::count_if(launchers.begin(), launchers.end(),
                                 [](E2eProcess *l) { return !l->isRunning(); }) >= 4;
        },
        exitTimeout));
    std::vector<E2eProcess *> running;
    for (E2eProcess *launcher : launchers) {
        if (launcher->isRunning()) {
            running.push_back(launcher);
            continue;
        }
        EXPECT_EQ(launcher->exitCode(), 0) << launcher->describe().toStdString();
        EXPECT_TRUE(launcher->messageBoxes().isEmpty());
    }
    ASSERT_EQ(running.size(), 1u);
    EXPECT_TRUE(waitForLauncherWindow(*running.front(), windowTimeout));
    EXPECT_EQ(display().windows(E2eDisplay::titleContains(launcherWindowTitle())).size(), 1);
    EXPECT_TRUE(running.front()->isRunning());
}

TEST_F(SingleInstanceE2e, TracesAppearInOrder)
{
    Options traced;
    traced.loggingRules = instanceTraces();
    quint32 window = 0;
    E2eProcess &first = startFirst(&window, traced);
    ASSERT_NE(window, 0u);

    E2eProcess &second = startLauncher(QStringLiteral("second"), traced);
    ASSERT_TRUE(second.waitForExit(exitTimeout));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.traces(instanceCategory),
              QStringList({QStringLiteral("EnumWindowsProc: found window"),
                           QStringLiteral("AlbumkeepClosing: start"),
                           QStringLiteral("AlbumkeepClosing: created mutex")}));

    // Closing the window ends the event loop; the closing mark follows.
    display().close(window);
    ASSERT_TRUE(first.waitForExit(exitTimeout)) << "closing the window did not end the launcher";
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(first.traces(instanceCategory),
              QStringList({QStringLiteral("AlbumkeepClosing: start"),
                           QStringLiteral("AlbumkeepClosing: created and acquired mutex"),
                           QStringLiteral("AlbumkeepClosing: previous app instance not closing "
                                          "- return false")}));

    // The first one has gone: a new start runs without seeing anyone.
    E2eProcess &third = startLauncher(QStringLiteral("third"), traced);
    EXPECT_TRUE(waitForLauncherWindow(third, windowTimeout));
    EXPECT_TRUE(third.traces(instanceCategory).isEmpty());
}
