#include "components/pip/usagelogfile.h"

#include "tests/components/pip/piptestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFileInfo>
#include <QJsonObject>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

QByteArray lineOf(qsizetype length, char fill = 'x')
{
    QByteArray line(length - 1, fill);
    line.append('\n');
    return line;
}

struct BoundaryRow
{
    const char *name;
    qsizetype second; // length of the second line after a first of 60 bytes, limit 100
    int files;
};

class UsageLogFileBoundaryTest : public ::testing::TestWithParam<BoundaryRow>
{
protected:
    TestEnvironment m_env;
};

TEST_P(UsageLogFileBoundaryTest, StartsANewFileOnlyPastTheLimit)
{
    UsageLogFile file(m_env.root() + QStringLiteral("/records"));
    file.setLimits(100, 16);
    ASSERT_TRUE(file.append(lineOf(60, 'a')));
    ASSERT_TRUE(file.append(lineOf(GetParam().second, 'b')));
    const QStringList files = file.files();
    ASSERT_EQ(files.size(), GetParam().files);
    for (const QString &path : files)
        EXPECT_LE(QFileInfo(path).size(), 100);
    EXPECT_EQ(QFileInfo(files.last()).fileName(), UsageLogFile::fileName(GetParam().files));
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageLogFileBoundaryTest,
                         ::testing::Values(BoundaryRow{"belowLimit", 39, 1},
                                           BoundaryRow{"atLimit", 40, 1},
                                           BoundaryRow{"pastLimit", 41, 2}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(UsageLogFile, ALineLongerThanTheLimitStillGoesIntoAnEmptyFile)
{
    TestEnvironment env;
    UsageLogFile file(env.root() + QStringLiteral("/records"));
    file.setLimits(100, 16);
    ASSERT_TRUE(file.append(lineOf(150)));
    ASSERT_TRUE(file.append(lineOf(10)));
    const QStringList files = file.files();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(QFileInfo(files[0]).size(), 150);
    EXPECT_EQ(QFileInfo(files[1]).size(), 10);
}

TEST(UsageLogFile, KeepsOnlyTheNewestFiles)
{
    TestEnvironment env;
    UsageLogFile file(env.root() + QStringLiteral("/records"));
    file.setLimits(10, 3);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(file.append(QByteArray::number(i).rightJustified(7, '0') + '\n'));
    const QStringList files = file.files();
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(QFileInfo(files[0]).fileName(), UsageLogFile::fileName(4));
    EXPECT_EQ(QFileInfo(files[2]).fileName(), UsageLogFile::fileName(6));
    const QList<QByteArray> lines = PipTest::readLines(file.folder());
    EXPECT_EQ(lines, (QList<QByteArray>{"0000003", "0000004", "0000005"}));
}

TEST(UsageLogFile, FolderIsPrivateToTheUser)
{
    TestEnvironment env;
    UsageLogFile file(env.root() + QStringLiteral("/records"));
    ASSERT_TRUE(file.append("x\n"));
    EXPECT_EQ(QFileInfo(file.folder()).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST(UsageLogFile, UnwritableFolderIsReported)
{
    TestEnvironment env;
    QFile blocker(env.root() + QStringLiteral("/plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UsageLogFile file(blocker.fileName() + QStringLiteral("/records"));
    EXPECT_FALSE(file.append("x\n"));
    EXPECT_FALSE(file.errorString().isEmpty());
}

// Guards against a writer appending to the file it used last after another writer moved on.
TEST(UsageLogFile, AppendsFollowAnotherWritersNewerFile)
{
    TestEnvironment env;
    const QString folder = env.root() + QStringLiteral("/records");
    UsageLogFile first(folder);
    UsageLogFile second(folder);
    first.setLimits(100, 16);
    second.setLimits(100, 16);
    ASSERT_TRUE(first.append(lineOf(10, 'a')));
    ASSERT_TRUE(second.append(lineOf(95, 'b'))); // starts file 2
    ASSERT_TRUE(first.append(lineOf(5, 'c')));   // fits beside it
    const QStringList files = first.files();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(QFileInfo(files[0]).size(), 10);
    EXPECT_EQ(QFileInfo(files[1]).size(), 100);
    EXPECT_EQ(PipTest::readLines(folder).last(), QByteArray(4, 'c'));

    // The folder emptied meanwhile: writing starts over with the first file.
    for (const QString &path : files)
        QFile::remove(path);
    ASSERT_TRUE(first.append(lineOf(10, 'd')));
    EXPECT_EQ(QFileInfo(first.files().value(0)).fileName(), UsageLogFile::fileName(1));

    // The folder itself removed: it is made again.
    QDir(folder).removeRecursively();
    EXPECT_TRUE(first.append(lineOf(10, 'e')));
    EXPECT_EQ(PipTest::readLines(folder), (QList<QByteArray>{QByteArray(9, 'e')}));
}

// Guards against lines lost or torn when writers rotate the same folder at once.
TEST(UsageLogFile, ConcurrentWritersLoseNoLine)
{
    TestEnvironment env;
    const QString folder = env.root() + QStringLiteral("/records");
    constexpr int writers = 4;
    constexpr int perWriter = 400;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&folder, w] {
            UsageLogFile file(folder);
            file.setLimits(2048, 100000);
            for (int i = 0; i < perWriter; ++i) {
                const QByteArray line = "{\"w\":" + QByteArray::number(w) +
                                        ",\"i\":" + QByteArray::number(i) + ",\"pad\":\"" +
                                        QByteArray(40 + (i % 7) * 9, 'p') + "\"}\n";
                if (!file.append(line))
                    return;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();

    std::vector<int> next(writers, 0);
    const QList<QJsonObject> records = PipTest::readRecords(folder);
    ASSERT_EQ(records.size(), writers * perWriter);
    for (const QJsonObject &record : records) {
        const int w = record.value(u"w").toInt(-1);
        ASSERT_GE(w, 0) << "torn line";
        EXPECT_EQ(record.value(u"i").toInt(), next[w]);
        next[w] = record.value(u"i").toInt() + 1;
    }
    UsageLogFile reader(folder);
    for (const QString &path : reader.files())
        EXPECT_LE(QFileInfo(path).size(), 2048);
}

struct SequenceRow
{
    const char *name;
    qint64 sequence;
};

class UsageLogFileNameTest : public ::testing::TestWithParam<SequenceRow>
{
};

TEST_P(UsageLogFileNameTest, OnlyRecordFileNamesHaveASequence)
{
    EXPECT_EQ(UsageLogFile::sequenceOf(QString::fromLatin1(GetParam().name)), GetParam().sequence);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageLogFileNameTest,
    ::testing::Values(SequenceRow{"events-000001.jsonl", 1}, SequenceRow{"events-12.jsonl", 12},
                      SequenceRow{"events-1234567.jsonl", 1234567},
                      SequenceRow{"events-.jsonl", -1}, SequenceRow{"events-000000.jsonl", -1},
                      SequenceRow{"events-1x.jsonl", -1}, SequenceRow{"events--1.jsonl", -1},
                      SequenceRow{"events-1.jsonl.tmp", -1}, SequenceRow{"other.jsonl", -1},
                      SequenceRow{"events-9999999999999999999.jsonl", -1}));

TEST(UsageLogFile, FileNamesSortInSequenceOrder)
{
    EXPECT_EQ(UsageLogFile::fileName(1), u"events-000001.jsonl");
    EXPECT_LT(UsageLogFile::fileName(9), UsageLogFile::fileName(10));
    EXPECT_EQ(UsageLogFile::sequenceOf(UsageLogFile::fileName(42)), 42);
}

} // namespace
