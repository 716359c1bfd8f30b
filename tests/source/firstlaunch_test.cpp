#include "platform/registry/ptsettings.h"
#include "source/firstlaunch.h"
#include "tests/support/testenvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// A service-control stand-in that appends its arguments to a log, one call a line.
QString installRecorder(TestEnvironment &env, const QString &log)
{
    const QString script = env.root() + QStringLiteral("/service-control");
    QFile file(script);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(log) + "'\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.set("TESSALY_SERVICE_CONTROL", script);
    return script;
}

QStringList waitForLines(const QString &log, int count)
{
    QDeadlineTimer deadline(10000);
    QStringList lines;
    while (!deadline.hasExpired()) {
        QFile file(log);
        if (file.open(QIODevice::ReadOnly)) {
            lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            if (lines.size() >= count)
                break;
        }
        QThread::msleep(20);
    }
    return lines;
}

} // namespace

TEST(FirstLaunch, RunsTheServiceCommandsOnceAndMarksTheMachine)
{
    TestEnvironment env;
    const QString log = env.root() + QStringLiteral("/calls.log");
    installRecorder(env, log);

    EXPECT_TRUE(FirstLaunch::runIfNeeded());
    QStringList lines = waitForLines(log, 2);
    lines.sort(); // the two commands are fire-and-forget, so they may finish in either order
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("--user enable tessaly-active-file-monitor-11.0.service"),
                         QStringLiteral("--user start tessaly-active-file-monitor-11.0.service")}));
    PtSettingsLM settings(QStringLiteral("SOFTWARE\\Tessaly\\Orvana Organizer\\11.0\\FirstLaunch"));
    EXPECT_TRUE(settings.contains(QStringLiteral("FirstLaunch")));
    EXPECT_EQ(settings.value(QStringLiteral("FirstLaunch")).toString(), QString());

    EXPECT_FALSE(FirstLaunch::runIfNeeded());
}

// A machine without the service program still starts and is still marked.
TEST(FirstLaunch, MissingServiceProgramStillMarksTheMachine)
{
    TestEnvironment env;
    env.set("TESSALY_SERVICE_CONTROL", env.root() + QStringLiteral("/does-not-exist"));
    EXPECT_TRUE(FirstLaunch::runIfNeeded());
    PtSettingsLM settings(QStringLiteral("software\\tessaly\\orvana organizer\\11.0\\firstlaunch"));
    EXPECT_TRUE(settings.contains(QStringLiteral("firstlaunch")));
}
