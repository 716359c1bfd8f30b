#include "components/pip/crashmarker.h"

#include "tests/support/testenvironment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process id that no longer runs: a child that has exited and been reaped.
qint64 deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

void writeMarker(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

struct ParseRow
{
    const char *name;
    const char *text;
    qint64 pid; // 0: not a marker
    const char *started;
};

class CrashMarkerParseTest : public ::testing::TestWithParam<ParseRow>
{
};

TEST_P(CrashMarkerParseTest, ReadsThePidAndStartTime)
{
    const auto owner = CrashMarker::parse(QByteArray(GetParam().text));
    if (GetParam().pid == 0) {
        EXPECT_FALSE(owner.has_value());
        return;
    }
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(owner->pid, GetParam().pid);
    EXPECT_EQ(owner->started, QString::fromLatin1(GetParam().started));
}

INSTANTIATE_TEST_SUITE_P(Rows, CrashMarkerParseTest,
                         ::testing::Values(ParseRow{"written",
                                                    "pid=42\nstarted=2026-01-02T03:04:05.000Z\n",
                                                    42, "2026-01-02T03:04:05.000Z"},
                                           ParseRow{"spaces", " pid = 7 \r\n", 7, ""},
                                           ParseRow{"noPid", "started=x\n", 0, ""},
                                           ParseRow{"negative", "pid=-5\n", 0, ""},
                                           ParseRow{"tooLarge", "pid=99999999999\n", 0, ""},
                                           ParseRow{"text", "pid=abc\n", 0, ""},
                                           ParseRow{"empty", "", 0, ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CrashMarker, MarkerOfAProcessThatIsGoneIsAbandoned)
{
    TestEnvironment env;
    CrashMarker marker(env.root());
    EXPECT_FALSE(marker.abandoned().has_value()); // no marker at all
    const qint64 pid = deadPid();
    writeMarker(marker.path(), "pid=" + QByteArray::number(pid) + "\nstarted=then\n");
    const auto owner = marker.abandoned();
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(owner->pid, pid);
    EXPECT_EQ(owner->started, u"then");
}

TEST(CrashMarker, MarkerOfARunningProcessIsNotAbandoned)
{
    TestEnvironment env;
    CrashMarker marker(env.root());
    writeMarker(marker.path(), "pid=" + QByteArray::number(qint64(::getppid())) + "\n");
    EXPECT_FALSE(marker.abandoned().has_value());
}

TEST(CrashMarker, UnreadableMarkerCountsAsAbandoned)
{
    TestEnvironment env;
    CrashMarker marker(env.root());
    writeMarker(marker.path(), "garbage");
    const auto owner = marker.abandoned();
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(owner->pid, 0);
}

TEST(CrashMarker, PlaceAndRemove)
{
    TestEnvironment env;
    CrashMarker marker(env.root() + QStringLiteral("/new/folder"));
    ASSERT_TRUE(marker.place());
    QFile file(marker.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto owner = CrashMarker::parse(file.readAll());
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(owner->pid, qint64(::getpid()));
    EXPECT_FALSE(owner->started.isEmpty());
    marker.remove();
    EXPECT_FALSE(QFileInfo::exists(marker.path()));
}

} // namespace
