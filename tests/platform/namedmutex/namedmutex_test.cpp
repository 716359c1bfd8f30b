#include "platform/namedmutex/namedmutex.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <thread>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using WaitResult = NamedMutex::WaitResult;

namespace {

NamedMutex make(const QString &name)
{
    auto created = NamedMutex::create(name);
    EXPECT_TRUE(created.ok()) << created.message.toStdString();
    return std::move(*created.mutex);
}

// The result another thread gets from one wait, releasing at once when it obtained the mutex.
WaitResult waitFromOtherThread(const QString &name, std::chrono::milliseconds timeout)
{
    return std::async(std::launch::async,
                      [&] {
                          NamedMutex other = make(name);
                          const WaitResult result = other.wait(timeout);
                          if (result == WaitResult::Acquired || result == WaitResult::Abandoned)
                              other.release();
                          return result;
                      })
        .get();
}

// A forked process that takes a mutex and then does what the parent tells it through a pipe:
// 'r' releases and exits, 'x' exits still owning it. It reports the result of its wait as
// one byte.
class MutexChild
{
public:
    MutexChild(const QString &name, std::chrono::milliseconds timeout)
    {
        int toChild[2];
        int toParent[2];
        if (::pipe(toChild) != 0 || ::pipe(toParent) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(toChild[1]);
            ::close(toParent[0]);
            auto created = NamedMutex::create(name);
            const char result = created.ok() ? char('0' + int(created.mutex->wait(timeout))) : 'f';
            (void)!::write(toParent[1], &result, 1);
            char command = 0;
            (void)!::read(toChild[0], &command, 1);
            if (command == 'r' && created.ok())
                created.mutex->release();
            ::_exit(0);
        }
        ::close(toChild[0]);
        ::close(toParent[1]);
        m_command = toChild[1];
        m_report = toParent[0];
    }

    ~MutexChild()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_command >= 0)
            ::close(m_command);
        if (m_report >= 0)
            ::close(m_report);
    }

    // The child's wait result, or nothing when it did not report within 10 s.
    std::optional<WaitResult> result()
    {
        pollfd pfd{m_report, POLLIN, 0};
        char byte = 0;
        if (::poll(&pfd, 1, 10000) != 1 || ::read(m_report, &byte, 1) != 1 || byte == 'f')
            return std::nullopt;
        return WaitResult(byte - '0');
    }

    // Sends the command and waits for the child to end.
    void finish(char command)
    {
        (void)!::write(m_command, &command, 1);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    void killHard()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_command = -1;
    int m_report = -1;
};

} // namespace

TEST(NamedMutex, OwnerMayWaitAgainAndMustReleaseAsOften)
{
    TestEnvironment env;
    const QString name = QStringLiteral("recursive");
    NamedMutex mutex = make(name);
    EXPECT_EQ(mutex.wait(0ms), WaitResult::Acquired);
    EXPECT_EQ(mutex.wait(0ms), WaitResult::Acquired);
    EXPECT_EQ(mutex.wait(), WaitResult::Acquired);
    EXPECT_TRUE(mutex.isOwnedByCurrentThread());

    EXPECT_TRUE(mutex.release());
    EXPECT_TRUE(mutex.release());
    EXPECT_EQ(waitFromOtherThread(name, 0ms), WaitResult::TimedOut) << "one level still owned";
    EXPECT_TRUE(mutex.release());
    EXPECT_FALSE(mutex.isOwnedByCurrentThread());
    EXPECT_FALSE(mutex.release()) << "a mutex nobody owns cannot be released";
    EXPECT_EQ(waitFromOtherThread(name, 0ms), WaitResult::Acquired);
}

TEST(NamedMutex, OnlyTheOwningThreadCanRelease)
{
    TestEnvironment env;
    const QString name = QStringLiteral("owner-only");
    NamedMutex mutex = make(name);
    ASSERT_EQ(mutex.wait(0ms), WaitResult::Acquired);
    const bool releasedByOther = std::async(std::launch::async, [&] {
                                     NamedMutex other = make(name);
                                     return other.release();
                                 }).get();
    EXPECT_FALSE(releasedByOther);
    EXPECT_TRUE(mutex.isOwnedByCurrentThread());
    EXPECT_TRUE(mutex.release());
}

TEST(NamedMutex, RepeatedCreateGivesAHandleToTheSameMutex)
{
    TestEnvironment env;
    const QString name = QStringLiteral("same");
    NamedMutex first = make(name);
    NamedMutex second = make(name);
    ASSERT_EQ(first.wait(0ms), WaitResult::Acquired);
    EXPECT_TRUE(second.isOwnedByCurrentThread());
    EXPECT_EQ(second.wait(0ms), WaitResult::Acquired) << "recursion through the other handle";
    EXPECT_TRUE(second.release());
    EXPECT_TRUE(first.release());
    EXPECT_FALSE(second.isOwnedByCurrentThread());
}

TEST(NamedMutex, NamesDifferingInCaseAreDifferentMutexes)
{
    TestEnvironment env;
    NamedMutex lower = make(QStringLiteral("closing"));
    ASSERT_EQ(lower.wait(0ms), WaitResult::Acquired);
    EXPECT_EQ(waitFromOtherThread(QStringLiteral("Closing"), 0ms), WaitResult::Acquired);
    EXPECT_EQ(waitFromOtherThread(QStringLiteral("closing"), 0ms), WaitResult::TimedOut);
    lower.release();
}

TEST(NamedMutex, UnnamedMutexesAreNotShared)
{
    TestEnvironment env;
    NamedMutex first = make(QString());
    ASSERT_EQ(first.wait(0ms), WaitResult::Acquired);
    EXPECT_EQ(waitFromOtherThread(QString(), 0ms), WaitResult::Acquired);
    const WaitResult sameHandle =
        std::async(std::launch::async, [&] { return first.wait(0ms); }).get();
    EXPECT_EQ(sameHandle, WaitResult::TimedOut);
    first.release();
}

TEST(NamedMutex, InitialOwnership)
{
    TestEnvironment env;
    auto created = NamedMutex::create(QStringLiteral("initial"), true);
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(created.owned());
    EXPECT_EQ(created.initialWait, WaitResult::Acquired);
    const auto other = std::async(std::launch::async, [] {
                           return NamedMutex::create(QStringLiteral("initial"), true).initialWait;
                       }).get();
    EXPECT_EQ(other, WaitResult::TimedOut) << "already owned by another thread";
    created.mutex->release();
}

TEST(NamedMutex, TimedWaitFromAnotherThread)
{
    TestEnvironment env;
    const QString name = QStringLiteral("timed");
    NamedMutex mutex = make(name);
    ASSERT_EQ(mutex.wait(0ms), WaitResult::Acquired);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(waitFromOtherThread(name, 150ms), WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 150ms) << "gave up before its timeout";

    // A release during the wait hands the mutex over.
    std::promise<void> waiting;
    auto waiter = std::async(std::launch::async, [&] {
        NamedMutex other = make(name);
        waiting.set_value();
        const WaitResult result = other.wait(10s);
        other.release();
        return result;
    });
    waiting.get_future().wait();
    std::this_thread::sleep_for(50ms);
    mutex.release();
    EXPECT_EQ(waiter.get(), WaitResult::Acquired);
}

TEST(NamedMutex, ThreadEndingWhileOwningAbandonsIt)
{
    TestEnvironment env;
    const QString name = QStringLiteral("abandoned-thread");
    std::thread([&] {
        NamedMutex owner = make(name);
        ASSERT_EQ(owner.wait(0ms), WaitResult::Acquired);
        ASSERT_EQ(owner.wait(0ms), WaitResult::Acquired);
    }).join();
    NamedMutex mutex = make(name);
    EXPECT_EQ(mutex.wait(1s), WaitResult::Abandoned);
    EXPECT_TRUE(mutex.isOwnedByCurrentThread());
    EXPECT_TRUE(mutex.release());
    EXPECT_FALSE(mutex.release()) << "abandonment leaves no recursion level behind";
    EXPECT_EQ(mutex.wait(0ms), WaitResult::Acquired) << "abandonment is reported once";
    mutex.release();
}

TEST(NamedMutex, WaiterInAnotherProcessTimesOut)
{
    TestEnvironment env;
    const QString name = QStringLiteral("cross-process");
    NamedMutex mutex = make(name);
    ASSERT_EQ(mutex.wait(0ms), WaitResult::Acquired);
    {
        MutexChild child(name, 0ms);
        EXPECT_EQ(child.result(), WaitResult::TimedOut);
        child.finish('x');
    }
    {
        MutexChild child(name, 200ms);
        EXPECT_EQ(child.result(), WaitResult::TimedOut);
        child.finish('x');
    }
    // Released while the other process waits: it obtains the mutex, cleanly.
    MutexChild child(name, 10s);
    std::this_thread::sleep_for(100ms);
    mutex.release();
    EXPECT_EQ(child.result(), WaitResult::Acquired);
    child.finish('r');
}

TEST(NamedMutex, HolderInAnotherProcessMakesThisProcessWait)
{
    TestEnvironment env;
    const QString name = QStringLiteral("held-elsewhere");
    MutexChild child(name, 0ms);
    ASSERT_EQ(child.result(), WaitResult::Acquired);
    NamedMutex mutex = make(name);
    EXPECT_EQ(mutex.wait(0ms), WaitResult::TimedOut);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(mutex.wait(120ms), WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 120ms);
    child.finish('r');
    EXPECT_EQ(mutex.wait(0ms), WaitResult::Acquired) << "a clean release is not abandonment";
    mutex.release();
}

class NamedMutexProcessEnd : public ::testing::TestWithParam<bool>
{
};

// Regression: an owner that dies (or just exits) without releasing must not keep the mutex.
TEST_P(NamedMutexProcessEnd, NextWaiterObtainsTheAbandonedMutex)
{
    TestEnvironment env;
    const QString name = QStringLiteral("abandoned-process");
    MutexChild child(name, 0ms);
    ASSERT_EQ(child.result(), WaitResult::Acquired);
    NamedMutex mutex = make(name);
    ASSERT_EQ(mutex.wait(0ms), WaitResult::TimedOut);
    if (GetParam())
        child.killHard();
    else
        child.finish('x');
    EXPECT_EQ(mutex.wait(5s), WaitResult::Abandoned);
    EXPECT_TRUE(mutex.release());
    EXPECT_EQ(mutex.wait(0ms), WaitResult::Acquired);
    mutex.release();
}

INSTANTIATE_TEST_SUITE_P(KilledOrExited, NamedMutexProcessEnd, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "SIGKILL" : "Exit"; });
