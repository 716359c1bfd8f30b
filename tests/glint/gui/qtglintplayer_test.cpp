#include "platform/nativewindow/nativewindows.h"
#include "shared/glint/efpunicode.h"
#include "tests/glint/gui/glinttestsupport.h"

#include <QBuffer>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString invoke(const QString &name, const QString &arguments = QString())
{
    return QStringLiteral("<invoke name=\"%1\" returntype=\"javascript\"><arguments>%2"
                          "</arguments></invoke>")
        .arg(name, arguments);
}

// A frame with the player at (10, 20), showing the host test movie.
class PlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frame = std::make_unique<QWidget>();
        frame->setGeometry(100, 100, 500, 400);
        player = new TestPlayer(frame.get());
        player->setGeometry(10, 20, 100, 80);
        player->AddCallback(QStringLiteral("movieReady"), &receiver, QStringLiteral("movieReady"));
        frame->show();
        ASSERT_TRUE(waitUntil([this] { return frame->windowHandle()->isExposed(); }));
        ASSERT_EQ(player->Load(moviePath(QStringLiteral("host.swf"))), 0);
    }

    QString callHost(const QList<QVariant> &arguments)
    {
        return player->CallFunction("callHost", &arguments);
    }

    QWindow *stage() const { return NativeWindows::window(player->stageWindow()); }

    TestReceiver receiver;
    std::unique_ptr<QWidget> frame;
    TestPlayer *player = nullptr;
};

} // namespace

TEST_F(PlayerTest, TheMovieStartsAndAsksForItsSize)
{
    EXPECT_EQ(receiver.calls, QStringList{QStringLiteral("movieReady:320x240")});
    EXPECT_EQ(player->requestedSize(), QSize(320, 240));
    EXPECT_EQ(player->size(), QSize(320, 240));
    EXPECT_EQ(player->lastWidth(), 320);
    EXPECT_TRUE(NativeWindows::isWindowVisible(player->stageWindow()));
}

TEST_F(PlayerTest, NumbersFindTheSlotOfTheirType)
{
    player->AddCallback(QStringLiteral("takeNumber"), &receiver, QStringLiteral("onNumber"));
    player->AddCallback(QStringLiteral("takeInt"), &receiver, QStringLiteral("onInt"));
    receiver.calls.clear();
    callHost({QStringLiteral("takeNumber"), 5});
    callHost({QStringLiteral("takeNumber"), 2.5});
    callHost({QStringLiteral("takeInt"), 5});
    // 2.5 is a qreal: a slot with an int parameter is not found.
    callHost({QStringLiteral("takeInt"), 2.5});
    EXPECT_EQ(receiver.calls,
              (QStringList{QStringLiteral("onNumber(int):5"), QStringLiteral("onNumber(qreal):2.5"),
                           QStringLiteral("onInt:5")}));
}

TEST_F(PlayerTest, StringsAndBooleansArrive)
{
    player->AddCallback(QStringLiteral("takeText"), &receiver, QStringLiteral("onTextAndFlag"));
    receiver.calls.clear();
    callHost({QStringLiteral("takeText"), QStringLiteral("a<b & ]]> \u00e9\U0001F600"), true});
    callHost({QStringLiteral("takeText"), QStringLiteral(""), false});
    EXPECT_EQ(receiver.calls,
              (QStringList{QStringLiteral("onTextAndFlag:a<b & ]]> \u00e9\U0001F600,1"),
                           QStringLiteral("onTextAndFlag:,0")}));
}

TEST_F(PlayerTest, TypedReturnTemplatesAnswerTheMovie)
{
    player->AddCallback(QStringLiteral("askBool"), &receiver, QStringLiteral("onBool"),
                        QVariant(false));
    player->AddCallback(QStringLiteral("askCount"), &receiver, QStringLiteral("onCount"),
                        QVariant(0));
    player->AddCallback(QStringLiteral("askName"), &receiver, QStringLiteral("onName"),
                        QVariant(QString()));
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("askBool")).toStdString()), "<true/>");
    EXPECT_EQ(callHost({QStringLiteral("askBool")}),
              QStringLiteral("<string><![CDATA[boolean:true]]></string>"));
    receiver.boolResult = false;
    EXPECT_EQ(callHost({QStringLiteral("askBool")}),
              QStringLiteral("<string><![CDATA[boolean:false]]></string>"));
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("askCount")).toStdString()),
              "<number>3</number>");
    EXPECT_EQ(callHost({QStringLiteral("askCount")}),
              QStringLiteral("<string><![CDATA[number:3]]></string>"));
    EXPECT_EQ(callHost({QStringLiteral("askName")}),
              QStringLiteral("<string><![CDATA[string:a]]]]><![CDATA[>b]]></string>"));
}

TEST_F(PlayerTest, UnknownOrDisabledCallbacksGiveAnEmptyReply)
{
    player->AddCallback(QStringLiteral("askBool"), &receiver, QStringLiteral("onBool"),
                        QVariant(false));
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("nobody")).toStdString()), "");
    EXPECT_EQ(callHost({QStringLiteral("nobody")}),
              QStringLiteral("<string><![CDATA[undefined]]></string>"));
    player->RemoveCallback(QStringLiteral("askBool"), &receiver, QStringLiteral("onBool"));
    receiver.calls.clear();
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("askBool")).toStdString()), "");
    EXPECT_TRUE(receiver.calls.isEmpty());
    // A request the parser cannot read is no call either.
    EXPECT_EQ(player->callApp("<invoke name=\"askBool\"><arguments>"), "");
}

TEST_F(PlayerTest, AddingTwiceKeepsOneEntryAndReAddingReEnables)
{
    player->AddCallback(QStringLiteral("f"), &receiver, QStringLiteral("first"));
    player->AddCallback(QStringLiteral("f"), &receiver, QStringLiteral("second"));
    // Had this made a new entry, it would stand before "second" and be called.
    player->AddCallback(QStringLiteral("f"), &receiver, QStringLiteral("first"));
    receiver.calls.clear();
    player->callApp(invoke(QStringLiteral("f")).toStdString());
    EXPECT_EQ(receiver.calls, QStringList{QStringLiteral("second")});

    player->RemoveCallback(QStringLiteral("f"), &receiver, QStringLiteral("second"));
    player->callApp(invoke(QStringLiteral("f")).toStdString());
    player->AddCallback(QStringLiteral("f"), &receiver, QStringLiteral("second"));
    player->callApp(invoke(QStringLiteral("f")).toStdString());
    EXPECT_EQ(receiver.calls, (QStringList{QStringLiteral("second"), QStringLiteral("first"),
                                           QStringLiteral("second")}));
}

TEST_F(PlayerTest, ReAddingKeepsTheFirstTemplate)
{
    player->AddCallback(QStringLiteral("askBool"), &receiver, QStringLiteral("onBool"),
                        QVariant(false));
    player->AddCallback(QStringLiteral("askBool"), &receiver, QStringLiteral("onBool"));
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("askBool")).toStdString()), "<true/>");
}

// Guards against a call into a receiver that no longer exists.
TEST_F(PlayerTest, AGoneReceiverIsSkipped)
{
    auto gone = std::make_unique<TestReceiver>();
    player->AddCallback(QStringLiteral("askBool"), gone.get(), QStringLiteral("onBool"),
                        QVariant(false));
    gone.reset();
    EXPECT_EQ(player->callApp(invoke(QStringLiteral("askBool")).toStdString()), "");
}

TEST_F(PlayerTest, CallFunctionReturnsTheMovieReplyUnchanged)
{
    const QList<QVariant> numbers{2, 3};
    EXPECT_EQ(player->CallFunction("echo", &numbers), QStringLiteral("<number>5</number>"));
    const QList<QVariant> texts{QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(player->CallFunction("echo", &texts),
              QStringLiteral("<string><![CDATA[ab]]></string>"));
    const QList<QVariant> mixed{true, 2.5, QStringLiteral("x]]>y"), QStringLiteral("p[CDATA[q"),
                                QByteArray("bytes")};
    EXPECT_EQ(player->CallFunction("describeArguments", &mixed),
              QStringLiteral("<string><![CDATA[boolean:true|number:2.5|string:x]]]]><![CDATA[>y|"
                             "string:p[CDATA[q|string:bytes]]></string>"));
    EXPECT_EQ(player->CallFunction("describeArguments"),
              QStringLiteral("<string><![CDATA[]]></string>"));
    // A function the movie never registered gives no reply.
    EXPECT_EQ(player->CallFunction("noSuchFunction"), QString());
}

TEST_F(PlayerTest, MovieErrorsAreTracedNotFatal)
{
    EXPECT_EQ(player->CallFunction("fail"), QString());
    EXPECT_TRUE(player->traces.join(QLatin1Char('\n')).contains(QLatin1String("movie failure")));
    const QList<QVariant> text{QStringLiteral("hello from the movie")};
    EXPECT_EQ(player->CallFunction("log", &text), QStringLiteral("<true/>"));
    EXPECT_TRUE(player->traces.contains(QStringLiteral("hello from the movie")));
}

// Regression: a lone surrogate from a script used to raise out of the window procedure.
TEST_F(PlayerTest, TextThatDoesNotConvertIsDropped)
{
    player->AddCallback(QStringLiteral("takeText"), &receiver, QStringLiteral("onTextAndFlag"));
    receiver.calls.clear();
    EXPECT_EQ(player->CallFunction("loneSurrogate"),
              QStringLiteral("<string><![CDATA[undefined]]></string>"));
    EXPECT_TRUE(receiver.calls.isEmpty());
    EXPECT_EQ(player->CallFunction("returnLone"), QString());
}

TEST_F(PlayerTest, RequestSizeResizesTheWidget)
{
    const QList<QVariant> size{200, 150};
    player->CallFunction("requestSize", &size);
    EXPECT_EQ(player->requestedSize(), QSize(200, 150));
    EXPECT_EQ(player->size(), QSize(200, 150));
    EXPECT_EQ(stage()->size(), QSize(200, 150));
}

TEST_F(PlayerTest, TheStageFollowsMovesShowHideAndReparenting)
{
    player->move(40, 50);
    EXPECT_EQ(stage()->geometry(), QRect(40, 50, 320, 240));
    EXPECT_EQ(stage()->parent(), frame->windowHandle());

    player->hide();
    EXPECT_FALSE(stage()->isVisible());
    player->move(60, 70);
    player->show();
    EXPECT_TRUE(stage()->isVisible());
    EXPECT_EQ(stage()->geometry(), QRect(60, 70, 320, 240));

    // Nested: the position is taken relative to the top-level window.
    QWidget other;
    other.setGeometry(700, 100, 500, 400);
    auto *inner = new QWidget(&other);
    inner->setGeometry(30, 40, 400, 300);
    other.show();
    player->setParent(inner);
    player->move(5, 6);
    player->show();
    EXPECT_EQ(stage()->parent(), other.windowHandle());
    EXPECT_EQ(NativeWindows::parent(player->stageWindow()),
              NativeWindows::handleForWindow(other.windowHandle()));
    EXPECT_EQ(stage()->geometry(), QRect(35, 46, 320, 240));
    EXPECT_TRUE(stage()->isVisible());
    // The movie still plays after the move.
    const QList<QVariant> numbers{1, 1};
    EXPECT_EQ(player->CallFunction("echo", &numbers), QStringLiteral("<number>2</number>"));

    player->setParent(frame.get());
    player->move(1, 2);
    player->show();
    EXPECT_EQ(stage()->parent(), frame->windowHandle());
    EXPECT_EQ(stage()->geometry(), QRect(1, 2, 320, 240));
}

TEST_F(PlayerTest, PropertyAnswersComeFromTheWidget)
{
    const quint32 getProperty = EFPGlintPlayer::messages().getProperty;
    player->move(12, 34);
    frame->setWindowTitle(QStringLiteral("frame title"));
    player->setWindowTitle(QStringLiteral("player title"));

    EFPPropertyRecord rect{2, {0, 0, 0, 0}, nullptr};
    EXPECT_EQ(NativeWindows::sendMessage(player->stageWindow(), getProperty, 0,
                                         reinterpret_cast<qintptr>(&rect)),
              0);
    EXPECT_EQ(rect.values[0], 12);
    EXPECT_EQ(rect.values[1], 34);
    EXPECT_EQ(rect.values[2], 12 + 320);
    EXPECT_EQ(rect.values[3], 34 + 240);

    EFPPropertyRecord visible{7, {5, 5, 5, 5}, nullptr};
    NativeWindows::sendMessage(player->stageWindow(), getProperty, 0,
                               reinterpret_cast<qintptr>(&visible));
    EXPECT_EQ(visible.values[0], 1);

    EFPPropertyRecord state{3, {5, 5, 5, 5}, nullptr};
    NativeWindows::sendMessage(player->stageWindow(), getProperty, 0,
                               reinterpret_cast<qintptr>(&state));
    EXPECT_EQ(state.values[0], 0);

    EFPPropertyRecord tracking{5, {0, 0, 0, 0}, nullptr};
    NativeWindows::sendMessage(player->stageWindow(), getProperty, 0,
                               reinterpret_cast<qintptr>(&tracking));
    EXPECT_EQ(tracking.values[0], NativeWindows::minimumTrackingSize().width());
    EXPECT_EQ(tracking.values[1], NativeWindows::minimumTrackingSize().height());

    // The movie sees the same answers.
    const QList<QVariant> bounds{QStringLiteral("bounds")};
    EXPECT_EQ(player->CallFunction("stage", &bounds),
              QStringLiteral("<string><![CDATA[[12,34,332,274]]]></string>"));
    const QList<QVariant> title{QStringLiteral("title")};
    EXPECT_EQ(player->CallFunction("stage", &title),
              QStringLiteral("<string><![CDATA[player title]]></string>"));
}

TEST_F(PlayerTest, AnUnknownPropertyLeavesTheRecordAlone)
{
    EFPPropertyRecord record{9, {11, 22, 33, 44}, nullptr};
    EXPECT_EQ(NativeWindows::sendMessage(player->stageWindow(),
                                         EFPGlintPlayer::messages().getProperty, 0,
                                         reinterpret_cast<qintptr>(&record)),
              0);
    EXPECT_EQ(record.id, 9);
    EXPECT_EQ(record.values[0], 11);
    EXPECT_EQ(record.values[1], 22);
    EXPECT_EQ(record.values[2], 33);
    EXPECT_EQ(record.values[3], 44);
    EXPECT_EQ(record.text, nullptr);
    const QList<QVariant> unknown{QStringLiteral("unknown")};
    EXPECT_EQ(player->CallFunction("stage", &unknown),
              QStringLiteral("<string><![CDATA[undefined]]></string>"));
}

TEST_F(PlayerTest, AnEmptyResultStillGetsAZeroLengthString)
{
    const QString request = invoke(QStringLiteral("nobody"));
    EFPAppFunctionRecord record{0, reinterpret_cast<const char16_t *>(request.utf16()), nullptr};
    EXPECT_EQ(NativeWindows::sendMessage(player->stageWindow(),
                                         EFPGlintPlayer::messages().appFunction, 0,
                                         reinterpret_cast<qintptr>(&record)),
              0);
    EXPECT_EQ(record.handled, 1);
    ASSERT_NE(record.result, nullptr);
    EXPECT_EQ(sysStringLen(record.result), 0u);
    sysFreeString(record.result);
}

TEST_F(PlayerTest, UrlRequestsAreServedOnlyForTheHostAddresses)
{
    const quint32 requestUrl = EFPGlintPlayer::messages().requestUrl;
    const auto send = [&](const QString &url) {
        EFPUrlRecord record{0, reinterpret_cast<const char16_t *>(url.utf16()), nullptr, 0};
        return NativeWindows::sendMessage(player->stageWindow(), requestUrl, 0,
                                          reinterpret_cast<qintptr>(&record));
    };
    EXPECT_EQ(send(QStringLiteral("https://www.example.com/image.png")), 1);
    EXPECT_TRUE(player->servedNames.isEmpty());
    // Served names: the rest of a marker storage address; the blank map page by its fixed name.
    EXPECT_EQ(send(QtGlintPlayer::kMarkerStorageUrl + QLatin1String("pins/red.png")), 0);
    EXPECT_EQ(send(QStringLiteral("HTTPS://GLINT.TESSALY.COM/maps/blank.html?x=1")), 0);
    EXPECT_EQ(player->servedNames,
              (QStringList{QStringLiteral("pins/red.png"), QStringLiteral("google maps script")}));
}

TEST_F(PlayerTest, AMovieLoadsImagesTheHostServes)
{
    QImage image(17, 9, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer(&player->servedData);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    player->AddCallback(QStringLiteral("imageLoaded"), &receiver, QStringLiteral("imageLoaded"));
    receiver.calls.clear();
    const QList<QVariant> url{QString(QtGlintPlayer::kMarkerStorageUrl + QLatin1String("pin.png"))};
    player->CallFunction("loadImage", &url);
    ASSERT_TRUE(waitUntil([this] { return !receiver.calls.isEmpty(); }));
    EXPECT_EQ(receiver.calls, QStringList{QStringLiteral("imageLoaded:1,17")});
    EXPECT_EQ(player->servedNames, QStringList{QStringLiteral("pin.png")});
}

TEST_F(PlayerTest, LoadReportsTheLibraryCodes)
{
    EXPECT_EQ(player->Load(moviePath(QStringLiteral("missing.swf"))), EFP_E_FILE_NOT_FOUND);
    player->traces.clear();
    EXPECT_EQ(player->Load(moviePath(QStringLiteral("broken.swf"))), EFP_E_MOVIE_ERROR);
    EXPECT_FALSE(player->traces.isEmpty());
    EXPECT_EQ(player->Load(moviePath(QStringLiteral("window.qml"))), EFP_E_MOVIE_ERROR);
    // The stage is shown whatever the code.
    EXPECT_TRUE(NativeWindows::isWindowVisible(player->stageWindow()));

    EXPECT_EQ(player->Load(moviePath(QStringLiteral("component"))), 0);
    EXPECT_EQ(player->requestedSize(), QSize(111, 77));
    EXPECT_EQ(player->CallFunction("whoAmI"),
              QStringLiteral("<string><![CDATA[component]]></string>"));

    EXPECT_EQ(player->Load(moviePath(QStringLiteral("implicit.qml"))), 0);
    EXPECT_EQ(player->requestedSize(), QSize(150, 90));
}

TEST_F(PlayerTest, StageRequestsPassThroughToThePlayer)
{
    const QList<QVariant> minimize{QStringLiteral("minimize")};
    player->CallFunction("stage", &minimize);
    EXPECT_TRUE(waitUntil([this] { return frame->isMinimized(); }, 2000) ||
                frame->windowHandle()->windowStates().testFlag(Qt::WindowMinimized));
    const QList<QVariant> restore{QStringLiteral("restore")};
    player->CallFunction("stage", &restore);
    EXPECT_FALSE(frame->windowHandle()->windowStates().testFlag(Qt::WindowMinimized));
}
