// Screenshots of the Welcome Screen as the real launcher shows it on its own X server: at rest
// without pods, with the sample pods, and while the Organizer is launching. Each is checked at
// fixed points of the window against the colours of known controls. With
// TESSALY_SCREENSHOT_DIR set, the window images are kept there as PNG files.

#include "platform/registry/ptsettings.h"
#include "tests/e2e/e2esession.h"
#include "tests/e2e/e2ewait.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

using namespace std::chrono_literals;

namespace {

QString buildFolder()
{
    return QFileInfo(QStringLiteral(TESSALY_LAUNCHER_PATH)).absolutePath() + QStringLiteral("/..");
}

QString standInPath()
{
    return QDir::cleanPath(buildFolder() +
                           QStringLiteral("/apps/organizer/PixtrelOrvanaOrganizer"));
}

QString capsToolPath()
{
    return QDir::cleanPath(buildFolder() + QStringLiteral("/tools/caps-tool/caps-tool"));
}

// A point of the window and the colour a known control has there.
struct Probe
{
    const char *what;
    QPoint point;
    QRgb colour;
};

const QPoint kOrganizerTile(150, 244);

// Two wide tiles side by side, no pod area.
const std::vector<Probe> kAtRest = {
    {"Organize button", {100, 320}, 0x2673d1},
    {"Edit button", {480, 330}, 0x2673d1},
    {"Organizer icon", {70, 195}, 0x2154a6},
    {"Photo Editor icon", {470, 195}, 0x5a37af},
    {"Organizer tile", {300, 200}, 0x23282f},
    {"Photo Editor tile where the pod area would be", {700, 140}, 0x23282f},
    {"window background below the entries", {430, 460}, 0x14161a},
    {"start-up choice box", {300, 512}, 0x2b313a},
};

// Narrower tiles and the pod card at the right, its movie band on top.
const std::vector<Probe> kWithPod = {
    {"Organize button", {100, 320}, 0x2673d1},
    {"Edit button, moved left", {345, 330}, 0x2673d1},
    {"Photo Editor icon, moved left", {336, 195}, 0x5a37af},
    {"gap between tile and pod card", {470, 195}, 0x23282f},
    {"pod movie band", {600, 140}, 0x7d521c},
    {"pod movie band, right", {700, 140}, 0x6a4618},
    {"pod card text area", {800, 380}, 0x23282f},
    {"window background below the entries", {430, 460}, 0x14161a},
};

// The Organizer tile lit with its progress bar, the Photo Editor tile dimmed.
const std::vector<Probe> kLaunching = {
    {"progress bar, filled part", {80, 280}, 0x3d9bff},
    {"progress bar, track", {300, 280}, 0x323a45},
    {"Organizer tile, lit", {300, 200}, 0x2b313a},
    {"Organize button replaced by the launching state", {100, 320}, 0x2b313a},
    {"Photo Editor icon, dimmed", {470, 195}, 0x352a5d},
    {"Edit button, dimmed", {480, 330}, 0x1f4169},
    {"Organizer icon", {70, 195}, 0x2154a6},
};

} // namespace

class WelcomeScreenshots : public E2eSession
{
protected:
    void SetUp() override
    {
        for (const QString &program : {standInPath(), capsToolPath()}) {
            if (!QFileInfo(program).isExecutable())
                GTEST_SKIP() << "not built: " << program.toStdString();
        }
        E2eSession::SetUp();
    }

    // The sample pods where the Welcome Screen reads them (the common data folder below the
    // machine root, locale en_us).
    void installSamplePods()
    {
        const QString pods = testEnvironment().machineRoot() +
                             QStringLiteral("/data/Tessaly/Pixtrel Orvana/11.0/Locale/en_us/"
                                            "Welcome Screen Pods/");
        ASSERT_TRUE(QDir().mkpath(pods));
        const QDir samples(QStringLiteral(TESSALY_SOURCE_DIR "/assets/pods"));
        for (const QString &name :
             samples.entryList({QStringLiteral("*.xml"), QStringLiteral("*.swf")}, QDir::Files))
            ASSERT_TRUE(QFile::copy(samples.filePath(name), pods + name));
    }

    // The Organizer stand-in registered, slow to come up so the launching state stays on screen.
    void installOrganizer()
    {
        const QString folder = testEnvironment().root() + QStringLiteral("/organizer");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString program = folder + QStringLiteral("/PixtrelOrvanaOrganizer");
        QFile file(program);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nexec '" + standInPath().toUtf8() +
                   "' \"$@\" --startup-delay-ms 20000\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        PtSettingsLM settings(
            QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\ApplicationPath"));
        settings.setValue(QStringLiteral("Default"), folder);
        settings.sync();
        QProcess caps;
        caps.start(capsToolPath(), {QStringLiteral("register"), QStringLiteral("pxoorganizer-11.0"),
                                    QStringLiteral("--path"), program});
        ASSERT_TRUE(caps.waitForFinished(20000));
        ASSERT_EQ(caps.exitCode(), 0) << caps.readAllStandardError().toStdString();
    }

    E2eProcess &startWelcome()
    {
        Options options;
        options.loggingRules = QStringLiteral("tessaly.launcher.debug=true");
        options.environment.insert(QStringLiteral("TESSALY_PEER_LOG"),
                                   testEnvironment().root() + QStringLiteral("/peer.log"));
        E2eProcess &launcher = startLauncher(QStringLiteral("launcher"), options);
        m_window = waitForLauncherWindow(launcher, 20s);
        EXPECT_TRUE(m_window.has_value()) << launcher.describe().toStdString();
        EXPECT_TRUE(waitForMovieCall(
            launcher, QStringLiteral("WelcomScreenHost_setDynamicContentFileList("), 20s));
        settle();
        return launcher;
    }

    static void settle()
    {
        E2eWait::until([] { return false; }, 1500ms);
    }

    static bool waitForMovieCall(E2eProcess &launcher, const QString &start,
                                 std::chrono::milliseconds timeout)
    {
        return launcher.waitUntil(
            [&] {
                for (const QString &trace : launcher.traces(QStringLiteral("tessaly.launcher"))) {
                    if (trace.startsWith(QLatin1String("movie call ")) &&
                        trace.mid(11).startsWith(start))
                        return true;
                }
                return false;
            },
            timeout);
    }

    bool xdotool(const QStringList &arguments, QString *output = nullptr)
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool done = tool.waitForFinished(10000) && tool.exitCode() == 0;
        if (output)
            *output = QString::fromUtf8(tool.readAllStandardOutput());
        return done;
    }

    QRect windowGeometry()
    {
        QString output;
        if (!m_window || !xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                   QString::number(m_window->id)},
                                  &output))
            return QRect();
        QRect rect;
        for (const QString &line : output.split(u'\n')) {
            const QString value = line.section(u'=', 1);
            if (line.startsWith(QLatin1String("X=")))
                rect.moveLeft(value.toInt());
            else if (line.startsWith(QLatin1String("Y=")))
                rect.moveTop(value.toInt());
            else if (line.startsWith(QLatin1String("WIDTH=")))
                rect.setWidth(value.toInt());
            else if (line.startsWith(QLatin1String("HEIGHT=")))
                rect.setHeight(value.toInt());
        }
        return rect;
    }

    // The launcher's window as it is on screen, kept when TESSALY_SCREENSHOT_DIR is set.
    QImage shoot(const QString &name)
    {
        const QString path = testEnvironment().root() + QStringLiteral("/screen.png");
        if (!display().screenshot(path))
            return QImage();
        const QImage window = QImage(path).copy(windowGeometry());
        const QString keep = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
        if (!keep.isEmpty()) {
            QDir().mkpath(keep);
            window.save(keep + u'/' + name + QStringLiteral(".png"));
        }
        return window;
    }

    bool click(QPoint point)
    {
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                        QString::number(m_window->id), QString::number(point.x()),
                        QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
    }

    static void expectColours(const QImage &image, const std::vector<Probe> &probes)
    {
        ASSERT_FALSE(image.isNull());
        for (const Probe &probe : probes) {
            const QColor seen = image.pixelColor(probe.point);
            const QColor wanted = QColor::fromRgb(probe.colour);
            const int distance = std::abs(seen.red() - wanted.red()) +
                                 std::abs(seen.green() - wanted.green()) +
                                 std::abs(seen.blue() - wanted.blue());
            EXPECT_LE(distance, 24)
                << probe.what << " at " << probe.point.x() << "," << probe.point.y() << ": "
                << seen.name().toStdString() << " instead of " << wanted.name().toStdString();
        }
    }

    std::optional<DesktopWindow> m_window;
};

TEST_F(WelcomeScreenshots, AtRest)
{
    startWelcome();
    ASSERT_TRUE(m_window);
    const QImage image = shoot(QStringLiteral("welcome-at-rest"));
    expectColours(image, kAtRest);
}

TEST_F(WelcomeScreenshots, WithAPod)
{
    installSamplePods();
    startWelcome();
    ASSERT_TRUE(m_window);
    const QImage image = shoot(QStringLiteral("welcome-with-pod"));
    expectColours(image, kWithPod);
}

TEST_F(WelcomeScreenshots, WhileLaunching)
{
    installOrganizer();
    E2eProcess &launcher = startWelcome();
    ASSERT_TRUE(m_window);
    ASSERT_TRUE(click(kOrganizerTile));
    ASSERT_TRUE(
        waitForMovieCall(launcher, QStringLiteral("WSHostSetOrganizerLaunching(true)"), 10s));
    settle();
    const QImage image = shoot(QStringLiteral("welcome-launching"));
    expectColours(image, kLaunching);
}
