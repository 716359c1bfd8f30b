#include "platform/registry/regkey.h"
#include "source/bottomwidget.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QMenu>

#include <gtest/gtest.h>

using FrameEdgeTest = ChromeTest;

TEST_F(FrameEdgeTest, BottomEdgeDrawsCornersAndTiledMiddle)
{
    BottomWidget bottom(nullptr, false, 3, nullptr, "bottomWidget");
    EXPECT_EQ(bottom.height(), chrome(DialogFrameBottom).height());
    bottom.resize(101, bottom.height());
    const QImage shot = bottom.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage lowerLeft = chrome(DialogFrameLowerLeft);
    const QImage lowerRight = chrome(DialogFrameLowerRight);
    const QImage middle = chrome(DialogFrameBottom);
    for (int y = 0; y < bottom.height(); ++y) {
        EXPECT_EQ(shot.pixel(0, y), lowerLeft.pixel(0, y));
        EXPECT_EQ(shot.pixel(100, y), lowerRight.pixel(lowerRight.width() - 1, y));
        EXPECT_EQ(shot.pixel(50, y), middle.pixel((50 - lowerLeft.width()) % middle.width(), y));
    }
}

TEST_F(FrameEdgeTest, StartupMenuChecksTheCurrentChoice)
{
    struct Row
    {
        int choice;
        QList<bool> checked; // Welcome, Editor, Organizer
    };
    const Row rows[] = {
        {0, {true, false, false}},
        {1, {false, false, true}},
        {2, {false, true, false}},
        {3, {false, false, false}},
    };
    for (const Row &row : rows) {
        BottomWidget bottom(nullptr, false, row.choice, nullptr, "bottomWidget");
        const std::unique_ptr<QMenu> menu = bottom.createStartupMenu();
        const QList<QAction *> actions = menu->actions();
        ASSERT_EQ(actions.size(), 3);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("Welcome Screen"));
        EXPECT_EQ(actions[1]->text(), QStringLiteral("Pixtrel Orvana Editor"));
        EXPECT_EQ(actions[2]->text(), QStringLiteral("Orvana Organizer"));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(actions[i]->isCheckable());
            EXPECT_EQ(actions[i]->isChecked(), row.checked[i]) << row.choice << i;
        }
    }
}

TEST_F(FrameEdgeTest, ChoosingAnEntryStoresStartupAppAsDword)
{
    for (const int choice : {2, 0, 1}) {
        TestEnvironment env;
        BottomWidget bottom(nullptr, false, 3, nullptr, "bottomWidget");
        bottom.chooseStartup(choice);
        EXPECT_EQ(bottom.startupChoice(), choice);
        reg_key_t key(HKEY_CURRENT_USER, BottomWidget::SettingsKey, KEY_READ, true);
        RegValue value;
        ASSERT_EQ(key.queryValue(QStringLiteral("STARTUP_APP"), value), ERROR_SUCCESS) << choice;
        EXPECT_EQ(value.type(), REG_DWORD);
        EXPECT_EQ(value.toDword(), quint32(choice));
        // The menu built afterwards checks the stored choice.
        const std::unique_ptr<QMenu> menu = bottom.createStartupMenu();
        int checked = -1;
        for (QAction *action : menu->actions()) {
            if (action->isChecked())
                checked = action->data().toInt();
        }
        EXPECT_EQ(checked, choice);
    }
}
