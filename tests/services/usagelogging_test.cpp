#include "services/usagelogging.h"

#include "locale/localeutil.h"
#include "locale/zstringdictionary.h"
#include "platform/registry/productsettings.h"
#include "tests/services/usagetestsupport.h"
#include "tests/support/testenvironment.h"

#include <QDateTime>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class UsageLoggingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleUtil::resetCache();
        m_libraries = m_env.root() + QStringLiteral("/launcher");
        ASSERT_TRUE(UsageTest::copyLibraries(m_libraries));
        UsageLogging::setLibraryFolder(m_libraries);
    }

    void TearDown() override
    {
        UsageLogging::stop();
        UsageLogging::setLibraryFolder(QString());
        LocaleUtil::resetCache();
    }

    QString pipPath() const { return m_libraries + QStringLiteral("/libTessalyPIP.so"); }
    QString markerPath() const
    {
        return UsageTest::recordFolder() + QStringLiteral("/session.running");
    }

    TestEnvironment m_env;
    QString m_libraries;
};

struct PolicyRow
{
    const char *name;
    QVariant enabled; // invalid: no value
    bool loads;
};

class UsagePolicyTest : public UsageLoggingTest, public ::testing::WithParamInterface<PolicyRow>
{
};

TEST_P(UsagePolicyTest, LoadsTheLibraryOnlyWhenThePolicyAllows)
{
    const PolicyRow row = GetParam();
    UsageTest::setPolicy(row.enabled);
    EXPECT_EQ(UsageLogging::policyAllows(), row.loads);

    UsageLogging::start();
    EXPECT_TRUE(UsageLogging::isStarted());
    EXPECT_EQ(UsageLogging::isLibraryLoaded(), row.loads);
    EXPECT_EQ(UsageLogging::isLibraryInitialized(), row.loads);
    EXPECT_EQ(UsageTest::isLoaded(pipPath()), row.loads);
    // The library's own mark of an initialised session.
    EXPECT_EQ(QFileInfo::exists(markerPath()), row.loads);

    // Recording a launch does not load what the policy kept out.
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("x"), QString(), 0, 0);
    EXPECT_EQ(UsageTest::isLoaded(pipPath()), row.loads);
    EXPECT_TRUE(UsageTest::readRecords().isEmpty()); // nobody opted in
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsagePolicyTest,
    ::testing::Values(PolicyRow{"dword0", QVariant(0), false},
                      PolicyRow{"text0", QVariant(QStringLiteral("0")), false},
                      // An administrator's "false" must not switch recording on.
                      PolicyRow{"textFalse", QVariant(QStringLiteral("false")), false},
                      PolicyRow{"dword1", QVariant(1), true},
                      PolicyRow{"dword2", QVariant(2), true},
                      PolicyRow{"absent", QVariant(), true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(UsageLoggingTest, NoPolicyAndNoOptInLoadsAndInitialisesButRecordsNothing)
{
    ASSERT_EQ(UsageLogging::optInState(), -1);
    UsageLogging::start();
    EXPECT_TRUE(UsageLogging::isLibraryLoaded());
    EXPECT_TRUE(UsageLogging::isLibraryInitialized());
    EXPECT_EQ(UsageLogging::libraryFileName(), pipPath());
    EXPECT_TRUE(QFileInfo::exists(markerPath()));
    EXPECT_FALSE(UsageLogging::isOptedIn());

    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("clickEdit"), QString(), 0, 0);
    EXPECT_TRUE(UsageTest::readRecords().isEmpty());

    UsageLogging::stop();
    EXPECT_FALSE(UsageLogging::isStarted());
    EXPECT_FALSE(UsageLogging::isLibraryLoaded());
    // Terminated: the library took its mark away; unloaded: the file is gone from the process.
    EXPECT_FALSE(QFileInfo::exists(markerPath()));
    EXPECT_FALSE(UsageTest::isLoaded(pipPath()));
}

TEST_F(UsageLoggingTest, OptedOutUserIsInitialisedButNotRecorded)
{
    UsageTest::setOptIn(0);
    UsageLogging::start();
    EXPECT_TRUE(UsageLogging::isLibraryInitialized());
    EXPECT_FALSE(UsageLogging::isOptedIn());
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("clickEdit"), QString(), 0, 0);
    EXPECT_TRUE(UsageTest::readRecords().isEmpty());
}

TEST_F(UsageLoggingTest, MissingLibraryStartCompletesAndStopDoesNothing)
{
    const QString empty = m_env.root() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    UsageLogging::setLibraryFolder(empty);
    UsageTest::setOptIn(1);

    UsageLogging::start();
    EXPECT_TRUE(UsageLogging::isStarted());
    EXPECT_FALSE(UsageLogging::isLibraryLoaded());
    EXPECT_FALSE(UsageLogging::isOptedIn());
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("x"), QStringLiteral("y"), 0, 0);

    UsageLogging::stop();
    EXPECT_FALSE(UsageLogging::isStarted());
    EXPECT_FALSE(QFileInfo::exists(UsageTest::recordFolder()));
}

TEST_F(UsageLoggingTest, SecondStartHasNoEffect)
{
    UsageLogging::start();
    ASSERT_TRUE(UsageLogging::isLibraryInitialized());
    ASSERT_FALSE(UsageLogging::isOptedIn());

    // What a second start would act on has changed; it must not look.
    UsageTest::setOptIn(1);
    UsageTest::setPolicy(0);
    UsageLogging::start();
    EXPECT_TRUE(UsageLogging::isLibraryLoaded());
    EXPECT_EQ(UsageLogging::libraryFileName(), pipPath());
    EXPECT_FALSE(UsageLogging::isOptedIn());
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("x"), QString(), 0, 0);
    EXPECT_TRUE(UsageTest::readRecords().isEmpty());
}

TEST_F(UsageLoggingTest, OptedInRecordsTheLaunchGroupAndEventsAsJsonLines)
{
    UsageTest::setOptIn(1);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    UsageLogging::start();
    ASSERT_TRUE(UsageLogging::isOptedIn());

    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("clickTutorials"),
                           QStringLiteral("page 2"), 0, 0);
    UsageLogging::logEvent(QStringLiteral("Pod"), QStringLiteral("open"), QString(), 7, -3);
    UsageLogging::stop();
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);

    const QList<QJsonObject> records = UsageTest::readRecords();
    ASSERT_EQ(records.size(), 4);
    for (const QJsonObject &record : records) {
        EXPECT_EQ(record.value(u"product").toString(), u"Orvana");
        EXPECT_EQ(record.value(u"productCode").toString(), u"PixtrelOrvana");
        EXPECT_EQ(record.value(u"productLine").toString(), u"Orvana11");
        EXPECT_EQ(record.value(u"version").toString(), u"11.0 (20120923.r.32287)");
        EXPECT_EQ(record.value(u"locale").toString(), u"en_US");
        EXPECT_EQ(record.value(u"session").toString(),
                  records.first().value(u"session").toString());
        const QDateTime time =
            QDateTime::fromString(record.value(u"time").toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(time.isValid()) << record.value(u"time").toString().toStdString();
        EXPECT_TRUE(time >= before && time <= after);
    }
    EXPECT_FALSE(records.first().value(u"session").toString().isEmpty());

    for (int i : {0, 1}) {
        EXPECT_EQ(records[i].value(u"type").toString(), u"group");
        EXPECT_EQ(records[i].value(u"group").toString(), u"TestOrganizerLogging");
        EXPECT_EQ(records[i].value(u"category").toString(), u"WS");
        EXPECT_EQ(records[i].value(u"name").toString(), u"launchOrganizer");
    }
    // The group is made once and reused.
    EXPECT_GE(records[0].value(u"groupId").toInt(), 1);
    EXPECT_EQ(records[0].value(u"groupId"), records[1].value(u"groupId"));

    EXPECT_EQ(records[2].value(u"type").toString(), u"event");
    EXPECT_EQ(records[2].value(u"category").toString(), u"WS");
    EXPECT_EQ(records[2].value(u"name").toString(), u"clickTutorials");
    EXPECT_EQ(records[2].value(u"detail").toString(), u"page 2");
    EXPECT_EQ(records[2].value(u"value1").toInt(-1), 0);
    EXPECT_EQ(records[2].value(u"value2").toInt(-1), 0);
    EXPECT_EQ(records[3].value(u"category").toString(), u"Pod");
    EXPECT_EQ(records[3].value(u"detail").toString(), QString());
    EXPECT_EQ(records[3].value(u"value1").toInt(), 7);
    EXPECT_EQ(records[3].value(u"value2").toInt(), -3);
}

// Guards against texts squeezed through an 8-bit code page on their way to the recorder.
TEST_F(UsageLoggingTest, TextsOutsideAsciiArriveUnchanged)
{
    UsageTest::setOptIn(1);
    const QString category = QStringLiteral("Größe");
    const QString name = QStringLiteral("写真を整理");
    const QString detail = QStringLiteral("Ελληνικά 📷 \"quoted\"\n\\");
    UsageLogging::addToLaunchEventGroup(category, name);
    UsageLogging::logEvent(category, name, detail, 0, 0);
    UsageLogging::stop();

    const QList<QJsonObject> records = UsageTest::readRecords();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].value(u"category").toString(), category);
    EXPECT_EQ(records[0].value(u"name").toString(), name);
    EXPECT_EQ(records[1].value(u"category").toString(), category);
    EXPECT_EQ(records[1].value(u"name").toString(), name);
    EXPECT_EQ(records[1].value(u"detail").toString(), detail);
}

TEST_F(UsageLoggingTest, RecordingBeforeStartStartsUsageLogging)
{
    UsageTest::setOptIn(1);
    ASSERT_FALSE(UsageLogging::isStarted());
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("early"), QString(), 0, 0);
    EXPECT_TRUE(UsageLogging::isStarted());
    const QList<QJsonObject> records = UsageTest::readRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].value(u"name").toString(), u"early");
}

// Guards against a restarted session reusing the ended session's group or handle.
TEST_F(UsageLoggingTest, StopUnloadsAndARestartRecordsInANewSession)
{
    UsageTest::setOptIn(1);
    UsageLogging::start();
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::stop();
    EXPECT_FALSE(UsageTest::isLoaded(pipPath()));
    EXPECT_FALSE(UsageTest::isLoaded(m_libraries + QStringLiteral("/libLogSession.so")));

    UsageLogging::start();
    UsageLogging::addToLaunchEventGroup(QStringLiteral("WS"), QStringLiteral("launchOrganizer"));
    UsageLogging::stop();

    const QList<QJsonObject> records = UsageTest::readRecords();
    ASSERT_EQ(records.size(), 2);
    EXPECT_NE(records[0].value(u"session"), records[1].value(u"session"));
    EXPECT_EQ(records[1].value(u"group").toString(), u"TestOrganizerLogging");
}

TEST_F(UsageLoggingTest, DialogNeedsAWidgetApplication)
{
    UsageLogging::start();
    ASSERT_TRUE(UsageLogging::isLibraryInitialized());
    EXPECT_FALSE(UsageLogging::showOptInDialog());
    EXPECT_EQ(UsageLogging::optInState(), -1);
}

struct LocaleRow
{
    const char *name;
    const char *machineLocale;
    const char *expected;
};

class UsageLocaleRecordTest : public UsageLoggingTest,
                              public ::testing::WithParamInterface<LocaleRow>
{
};

TEST_P(UsageLocaleRecordTest, RecordsCarryTheLauncherLocale)
{
    {
        PtSettingsLM machine(ProductSettings::productKeyPath());
        machine.setValue(QStringLiteral("Locale"), QString::fromLatin1(GetParam().machineLocale));
        machine.sync();
    }
    LocaleUtil::resetCache();
    UsageTest::setOptIn(1);
    UsageLogging::logEvent(QStringLiteral("WS"), QStringLiteral("x"), QString(), 0, 0);
    const QList<QJsonObject> records = UsageTest::readRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].value(u"locale").toString(), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageLocaleRecordTest,
                         ::testing::Values(LocaleRow{"german", "de_de", "de_DE"},
                                           LocaleRow{"japanese", "ja_jp", "ja_JP"},
                                           LocaleRow{"britishIsUs", "en_gb", "en_US"}),
                         [](const auto &info) { return std::string(info.param.name); });

struct UsageLocaleRow
{
    const char *code;
    const char *expected;
};

class UsageLocaleFormTest : public ::testing::TestWithParam<UsageLocaleRow>
{
};

TEST_P(UsageLocaleFormTest, UpperCasesThePartAfterTheFirstUnderscore)
{
    EXPECT_EQ(UsageLogging::usageLocale(QString::fromLatin1(GetParam().code)),
              QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageLocaleFormTest,
                         ::testing::Values(UsageLocaleRow{"de_de", "de_DE"},
                                           UsageLocaleRow{"en_us", "en_US"},
                                           UsageLocaleRow{"pt_BR", "pt_BR"},
                                           UsageLocaleRow{"zh_hant_tw", "zh_HANT_TW"},
                                           // No "_": no dangling separator either.
                                           UsageLocaleRow{"de", "de"}, UsageLocaleRow{"", ""}));

TEST(UsageLoggingText, EnglishDisplayName)
{
    EXPECT_EQ(UsageLogging::productDisplayName(),
              QStringLiteral("Help Improve Pixtrel Orvana And Motiva Orvana"));
}

TEST(UsageLoggingText, DisplayNameComesFromTheDictionaryWithItsBlanks)
{
    auto &dictionary = basekit_private::ZStringDictionary::instance();
    dictionary.loadData("\"$$$/LE/Menu/Help/TPIP/ImproveProductOrg=Aidez \u00e0 am\u00e9liorer \"\n"
                        "\"$$$/LE/Menu/Help/TPIP/ImproveProductAND= et \"\n");
    const QString name = UsageLogging::productDisplayName();
    dictionary.clear();
    EXPECT_EQ(name, QStringLiteral("Aidez à améliorer Pixtrel Orvana et Motiva Orvana"));
}

} // namespace
