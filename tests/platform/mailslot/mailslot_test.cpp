#include "platform/mailslot/mailslot.h"
#include "platform/mailslot/mailslotfolderwatch.h"
#include "platform/mailslot/mailslotwriter.h"
#include "tests/support/testenvironment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::unique_ptr<Mailslot> open(const QString &name)
{
    auto result = Mailslot::create(name);
    EXPECT_EQ(result.status, Mailslot::Status::Opened) << result.error.toStdString();
    return std::move(result.mailslot);
}

} // namespace

TEST(Mailslot, OneWriteIsOneDatagram)
{
    TestEnvironment env;
    auto slot = open(QStringLiteral("user/reader"));
    ASSERT_TRUE(slot);
    EXPECT_FALSE(slot->nextMessageSize().has_value());
    MailslotWriter writer;
    ASSERT_EQ(writer.write(QStringLiteral("user/reader"), "first"),
              MailslotWriter::Result::Written);
    ASSERT_EQ(writer.write(QStringLiteral("user/reader"), QByteArray()),
              MailslotWriter::Result::Written);
    ASSERT_EQ(writer.write(QStringLiteral("user/reader"), "second message"),
              MailslotWriter::Result::Written);
    EXPECT_EQ(slot->nextMessageSize().value_or(-1), 5);
    auto read = slot->read();
    EXPECT_EQ(read.status, Mailslot::ReadStatus::Message);
    EXPECT_EQ(read.data, QByteArray("first"));
    read = slot->read();
    EXPECT_EQ(read.status, Mailslot::ReadStatus::Message);
    EXPECT_TRUE(read.data.isEmpty());
    EXPECT_EQ(slot->read().data, QByteArray("second message"));
    EXPECT_EQ(slot->read().status, Mailslot::ReadStatus::Empty);
}

TEST(Mailslot, FoldersAdmitOnlyTheOwner)
{
    TestEnvironment env;
    auto slot = open(QStringLiteral("abc/reader"));
    ASSERT_TRUE(slot);
    EXPECT_TRUE(
        slot->path().startsWith(env.runtimeDir() + QStringLiteral("/tessaly/mailslots/abc/")));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(slot->path()).path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(Mailslot, ANameIsTakenWhileItsOwnerLives)
{
    TestEnvironment env;
    const QString name = QStringLiteral("u/shared");
    EXPECT_FALSE(Mailslot::isTaken(name));
    {
        auto first = open(name);
        EXPECT_TRUE(Mailslot::isTaken(name));
        const auto second = Mailslot::create(name);
        EXPECT_EQ(second.status, Mailslot::Status::Taken);
        EXPECT_FALSE(second.mailslot);
    }
    EXPECT_FALSE(Mailslot::isTaken(name));
    EXPECT_TRUE(open(name));
}

// Guards against a crashed owner's socket file blocking the name for good.
TEST(Mailslot, ACrashedOwnersNameCanBeTakenAtOnce)
{
    TestEnvironment env;
    const QString name = QStringLiteral("u/crashy");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto result = Mailslot::create(name);
        const char ok = result.mailslot ? '1' : '0';
        (void)::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    EXPECT_TRUE(Mailslot::isTaken(name));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(QFileInfo::exists(Mailslot::pathFor(name))) << "the stale socket stays behind";
    EXPECT_FALSE(Mailslot::isTaken(name));
    auto slot = open(name);
    ASSERT_TRUE(slot);
    MailslotWriter writer;
    EXPECT_EQ(writer.write(name, "hello"), MailslotWriter::Result::Written);
    EXPECT_EQ(slot->read().data, QByteArray("hello"));
}

TEST(Mailslot, WritingToAMissingReceiverFailsAtOnce)
{
    TestEnvironment env;
    MailslotWriter writer;
    EXPECT_EQ(writer.write(QStringLiteral("u/nobody"), "x"), MailslotWriter::Result::NoReceiver);
}

// Guards against a writer blocking on a receiver that does not read.
TEST(Mailslot, AFullReceiverIsAFailedWriteThatDoesNotBlock)
{
    TestEnvironment env;
    auto slot = open(QStringLiteral("u/slow"));
    ASSERT_TRUE(slot);
    MailslotWriter writer;
    int written = 0;
    MailslotWriter::Result result = MailslotWriter::Result::Written;
    for (int i = 0; i < 100000 && result == MailslotWriter::Result::Written; ++i) {
        result = writer.write(QStringLiteral("u/slow"), QByteArray(64, 'x'));
        if (result == MailslotWriter::Result::Written)
            ++written;
    }
    EXPECT_EQ(result, MailslotWriter::Result::Full);
    EXPECT_GT(written, 0);
    const int handle = writer.waitHandle(QStringLiteral("u/slow"));
    ASSERT_GE(handle, 0);
    pollfd waiter{handle, POLLOUT, 0};
    EXPECT_EQ(::poll(&waiter, 1, 0), 0) << "not writable while full";
    ASSERT_EQ(slot->read().status, Mailslot::ReadStatus::Message);
    EXPECT_EQ(::poll(&waiter, 1, 1000), 1) << "writable once the receiver made room";
    EXPECT_EQ(writer.write(QStringLiteral("u/slow"), "again"), MailslotWriter::Result::Written);
}

TEST(Mailslot, AMessageTooLargeForOneDatagramIsRefusedNotCut)
{
    TestEnvironment env;
    auto slot = open(QStringLiteral("u/big"));
    ASSERT_TRUE(slot);
    MailslotWriter writer;
    const qint64 limit = writer.maxMessageSize();
    ASSERT_GT(limit, 200 * 1024);
    const QByteArray fits(limit, 'a');
    EXPECT_EQ(writer.write(QStringLiteral("u/big"), fits), MailslotWriter::Result::Written);
    auto read = slot->read();
    EXPECT_EQ(read.data.size(), limit);
    EXPECT_EQ(writer.write(QStringLiteral("u/big"), QByteArray(limit + 1, 'b')),
              MailslotWriter::Result::TooLarge);
    EXPECT_EQ(slot->read().status, Mailslot::ReadStatus::Empty);
}

// Guards the single read per datagram: one larger than this library would ever send (a sender
// that asked for the largest send buffer the system grants), and small ones around it, arrive
// whole and in turn.
TEST(Mailslot, DatagramsOfEverySizeASenderCanMakeArriveWhole)
{
    TestEnvironment env;
    auto slot = open(QStringLiteral("u/sizes"));
    ASSERT_TRUE(slot);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    const int wanted = 64 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &wanted, sizeof wanted);
    int granted = 0;
    socklen_t length = sizeof granted;
    ::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &granted, &length);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(slot->path());
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);

    auto sendWhole = [fd](const QByteArray &datagram) {
        return ::send(fd, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT) ==
               datagram.size();
    };
    ASSERT_TRUE(sendWhole("small"));
    // The kernel takes less than the send buffer in one datagram: the largest it takes.
    QByteArray largest;
    for (qsizetype size = granted - 32; size > 0 && largest.isEmpty(); size -= 16 * 1024) {
        QByteArray candidate(size, 'L');
        candidate[0] = 'a';
        candidate[size - 1] = 'z';
        if (sendWhole(candidate))
            largest = candidate;
    }
    ASSERT_GT(largest.size(), MailslotWriter().maxMessageSize());
    const QByteArrayList sent{"small", largest, QByteArray(70 * 1024, 'm'), "tail"};
    ASSERT_TRUE(sendWhole(sent[2]));
    ASSERT_TRUE(sendWhole(sent[3]));
    ::close(fd);
    for (const QByteArray &datagram : sent) {
        const auto read = slot->read();
        ASSERT_EQ(read.status, Mailslot::ReadStatus::Message);
        EXPECT_EQ(read.data.size(), datagram.size());
        EXPECT_TRUE(read.data == datagram);
    }
    EXPECT_EQ(slot->read().status, Mailslot::ReadStatus::Empty);
}

// Guards against long endpoint names failing or two long names sharing one socket.
TEST(Mailslot, LongNamesAreShortenedWithAHash)
{
    TestEnvironment env;
    const QString head = QStringLiteral("u/") + QString(150, QLatin1Char('n'));
    const QString a = head + QStringLiteral("-a");
    const QString b = head + QStringLiteral("-b");
    auto slotA = open(a);
    auto slotB = open(b);
    ASSERT_TRUE(slotA && slotB);
    EXPECT_NE(slotA->path(), slotB->path());
    EXPECT_LE(QFile::encodeName(slotA->path()).size(), 107);
    MailslotWriter writer;
    EXPECT_EQ(writer.write(b, "to b"), MailslotWriter::Result::Written);
    EXPECT_EQ(slotB->read().data, QByteArray("to b"));
    EXPECT_EQ(slotA->read().status, Mailslot::ReadStatus::Empty);
}

struct BadName
{
    const char *name;
};

class MailslotBadName : public ::testing::TestWithParam<BadName>
{
};

TEST_P(MailslotBadName, IsRefused)
{
    TestEnvironment env;
    const auto result = Mailslot::create(QString::fromUtf8(GetParam().name));
    EXPECT_EQ(result.status, Mailslot::Status::InvalidName);
}

INSTANTIATE_TEST_SUITE_P(Rows, MailslotBadName,
                         ::testing::Values(BadName{""}, BadName{"u/"}, BadName{"../escape"},
                                           BadName{"u/../x"}, BadName{"/abs"}));

TEST(Mailslot, AReceiverRestartedAtTheSameNameIsReachedAgain)
{
    TestEnvironment env;
    const QString name = QStringLiteral("u/again");
    MailslotWriter writer;
    {
        auto slot = open(name);
        EXPECT_EQ(writer.write(name, "one"), MailslotWriter::Result::Written);
    }
    EXPECT_EQ(writer.write(name, "lost"), MailslotWriter::Result::NoReceiver);
    auto slot = open(name);
    EXPECT_EQ(writer.write(name, "two"), MailslotWriter::Result::Written);
    EXPECT_EQ(slot->read().data, QByteArray("two"));
}

TEST(Mailslot, AFolderWatchWakesWhenAMailslotAppears)
{
    TestEnvironment env;
    MailslotFolderWatch watch(QStringLiteral("w/target"));
    ASSERT_TRUE(watch.isValid());
    EXPECT_FALSE(watch.drain());
    auto slot = open(QStringLiteral("w/target"));
    pollfd waiter{watch.fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&waiter, 1, 1000), 1);
    EXPECT_TRUE(watch.drain());
}

// Guards against trusting a datagram from another user that could reach the socket.
TEST(Mailslot, ADatagramFromAnotherUserIsDropped)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to send as another user";
    TestEnvironment env;
    const QString name = QStringLiteral("u/guarded");
    auto slot = open(name);
    ASSERT_TRUE(slot);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        MailslotWriter writer;
        // Connected while still allowed into the folder; the credentials are those of the send.
        if (writer.write(name, "as root") != MailslotWriter::Result::Written)
            ::_exit(2);
        if (::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(writer.write(name, "as nobody") == MailslotWriter::Result::Written ? 0 : 4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(slot->read().data, QByteArray("as root"));
    EXPECT_EQ(slot->read().status, Mailslot::ReadStatus::Dropped);
    EXPECT_EQ(slot->read().status, Mailslot::ReadStatus::Empty);
}
