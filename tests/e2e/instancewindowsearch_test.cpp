// The window tests of the instance check, run in this process against windows of the test on
// the session's desktop, while a helper process holds the instance mutex.

#include "source/singleinstance.h"
#include "tests/e2e/e2esession.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

const QString instanceName = QStringLiteral("pxolauncher11.0");
const QString windowClass = QStringLiteral("Welcome - Pixtrel Orvana 11.0");

} // namespace

class InstanceWindowSearch : public E2eSession
{
protected:
    void SetUp() override
    {
        E2eSession::SetUp();
        if (HasFatalFailure())
            return;
        // The desktop search connects to $DISPLAY, as the launcher does.
        testEnvironment().set("DISPLAY", display().name());
        m_holder = holdMutexes({instanceName});
        ASSERT_NE(m_holder, nullptr);
        m_cover = display().createWindow(QStringLiteral("cover"), 0, QRect(0, 0, 1280, 1024));
    }

    // Puts the cover on top, runs the check and tells whether the window came above the cover.
    bool broughtToFront(quint32 window, const std::function<bool()> &check)
    {
        // The window manager takes the new window on asynchronously; cover it only after that.
        // The stacking order holds a window as soon as it is mapped, before the manager took
        // it on; the manager's client list names it only once it manages it, and only a
        // managed window is searched and activated as the check does.
        EXPECT_TRUE(
            display().waitUntil([&] { return isManaged(window) && isManaged(m_cover); }, 5s));
        display().desktop().activate(m_cover);
        EXPECT_TRUE(display().waitUntil(
            [&] { return display().stackingIndex(m_cover) > display().stackingIndex(window); },
            5s));
        EXPECT_TRUE(check()) << "the held instance mutex must count as another instance";
        return display().waitUntil(
            [&] { return display().stackingIndex(window) > display().stackingIndex(m_cover); },
            1500ms);
    }

    bool isManaged(quint32 window)
    {
        const QList<DesktopWindow> windows = display().desktop().topLevelWindows();
        return std::any_of(windows.begin(), windows.end(),
                           [window](const DesktopWindow &listed) { return listed.id == window; });
    }

    quint32 windowWithClass(const QString &title, const QByteArray &wmClass)
    {
        const quint32 window = display().createWindow(title);
        display().setWindowClass(window, wmClass);
        return window;
    }

    E2eProcess *m_holder = nullptr;
    quint32 m_cover = 0;
};

struct SearchRow
{
    const char *name;
    const char *title;
    QByteArray wmClass;
    bool launcherSearch; // the title search of the launcher check, else the plain check
    bool found;
};

class InstanceWindowSearchRows : public InstanceWindowSearch,
                                 public ::testing::WithParamInterface<SearchRow>
{
};

TEST_P(InstanceWindowSearchRows, FindsOnlyMatchingWindows)
{
    const SearchRow row = GetParam();
    const quint32 window = windowWithClass(QString::fromUtf8(row.title), row.wmClass);
    const bool front = broughtToFront(window, [&] {
        return row.launcherSearch
                   ? SingleInstance::launcherInstanceCheck(instanceName, windowClass, true)
                   : SingleInstance::instanceCheck(instanceName, windowClass, true);
    });
    EXPECT_EQ(front, row.found);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, InstanceWindowSearchRows,
    ::testing::Values(
        // The plain check: the title ends with the name, exactly; the class is the caption.
        SearchRow{"SuffixAndClass", "Messaging pxolauncher11.0",
                  QByteArray("pxo\0Welcome - Pixtrel Orvana 11.0\0", 35), false, true},
        SearchRow{"SuffixOtherClass", "Messaging pxolauncher11.0", QByteArray("pxo\0Other\0", 10),
                  false, false},
        SearchRow{"SuffixInOtherCase", "Messaging PXOLAUNCHER11.0",
                  QByteArray("pxo\0Welcome - Pixtrel Orvana 11.0\0", 35), false, false},
        SearchRow{"NameNotAtTheEnd", "pxolauncher11.0 window",
                  QByteArray("pxo\0Welcome - Pixtrel Orvana 11.0\0", 35), false, false},
        // The launcher check: the title contains the launcher's window title.
        SearchRow{"TitleContained", "[x] Welcome - Tessaly Pixtrel Orvana 11 (2)", {}, true, true},
        SearchRow{"TitleInOtherCase", "welcome - tessaly pixtrel orvana 11", {}, true, false},
        SearchRow{"OtherTitle", "Welcome - Tessaly Pixtrel Orvana", {}, true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(InstanceWindowSearch, WithoutActivateNothingMoves)
{
    const quint32 window =
        display().createWindow(QStringLiteral("Welcome - Tessaly Pixtrel Orvana 11"));
    EXPECT_FALSE(broughtToFront(window, [] {
        return SingleInstance::launcherInstanceCheck(instanceName, windowClass, false);
    }));
}

TEST_F(InstanceWindowSearch, OwnedMutexMeansNoOtherInstance)
{
    m_holder->closeInput();
    ASSERT_TRUE(m_holder->waitForExit(5s));
    const quint32 window =
        display().createWindow(QStringLiteral("Welcome - Tessaly Pixtrel Orvana 11"));
    display().desktop().activate(m_cover);
    EXPECT_FALSE(SingleInstance::launcherInstanceCheck(instanceName, windowClass, true));
    // Checked again by its owner: still no other instance (ownership is recursive).
    EXPECT_FALSE(SingleInstance::launcherInstanceCheck(instanceName, windowClass, true));
    Q_UNUSED(window);
}
