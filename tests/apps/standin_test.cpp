// The stand-ins as real processes: this test process plays the launcher ("pxolauncher-11.0"),
// receives their start-up notifications and sends them scripts.

#include "apps/peer/peerlog.h"
#include "crosswire/specifier.h"
#include "tests/crosswire/crosswiretestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::pumpUntil;
using CrosswireTest::RecordingHandler;

namespace {

struct StandIn
{
    const char *name;
    const char *program;
    QByteArray specifier;
    QByteArray prefix;
};

const StandIn kOrganizer{"Organizer", ORGANIZER_PATH, "pxoorganizer-11.0", "organizer"};
const StandIn kEditor{"Editor", EDITOR_PATH, "pxoeditor-11.0", "editor"};

class StandInTest : public ::testing::TestWithParam<StandIn>
{
protected:
    void SetUp() override
    {
        m_logPath = m_environment.root() + QStringLiteral("/peer.log");
        ASSERT_TRUE(m_context.init("pxolauncher-11.0"));
        m_context.addHandler(m_notifications);
        // A received script whose serial number equals that of an exchange still open here is
        // handed to that exchange's handler. The stand-in numbers its notifications from 1 as
        // this process does, so this side's numbers start far from its.
        for (int i = 0; i < 100000; ++i)
            m_context.nextSerialNumber();
    }
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
        m_context.terminate();
    }

    void launch(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TESSALY_PEER_LOG"), m_logPath);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QString::fromUtf8(GetParam().program), arguments);
        ASSERT_TRUE(m_process.waitForStarted(5000));
    }
    QByteArrayList notifications() const
    {
        QByteArrayList bodies;
        for (const auto &entry : m_notifications->entries())
            bodies.append(entry.body);
        return bodies;
    }
    bool waitForNotification(const QByteArray &body, int seconds = 15)
    {
        return pumpUntil(
            m_context, [&] { return notifications().contains(body); }, seconds);
    }
    QByteArray notification(const char *status) const
    {
        return "notification('" + QByteArray(status).replace("%", GetParam().prefix) + "');";
    }
    // Sends `script` asking for its result; the Result or Error response, or nothing.
    std::optional<RecordingHandler::Entry> run(const QByteArray &script)
    {
        Message message;
        message.target = GetParam().specifier;
        message.body = script;
        message.responseRequest = "Result Error";
        message.serialNumber = m_context.nextSerialNumber();
        auto responses = std::make_shared<RecordingHandler>("Scriptara", message.serialNumber);
        m_context.addHandler(responses);
        if (!m_context.send(message))
            return std::nullopt;
        if (!pumpUntil(
                m_context, [&] { return !responses->entries().empty(); }, 15))
            return std::nullopt;
        return responses->entries().front();
    }
    QByteArrayList logLines() const
    {
        QFile file(m_logPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList lines = file.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    TestEnvironment m_environment;
    QString m_logPath;
    CrosswireContext m_context{CrosswireTest::identity()};
    std::shared_ptr<RecordingHandler> m_notifications = std::make_shared<RecordingHandler>();
    QProcess m_process;
};

} // namespace

TEST_P(StandInTest, ReportsEachStartupStepThenConfirmsAndIsIdle)
{
    launch({QStringLiteral("-specifier"), QString::fromUtf8(GetParam().specifier),
            QStringLiteral("-nostartupscreen")});
    ASSERT_TRUE(waitForNotification(notification("launched_%:ok")));
    EXPECT_EQ(notifications(),
              (QByteArrayList{notification("%:messaging"), notification("%:scripts"),
                              notification("%:window"), notification("launched_%:ok")}));
    EXPECT_EQ(m_context.ping(GetParam().specifier, "STATUS"), QByteArray("IDLE"));
}

struct ScriptRow
{
    QByteArray script;
    QByteArray result;
};

// Guards against the stand-in ignoring the instance the connector asked for.
TEST_P(StandInTest, OpensTheInstanceTheConnectorNames)
{
    launch({QStringLiteral("-specifier"), QString::fromUtf8(GetParam().specifier),
            QStringLiteral("-nostartupscreen"), QStringLiteral("-instance"), QStringLiteral("3")});
    ASSERT_TRUE(waitForNotification(notification("launched_%:ok")));
    Crosswire::Specifier instance(GetParam().specifier);
    instance.setInstance("3");
    EXPECT_EQ(m_notifications->entries().back().sender, instance.text());
    EXPECT_EQ(m_context.ping(instance.text(), "STATUS"), QByteArray("IDLE"));
    // The messaging set-up keeps the command line it was launched with.
    EXPECT_EQ(m_context.ping(instance.text(), "LAUNCHPARAMS"),
              "-specifier " + GetParam().specifier + " -nostartupscreen -instance 3");
}

TEST_P(StandInTest, RunsTheLaunchersScriptsAndLogsEachOnOneLine)
{
    launch({QStringLiteral("-noparam")});
    ASSERT_TRUE(waitForNotification(notification("launched_%:ok")));
    const QList<ScriptRow> rows = {
        {"open('organizeTab', 'requestFromWS');", "opened organizeTab"},
        {"var a = new Array ('/photos/a b.jpg','/photos/c.png');\nimport_files(a);", "importing 2"},
        {"var a = new Array ('/photos/a.jpg');new_file('quick',a);", "new file 1"},
        {"new_file('previous');", "new file 0"},
        {"launchSyncIntro('');", "sync intro"},
    };
    QByteArrayList sent;
    for (const ScriptRow &row : rows) {
        const auto response = run(row.script);
        ASSERT_TRUE(response) << row.script.constData();
        EXPECT_EQ(response->type, QByteArray("Result")) << row.script.constData();
        EXPECT_EQ(response->body, row.result) << row.script.constData();
        sent.append(TessalyApps::PeerLog::escape(row.script));
    }
    EXPECT_EQ(logLines(), sent);
}

// Guards against a stopped stand-in leaving its endpoint behind, so it would look running.
TEST_P(StandInTest, StopsCleanlyOnTerminateAndIsNoLongerRunning)
{
    launch({});
    ASSERT_TRUE(waitForNotification(notification("launched_%:ok")));
    ASSERT_TRUE(m_context.isRunning(GetParam().specifier));
    m_process.terminate();
    ASSERT_TRUE(m_process.waitForFinished(5000));
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_FALSE(m_context.isRunning(GetParam().specifier));
}

// Guards against a failing script being reported as success.
TEST_P(StandInTest, AFailingScriptComesBackAsAnError)
{
    launch({});
    ASSERT_TRUE(waitForNotification(notification("launched_%:ok")));
    const auto response = run("no_such_function();");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->type, QByteArray("Error"));
    EXPECT_NE(response->errorCode, QByteArray("0"));
    EXPECT_TRUE(response->body.contains("no_such_function")) << response->body.constData();
}

// Guards against a script that arrives during a slow start being lost or run before the
// stand-in is ready.
TEST_P(StandInTest, SlowStartIsBusyAndRunsEarlyScriptsOnceReady)
{
    launch({QStringLiteral("--startup-delay-ms"), QStringLiteral("1500")});
    ASSERT_TRUE(waitForNotification(notification("%:messaging")));
    EXPECT_EQ(m_context.ping(GetParam().specifier, "STATUS"), QByteArray("BUSY"));
    const auto response = run("open('organizeTab', 'early');");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, QByteArray("opened organizeTab"));
    EXPECT_TRUE(notifications().contains(notification("launched_%:ok")));
}

TEST_P(StandInTest, NeverConfirmGetsIdleWithoutTheLaunchedMessage)
{
    launch({QStringLiteral("--never-confirm")});
    ASSERT_TRUE(waitForNotification(notification("%:window")));
    ASSERT_TRUE(pumpUntil(
        m_context, [&] { return m_context.ping(GetParam().specifier, "STATUS", 500) == "IDLE"; }));
    // It answers scripts, so it is past its start-up, and still has not confirmed.
    ASSERT_TRUE(run("launchSyncIntro('');"));
    EXPECT_FALSE(notifications().contains(notification("launched_%:ok")));
}

INSTANTIATE_TEST_SUITE_P(Apps, StandInTest, ::testing::Values(kOrganizer, kEditor),
                         [](const auto &info) { return std::string(info.param.name); });
