#include "platform/registry/ptsettings.h"
#include "source/launchersettingsdlg.h"
#include "source/launcherstatebutton.h"
#include "source/titlewidget.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <optional>

namespace {

const QString Key = QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");

std::optional<int> storedChoice()
{
    PtSettingsCU settings(Key);
    if (!settings.contains(QStringLiteral("QuickLaunchApp")))
        return std::nullopt;
    return settings.value(QStringLiteral("QuickLaunchApp")).toInt();
}

void storeChoice(int value)
{
    PtSettingsCU settings(Key);
    settings.setValue(QStringLiteral("QuickLaunchApp"), value);
    settings.sync();
}

// Runs the launch preferences and lets `answer` work the dialog once it is up.
int runWith(const std::function<void(LauncherSettingsDlg *)> &answer, QList<int> *checked = nullptr)
{
    QTimer::singleShot(0, [answer, checked] {
        auto *dialog = qobject_cast<LauncherSettingsDlg *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "the launch preferences dialog is not up";
            return;
        }
        if (checked) {
            for (QAbstractButton *button : dialog->buttonGroup()->buttons())
                checked->append(button->isChecked() ? 1 : 0);
        }
        answer(dialog);
    });
    return LauncherSettingsDlg::runLaunchPreferences(nullptr);
}

} // namespace

class LaunchPreferencesTest : public ChromeTest
{
protected:
    TestEnvironment m_env;
};

TEST_F(LaunchPreferencesTest, BuildsTheDialog)
{
    LauncherSettingsDlg dialog(nullptr, 1);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("LauncherSettingsDlg"));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Launch Preferences"));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(110, 110, 110));
    EXPECT_EQ(dialog.palette().color(QPalette::WindowText), QColor(255, 255, 255));
    const QList<QAbstractButton *> buttons = dialog.buttonGroup()->buttons();
    ASSERT_EQ(buttons.size(), 3);
    const char *labels[] = {"Just show the Welcome Screen", "Always Launch Orvana Organizer only",
                            "Always Launch Pixtrel Orvana Editor only"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dialog.buttonGroup()->id(buttons[i]), i);
        EXPECT_EQ(buttons[i]->text(), QString::fromLatin1(labels[i]));
        EXPECT_EQ(buttons[i]->isChecked(), i == 1);
    }
    EXPECT_EQ(dialog.okButton()->text(), QStringLiteral("OK"));
    const QList<QLabel *> labelsFound = dialog.findChildren<QLabel *>();
    ASSERT_EQ(labelsFound.size(), 1);
    EXPECT_EQ(labelsFound[0]->text(), QStringLiteral("When I start Pixtrel Orvana"));
    ASSERT_NE(dialog.titleWidget()->closeButton(), nullptr) << "this dialog has a close box";
}

TEST_F(LaunchPreferencesTest, StoresTheChoiceMadeWithOk)
{
    struct Row
    {
        const char *what;
        std::optional<int> stored;
        int choose; // -1: leave the preselection
        QList<int> checked;
        int result;
        std::optional<int> after;
    };
    const Row rows[] = {
        {"stored 2, first chosen", 2, 0, {0, 0, 1}, 1, 0},
        {"stored -1 counts as 0", -1, -1, {1, 0, 0}, 1, 0},
        {"nothing stored", std::nullopt, 2, {1, 0, 0}, 3, 2},
        {"stored 1 kept with OK", 1, -1, {0, 1, 0}, 2, 1},
        // Out of range: nothing checked, and OK without a choice stores nothing.
        {"stored 7", 7, -1, {0, 0, 0}, 0, 7},
    };
    for (const Row &row : rows) {
        TestEnvironment env;
        if (row.stored)
            storeChoice(*row.stored);
        QList<int> checked;
        const int choose = row.choose;
        const int result = runWith(
            [choose](LauncherSettingsDlg *dialog) {
                if (choose >= 0)
                    dialog->buttonGroup()->button(choose)->click();
                dialog->okButton()->click();
            },
            &checked);
        EXPECT_EQ(checked, row.checked) << row.what;
        EXPECT_EQ(result, row.result) << row.what;
        EXPECT_EQ(storedChoice(), row.after) << row.what;
    }
}

TEST_F(LaunchPreferencesTest, ClosingWithoutOkChangesNothing)
{
    const std::pair<const char *, std::function<void(LauncherSettingsDlg *)>> ways[] = {
        {"close box",
         [](LauncherSettingsDlg *dialog) {
             LauncherStateButton *close = dialog->titleWidget()->closeButton();
             dialog->buttonGroup()->button(1)->click();
             sendMouse(close, QEvent::MouseButtonRelease, QPoint(4, 4), Qt::LeftButton, {});
         }},
        {"Escape",
         [](LauncherSettingsDlg *dialog) {
             dialog->buttonGroup()->button(0)->click();
             dialog->reject();
         }},
    };
    for (const auto &[what, way] : ways) {
        TestEnvironment env;
        storeChoice(2);
        EXPECT_EQ(runWith(way), 0) << what;
        EXPECT_EQ(storedChoice(), 2) << what;
    }
}
