#include "tests/movies/movietestsupport.h"

#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void writePod(const QString &folder, const QString &name, const QByteArray &title,
              const QByteArray &action = "idTutorial")
{
    writeFile(folder + u'/' + name + QStringLiteral(".metadata.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><pod version=\"1\"><title>" + title +
                  "</title><text>About " + title + ".</text><link action=\"" + action +
                  "\">More</link></pod>");
}

MovieHostSettings podSettings(const QTemporaryDir &folder, const QString &lastShown = {})
{
    MovieHostSettings settings;
    settings.podsFolder = folder.path() + QStringLiteral("/");
    settings.lastShownPod = lastShown;
    return settings;
}

QString currentPodCall(const QString &name)
{
    return QStringLiteral("WS_SetCurrentDynamicPodFileName(\"%1\")").arg(name);
}

} // namespace

struct RotationRow
{
    const char *lastShown;
    const char *firstShown;
};

// Guards against the rotation starting anywhere but after the pod shown last.
class PodRotation : public ::testing::TestWithParam<RotationRow>
{
};

TEST_P(PodRotation, StartsAfterTheLastShownPod)
{
    QTemporaryDir pods;
    writePod(pods.path(), QStringLiteral("alpha"), "Alpha");
    writePod(pods.path(), QStringLiteral("Beta"), "Beta");
    writePod(pods.path(), QStringLiteral("gamma"), "Gamma");
    // Not pods: a plain text file, and an XML file that is not a description.
    writeFile(pods.path() + QStringLiteral("/manifest.txt"), "x");
    writeFile(pods.path() + QStringLiteral("/other.xml"), "<other/>");
    MovieFixture fixture(podSettings(pods, QLatin1String(GetParam().lastShown)));
    ASSERT_TRUE(fixture.start());
    ASSERT_TRUE(fixture.waitForCall(currentPodCall(QLatin1String(GetParam().firstShown))))
        << fixture.host().calls().join(u' ').toStdString();
    EXPECT_TRUE(
        fixture.host().movieCalls().contains(QStringLiteral("logMessagePodEvent(\"%1\", \"view\")")
                                                 .arg(QLatin1String(GetParam().firstShown))));
    EXPECT_TRUE(fixture.hasCall(QStringLiteral("WelcomeScreenHost_showPod(true)")));
    EXPECT_TRUE(fixture.host().podPlayer()->isVisible());
    EXPECT_EQ(fixture.host().podPlayer()->geometry(), QRect(576, 128, 260, 308));
}

INSTANTIATE_TEST_SUITE_P(Pods, PodRotation,
                         ::testing::Values(RotationRow{"", "alpha.metadata.xml"},
                                           RotationRow{"alpha.metadata.xml", "Beta.metadata.xml"},
                                           RotationRow{"beta.metadata.xml", "gamma.metadata.xml"},
                                           RotationRow{"gamma.metadata.xml", "alpha.metadata.xml"},
                                           RotationRow{"gone.metadata.xml", "alpha.metadata.xml"}));

// Guards against the next and previous controls not moving the rotation, or reporting nothing.
TEST(PodMovie, NextAndPreviousStepThroughThePods)
{
    QTemporaryDir pods;
    writePod(pods.path(), QStringLiteral("a"), "First");
    writePod(pods.path(), QStringLiteral("b"), "Second");
    MovieFixture fixture(podSettings(pods));
    ASSERT_TRUE(fixture.start());
    ASSERT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("a.metadata.xml"))));
    fixture.host().clearCalls();
    fixture.click(fixture.podItem(QStringLiteral("podNext")));
    EXPECT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("b.metadata.xml"))));
    fixture.host().clearCalls();
    fixture.click(fixture.podItem(QStringLiteral("podNext")));
    EXPECT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("a.metadata.xml"))));
    fixture.host().clearCalls();
    fixture.click(fixture.podItem(QStringLiteral("podPrevious")));
    EXPECT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("b.metadata.xml"))));
}

// Guards against a pod link not reaching the launcher through the container.
TEST(PodMovie, LinkIsRelayedAsAnAction)
{
    QTemporaryDir pods;
    writePod(pods.path(), QStringLiteral("only"), "Only &amp; one", "idBrowseCatalog");
    MovieFixture fixture(podSettings(pods));
    ASSERT_TRUE(fixture.start());
    ASSERT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("only.metadata.xml"))));
    QTest::qWait(600); // the cross-fade
    QQuickWindow *window = fixture.podWindow();
    ASSERT_NE(window, nullptr);
    QQuickItem *link = nullptr;
    for (QQuickItem *candidate :
         window->contentItem()->findChildren<QQuickItem *>(QStringLiteral("podLink"))) {
        if (candidate->isVisible() && candidate->parentItem()->opacity() > 0.99)
            link = candidate;
    }
    ASSERT_NE(link, nullptr);
    QQuickItem *title = link->parentItem()->findChild<QQuickItem *>(QStringLiteral("podTitle"));
    EXPECT_EQ(title->property("text").toString(), QStringLiteral("Only & one"));
    fixture.host().clearCalls();
    fixture.click(link);
    EXPECT_TRUE(
        fixture.waitForCall(QStringLiteral("PodEventDispatched(\"action\", \"idBrowseCatalog\")")));
    EXPECT_TRUE(fixture.waitForCall(QStringLiteral("invokeAction(\"idBrowseCatalog\")")));
}

// Guards against an empty pods folder showing an empty card or an error.
TEST(PodMovie, EmptyFolderShowsNothing)
{
    QTemporaryDir pods;
    MovieFixture fixture(podSettings(pods));
    ASSERT_TRUE(fixture.start());
    EXPECT_TRUE(fixture.hasCall(QStringLiteral("dynamicPodContainer_initModel(\"[]\")")));
    EXPECT_TRUE(fixture.hasCall(QStringLiteral("WelcomeScreenHost_showPod(false)")));
    EXPECT_FALSE(fixture.host().podPlayer()->isVisible());
    EXPECT_FALSE(fixture.host().calls().join(u' ').contains(
        QLatin1String("WS_SetCurrentDynamicPodFileName")));
    EXPECT_FALSE(fixture.item(QStringLiteral("podBackdrop"))->isVisible());
}

// Screenshot with the shipped pods: the pod card is drawn in the pod area.
TEST(PodMovie, ScreenshotWithAPod)
{
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "imagemagick's import is not installed";
    MovieHostSettings settings;
    settings.lastShownPod = QStringLiteral("organize-catalog.metadata.xml");
    MovieFixture fixture(settings);
    ASSERT_TRUE(fixture.start());
    ASSERT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("quick-fix.metadata.xml"))));
    const QString folder = QStringLiteral(TESSALY_BINARY_DIR "/tests/movies");
    QDir().mkpath(folder);
    const QPoint origin = fixture.host().geometry().topLeft();
    QImage image;
    // The quick-fix pod's movie: the vivid half's sky at the right of the band.
    ASSERT_TRUE(waitFor(
        [&] {
            fixture.host().raise();
            image = grabScreen(folder + QStringLiteral("/welcome-pod.png"));
            if (image.isNull())
                return false;
            const QColor sky(image.pixel(origin + QPoint(576 + 240, 128 + 10)));
            // The card below the band, once the cross-fade is over.
            const QColor card(image.pixel(origin + QPoint(576 + 8, 128 + 290)));
            return sky.blue() > 180 && sky.red() < 100 && card == QColor(0x23, 0x28, 0x2f);
        },
        15000));
}

// Guards against escaped names in the content list being used as file names unchanged.
TEST(PodMovie, EscapedNamesInTheListAreFound)
{
    QTemporaryDir pods;
    writePod(pods.path(), QStringLiteral("tips & tricks"), "Tips");
    MovieFixture fixture(podSettings(pods));
    ASSERT_TRUE(fixture.start());
    EXPECT_TRUE(fixture.host().dynamicContentXml().contains(
        QLatin1String("<file>tips &amp; tricks.metadata.xml</file>")));
    EXPECT_TRUE(fixture.waitForCall(currentPodCall(QStringLiteral("tips & tricks.metadata.xml"))))
        << fixture.host().calls().join(u' ').toStdString();
}
