// The connector starting the real stand-ins: registered with caps-tool in the test's own
// configuration database, launched by a message that finds them not running, brought to the
// front by their window class. This test process plays the launcher ("pxolauncher-11.0").

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirethread.h"
#include "platform/desktop/desktopconnection.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::pumpUntil;
using CrosswireTest::RecordingHandler;

namespace {

class StandInLaunchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_logPath = m_environment.root() + QStringLiteral("/peer.log");
        // The launched stand-in inherits this process's environment.
        qputenv("TESSALY_PEER_LOG", m_logPath.toUtf8());
        ASSERT_EQ(
            QProcess::execute(QStringLiteral(CAPS_TOOL_PATH),
                              {QStringLiteral("register"), QStringLiteral("pxoorganizer-11.0"),
                               QStringLiteral("--path"), QStringLiteral(ORGANIZER_PATH)}),
            0);
        auto connector =
            std::make_unique<CrosswireConnector>(QStringLiteral(TESSALY_CAPS_LIBRARY_PATH));
        m_connector = connector.get();
        m_context =
            std::make_unique<CrosswireContext>(CrosswireTest::identity(), std::move(connector));
        ASSERT_TRUE(m_context->init("pxolauncher-11.0"));
        m_context->addHandler(m_notifications);
        // The stand-in numbers its notifications from 1 as this process does; a received
        // script with the serial of an exchange still open here would go to that exchange.
        for (int i = 0; i < 100000; ++i)
            m_context->nextSerialNumber();
    }
    void TearDown() override
    {
        if (m_context) {
            for (const CWConnectorAppInfo &record : m_connector->running().records())
                stop(record.processId());
        }
        m_context.reset();
        qunsetenv("TESSALY_PEER_LOG");
    }
    static void stop(qint64 pid)
    {
        if (pid <= 0)
            return;
        ::kill(pid_t(pid), SIGTERM);
        for (int i = 0; i < 100 && ::kill(pid_t(pid), 0) == 0; ++i)
            QThread::msleep(50);
        ::kill(pid_t(pid), SIGKILL);
    }
    bool notified(const QByteArray &body) const
    {
        for (const auto &entry : m_notifications->entries()) {
            if (entry.body == body)
                return true;
        }
        return false;
    }
    QByteArray peerLog() const
    {
        QFile file(m_logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestEnvironment m_environment;
    QString m_logPath;
    CrosswireConnector *m_connector = nullptr;
    std::unique_ptr<CrosswireContext> m_context;
    std::shared_ptr<RecordingHandler> m_notifications = std::make_shared<RecordingHandler>();
};

} // namespace

TEST_F(StandInLaunchTest, AScriptForTheOrganizerLaunchesItAndIsEvaluatedOnceItRuns)
{
    ASSERT_TRUE(m_connector->isInstalled("pxoorganizer-11.0"));
    ASSERT_FALSE(m_context->isRunning("pxoorganizer-11.0"));

    Message message;
    message.target = "pxoorganizer-11.0";
    message.body = "open('organizeTab', 'requestFromWS');";
    message.responseRequest = "Result Error";
    message.serialNumber = m_context->nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", message.serialNumber);
    m_context->addHandler(responses);
    ASSERT_TRUE(m_context->send(message, true, false, "-noparams"));
    ASSERT_EQ(m_connector->running().size(), 1);

    ASSERT_TRUE(pumpUntil(
        *m_context, [&] { return !responses->entries().empty(); }, 30));
    EXPECT_EQ(responses->entries().front().type, QByteArray("Result"));
    EXPECT_EQ(responses->entries().front().body, QByteArray("opened organizeTab"));
    EXPECT_EQ(peerLog(), message.body + '\n');
    EXPECT_TRUE(pumpUntil(
        *m_context, [&] { return notified("notification('launched_organizer:ok');"); }, 15));

    // Launching it again reports success without a second process.
    const qint64 pid = m_connector->running().records().front().processId();
    EXPECT_TRUE(m_connector->launch("pxoorganizer-11.0", {}, false));
    EXPECT_TRUE(m_connector->launch("pxoorganizer-11", {}, false));
    ASSERT_EQ(m_connector->running().size(), 1);
    EXPECT_EQ(m_connector->running().records().front().processId(), pid);
    // Past its start-up ("BUSY"); its pump may be running at the moment it answers.
    const QByteArray status = m_connector->getStatus("pxoorganizer-11.0");
    EXPECT_TRUE(status == "IDLE" || status == "PUMPING") << status.constData();
    // A target of 257 characters is never launched.
    EXPECT_FALSE(m_connector->launch("pxoorganizer-11.0" + QByteArray(240, 'x'), {}, false));
    EXPECT_EQ(m_connector->running().size(), 1);
}

TEST_F(StandInLaunchTest, AMessageToAnUninstalledTargetThatDoesNotRunIsAnswered59)
{
    Message message;
    message.target = "pxoeditor-11.0"; // only the Organizer is registered
    message.body = "open('editTab', 'requestFromWS');";
    message.responseRequest = "Error";
    message.serialNumber = m_context->nextSerialNumber();
    auto responses = std::make_shared<RecordingHandler>("Scriptara", message.serialNumber);
    m_context->addHandler(responses);
    EXPECT_FALSE(m_context->send(message, true));
    ASSERT_TRUE(pumpUntil(
        *m_context, [&] { return !responses->entries().empty(); }, 10));
    EXPECT_EQ(responses->entries().front().type, QByteArray("Error"));
    EXPECT_EQ(responses->entries().front().errorCode, QByteArray("59"));
    EXPECT_EQ(responses->entries().front().body, QByteArray("ERROR: TARGET COULD NOT BE LAUNCHED"));
    EXPECT_TRUE(m_connector->running().isEmpty());
}

TEST_F(StandInLaunchTest, BringToFrontFindsTheStandInByItsWindowClass)
{
    DesktopConnection desktop;
    if (!desktop.isValid())
        GTEST_SKIP() << "no X server";
    ASSERT_TRUE(m_connector->launch("pxoorganizer-11.0", "-noparam", false));
    ASSERT_TRUE(pumpUntil(
        *m_context, [&] { return notified("notification('launched_organizer:ok');"); }, 30));
    quint32 window = 0;
    ASSERT_TRUE(pumpUntil(
        *m_context,
        [&] {
            for (const DesktopWindow &candidate : desktop.topLevelWindows()) {
                if (candidate.className == QLatin1String("PixtrelOrvanaOrganizer"))
                    window = candidate.id;
            }
            return window != 0;
        },
        10));
    EXPECT_TRUE(m_connector->bringToFront("pxoorganizer-11.0"));
    desktop.sync();
    EXPECT_TRUE(pumpUntil(
        *m_context, [&] { return desktop.activeWindow() == window; }, 5));
    // Without a window of its class nothing is activated.
    EXPECT_FALSE(m_connector->bringToFront("pxoeditor-11.0"));
}
