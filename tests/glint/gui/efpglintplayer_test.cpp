#include "platform/nativewindow/nativewindows.h"
#include "shared/glint/efpglintplayer.h"
#include "tests/glint/gui/glinttestsupport.h"

#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// A bare host: the defaults of every hook, inside a plain window.
class HostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        top.setGeometry(300, 200, 400, 300);
        top.show();
        ASSERT_TRUE(waitUntil([this] { return top.isExposed(); }));
        host.createStage(NativeWindows::handleForWindow(&top), 5, 6, 120, 90);
        ASSERT_NE(host.player(), nullptr);
    }

    qintptr property(EFPPropertyRecord &record)
    {
        return NativeWindows::sendMessage(host.stageWindow(),
                                          EFPGlintPlayer::messages().getProperty, 0,
                                          reinterpret_cast<qintptr>(&record));
    }

    QWindow top;
    EFPGlintPlayer host;
};

} // namespace

TEST(HostWithoutPlayer, LoadAndCallReportNoPlayer)
{
    EFPGlintPlayer bare;
    EXPECT_TRUE(EFPGlintPlayer::isLibraryInitialized());
    EXPECT_EQ(bare.player(), nullptr);
    EXPECT_EQ(bare.loadMovie("/nowhere.swf"), 0x40002);
    EXPECT_EQ(bare.loadComponent("/nowhere"), 0x40002);
    char *out = nullptr;
    EXPECT_EQ(bare.callExternalInterface("<invoke name=\"f\"/>", &out), 0x40002);
    EXPECT_EQ(out, nullptr);
}

TEST_F(HostTest, TheStageIsAChildOfItsClassTitleAndPlace)
{
    const NativeHandle stage = host.stageWindow();
    EXPECT_EQ(NativeWindows::className(stage), QStringLiteral("com.tessaly.efp.stage"));
    EXPECT_EQ(NativeWindows::windowTitle(stage, 1024), QStringLiteral("EFPPlayer"));
    EXPECT_EQ(NativeWindows::window(stage)->parent(), &top);
    EXPECT_EQ(NativeWindows::window(stage)->geometry(), QRect(5, 6, 120, 90));
    EXPECT_EQ(NativeWindows::property(stage, QStringLiteral("EFPPlayerInstance")), &host);
    EXPECT_EQ(host.parentWindow(), NativeWindows::handleForWindow(&top));
}

TEST_F(HostTest, DefaultHooksAnswerUndefinedAndRecordTheSize)
{
    ASSERT_EQ(host.loadMovie(moviePath(QStringLiteral("host.swf")).toUtf8().constData()), 0);
    EXPECT_EQ(host.lastWidth(), 320);
    EXPECT_EQ(host.lastHeight(), 240);
    EXPECT_TRUE(NativeWindows::isWindowVisible(host.stageWindow()));

    char *out = nullptr;
    const char *request = "<invoke name=\"callHost\" returntype=\"javascript\"><arguments>"
                          "<string><![CDATA[anything]]></string></arguments></invoke>";
    EXPECT_EQ(host.callExternalInterface(request, &out), 0);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "<string><![CDATA[undefined]]></string>");
    std::free(out);
}

TEST_F(HostTest, CallArgumentsAreChecked)
{
    char *out = nullptr;
    EXPECT_EQ(host.callExternalInterface(nullptr, &out), 3);
    EXPECT_EQ(host.callExternalInterface("<invoke name=\"f\"/>", nullptr), 3);
    // Without a reply the out pointer is left alone.
    char sentinel = 'x';
    out = &sentinel;
    EXPECT_NE(host.callExternalInterface(
                  "<invoke name=\"nothing\"><arguments></arguments></invoke>", &out),
              0);
    EXPECT_EQ(out, &sentinel);
}

TEST_F(HostTest, DefaultPropertyAnswersComeFromTheStage)
{
    host.setStageVisible(true);
    ASSERT_TRUE(waitUntil([this] {
        return NativeWindows::windowRect(host.stageWindow()).topLeft() ==
               top.mapToGlobal(QPoint(5, 6));
    }));
    EFPPropertyRecord title{6, {0, 0, 0, 0}, nullptr};
    EXPECT_EQ(property(title), 0);
    ASSERT_NE(title.text, nullptr);
    EXPECT_EQ(QString::fromUtf16(title.text), QStringLiteral("EFPPlayer"));
    sysFreeString(title.text);

    EFPPropertyRecord rect{2, {0, 0, 0, 0}, nullptr};
    property(rect);
    const QPoint origin = top.mapToGlobal(QPoint(5, 6));
    EXPECT_EQ(rect.values[0], origin.x());
    EXPECT_EQ(rect.values[1], origin.y());
    EXPECT_EQ(rect.values[2], origin.x() + 120);
    EXPECT_EQ(rect.values[3], origin.y() + 90);

    EFPPropertyRecord visible{7, {9, 9, 9, 9}, nullptr};
    property(visible);
    EXPECT_EQ(visible.values[0], 1);
    EFPPropertyRecord active{0, {9, 9, 9, 9}, nullptr};
    property(active);
    EXPECT_EQ(active.values[0], 0);
    EFPPropertyRecord maximum{4, {0, 0, 0, 0}, nullptr};
    property(maximum);
    EXPECT_EQ(maximum.values[0], NativeWindows::maximumTrackingSize().width());
    for (int id : {8, 258}) {
        EFPPropertyRecord zero{id, {9, 9, 9, 9}, nullptr};
        property(zero);
        EXPECT_EQ(zero.values[0], 0) << id;
        EXPECT_EQ(zero.values[1], 9) << id;
    }
    EFPPropertyRecord unknown{9, {1, 2, 3, 4}, nullptr};
    EXPECT_EQ(property(unknown), 0);
    EXPECT_EQ(unknown.values[0], 1);
    EXPECT_EQ(unknown.values[3], 4);
    EXPECT_EQ(unknown.text, nullptr);
}

TEST_F(HostTest, MessagesOfTheHostProcedure)
{
    const EFPGlintPlayer::Messages &ids = EFPGlintPlayer::messages();
    const NativeHandle stage = host.stageWindow();
    const QString url = QStringLiteral("https://glint.tessaly.com/markerstorage/x.png");
    EFPUrlRecord record{0, reinterpret_cast<const char16_t *>(url.utf16()), nullptr, 0};
    // The bare host serves nothing.
    EXPECT_EQ(
        NativeWindows::sendMessage(stage, ids.requestUrl, 0, reinterpret_cast<qintptr>(&record)),
        1);
    EXPECT_EQ(NativeWindows::sendMessage(stage, ids.disconnected, 0, 0), 0);
    EFPSizeRecord size{0, 64, 48};
    EXPECT_EQ(
        NativeWindows::sendMessage(stage, ids.requestSize, 0, reinterpret_cast<qintptr>(&size)), 0);
    EXPECT_EQ(host.lastWidth(), 64);
    EXPECT_EQ(host.lastHeight(), 48);
    const QString text = QStringLiteral("trace text");
    EXPECT_EQ(
        NativeWindows::sendMessage(stage, ids.trace, 0, reinterpret_cast<qintptr>(text.utf16())),
        0);
    // A stage whose instance property is gone is answered with 0.
    NativeWindows::removeProperty(stage, QStringLiteral("EFPPlayerInstance"));
    EXPECT_EQ(
        NativeWindows::sendMessage(stage, ids.requestUrl, 0, reinterpret_cast<qintptr>(&record)),
        0);
    NativeWindows::setProperty(stage, QStringLiteral("EFPPlayerInstance"), &host);
}

TEST_F(HostTest, FilterMessageMarksAppFunctionRecordsHandled)
{
    EFPAppFunctionRecord record{0, u"", nullptr};
    EXPECT_EQ(host.filterMessage(0, 0, EFPGlintPlayer::messages().appFunction, 0, &record), 0);
    EXPECT_EQ(record.handled, 1);
    EXPECT_EQ(record.result, nullptr);
    EFPAppFunctionRecord other{0, u"", nullptr};
    host.filterMessage(0, 0, EFPGlintPlayer::messages().trace, 0, &other);
    EXPECT_EQ(other.handled, 0);
}

TEST_F(HostTest, MoveAndReparentRecordTheSize)
{
    host.moveStage(10, 11, 70, 60);
    EXPECT_EQ(NativeWindows::window(host.stageWindow())->geometry(), QRect(10, 11, 70, 60));
    EXPECT_EQ(host.lastWidth(), 70);
    const NativeHandle before = host.parentWindow();
    // A parent the platform refuses leaves the parent field as it was.
    host.reparentStage(0x7777770, 1, 2, 30, 40);
    EXPECT_EQ(host.parentWindow(), before);
    EXPECT_EQ(host.lastWidth(), 30);
    QWindow other;
    host.reparentStage(NativeWindows::handleForWindow(&other), 3, 4, 50, 60);
    EXPECT_EQ(host.parentWindow(), NativeWindows::handleForWindow(&other));
    EXPECT_EQ(NativeWindows::window(host.stageWindow())->parent(), &other);
    host.reparentStage(NativeWindows::handleForWindow(&top), 3, 4, 50, 60);
}

TEST(HostLifetime, DestructionDestroysTheStage)
{
    QWindow top;
    NativeHandle stage = 0;
    {
        EFPGlintPlayer host;
        host.createStage(NativeWindows::handleForWindow(&top), 0, 0, 10, 10);
        stage = host.stageWindow();
        ASSERT_TRUE(NativeWindows::isWindow(stage));
        ASSERT_EQ(host.loadMovie(moviePath(QStringLiteral("host.swf")).toUtf8().constData()), 0);
    }
    EXPECT_FALSE(NativeWindows::isWindow(stage));
    EXPECT_TRUE(top.findChildren<QWindow *>().isEmpty());
}
