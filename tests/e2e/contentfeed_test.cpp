// The demo content feed through the real launcher: the first run downloads the pods into the pods
// folder while the Welcome Screen is shown, and the next start shows them, the updated one in its
// new version.

#include "platform/registry/ptsettings.h"
#include "source/podcontent.h"
#include "tests/e2e/e2esession.h"
#include "tests/e2e/e2ewait.h"

#include <QDir>
#include <QFile>

#include <csignal>

using namespace std::chrono_literals;

namespace {

const QString kFeedFolder = QStringLiteral(TESSALY_DEMO_FEED_DIR);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList movieCalls(const E2eProcess &launcher)
{
    QStringList calls;
    for (const QString &trace : launcher.traces(QStringLiteral("tessaly.launcher"))) {
        if (trace.startsWith(QLatin1String("movie call ")))
            calls << trace.mid(11);
    }
    return calls;
}

QString movieCall(const E2eProcess &launcher, const QString &start)
{
    for (const QString &call : movieCalls(launcher)) {
        if (call.startsWith(start))
            return call;
    }
    return {};
}

} // namespace

class ContentFeedRun : public E2eSession
{
protected:
    E2eProcess &startWelcome(const QString &label)
    {
        Options options;
        options.loggingRules = QStringLiteral("tessaly.launcher.debug=true");
        E2eProcess &launcher = startLauncher(label, options);
        EXPECT_TRUE(waitForLauncherWindow(launcher, 20s).has_value())
            << launcher.describe().toStdString();
        return launcher;
    }
};

TEST_F(ContentFeedRun, FirstRunFillsThePodsFolderAndTheNextStartShowsTheFedPods)
{
    ASSERT_TRUE(QFile::exists(kFeedFolder + QStringLiteral("/index.json")));
    {
        PtSettingsCU feed(QStringLiteral("Software\\Tessaly\\MBS"));
        feed.setValue(QStringLiteral("ContentFeed"), kFeedFolder);
        feed.sync();
    }
    const QString pods = PodContent::podsFolder();
    const QByteArray newQuickFix =
        readFile(kFeedFolder + QStringLiteral("/quick-fix/2/quick-fix.metadata.xml"));
    ASSERT_FALSE(newQuickFix.isEmpty());

    // First run: the pods folder starts empty and is filled in the background.
    E2eProcess &first = startWelcome(QStringLiteral("first"));
    const bool filled = first.waitUntil(
        [&] {
            return readFile(pods + QStringLiteral("quick-fix.metadata.xml")) == newQuickFix &&
                   QFile::exists(pods + QStringLiteral("learn-tutorials.metadata.xml")) &&
                   QFile::exists(pods + QStringLiteral("organize-catalog.metadata.xml")) &&
                   readFile(pods + QStringLiteral("manifest.txt")).contains("quick-fix");
        },
        60s);
    ASSERT_TRUE(filled) << "pods folder: "
                        << QDir(pods).entryList(QDir::Files).join(u' ').toStdString() << "\n"
                        << first.describe().toStdString();
    first.kill(SIGKILL);
    ASSERT_TRUE(first.waitForExit(10s));

    // The pod shown last was the one before the updated quick-fix, so the next start shows it.
    PodContent::setLastShownPodFileName(QStringLiteral("organize-catalog.metadata.xml"));

    E2eProcess &second = startWelcome(QStringLiteral("second"));
    ASSERT_TRUE(second.waitUntil(
        [&] { return !movieCall(second, QStringLiteral("logMessagePodEvent(")).isEmpty(); }, 30s))
        << second.describe().toStdString();
    const QString list =
        movieCall(second, QStringLiteral("WelcomScreenHost_setDynamicContentFileList("));
    for (const char *name :
         {"<file>learn-tutorials.metadata.xml</file>", "<file>organize-catalog.metadata.xml</file>",
          "<file>quick-fix.metadata.xml</file>"})
        EXPECT_TRUE(list.contains(QLatin1String(name))) << name << " in " << list.toStdString();
    EXPECT_EQ(movieCall(second, QStringLiteral("logMessagePodEvent(")),
              QStringLiteral("logMessagePodEvent(\"quick-fix.metadata.xml\", \"view\")"));
    EXPECT_EQ(readFile(pods + QStringLiteral("quick-fix.metadata.xml")), newQuickFix);
}
