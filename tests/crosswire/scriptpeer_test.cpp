// A script in this process talks to another process that answers through
// Crosswire.onReceive, as the launcher and its sub-applications do.

#include "crosswire/clock.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/genericmsghandler.h"
#include "tests/crosswire/scriptsupport.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

using CrosswireTest::ScriptApplication;

namespace {

constexpr const char *kPeerSpecifier = "scriptpeer-1.0";

class ScriptPeerProcess
{
public:
    explicit ScriptPeerProcess(const QStringList &arguments,
                               const QString &program = QStringLiteral(CROSSWIRE_SCRIPTPEER_PATH))
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_process.waitForStarted(5000);
    }
    ~ScriptPeerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    ScriptPeerProcess(const ScriptPeerProcess &) = delete;
    ScriptPeerProcess &operator=(const ScriptPeerProcess &) = delete;

    // The first line starting with `prefix`; empty when none came in time.
    QByteArray waitForLine(const QByteArray &prefix, int milliseconds = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                m_lines.append(line);
                if (line.startsWith(prefix))
                    return line;
            }
            if (m_process.state() == QProcess::NotRunning && !m_process.canReadLine())
                return {};
            m_process.waitForReadyRead(50);
        }
        return {};
    }

private:
    QProcess m_process;
    QByteArrayList m_lines;
};

class ScriptPeer : public ScriptApplication
{
protected:
    void SetUp() override
    {
        ScriptApplication::SetUp();
        m_peer = std::make_unique<ScriptPeerProcess>(
            QStringList{QStringLiteral("--specifier"), QLatin1String(kPeerSpecifier),
                        QStringLiteral("--script"),
                        QStringLiteral("function answer(x) { return 'answer ' + x; }")});
        ASSERT_EQ(m_peer->waitForLine("READY"), QByteArray("READY ") + kPeerSpecifier);
    }
    void TearDown() override
    {
        m_peer.reset();
        ScriptApplication::TearDown();
    }
    QString send(const QString &body)
    {
        QString escaped = body;
        escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
        return value(QStringLiteral(R"JS(
            var answers = [];
            var cw = new Crosswire();
            cw.target = '%1';
            cw.body = "%2";
            cw.onResult = function (m) { answers.push('result:' + m.body + ':' + m.sender); };
            cw.onError = function (m) {
                answers.push('error:' + m.headers['Error-Code'] + ':' + m.body);
            };
            String(cw.send());
        )JS")
                         .arg(QLatin1String(kPeerSpecifier), escaped));
    }

    std::unique_ptr<ScriptPeerProcess> m_peer;
};

TEST_F(ScriptPeer, OnResultGetsTheValueThePeersOnReceiveReturned)
{
    ASSERT_EQ(send(QStringLiteral("answer(6 * 7)")), QLatin1String("true"));
    EXPECT_EQ(m_peer->waitForLine("SCRIPT"), QByteArray("SCRIPT answer(6 * 7)"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("answers.length > 0")));
    EXPECT_EQ(value(QStringLiteral("answers.join('|')")),
              QStringLiteral("result:answer 42:") + QLatin1String(kPeerSpecifier));
}

TEST_F(ScriptPeer, InvalidBodyAtThePeerComesBackThroughOnErrorWithTheScriptsCode)
{
    const QString body = QStringLiteral("answer(6 *");
    // The code the same script engine gives this error here.
    ASSERT_FALSE(run(QStringLiteral("eval('answer(6 *')")));
    const int expected = engine->getLastError().code;
    ASSERT_NE(expected, 0);
    ASSERT_EQ(send(body), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("answers.length > 0")));
    const QString answer = value(QStringLiteral("answers[0]"));
    EXPECT_TRUE(answer.startsWith(QStringLiteral("error:%1:SyntaxError").arg(expected)))
        << answer.toStdString();
    // Nothing else came for it.
    EXPECT_EQ(value(QStringLiteral("answers.length")), QLatin1String("1"));
}

TEST_F(ScriptPeer, ExchangesWithThePeerEndWithoutHandlersLeft)
{
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(send(QStringLiteral("answer(%1)").arg(i)), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("Crosswire.pendingResponses == 0")));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isRunning('%1')").arg(QLatin1String(kPeerSpecifier))),
              QLatin1String("true"));
    // The peer sends its last answer from inside its pump, so it may still be pumping when that
    // answer is here; it must come back to rest.
    EXPECT_TRUE(pumpUntilScript(
        QStringLiteral("Crosswire.getStatus('%1') == 'IDLE'").arg(QLatin1String(kPeerSpecifier))))
        << value(QStringLiteral("Crosswire.getStatus('%1')").arg(QLatin1String(kPeerSpecifier)))
               .toStdString();
}

class ScriptSilentPeer : public ScriptApplication
{
};

TEST_F(ScriptSilentPeer, OnTimeoutIsCalledWhenTheTargetRunsButNeverAnswers)
{
    // A peer that holds its endpoint and handles nothing.
    ScriptPeerProcess silent(QStringList{QStringLiteral("hold"), QStringLiteral("--specifier"),
                                         QStringLiteral("silentpeer-1.0")},
                             QStringLiteral(CROSSWIRE_PEER_PATH));
    ASSERT_EQ(silent.waitForLine("READY"), QByteArray("READY silentpeer-1.0"));
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var events = [];
        var t = new Crosswire();
        t.target = 'silentpeer-1.0';
        t.body = 'never handled';
        t.onResult = function (m) { events.push('result'); };
        t.onTimeout = function (m) { events.push('timeout:' + m.type); };
        String(t.send(1));
    )JS")),
              QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("events.length > 0"), 15));
    EXPECT_EQ(value(QStringLiteral("events.join('|')")), QLatin1String("timeout:Timeout"));
    // The Timeout ends the exchange.
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("Crosswire.pendingResponses == 0")));
}

// Guards against response handlers piling up for messages that are never answered: the
// endpoint's room for handlers is limited, and once full no script would get responses.
TEST_F(ScriptSilentPeer, HandlersOfMessagesNeverAnsweredAreDroppedAfterTheirWaitingTime)
{
    ScriptPeerProcess silent(QStringList{QStringLiteral("hold"), QStringLiteral("--specifier"),
                                         QStringLiteral("silentpeer-1.0")},
                             QStringLiteral(CROSSWIRE_PEER_PATH));
    ASSERT_EQ(silent.waitForLine("READY"), QByteArray("READY silentpeer-1.0"));
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var u = new Crosswire();
        u.target = 'silentpeer-1.0';
        u.body = 'never handled';
        u.onResult = function (m) {};
        String(u.send(30));
    )JS")),
              QLatin1String("true"));
    KnObjects::CrosswireEndpoint *main = context->mainEndpoint();
    EXPECT_EQ(main->pendingResponses(), size_t(1));
    struct RestoreClock
    {
        ~RestoreClock() { KnObjects::Clock::setSourceForTesting({}); }
    } restore;
    const double start = KnObjects::Clock::nowMilliseconds();
    auto at = [start](int64_t seconds) {
        KnObjects::Clock::setSourceForTesting([=] { return start + double(seconds) * 1000.0; });
    };
    // Still within the message's own 30 seconds and the grace after them.
    at(30 + KnObjects::GenericMsgHandler::kGraceSeconds - 2);
    EXPECT_EQ(KnObjects::GenericMsgHandler::dropExpired(*context), 0);
    EXPECT_EQ(main->pendingResponses(), size_t(1));
    at(31 + KnObjects::GenericMsgHandler::kGraceSeconds + 1);
    EXPECT_EQ(value(QStringLiteral("Crosswire.updateConnectorCache(false)")),
              QLatin1String("true"));
    EXPECT_EQ(main->pendingResponses(), size_t(0));
}

} // namespace
