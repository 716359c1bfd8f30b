// The launcher's start-up and shutdown as a person sees them: it comes up from the build tree
// and from an installed tree, ends with 0 when its window is closed, and tells the user, in the
// machine's language, when that language's dictionary is missing.

#include "platform/registry/ptsettings.h"
#include "tests/e2e/e2esession.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace std::chrono_literals;

namespace {

constexpr auto windowTimeout = 20s;
constexpr auto exitTimeout = 20s;

void setMachineLocale(const QString &code)
{
    PtSettingsLM settings(QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer"));
    settings.setValue(QStringLiteral("Locale"), code);
    settings.sync();
}

} // namespace

class LauncherStartup : public E2eSession
{
protected:
    // Runs the launcher at path until its window shows, closes the window as its close box
    // would, and returns the exit code (-2 when it never showed a window or did not end).
    int runAndClose(const QString &label, const QString &path, E2eProcess **process = nullptr)
    {
        Options options;
        // Every box goes to a file of the test instead of blocking the launcher on screen.
        options.environment.insert(QStringLiteral("TESSALY_MESSAGEBOX_LOG"),
                                   testEnvironment().root() + QStringLiteral("/boxes-") + label +
                                       QStringLiteral(".jsonl"));
        E2eProcess &launcher = startProgram(label, path, options);
        if (process)
            *process = &launcher;
        const auto window = waitForLauncherWindow(launcher, windowTimeout);
        if (!window) {
            ADD_FAILURE() << "no launcher window\n" << launcher.describe().toStdString();
            return -2;
        }
        display().close(window->id);
        if (!launcher.waitForExit(exitTimeout)) {
            ADD_FAILURE() << "the launcher did not end\n" << launcher.describe().toStdString();
            return -2;
        }
        return launcher.exitCode();
    }
};

TEST_F(LauncherStartup, FromTheBuildTreeEndsWithZeroWhenItsWindowIsClosed)
{
    E2eProcess *launcher = nullptr;
    EXPECT_EQ(runAndClose(QStringLiteral("launcher"), launcherPath(), &launcher), 0);
    ASSERT_NE(launcher, nullptr);
    EXPECT_TRUE(launcher->messageBoxes().isEmpty());
    // The English locale needs no dictionary, and the empty machine value is written back.
    PtSettingsLM settings(QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer"));
    EXPECT_EQ(settings.value(QStringLiteral("Locale")).toString(), QStringLiteral("en_us"));
}

TEST_F(LauncherStartup, FromAnInstalledTreeFindsItsAssetsAndEndsWithZero)
{
    const QString prefix = testEnvironment().root() + QStringLiteral("/prefix");
    QProcess install;
    install.start(QStringLiteral(TESSALY_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(TESSALY_BINARY_DIR),
                   QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const QString folder = prefix + QStringLiteral("/lib/tessaly/pixtrel-orvana-11.0");
    ASSERT_TRUE(QFile::exists(folder + QStringLiteral("/Assets")));
    ASSERT_TRUE(QFile::exists(
        prefix + QStringLiteral("/share/applications/com.tessaly.PixtrelOrvana.desktop")));
    ASSERT_TRUE(QFile::exists(
        prefix + QStringLiteral("/share/metainfo/com.tessaly.PixtrelOrvana.metainfo.xml")));
    const QString link = prefix + QStringLiteral("/bin/PixtrelOrvana");
    ASSERT_EQ(QFileInfo(link).canonicalFilePath(),
              QFileInfo(folder + QStringLiteral("/PixtrelOrvana")).canonicalFilePath());

    E2eProcess *launcher = nullptr;
    EXPECT_EQ(runAndClose(QStringLiteral("installed"), link, &launcher), 0);
    ASSERT_NE(launcher, nullptr);
    EXPECT_TRUE(launcher->messageBoxes().isEmpty());
}

TEST_F(LauncherStartup, MissingGermanDictionaryShowsTheGermanBoxAndGoesOn)
{
    setMachineLocale(QStringLiteral("de_DE"));
    E2eProcess *launcher = nullptr;
    EXPECT_EQ(runAndClose(QStringLiteral("german"), launcherPath(), &launcher), 0);
    ASSERT_NE(launcher, nullptr);
    const auto boxes = launcher->messageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].value(QStringLiteral("icon")).toString(), QStringLiteral("critical"));
    EXPECT_EQ(boxes[0].value(QStringLiteral("title")).toString(),
              QStringLiteral("Interner Fehler"));
    EXPECT_EQ(boxes[0].value(QStringLiteral("text")).toString(),
              QStringLiteral("Pixtrel Orvana kann nicht anfangen, weil Dateien fehlen. "
                             "Installieren Sie bitte erneut."));
}

// An unknown code in the machine hive used to end the program with an unhandled exception.
TEST_F(LauncherStartup, UnknownMachineLocaleRunsInEnglish)
{
    setMachineLocale(QStringLiteral("xx_YY"));
    E2eProcess *launcher = nullptr;
    EXPECT_EQ(runAndClose(QStringLiteral("unknown"), launcherPath(), &launcher), 0);
    ASSERT_NE(launcher, nullptr);
    EXPECT_TRUE(launcher->messageBoxes().isEmpty());
}
