#include "components/efp/efpapi.h"
#include "platform/nativewindow/nativewindows.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QWindow>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

QString movie(const QString &name)
{
    return QStringLiteral(TESSALY_SOURCE_DIR "/tests/components/efp/movies/") + name;
}

QString glintMovie(const QString &name)
{
    return QStringLiteral(TESSALY_SOURCE_DIR "/tests/glint/movies/") + name;
}

std::u16string u16(const QString &text)
{
    return text.toStdU16String();
}

template<typename Predicate>
bool waitUntil(Predicate predicate)
{
    QDeadlineTimer deadline(5000);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

quint32 id(const char16_t *name)
{
    return NativeWindows::registerWindowMessage(QString::fromUtf16(name));
}

// A minimal host of one stage: records what the player sends and answers app-function calls
// with a fixed reply.
struct Host
{
    NativeHandle stage = 0;
    EFPPlayer player = nullptr;
    WindowProcedure previous = nullptr;
    QStringList requests;
    QStringList traces;
    QList<QSize> sizes;
    QList<quint32> passedOn;
    int disconnects = 0;
    QString reply;
};

std::map<NativeHandle, Host *> g_hosts;

qintptr hostProcedure(NativeHandle stage, quint32 message, quintptr wParam, qintptr lParam)
{
    Host *host = g_hosts[stage];
    if (message == id(EFP_MSG_APP_FUNCTION)) {
        auto *record = reinterpret_cast<EFPAppFunctionRecord *>(lParam);
        host->requests << QString::fromUtf16(record->request);
        record->handled = 1;
        record->result = sysAllocString(reinterpret_cast<const char16_t *>(host->reply.utf16()));
        return 0;
    }
    if (message == id(EFP_MSG_TRACE)) {
        host->traces << QString::fromUtf16(reinterpret_cast<const char16_t *>(lParam));
        return 0;
    }
    if (message == id(EFP_MSG_REQUEST_SIZE)) {
        const auto *record = reinterpret_cast<const EFPSizeRecord *>(lParam);
        host->sizes << QSize(record->width, record->height);
        return 0;
    }
    if (message == id(EFP_MSG_DISCONNECTED)) {
        ++host->disconnects;
        return 0;
    }
    if (message >= NativeMessage::FirstRegistered)
        host->passedOn << message;
    return NativeWindows::callWindowProcedure(host->previous, stage, message, wParam, lParam);
}

class LibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const EFPInitParams params{2, 0};
        ASSERT_EQ(EFPInitialize(&params), EFP_OK);
        EFPChangeLogLevel(8);
        top.setGeometry(100, 100, 300, 200);
        top.show();
        ASSERT_TRUE(waitUntil([this] { return top.isExposed(); }));
    }

    void TearDown() override
    {
        for (auto &host : hosts) {
            NativeWindows::destroyWindow(host->stage);
            g_hosts.erase(host->stage);
        }
    }

    Host &attach(int32_t attributes = 7)
    {
        auto host = std::make_unique<Host>();
        const quint32 creation[3] = {1, 0, 0};
        host->stage = NativeWindows::createWindow(
            QString::fromUtf16(EFP_STAGE_CLASS), QStringLiteral("EFPPlayer"),
            NativeWindows::handleForWindow(&top), 0, 0, 100, 100, creation);
        host->player = EFPPlayerFromStageHWND(host->stage);
        host->previous = NativeWindows::setWindowProcedure(host->stage, &hostProcedure);
        g_hosts[host->stage] = host.get();
        EFPPlayerChangeAttributes(host->player, attributes, 0);
        hosts.push_back(std::move(host));
        return *hosts.back();
    }

    QString call(Host &host, const QString &request, int32_t *code = nullptr)
    {
        BSTR result = nullptr;
        const int32_t c =
            EFPPlayerCallExternalInterface(host.player, u16(request).c_str(), &result);
        if (code)
            *code = c;
        const QString text = result ? QString::fromUtf16(result, sysStringLen(result)) : QString();
        sysFreeString(result);
        return text;
    }

    QWindow top;
    std::vector<std::unique_ptr<Host>> hosts;
};

QString invoke(const QString &name, const QString &arguments = QString())
{
    return QStringLiteral("<invoke name=\"%1\" returntype=\"javascript\"><arguments>%2"
                          "</arguments></invoke>")
        .arg(name, arguments);
}

} // namespace

TEST(LibraryInitialisation, NeedsItsParameterRecordAndIsRepeatable)
{
    EXPECT_EQ(EFPInitialize(nullptr), EFP_E_INVALID_ARGUMENT);
    const EFPInitParams params{2, 0};
    EXPECT_EQ(EFPInitialize(&params), EFP_OK);
    EXPECT_EQ(EFPInitialize(&params), EFP_OK);
    EXPECT_TRUE(NativeWindows::isWindowClassRegistered(QString::fromUtf16(EFP_STAGE_CLASS)));
}

TEST(LibraryHandles, ForeignOrStaleHandlesGetCodesNotCrashes)
{
    int local = 0;
    EXPECT_EQ(EFPPlayerFromStageHWND(0x4444440), nullptr);
    EXPECT_EQ(EFPPlayerLoadSWF(&local, u"/x.swf"), EFP_E_NO_PLAYER);
    EXPECT_EQ(EFPPlayerLoadComponent(nullptr, u"/x"), EFP_E_NO_PLAYER);
    EXPECT_EQ(EFPPlayerChangeAttributes(&local, 7, 0), EFP_E_NO_PLAYER);
    BSTR result = nullptr;
    EXPECT_EQ(EFPPlayerCallExternalInterface(&local, u"<invoke/>", &result), EFP_E_NO_PLAYER);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(EFPStreamWrite(&local, "x", 1), EFP_E_NO_STREAM);
    EXPECT_EQ(EFPStreamClose(&local, 1), EFP_E_NO_STREAM);
}

TEST_F(LibraryTest, LoadingSendsTheSizeAndReachesTheHostOnlyWithItsAttributes)
{
    Host &quiet = attach(0);
    ASSERT_EQ(EFPPlayerLoadSWF(quiet.player, u16(movie(QStringLiteral("values.qml"))).c_str()),
              EFP_OK);
    EXPECT_EQ(quiet.sizes, QList<QSize>{QSize(40, 30)});
    EXPECT_TRUE(quiet.requests.isEmpty());
    EXPECT_TRUE(quiet.traces.isEmpty());

    Host &host = attach();
    ASSERT_EQ(EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str()),
              EFP_OK);
    EXPECT_EQ(host.requests, QStringList{invoke(QStringLiteral("loaded"))});
    EXPECT_EQ(host.traces, QStringList{QStringLiteral("values movie loaded")});
}

TEST_F(LibraryTest, MovieValuesAreWrittenAsWellFormedInvokeDocuments)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    host.requests.clear();
    EXPECT_EQ(call(host, invoke(QStringLiteral("sendValues"))), QStringLiteral("<true/>"));
    ASSERT_EQ(host.requests.size(), 1);
    EXPECT_EQ(host.requests[0],
              invoke(QStringLiteral("values"),
                     QStringLiteral("<true/><number>2.5</number>"
                                    "<string><![CDATA[a]]]]><![CDATA[>b]]></string><null/>"
                                    "<array><property id=\"0\"><number>1</number></property>"
                                    "<property id=\"1\"><string><![CDATA[x]]></string></property>"
                                    "</array><object><property id=\"k\"><false/></property>"
                                    "</object><number>-3</number>")));
    QXmlStreamReader reader(host.requests[0]);
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError());
}

struct ReplyRow
{
    const char *name;
    QString reply;
    QString seen;
};

class LibraryReplies : public LibraryTest, public ::testing::WithParamInterface<ReplyRow>
{
};

TEST_P(LibraryReplies, TheMovieSeesTheDecodedReply)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    host.reply = GetParam().reply;
    const QString seen = call(host, invoke(QStringLiteral("describeReply")));
    EXPECT_EQ(seen, QStringLiteral("<string><![CDATA[") + GetParam().seen +
                        QStringLiteral("]]></string>"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LibraryReplies,
    ::testing::Values(
        ReplyRow{"true", QStringLiteral("<true/>"), QStringLiteral("boolean:true")},
        ReplyRow{"false", QStringLiteral("<false/>"), QStringLiteral("boolean:false")},
        ReplyRow{"number", QStringLiteral("<number>2.5</number>"), QStringLiteral("number:2.5")},
        ReplyRow{"cdata", QStringLiteral("<string><![CDATA[a<b]]></string>"),
                 QStringLiteral("string:a<b")},
        ReplyRow{"splitCdata", QStringLiteral("<string><![CDATA[a]]]]><![CDATA[>b]]></string>"),
                 QStringLiteral("string:a]]]]><![CDATA[>b")},
        ReplyRow{"escaped", QStringLiteral("<string>x &amp; y</string>"),
                 QStringLiteral("string:x & y")},
        ReplyRow{"empty", QString(), QStringLiteral("undefined")},
        ReplyRow{"undefined", QStringLiteral("<undefined/>"), QStringLiteral("undefined")},
        ReplyRow{"null", QStringLiteral("<null/>"), QStringLiteral("null")},
        ReplyRow{"garbage", QStringLiteral("<number>1"), QStringLiteral("undefined")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LibraryTest, CallsTheMovieCannotAnswer)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    int32_t code = 0;
    BSTR result = nullptr;
    EXPECT_EQ(EFPPlayerCallExternalInterface(
                  host.player, u16(invoke(QStringLiteral("nobody"))).c_str(), &result),
              EFP_E_NO_CALLBACK);
    EXPECT_EQ(result, nullptr);
    call(host, QStringLiteral("<invoke name=\"x\"><arguments>"), &code);
    EXPECT_EQ(code, EFP_E_BAD_REQUEST);
    EXPECT_EQ(EFPPlayerCallExternalInterface(host.player, nullptr, &result),
              EFP_E_INVALID_ARGUMENT);
}

TEST_F(LibraryTest, MissingAndBrokenMoviesAreCodesAndTraces)
{
    Host &host = attach();
    EXPECT_EQ(EFPPlayerLoadSWF(host.player, u"/no/such/movie.swf"), EFP_E_FILE_NOT_FOUND);
    EXPECT_EQ(EFPPlayerLoadSWF(host.player, u16(glintMovie(QStringLiteral("broken.swf"))).c_str()),
              EFP_E_MOVIE_ERROR);
    EXPECT_EQ(EFPPlayerLoadComponent(host.player, u16(movie(QString())).c_str()),
              EFP_E_FILE_NOT_FOUND);
    EXPECT_GE(host.traces.size(), 3);
    EXPECT_TRUE(host.traces.join(QLatin1Char('\n')).contains(QLatin1String("broken.swf")));
}

TEST_F(LibraryTest, ConsoleOutputFollowsTheLogLevel)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    host.traces.clear();
    const int32_t previous = EFPChangeLogLevel(0);
    call(host, invoke(QStringLiteral("log"), QStringLiteral("<string>hidden</string>")));
    EFPChangeLogLevel(8);
    call(host, invoke(QStringLiteral("log"), QStringLiteral("<string>shown</string>")));
    EFPChangeLogLevel(previous);
    EXPECT_EQ(host.traces, QStringList{QStringLiteral("shown")});
}

TEST_F(LibraryTest, ConsoleOutputFromTheEventLoopFindsItsMovie)
{
    Host &other = attach();
    EFPPlayerLoadSWF(other.player, u16(glintMovie(QStringLiteral("implicit.qml"))).c_str());
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    ASSERT_TRUE(waitUntil([&] { return host.traces.contains(QStringLiteral("timer tick")); }));
    EXPECT_FALSE(other.traces.contains(QStringLiteral("timer tick")));
}

TEST_F(LibraryTest, StageRequestsGoThroughTheHostToThePlayer)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    call(host, invoke(QStringLiteral("minimize")));
    EXPECT_TRUE(host.passedOn.contains(id(EFP_MSG_REQUEST_MINIMIZE)));
    EXPECT_TRUE(top.windowStates().testFlag(Qt::WindowMinimized) ||
                waitUntil([this] { return top.windowStates().testFlag(Qt::WindowMinimized); }));
    top.showNormal();
}

TEST_F(LibraryTest, TheChannelCarriesMessagesBetweenStages)
{
    Host &a = attach();
    Host &b = attach();
    ASSERT_EQ(EFPPlayerLoadSWF(a.player, u16(glintMovie(QStringLiteral("channel.qml"))).c_str()),
              EFP_OK);
    ASSERT_EQ(EFPPlayerLoadSWF(b.player, u16(glintMovie(QStringLiteral("channel.qml"))).c_str()),
              EFP_OK);
    EXPECT_EQ(call(a, invoke(QStringLiteral("peers"))), QStringLiteral("<number>1</number>"))
        << a.traces.join(QLatin1Char('\n')).toStdString();
    a.requests.clear();
    b.requests.clear();
    EXPECT_EQ(call(a, invoke(QStringLiteral("send"),
                             QStringLiteral("<string>podChanged</string><number>3</number>"))),
              QStringLiteral("<true/>"));
    // Delivered later, from the event loop, and only to the other member.
    EXPECT_TRUE(b.requests.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !b.requests.isEmpty(); }));
    EXPECT_EQ(b.requests,
              QStringList{invoke(QStringLiteral("channelReceived"),
                                 QStringLiteral("<string><![CDATA[podChanged]]></string>"
                                                "<string><![CDATA[[3,[1,\"two\"]]]]></string>"))});
    EXPECT_TRUE(a.requests.isEmpty());

    EXPECT_EQ(call(b, invoke(QStringLiteral("leave"))), QStringLiteral("<false/>"));
    EXPECT_EQ(call(a, invoke(QStringLiteral("peers"))), QStringLiteral("<number>0</number>"));
    b.requests.clear();
    call(a, invoke(QStringLiteral("send"), QStringLiteral("<string>again</string>")));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(b.requests.isEmpty());
}

TEST_F(LibraryTest, DestroyingTheStageDisconnectsThePlayer)
{
    Host &host = attach();
    EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("values.qml"))).c_str());
    const EFPPlayer player = host.player;
    // The host's procedure stays installed to the end and sees the disconnection.
    NativeWindows::destroyWindow(host.stage);
    EXPECT_EQ(host.disconnects, 1);
    EXPECT_EQ(EFPPlayerLoadSWF(player, u16(movie(QStringLiteral("values.qml"))).c_str()),
              EFP_E_NO_PLAYER);
}

// The loader reads a movie ahead while the player gets the text system ready: a movie file
// rewritten after it was played is still played as it is now, and a broken one reports its
// error once.
TEST_F(LibraryTest, ARewrittenMovieIsPlayedAsItIsNow)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("sized.qml"));
    const auto write = [&path](const QByteArray &text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) > 0;
    };
    Host &host = attach();
    ASSERT_TRUE(write("import QtQuick\nItem { width: 40; height: 30 }\n"));
    ASSERT_EQ(EFPPlayerLoadSWF(host.player, u16(path).c_str()), EFP_OK);
    ASSERT_TRUE(write("import QtQuick\nItem { width: 64; height: 48; Text { text: \"now\" } }\n"));
    ASSERT_EQ(EFPPlayerLoadSWF(host.player, u16(path).c_str()), EFP_OK);
    EXPECT_EQ(host.sizes, (QList<QSize>{QSize(40, 30), QSize(64, 48)}));

    ASSERT_TRUE(write("import QtQuick\nItem { width: 64; height: \n"));
    host.traces.clear();
    EXPECT_EQ(EFPPlayerLoadSWF(host.player, u16(path).c_str()), EFP_E_MOVIE_ERROR);
    EXPECT_EQ(host.traces.filter(QStringLiteral("sized.qml")).size(), 1)
        << host.traces.join(QLatin1Char('\n')).toStdString();
}

TEST_F(LibraryTest, VectorGlyphsDrawTheirPathsAndReportAFaultyOne)
{
    Host &host = attach();
    ASSERT_EQ(EFPPlayerLoadSWF(host.player, u16(movie(QStringLiteral("glyphs.qml"))).c_str()),
              EFP_OK);
    auto *view = qobject_cast<QQuickWindow *>(NativeWindows::window(host.stage));
    ASSERT_NE(view, nullptr);
    const QImage shot = view->grabWindow();
    ASSERT_FALSE(shot.isNull());
    const auto colour = [&shot](int x, int y) {
        return shot.pixelColor(x, y).name();
    };
    EXPECT_EQ(colour(20, 20), QStringLiteral("#ff0000")) << "the stroke";
    EXPECT_EQ(colour(20, 8), QStringLiteral("#000000")) << "off the stroke";
    // The 10-unit square fills the whole 20-pixel item it is drawn in.
    EXPECT_EQ(colour(51, 1), QStringLiteral("#00ff00"));
    EXPECT_EQ(colour(68, 18), QStringLiteral("#00ff00"));
    EXPECT_EQ(colour(60, 25), QStringLiteral("#000000"));
    // What comes before the fault is drawn; the fault reaches the host as a trace.
    EXPECT_EQ(colour(90, 30), QStringLiteral("#0000ff"));
    EXPECT_EQ(
        host.traces.filter(QStringLiteral("path data: missing or bad argument 1 of \"L\"")).size(),
        1)
        << host.traces.join(QLatin1Char('\n')).toStdString();
}
