#include "tests/source/welcometestsupport.h"

#include "platform/registry/iniprofile.h"
#include "platform/registry/productsettings.h"
#include "platform/registry/regkey.h"
#include "source/launchersettingsdlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kWelcomeScreenKey =
    QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");

const QStringList kSetUpOrder = {
    QStringLiteral("WelcomeScreenHost_setSplashScreenParams"),
    QStringLiteral("setClientId"),
    QStringLiteral("WelcomScreenHost_setLocaleString"),
    QStringLiteral("WelcomScreenHost_setStartupAppStrings"),
    QStringLiteral("WelcomScreenHost_setStartupApp"),
    QStringLiteral("WelcomScreenHost_setLaunchButtonStrings"),
    QStringLiteral("WelcomScreenHost_setMiniWelcomeScreenStrings"),
    QStringLiteral("WSHostSetLaunchNumber"),
    QStringLiteral("setPXO8UUID"),
    QStringLiteral("logWSLaunchEvent"),
    QStringLiteral("WelcomScreenHost_setDynamicContentFileList"),
};

QString call(const QString &name, const QStringList &arguments = {})
{
    return name + u'(' + arguments.join(QStringLiteral(", ")) + u')';
}

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

// ------------------------------------------------------------------------------ movie set-up

struct SetUpOrderRow
{
    const char *name;
    bool podPlayerFirst;
};

class WelcomeSetUpOrder : public WelcomeWidgetTest,
                          public ::testing::WithParamInterface<SetUpOrderRow>
{
};

// Guards against the set-up running before both movies reported, twice, or out of order.
TEST_P(WelcomeSetUpOrder, RunsOnceAfterTheSecondReportInOrder)
{
    writeMovies();
    ASSERT_TRUE(start(2));
    if (GetParam().podPlayerFirst)
        hostCall("PodPlayer_Created");
    else
        hostCall("WelcomeScreen_ContainerInitialized", {true, 40, 822, 6, 851, 33});
    EXPECT_TRUE(movieCalls().isEmpty()) << movieCalls().join(u'\n').toStdString();
    EXPECT_FALSE(widget->isMovieSetUpDone());

    if (GetParam().podPlayerFirst)
        hostCall("WelcomeScreen_ContainerInitialized", {true, 40, 822, 6, 851, 33});
    else
        hostCall("PodPlayer_Created");
    EXPECT_EQ(callNames(), kSetUpOrder);

    // A movie that reports again does not start a second set-up (nor count a second launch).
    hostCall("WelcomeScreen_ContainerInitialized", {true, 40, 822, 6, 851, 33});
    hostCall("PodPlayer_Created");
    EXPECT_EQ(callNames(), kSetUpOrder);
    EXPECT_EQ(widget->draggerHeight(), 40);
    EXPECT_EQ(widget->closeBox(), QRect(QPoint(822, 6), QPoint(851, 33)));
}

INSTANTIATE_TEST_SUITE_P(Reports, WelcomeSetUpOrder,
                         ::testing::Values(SetUpOrderRow{"ContainerFirst", false},
                                           SetUpOrderRow{"PodPlayerFirst", true}),
                         [](const auto &info) { return std::string(info.param.name); });

// Guards against a wrong, missing or reordered argument of the set-up functions.
TEST_F(WelcomeWidgetTest, SetUpArgumentsInOrder)
{
    writeMovies();
    {
        PtSettingsCU settings(kWelcomeScreenKey);
        settings.setValue(QStringLiteral("QuickLaunchApp"), 2);
    }
    {
        PtSettingsLM settings(
            QStringLiteral("Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath"));
        settings.setValue(QStringLiteral("Default"), QStringLiteral("/opt/pxo-editor"));
    }
    {
        PtSettingsLM settings(QStringLiteral(
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly Pixtrel Orvana 11"));
        settings.setValue(QStringLiteral("DisplayVersion"), QStringLiteral("11.0.3"));
    }
    messenger.motivaInstalled = true;
    ASSERT_TRUE(start(1));
    reportBothMovies();
    const QStringList calls = movieCalls();
    ASSERT_EQ(calls.size(), kSetUpOrder.size()) << calls.join(u'\n').toStdString();

    EXPECT_EQ(
        calls.at(0),
        call(kSetUpOrder.at(0),
             {quoted(QStringLiteral("Photo Editor")), quoted(QStringLiteral("Version 11.0.0.1")),
              quoted(QStringLiteral("Organizer")),
              quoted(QStringLiteral("Edit, Enhance, and add Effects to your Photos")),
              quoted(QString()), quoted(QStringLiteral("Organize, Find, and View all your Photos")),
              QStringLiteral("true"),
              quoted(QStringLiteral("Launching Tessaly Orvana 9 Organizer...")),
              quoted(QStringLiteral("Launching Tessaly Pixtrel Orvana..."))}));
    EXPECT_EQ(calls.at(1), call(kSetUpOrder.at(1),
                                {quoted(QStringLiteral("00000000-feed-4bad-beef-000000000000"))}));
    EXPECT_EQ(calls.at(2), call(kSetUpOrder.at(2),
                                {quoted(QStringLiteral("en_us")), quoted(QStringLiteral("win"))}));
    EXPECT_EQ(calls.at(3),
              call(kSetUpOrder.at(3),
                   {quoted(QStringLiteral("On Start Always Launch:")),
                    quoted(QStringLiteral("Organizer")), quoted(QStringLiteral("Photo Editor")),
                    quoted(QStringLiteral("Welcome Screen"))}));
    EXPECT_EQ(calls.at(4), call(kSetUpOrder.at(4), {QStringLiteral("1")}));
    EXPECT_EQ(calls.at(5),
              call(kSetUpOrder.at(5),
                   {quoted(QStringLiteral("ORGANIZE")), quoted(QStringLiteral("EDIT")),
                    quoted(QStringLiteral("Done")), quoted(QStringLiteral("Cancel"))}));
    EXPECT_TRUE(calls.at(6).startsWith(
        call(kSetUpOrder.at(6), {quoted(QStringLiteral("Welcome to Tessaly Pixtrel Orvana 6"))})
            .chopped(1)));
    EXPECT_EQ(calls.at(7), call(kSetUpOrder.at(7), {QStringLiteral("1")}));
    EXPECT_EQ(calls.at(8), call(kSetUpOrder.at(8), {quoted(ProductSettings::uniqueId())}));
    EXPECT_EQ(calls.at(9),
              call(kSetUpOrder.at(9),
                   {QStringLiteral("true"), QStringLiteral("1"), quoted(QStringLiteral("en_us")),
                    quoted(QStringLiteral("ORG")), QStringLiteral("2"),
                    quoted(QStringLiteral("/opt/pxo-editor/Assets/ols_config.xml")),
                    quoted(QStringLiteral("11.0.3"))}));
    EXPECT_TRUE(calls.at(10).startsWith(
        kSetUpOrder.at(10) + QStringLiteral("(\"<dynamic_content_info><application_name>pxo")));
}

struct LaunchCountRow
{
    const char *name;
    const char *stored; // nullptr: no INI file
    int expected;
};

class WelcomeLaunchCount : public WelcomeWidgetTest,
                           public ::testing::WithParamInterface<LaunchCountRow>
{
};

// Guards against a missing, negative or unreadable counter reaching the movie unchanged.
TEST_P(WelcomeLaunchCount, CountsThisLaunchAndStoresIt)
{
    writeMovies();
    const IniProfile ini(ProductSettings::orvanaIniPath());
    if (GetParam().stored) {
        ASSERT_TRUE(ini.write(QStringLiteral("PXOInformation"),
                              QStringLiteral("LauncherLaunchCount"),
                              QString::fromLatin1(GetParam().stored)));
    }
    ASSERT_TRUE(start());
    reportBothMovies();
    const QString expected = QString::number(GetParam().expected);
    EXPECT_TRUE(movieCalls().contains(call(QStringLiteral("WSHostSetLaunchNumber"), {expected})))
        << movieCalls().join(u'\n').toStdString();
    QString stored;
    ASSERT_TRUE(
        IniProfile(ProductSettings::orvanaIniPath())
            .read(QStringLiteral("PXOInformation"), QStringLiteral("LauncherLaunchCount"), stored));
    EXPECT_EQ(stored, expected);
}

INSTANTIATE_TEST_SUITE_P(Counter, WelcomeLaunchCount,
                         ::testing::Values(LaunchCountRow{"NoFile", nullptr, 1},
                                           LaunchCountRow{"Seven", "7", 8},
                                           LaunchCountRow{"Negative", "-3", 1},
                                           LaunchCountRow{"Garbage", "many", 1},
                                           LaunchCountRow{"AtTheTop", "2147483647", 1}),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------------- showing the window

struct ShowRow
{
    const char *name;
    int requestedHeight;
    int shownHeight;
};

class WelcomeShowWindow : public WelcomeWidgetTest, public ::testing::WithParamInterface<ShowRow>
{
};

// Guards against the short movie height not being replaced, or another height being changed.
TEST_P(WelcomeShowWindow, SizesTheWindowFromTheMovie)
{
    writeMovies(GetParam().requestedHeight);
    ASSERT_TRUE(start());
    ASSERT_TRUE(showWindow());
    EXPECT_EQ(widget->size(), QSize(640, GetParam().shownHeight));
    EXPECT_EQ(widget->containerPlayer()->size(), QSize(640, GetParam().shownHeight));
    EXPECT_TRUE(widget->containerPlayer()->isVisible());
    EXPECT_TRUE(window().m_centreOnResize);
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Heights, WelcomeShowWindow,
                         ::testing::Values(ShowRow{"Short", 375, 481}, ShowRow{"Tall", 500, 500},
                                           ShowRow{"OneMore", 376, 376}),
                         [](const auto &info) { return std::string(info.param.name); });

// Guards against the Welcome Screen appearing while a start-up script went to a sub-application.
TEST_F(WelcomeWidgetTest, SubLaunchedShowsNothing)
{
    writeMovies();
    LauncherContext::setSubLaunched(true);
    ASSERT_TRUE(start());
    hostCall("WelcomeScreen_ContainerShowWindow", {true});
    waitFor([] { return false; }, 200);
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(window().m_centreOnResize);
}

// Guards against a movie that reports a failed start going without the missing-files alert.
TEST_F(WelcomeWidgetTest, FailedShowWindowAlertsButStaysOpen)
{
    writeMovies();
    ASSERT_TRUE(start());
    hostCall("WelcomeScreen_ContainerShowWindow", {false});
    ASSERT_TRUE(waitFor([this] { return !boxes.empty(); }));
    EXPECT_EQ(boxes.front().icon, LauncherMessageBox::Icon::Critical);
    EXPECT_TRUE(boxes.front().text.contains(QLatin1String("missing file(s)")));
    EXPECT_TRUE(window().isVisible());
}

struct MissingMovieRow
{
    const char *name;
    bool container;
    bool pod;
};

class WelcomeMissingMovie : public WelcomeWidgetTest,
                            public ::testing::WithParamInterface<MissingMovieRow>
{
};

// Guards against a missing movie leaving a blank window open instead of alerting and closing.
TEST_P(WelcomeMissingMovie, AlertsAndCloses)
{
    writeMovies(375, GetParam().container, GetParam().pod);
    ASSERT_TRUE(construct());
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().m_centreOnResize);
    ASSERT_TRUE(waitFor([this] { return !boxes.empty(); }));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.front().text.contains(QLatin1String("missing file(s)")));
    EXPECT_TRUE(windowClosed());
    // With either movie missing there is no pod movie to play, so no player is made for it.
    EXPECT_EQ(widget->podPlayer(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Movies, WelcomeMissingMovie,
                         ::testing::Values(MissingMovieRow{"Container", false, true},
                                           MissingMovieRow{"Pod", true, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------------ the usage-log relay

struct UsageEntryRow
{
    const char *name;
    const char *text;
    std::vector<std::pair<const char *, const char *>> events;
};

class WelcomeUsageEntries : public ::testing::TestWithParam<UsageEntryRow>
{
};

// Guards against entries being lost, reordered, merged, or an entry without a colon being read
// past its end.
TEST_P(WelcomeUsageEntries, SplitsEntriesAndParts)
{
    const auto events = WelcomeWidget::usageLogEntries(QString::fromUtf8(GetParam().text));
    ASSERT_EQ(std::size_t(events.size()), GetParam().events.size());
    for (std::size_t i = 0; i < GetParam().events.size(); ++i) {
        EXPECT_EQ(events.at(qsizetype(i)).first, QString::fromUtf8(GetParam().events[i].first));
        EXPECT_EQ(events.at(qsizetype(i)).second, QString::fromUtf8(GetParam().events[i].second));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WelcomeUsageEntries,
    ::testing::Values(
        UsageEntryRow{"One", "WS:tileClick", {{"WS", "tileClick"}}},
        UsageEntryRow{"TwoInOrder", "WS:open##POD:view", {{"WS", "open"}, {"POD", "view"}}},
        UsageEntryRow{"NoColonSkipped", "Exit", {}},
        UsageEntryRow{"NoColonBetween", "WS:a##broken##WS:b", {{"WS", "a"}, {"WS", "b"}}},
        UsageEntryRow{"ThirdPartIgnored", "WS:a:b", {{"WS", "a"}}},
        UsageEntryRow{"EmptyParts", ":##", {{"", ""}}}, UsageEntryRow{"Empty", "", {}},
        UsageEntryRow{"SingleHashKept", "WS:a#b", {{"WS", "a#b"}}}),
    [](const auto &info) { return std::string(info.param.name); });

// Guards against the launcher context keeping a destroyed Welcome widget, which a late status
// message would then reach.
TEST_F(WelcomeWidgetTest, ContextRecordsTheWidgetOnlyWhileItLives)
{
    writeMovies();
    ASSERT_TRUE(start());
    EXPECT_EQ(LauncherContext::welcomeWidget(), widget);
    destroyWindow();
    EXPECT_EQ(LauncherContext::welcomeWidget(), nullptr);
}
