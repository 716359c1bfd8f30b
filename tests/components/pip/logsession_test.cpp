#include "components/pip/logsession.h"

#include "tests/components/pip/piptestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class LogSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = m_env.root() + QStringLiteral("/records");
        const QByteArray folder = m_folder.toUtf8();
        const UTSessionInfo info{"Orvana",      "PixtrelOrvana", "Orvana11",
                                 "11.0 (test)", "de_DE",         folder.constData()};
        m_log = UTOpenSession(&info);
        ASSERT_NE(m_log, nullptr);
        ASSERT_EQ(UTSetRecording(m_log, 1), UT_OK);
    }
    void TearDown() override { UTCloseSession(m_log); }

    TestEnvironment m_env;
    QString m_folder;
    UTLogHandle m_log = nullptr;
};

// Guards against a handle kept past its session (or never one) reaching freed memory.
TEST_F(LogSessionTest, HandlesThatAreNoSessionAreRefused)
{
    const UTLogHandle bogus = reinterpret_cast<UTLogHandle>(&m_folder);
    for (const UTLogHandle handle : {UTLogHandle(nullptr), bogus}) {
        int32_t id = -1;
        EXPECT_EQ(UTNewDataGroup(handle, "Create", "", "g", &id, 0, 0), UT_E_INVALID_HANDLE);
        EXPECT_EQ(id, -1);
        EXPECT_EQ(UTAddToGroup(handle, 1, "c", "n"), UT_E_INVALID_HANDLE);
        EXPECT_EQ(UTLogEvent(handle, "d", "n", "c", 0, 0), UT_E_INVALID_HANDLE);
        EXPECT_EQ(UTSetRecording(handle, 1), UT_E_INVALID_HANDLE);
        EXPECT_EQ(UTSetStorageLimits(handle, 10, 1), UT_E_INVALID_HANDLE);
    }
    UTCloseSession(m_log);
    EXPECT_EQ(UTLogEvent(m_log, "d", "n", "c", 0, 0), UT_E_INVALID_HANDLE);
    UTCloseSession(m_log); // twice is harmless
    m_log = nullptr;
    EXPECT_TRUE(PipTest::readLines(m_folder).isEmpty());
}

TEST_F(LogSessionTest, OpeningNeedsAFolder)
{
    EXPECT_EQ(UTOpenSession(nullptr), nullptr);
    const UTSessionInfo info{"p", "c", "l", "v", "en_US", ""};
    EXPECT_EQ(UTOpenSession(&info), nullptr);
}

TEST_F(LogSessionTest, NothingIsWrittenWhileNotRecording)
{
    ASSERT_EQ(UTSetRecording(m_log, 0), UT_OK);
    int32_t id = -1;
    // Groups can be made before the user opts in; their members are not recorded.
    ASSERT_EQ(UTNewDataGroup(m_log, "Create", "", "g", &id, 0, 0), UT_OK);
    EXPECT_EQ(UTAddToGroup(m_log, id, "c", "n"), UT_E_NOT_RECORDING);
    EXPECT_EQ(UTLogEvent(m_log, "d", "n", "c", 0, 0), UT_E_NOT_RECORDING);
    EXPECT_FALSE(QFileInfo::exists(m_folder));
}

TEST_F(LogSessionTest, GroupsAreMadeOnlyByCreate)
{
    int32_t id = -1;
    EXPECT_EQ(UTNewDataGroup(m_log, "Open", "", "g", &id, 0, 0), UT_E_INVALID_ARGUMENT);
    EXPECT_EQ(UTNewDataGroup(m_log, nullptr, "", "g", &id, 0, 0), UT_E_INVALID_ARGUMENT);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(UTNewDataGroup(m_log, "Create", "", "g", nullptr, 0, 0), UT_E_INVALID_ARGUMENT);
    EXPECT_EQ(UTNewDataGroup(m_log, "Create", "nobody", "g", &id, 0, 0), UT_E_NO_SUCH_GROUP);
    ASSERT_EQ(UTNewDataGroup(m_log, "Create", "", "outer", &id, 0, 0), UT_OK);
    EXPECT_EQ(id, 1);
    int32_t inner = -1;
    ASSERT_EQ(UTNewDataGroup(m_log, "Create", "outer", "inner", &inner, 0, 0), UT_OK);
    EXPECT_EQ(inner, 2);
    EXPECT_EQ(UTAddToGroup(m_log, 3, "c", "n"), UT_E_NO_SUCH_GROUP);
}

TEST_F(LogSessionTest, GroupCountIsLimited)
{
    int32_t id = -1;
    for (int i = 0; i < UT_MAX_GROUPS - 1; ++i)
        ASSERT_EQ(UTNewDataGroup(m_log, "Create", "", "g", &id, 0, 0), UT_OK);
    EXPECT_EQ(UTNewDataGroup(m_log, "Create", "", "last", &id, 0, 0), UT_OK);
    EXPECT_EQ(id, UT_MAX_GROUPS);
    EXPECT_EQ(UTNewDataGroup(m_log, "Create", "", "one too many", &id, 0, 0), UT_E_LIMIT);
    EXPECT_EQ(id, UT_MAX_GROUPS);
}

TEST_F(LogSessionTest, RecordsCarryTheSessionFields)
{
    int32_t id = -1;
    ASSERT_EQ(UTNewDataGroup(m_log, "Create", "", "TestOrganizerLogging", &id, 0, 0), UT_OK);
    ASSERT_EQ(UTAddToGroup(m_log, id, "WS", "launchOrganizer"), UT_OK);
    ASSERT_EQ(UTLogEvent(m_log, "detail", "name", "category", 1, 2), UT_OK);
    const QList<QJsonObject> records = PipTest::readRecords(m_folder);
    ASSERT_EQ(records.size(), 2);
    for (const QJsonObject &record : records) {
        EXPECT_EQ(record.value(u"product").toString(), u"Orvana");
        EXPECT_EQ(record.value(u"productCode").toString(), u"PixtrelOrvana");
        EXPECT_EQ(record.value(u"productLine").toString(), u"Orvana11");
        EXPECT_EQ(record.value(u"version").toString(), u"11.0 (test)");
        EXPECT_EQ(record.value(u"locale").toString(), u"de_DE");
        EXPECT_FALSE(record.contains(u"truncated"));
    }
    EXPECT_EQ(records[0].value(u"groupId").toInt(), id);
    EXPECT_EQ(records[0].value(u"group").toString(), u"TestOrganizerLogging");
    // The texts come most specific first.
    EXPECT_EQ(records[1].value(u"category").toString(), u"category");
    EXPECT_EQ(records[1].value(u"name").toString(), u"name");
    EXPECT_EQ(records[1].value(u"detail").toString(), u"detail");
}

TEST_F(LogSessionTest, LongTextsAreCutAndMarked)
{
    const QByteArray longText(UT_MAX_TEXT_BYTES + 100, 'y');
    ASSERT_EQ(UTLogEvent(m_log, "", longText.constData(), "c", 0, 0), UT_OK);
    const QList<QJsonObject> records = PipTest::readRecords(m_folder);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].value(u"name").toString().size(), UT_MAX_TEXT_BYTES);
    EXPECT_TRUE(records[0].value(u"truncated").toBool());
}

TEST_F(LogSessionTest, StorageLimitsMustBePositive)
{
    EXPECT_EQ(UTSetStorageLimits(m_log, 0, 1), UT_E_INVALID_ARGUMENT);
    EXPECT_EQ(UTSetStorageLimits(m_log, 100, 0), UT_E_INVALID_ARGUMENT);
    EXPECT_EQ(UTSetStorageLimits(m_log, 100, 1), UT_OK);
}

// Guards against lines dropped or duplicated when the records pass the 1 MiB file size.
TEST_F(LogSessionTest, RotationPastOneMebibyteLosesNoLine)
{
    constexpr qint64 limit = 1024 * 1024;
    const QByteArray padding(300, 'p');
    int count = 0;
    qint64 written = 0;
    while (written < limit * 5 / 2) {
        const QByteArray detail = QByteArray::number(count) + ' ' + padding;
        ASSERT_EQ(UTLogEvent(m_log, detail.constData(), "fill", "test", count, 0), UT_OK);
        written += detail.size() + 250; // about the size of one record
        ++count;
    }
    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("events-*.jsonl")}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 3);
    for (const QString &name : names)
        EXPECT_LE(QFileInfo(m_folder + QLatin1Char('/') + name).size(), limit);
    // Each full file was filled as far as the next record allowed.
    const QList<QByteArray> lines = PipTest::readLines(m_folder);
    qint64 firstFile = QFileInfo(m_folder + QLatin1Char('/') + names[0]).size();
    EXPECT_GT(firstFile + 300, limit);

    const QList<QJsonObject> records = PipTest::readRecords(m_folder);
    ASSERT_EQ(records.size(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(records[i].value(u"value1").toInt(-1), i) << "record " << i;
        EXPECT_TRUE(records[i].value(u"detail").toString().startsWith(QString::number(i) + u' '));
    }
    EXPECT_EQ(lines.size(), count);
}

} // namespace
