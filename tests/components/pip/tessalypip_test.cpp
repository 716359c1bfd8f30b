#include "components/pip/tessalypip.h"

#include "components/pip/crashmarker.h"
#include "components/pip/pipclient.h"
#include "tests/components/pip/piptestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class TessalyPipTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        TessalyPIPTerminate();
        TessalyPIPEnableCrashDetection(0);
        TessalyPIPSetProductDisplayNameW(nullptr, 0, 0);
    }

    static int32_t initialize(int32_t startMode, const char16_t *productLine = u"Orvana11")
    {
        return TessalyPIPInitializeW(u"Orvana", u"PixtrelOrvana", u"11", u"11.0 (test)", u"en_US",
                                     startMode, 0, nullptr, productLine);
    }

    TestEnvironment m_env;
};

TEST_F(TessalyPipTest, InitialisesOnceAndNeedsAProductLine)
{
    EXPECT_EQ(initialize(2, u""), TPIP_E_INVALID_ARGUMENT);
    EXPECT_EQ(initialize(2, nullptr), TPIP_E_INVALID_ARGUMENT);
    EXPECT_EQ(initialize(2), TPIP_OK);
    EXPECT_EQ(initialize(2), TPIP_E_ALREADY_INITIALIZED);
    EXPECT_EQ(TessalyPIPTerminate(), TPIP_OK);
    EXPECT_EQ(TessalyPIPTerminate(), TPIP_E_NOT_INITIALIZED);
    EXPECT_EQ(initialize(2), TPIP_OK); // a new session after the end of the last
}

TEST_F(TessalyPipTest, NothingWithoutInitialisation)
{
    EXPECT_EQ(TessalyPIPGetLogHandle(), nullptr);
    EXPECT_EQ(TessalyPIPDisplayOptInOutDialog(), TPIP_E_NOT_INITIALIZED);
}

struct HandleRow
{
    const char *name;
    int32_t startMode;
    QVariant optIn;
    bool records;
};

class TessalyPipHandleTest : public TessalyPipTest, public ::testing::WithParamInterface<HandleRow>
{
};

TEST_P(TessalyPipHandleTest, HandleOnlyWhenTheChoiceAllowsRecording)
{
    PipTest::setOptIn(GetParam().optIn);
    ASSERT_EQ(initialize(GetParam().startMode), TPIP_OK);
    const UTLogHandle handle = TessalyPIPGetLogHandle();
    EXPECT_EQ(handle != nullptr, GetParam().records);
    if (handle) {
        EXPECT_EQ(UTLogEvent(handle, "", "name", "cat", 0, 0), UT_OK);
        EXPECT_EQ(PipTest::readRecords().size(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TessalyPipHandleTest,
                         ::testing::Values(HandleRow{"mode2Missing", 2, QVariant(), false},
                                           HandleRow{"mode2Out", 2, QVariant(0), false},
                                           HandleRow{"mode2In", 2, QVariant(1), true},
                                           HandleRow{"mode1In", 1, QVariant(1), true},
                                           HandleRow{"mode0Missing", 0, QVariant(), true},
                                           HandleRow{"mode0Out", 0, QVariant(0), false}),
                         [](const auto &info) { return std::string(info.param.name); });

// Guards against recording going on after the user withdrew the choice.
TEST_F(TessalyPipTest, OptingOutStopsRecordingOnTheHandleAlreadyGiven)
{
    PipTest::setOptIn(1);
    ASSERT_EQ(initialize(2), TPIP_OK);
    const UTLogHandle handle = TessalyPIPGetLogHandle();
    ASSERT_NE(handle, nullptr);
    PipTest::setOptIn(0);
    EXPECT_EQ(TessalyPIPGetLogHandle(), nullptr);
    EXPECT_EQ(UTLogEvent(handle, "", "after", "cat", 0, 0), UT_E_NOT_RECORDING);
    EXPECT_TRUE(PipTest::readRecords().isEmpty());
}

// Guards against the host's handle outliving the session it named.
TEST_F(TessalyPipTest, HandleIsDeadAfterTerminate)
{
    PipTest::setOptIn(1);
    ASSERT_EQ(initialize(2), TPIP_OK);
    const UTLogHandle handle = TessalyPIPGetLogHandle();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(TessalyPIPTerminate(), TPIP_OK);
    EXPECT_EQ(UTLogEvent(handle, "", "late", "cat", 0, 0), UT_E_INVALID_HANDLE);
}

TEST_F(TessalyPipTest, CrashDetectionRecordsASessionThatNeverTerminated)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    QDir().mkpath(PipTest::recordFolder());
    CrashMarker marker(PipTest::recordFolder());
    {
        QFile file(marker.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(CrashMarker::format({child, QStringLiteral("2026-01-01T00:00:00.000Z")}));
    }
    PipTest::setOptIn(1);
    ASSERT_EQ(TessalyPIPEnableCrashDetection(1), TPIP_OK);
    ASSERT_EQ(initialize(2), TPIP_OK);

    const QList<QJsonObject> records = PipTest::readRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].value(u"category").toString(), u"TPIP");
    EXPECT_EQ(records[0].value(u"name").toString(), u"sessionEndedAbnormally");
    EXPECT_EQ(records[0].value(u"detail").toString(), u"2026-01-01T00:00:00.000Z");
    EXPECT_EQ(records[0].value(u"value1").toInt(), int(child));
    // Our own session is marked now, and the mark goes with a proper end.
    const auto owner = CrashMarker::parse([&] {
        QFile file(marker.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }());
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(owner->pid, qint64(::getpid()));
    ASSERT_EQ(TessalyPIPTerminate(), TPIP_OK);
    EXPECT_FALSE(QFileInfo::exists(marker.path()));
}

TEST_F(TessalyPipTest, WithoutCrashDetectionNoMarkIsMadeOrRead)
{
    PipTest::setOptIn(1);
    ASSERT_EQ(initialize(2), TPIP_OK);
    EXPECT_FALSE(QFileInfo::exists(CrashMarker(PipTest::recordFolder()).path()));
    EXPECT_TRUE(PipTest::readRecords().isEmpty());
}

TEST_F(TessalyPipTest, DisplayNameArgumentsAreChecked)
{
    const char16_t *names[] = {u"Help Improve A", u"Help Improve B"};
    EXPECT_EQ(TessalyPIPSetProductDisplayNameW(names, 2, 0), TPIP_OK);
    EXPECT_EQ(TessalyPIPSetProductDisplayNameW(names, 1, 1), TPIP_OK);
    EXPECT_EQ(TessalyPIPSetProductDisplayNameW(names, -1, 0), TPIP_E_INVALID_ARGUMENT);
    EXPECT_EQ(TessalyPIPSetProductDisplayNameW(nullptr, 1, 0), TPIP_E_INVALID_ARGUMENT);
    EXPECT_EQ(TessalyPIPSetProductDisplayNameW(names, 1, 7), TPIP_E_INVALID_ARGUMENT);
}

TEST_F(TessalyPipTest, DialogNeedsAWidgetApplication)
{
    ASSERT_EQ(initialize(2), TPIP_OK);
    EXPECT_EQ(TessalyPIPDisplayOptInOutDialog(), TPIP_E_NO_GUI);
    EXPECT_EQ(PipTest::optIn(), -1);
}

// Guards against the libraries pulling in Qt Gui (or X) for a process that never shows the
// dialog: the sanitizer build and headless hosts have none.
TEST(TessalyPipLibraries, NeedNoGuiModule)
{
    for (const char *library : {TESSALY_PIP_LIBRARY, TESSALY_LOGSESSION_LIBRARY}) {
        QProcess readelf;
        readelf.start(QStringLiteral("readelf"),
                      {QStringLiteral("-d"), QString::fromUtf8(library)});
        if (!readelf.waitForStarted())
            GTEST_SKIP() << "readelf is not installed";
        ASSERT_TRUE(readelf.waitForFinished(30000));
        const QByteArray dynamic = readelf.readAllStandardOutput();
        EXPECT_TRUE(dynamic.contains("[libQt6Core.so")) << library;
        for (const char *gui : {"libQt6Gui", "libQt6Widgets", "libxcb", "libGL"})
            EXPECT_FALSE(dynamic.contains(gui)) << library << " needs " << gui;
    }
}

struct FolderRow
{
    const char *name;
    const char16_t *productLine;
    const char *folderName;
};

class PipRecordFolderTest : public ::testing::TestWithParam<FolderRow>
{
protected:
    TestEnvironment m_env;
};

// Guards against a product-line id naming a folder outside the usage folder.
TEST_P(PipRecordFolderTest, ProductLineBecomesOneSafeFolderName)
{
    const QString folder = PipClient::recordFolder(QString::fromUtf16(GetParam().productLine));
    EXPECT_EQ(folder, m_env.dataHome() + QStringLiteral("/tessaly/usage/") +
                          QString::fromLatin1(GetParam().folderName));
}

INSTANTIATE_TEST_SUITE_P(Rows, PipRecordFolderTest,
                         ::testing::Values(FolderRow{"plain", u"Orvana11", "Orvana11"},
                                           FolderRow{"dotted", u"TS5.5", "TS5.5"},
                                           FolderRow{"parent", u"..", "_."},
                                           FolderRow{"escape", u"../../etc", "_._.._etc"},
                                           FolderRow{"hidden", u".x", "_x"},
                                           FolderRow{"unicode", u"Orvanä 11", "Orvan__11"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
