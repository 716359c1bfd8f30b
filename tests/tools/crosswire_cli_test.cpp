// crosswire-cli run as a real process against other real processes: a listening crosswire-cli,
// and the crosswire_peer helper of the messaging tests.

#include "tests/crosswire/crosswirepeerprocess.h"
#include "tests/support/testenvironment.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using CrosswireTest::Peer;

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(CROSSWIRE_CLI_PROGRAM), arguments);
    if (!process.waitForStarted(10000))
        return {};
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    CliRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Bounded: the endpoint answers its status within a few seconds or the test fails.
bool waitUntilAnswering(const QString &specifier)
{
    for (int i = 0; i < 50; ++i) {
        if (runCli({QStringLiteral("status"), specifier, QStringLiteral("--timeout"),
                    QStringLiteral("200")})
                .exitCode == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

QStringList listenArguments(const QString &specifier, const QString &answer)
{
    return {QStringLiteral("listen"), QStringLiteral("--specifier"), specifier,
            QStringLiteral("--answer"), answer};
}

class CrosswireCliTest : public ::testing::Test
{
protected:
    TestEnvironment env;
};

struct UsageCase
{
    const char *name;
    QStringList arguments;
};

class CrosswireCliUsageTest : public ::testing::TestWithParam<UsageCase>
{
protected:
    TestEnvironment env;
};

} // namespace

TEST_P(CrosswireCliUsageTest, IsRefusedWithTheUsageExitCodeAndAMessage)
{
    const CliRun run = runCli(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_TRUE(run.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CrosswireCliUsageTest,
    ::testing::Values(
        UsageCase{"NoCommand", {}},
        UsageCase{"UnknownCommand", {QStringLiteral("shout"), QStringLiteral("x")}},
        UsageCase{"SendWithoutTarget", {QStringLiteral("send"), QStringLiteral("x()")}},
        UsageCase{"SendWithoutBody",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0")}},
        UsageCase{"SendWithTwoBodies",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0"),
                   QStringLiteral("x()"), QStringLiteral("y()")}},
        UsageCase{"HeaderWithoutValue",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0"),
                   QStringLiteral("--header"), QStringLiteral("Name"), QStringLiteral("x()")}},
        UsageCase{"HeaderThatForgesALine",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0"),
                   QStringLiteral("--header"), QStringLiteral("A:B=1"), QStringLiteral("x()")}},
        UsageCase{"ReservedHeader",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0"),
                   QStringLiteral("--header"), QStringLiteral("Target=b-1.0"),
                   QStringLiteral("x()")}},
        UsageCase{"BadTimeout",
                  {QStringLiteral("send"), QStringLiteral("--target"), QStringLiteral("a-1.0"),
                   QStringLiteral("--timeout"), QStringLiteral("soon"), QStringLiteral("x()")}},
        UsageCase{"OptionMissingItsValue", {QStringLiteral("send"), QStringLiteral("--target")}},
        UsageCase{"UnknownOption",
                  {QStringLiteral("send"), QStringLiteral("--loud"), QStringLiteral("x()")}},
        UsageCase{"ListenWithoutSpecifier", {QStringLiteral("listen")}},
        UsageCase{"PingWithoutKey", {QStringLiteral("ping"), QStringLiteral("a-1.0")}},
        UsageCase{"StatusWithoutTarget", {QStringLiteral("status")}}),
    [](const ::testing::TestParamInfo<UsageCase> &info) { return info.param.name; });

TEST_F(CrosswireCliTest, HelpNamesEveryCommand)
{
    const CliRun run = runCli({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char *command :
         {"send --target", "listen --specifier", "ping T KEY", "status T", "diagnostics T"})
        EXPECT_TRUE(run.out.contains(command)) << command;
}

TEST_F(CrosswireCliTest, SendWaitsForTheResultOfAListeningCli)
{
    Peer listener(listenArguments(QStringLiteral("pxoorganizer-11.0"), QStringLiteral("42")),
                  QStringLiteral(CROSSWIRE_CLI_PROGRAM));
    ASSERT_TRUE(waitUntilAnswering(QStringLiteral("pxoorganizer-11.0")));

    const CliRun run = runCli({QStringLiteral("send"), QStringLiteral("--target"),
                               QStringLiteral("pxoorganizer-11.0"), QStringLiteral("--header"),
                               QStringLiteral("X-Origin=test"), QStringLiteral("--wait"),
                               QStringLiteral("open('organizeTab');")});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray("Result: 42\n"));

    // The listener printed the message's text form, header and body included.
    const QByteArray printed = listener.waitForLine("open('organizeTab');");
    EXPECT_EQ(printed, QByteArray("open('organizeTab');"));
    const QByteArrayList lines = listener.lines();
    EXPECT_TRUE(lines.contains("X-Origin:test")) << lines.join('|').constData();
    EXPECT_TRUE(lines.contains("Target:pxoorganizer-11.0")) << lines.join('|').constData();
}

TEST_F(CrosswireCliTest, SendReadsTheBodyFromStandardInput)
{
    Peer listener(listenArguments(QStringLiteral("pxoeditor-11.0"), QStringLiteral("ok")),
                  QStringLiteral(CROSSWIRE_CLI_PROGRAM));
    ASSERT_TRUE(waitUntilAnswering(QStringLiteral("pxoeditor-11.0")));
    const CliRun run = runCli({QStringLiteral("send"), QStringLiteral("--target"),
                               QStringLiteral("pxoeditor-11.0"), QStringLiteral("-")},
                              "first();\nsecond();");
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(listener.waitForLine("second"), QByteArray("second();"));
    EXPECT_TRUE(listener.lines().contains("first();"));
}

TEST_F(CrosswireCliTest, ListenPrintsWhatAnotherProgramSends)
{
    Peer listener(listenArguments(QStringLiteral("pxoorganizer-11.0"), QStringLiteral("done")),
                  QStringLiteral(CROSSWIRE_CLI_PROGRAM));
    ASSERT_TRUE(waitUntilAnswering(QStringLiteral("pxoorganizer-11.0")));
    Peer sender({QStringLiteral("send"), QStringLiteral("--target"),
                 QStringLiteral("pxoorganizer-11.0"), QStringLiteral("--request"),
                 QStringLiteral("Result"), QStringLiteral("--wait"), QStringLiteral("3000"),
                 QStringLiteral("notification('hello')")});
    EXPECT_EQ(listener.waitForLine("notification"), QByteArray("notification('hello')"));
    // The peer prints each response as "<event> <type> <code> <body>".
    EXPECT_EQ(sender.waitForLine("3 Result"), QByteArray("3 Result  done"));
}

TEST_F(CrosswireCliTest, AnErrorResponseIsPrintedAndEndsWithFailure)
{
    // Nobody reads the target's mailslot and launching was not asked for.
    for (const bool wait : {false, true}) {
        QStringList arguments{QStringLiteral("send"), QStringLiteral("--target"),
                              QStringLiteral("pxonobody-11.0"), QStringLiteral("x()")};
        if (wait)
            arguments.insert(3, QStringLiteral("--wait"));
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << "wait " << wait;
        EXPECT_EQ(run.out, QByteArray("Error 59: ERROR: LAUNCHING IS SUPPRESSED\n"))
            << "wait " << wait;
    }
}

TEST_F(CrosswireCliTest, ATargetThatNeverAnswersEndsWithTheTimeOutCode)
{
    Peer holder({QStringLiteral("hold"), QStringLiteral("--specifier"),
                 QStringLiteral("pxoorganizer-11.0")});
    ASSERT_EQ(holder.waitForLine("READY"), QByteArray("READY pxoorganizer-11.0"));
    const CliRun run =
        runCli({QStringLiteral("send"), QStringLiteral("--target"),
                QStringLiteral("pxoorganizer-11.0"), QStringLiteral("--wait"),
                QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("open()")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.isEmpty());
}

TEST_F(CrosswireCliTest, PingStatusAndDiagnosticsOfAnotherProcess)
{
    Peer peer({QStringLiteral("listen"), QStringLiteral("--specifier"),
               QStringLiteral("pxoorganizer-11.0")});
    ASSERT_EQ(peer.waitForLine("READY"), QByteArray("READY pxoorganizer-11.0"));

    const CliRun status = runCli({QStringLiteral("status"), QStringLiteral("pxoorganizer-11.0")});
    EXPECT_EQ(status.exitCode, 0) << status.err.constData();
    EXPECT_TRUE(status.out == "IDLE\n" || status.out == "PUMPING\n") << status.out.constData();

    const CliRun set = runCli({QStringLiteral("ping"), QStringLiteral("pxoorganizer-11.0"),
                               QStringLiteral("COLOR=blue")});
    EXPECT_EQ(set.exitCode, 0);
    EXPECT_EQ(set.out, QByteArray("blue\n"));
    const CliRun get = runCli(
        {QStringLiteral("ping"), QStringLiteral("pxoorganizer-11.0"), QStringLiteral("COLOR")});
    EXPECT_EQ(get.out, QByteArray("blue\n"));
    const CliRun unset = runCli(
        {QStringLiteral("ping"), QStringLiteral("pxoorganizer-11.0"), QStringLiteral("SHAPE")});
    EXPECT_EQ(unset.out, QByteArray("UNDEFINED\n"));

    const CliRun diagnostics =
        runCli({QStringLiteral("diagnostics"), QStringLiteral("pxoorganizer-11.0")});
    EXPECT_EQ(diagnostics.exitCode, 0);
    EXPECT_TRUE(diagnostics.out.startsWith("Crosswire Diagnostics\n"));
    EXPECT_TRUE(diagnostics.out.contains("/context/name;0;Name;pxoorganizer-11.0;"));
    EXPECT_TRUE(diagnostics.out.contains("/thread/ping/COLOR;1;COLOR;blue;"));
}

TEST_F(CrosswireCliTest, AnEndpointThatDoesNotRunGivesNoAnswer)
{
    const CliRun run = runCli({QStringLiteral("status"), QStringLiteral("pxonobody-11.0"),
                               QStringLiteral("--timeout"), QStringLiteral("300")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
}
