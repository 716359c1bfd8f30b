#include "services/usagelogclient.h"

#include "tests/services/usagetestsupport.h"
#include "tests/support/testenvironment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

class UsageLogClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_libraries = m_env.root() + QStringLiteral("/launcher");
        ASSERT_TRUE(UsageTest::copyLibraries(m_libraries));
    }

    UsageLogIdentity identity(int startMode,
                              const QString &productLine = QStringLiteral("Orvana11")) const
    {
        UsageLogIdentity id;
        id.product = QStringLiteral("Orvana");
        id.productCode = QStringLiteral("PixtrelOrvana");
        id.majorVersion = QStringLiteral("11");
        id.fullVersion = QStringLiteral("11.0 (20120923.r.32287)");
        id.locale = QStringLiteral("en_US");
        id.startMode = startMode;
        id.libraryFolder = m_libraries;
        id.productLineId = productLine;
        return id;
    }

    QString pipPath() const { return m_libraries + QStringLiteral("/libTessalyPIP.so"); }

    TestEnvironment m_env;
    QString m_libraries;
};

TEST_F(UsageLogClientTest, StartModeOneDefersUntilTheUserOptsIn)
{
    UsageLogClient client;
    EXPECT_FALSE(client.initialize(identity(1)));
    EXPECT_EQ(client.startMode(), 1);
    ASSERT_TRUE(client.hasDeferredInitialization());
    EXPECT_EQ(client.deferredIdentity()->fullVersion, u"11.0 (20120923.r.32287)");
    EXPECT_EQ(client.deferredIdentity()->locale, u"en_US");
    EXPECT_FALSE(client.library().isLoaded());
    EXPECT_FALSE(UsageTest::isLoaded(pipPath()));

    // Still no choice: stays deferred.
    EXPECT_FALSE(client.initializeDeferred(false));
    EXPECT_TRUE(client.hasDeferredInitialization());

    UsageTest::setOptIn(1);
    EXPECT_TRUE(client.initializeDeferred(false));
    EXPECT_TRUE(client.isInitialized());
    EXPECT_FALSE(client.hasDeferredInitialization());
    EXPECT_TRUE(UsageTest::isLoaded(pipPath()));

    client.stop();
    EXPECT_FALSE(client.isInitialized());
    EXPECT_FALSE(UsageTest::isLoaded(pipPath()));
}

TEST_F(UsageLogClientTest, StartModeOneInitialisesAtOnceWhenOptedIn)
{
    UsageTest::setOptIn(1);
    UsageLogClient client;
    EXPECT_TRUE(client.initialize(identity(1)));
    EXPECT_FALSE(client.hasDeferredInitialization());
}

TEST_F(UsageLogClientTest, StopDeletesTheDeferredRecord)
{
    UsageLogClient client;
    client.initialize(identity(1));
    ASSERT_TRUE(client.hasDeferredInitialization());
    client.stop();
    EXPECT_FALSE(client.hasDeferredInitialization());
    UsageTest::setOptIn(1);
    EXPECT_FALSE(client.initializeDeferred(false));
    EXPECT_FALSE(client.library().isLoaded());
}

// Guards against a deferred initialisation slipping past a policy set after start-up.
TEST_F(UsageLogClientTest, DeferredInitialisationHonoursAPolicySetLater)
{
    UsageLogClient client;
    client.initialize(identity(1));
    UsageTest::setPolicy(0);
    UsageTest::setOptIn(1);
    EXPECT_FALSE(client.initializeDeferred(true));
    EXPECT_FALSE(UsageTest::isLoaded(pipPath()));
}

TEST_F(UsageLogClientTest, OldProductLineIsReadUnderItsSuccessor)
{
    UsageTest::setOptIn(1, QStringLiteral("TS5.5"));
    UsageLogClient client;
    EXPECT_TRUE(client.initialize(identity(1, QStringLiteral("TS5.1"))));
    EXPECT_EQ(client.productLineId(), u"TS5.5");
    EXPECT_TRUE(QFileInfo::exists(UsageTest::recordFolder(QStringLiteral("TS5.5")) +
                                  QStringLiteral("/session.running")));
    client.stop();
}

TEST_F(UsageLogClientTest, LibraryWithoutTheEntryPointsIsNotKept)
{
    const QString fake = m_env.root() + QStringLiteral("/fake");
    QDir().mkpath(fake);
    // A real shared library, just not the usage-logging one.
    ASSERT_TRUE(QFile::copy(m_libraries + QStringLiteral("/libLogSession.so"),
                            fake + QStringLiteral("/libTessalyPIP.so")));
    UsageLogIdentity id = identity(2);
    id.libraryFolder = fake;
    UsageLogClient client;
    EXPECT_FALSE(client.initialize(id));
    EXPECT_FALSE(client.library().isLoaded());
    EXPECT_TRUE(client.library().errorString().contains(u"missing entry point"));
    EXPECT_FALSE(UsageTest::isLoaded(fake + QStringLiteral("/libTessalyPIP.so")));
}

TEST_F(UsageLogClientTest, FolderWithTrailingSeparatorsLoads)
{
    UsageLogIdentity id = identity(2);
    id.libraryFolder = m_libraries + QStringLiteral("//");
    UsageLogClient client;
    EXPECT_TRUE(client.initialize(id));
    EXPECT_EQ(client.library().fileName(), pipPath());
}

// Guards against the second load attempt (and the default folder) looking anywhere but beside
// the running program. A copy of this test program runs from a folder holding the libraries.
TEST_F(UsageLogClientTest, SecondAttemptLooksInTheProgramsFolder)
{
    const QString program = m_libraries + QStringLiteral("/services_tests");
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QFile::setPermissions(program,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESSALY_USAGE_FALLBACK_CHILD"),
                       m_env.root() + QStringLiteral("/nowhere"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, {QStringLiteral("--gtest_filter=UsageLibraryFallbackChild.*")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test.")) << output.constData();
    EXPECT_FALSE(output.contains("SKIPPED")) << output.constData();
}

// The child side of the test above; skipped in an ordinary run.
TEST(UsageLibraryFallbackChild, LoadsFromTheProgramsFolder)
{
    const QString missing = qEnvironmentVariable("TESSALY_USAGE_FALLBACK_CHILD");
    if (missing.isEmpty())
        GTEST_SKIP() << "runs as the child of SecondAttemptLooksInTheProgramsFolder";
    const QString beside = PipLibrary::executableFolder() + QStringLiteral("/libTessalyPIP.so");
    PipLibrary fallback;
    ASSERT_TRUE(fallback.load(missing)) << fallback.errorString().toStdString();
    EXPECT_EQ(fallback.fileName(), beside);
    PipLibrary byDefault;
    ASSERT_TRUE(byDefault.load(QString())) << byDefault.errorString().toStdString();
    EXPECT_EQ(byDefault.fileName(), beside);
}

TEST(UsageLibraryPath, ExecutableFolderIsTheProgramsFolder)
{
    EXPECT_EQ(PipLibrary::executableFolder(), QCoreApplication::applicationDirPath());
}

struct PathRow
{
    const char *folder;
    const char *path;
};

class UsageLibraryPathTest : public ::testing::TestWithParam<PathRow>
{
};

TEST_P(UsageLibraryPathTest, DropsTrailingSeparatorsAndAppendsTheName)
{
    EXPECT_EQ(PipLibrary::libraryPath(QString::fromLatin1(GetParam().folder)),
              QString::fromLatin1(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageLibraryPathTest,
                         ::testing::Values(PathRow{"/opt/p", "/opt/p/libTessalyPIP.so"},
                                           PathRow{"/opt/p/", "/opt/p/libTessalyPIP.so"},
                                           PathRow{"/opt/p///", "/opt/p/libTessalyPIP.so"},
                                           PathRow{"/", "/libTessalyPIP.so"}));

struct OptInRow
{
    const char *name;
    QVariant stored; // invalid: no value
    int state;
};

class UsageOptInStateTest : public ::testing::TestWithParam<OptInRow>
{
protected:
    TestEnvironment m_env;
};

TEST_P(UsageOptInStateTest, ReadsTheStoredChoice)
{
    UsageTest::setOptIn(GetParam().stored);
    EXPECT_EQ(UsageLogClient::optInState(QStringLiteral("Orvana11")), GetParam().state);
    // Another product line's choice is its own.
    EXPECT_EQ(UsageLogClient::optInState(QStringLiteral("Other1")), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageOptInStateTest,
    ::testing::Values(OptInRow{"missing", QVariant(), -1}, OptInRow{"in", QVariant(1), 1},
                      OptInRow{"out", QVariant(0), 0}, OptInRow{"other", QVariant(5), 5},
                      OptInRow{"text1", QVariant(QStringLiteral("1")), 1},
                      // An unreadable value counts as no value.
                      OptInRow{"garbage", QVariant(QStringLiteral("yes")), -1}),
    [](const auto &info) { return std::string(info.param.name); });

struct DecisionRow
{
    int startMode;
    int optInState;
    bool optedIn;
};

class UsageOptInDecisionTest : public ::testing::TestWithParam<DecisionRow>
{
};

TEST_P(UsageOptInDecisionTest, StartModeZeroCountsEverythingButZero)
{
    EXPECT_EQ(UsageLogClient::countsAsOptedIn(GetParam().startMode, GetParam().optInState),
              GetParam().optedIn);
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageOptInDecisionTest,
                         ::testing::Values(DecisionRow{0, -1, true}, DecisionRow{0, 0, false},
                                           DecisionRow{0, 1, true}, DecisionRow{0, 2, true},
                                           DecisionRow{1, -1, false}, DecisionRow{1, 0, false},
                                           DecisionRow{1, 1, true}, DecisionRow{2, 1, true},
                                           DecisionRow{2, 2, false}, DecisionRow{2, -1, false}));

TEST(UsageProductLine, OnlyTheExactOldIdIsReplaced)
{
    EXPECT_EQ(UsageLogClient::correctedProductLineId(QStringLiteral("TS5.1")), u"TS5.5");
    EXPECT_EQ(UsageLogClient::correctedProductLineId(QStringLiteral("TS5.10")), u"TS5.10");
    EXPECT_EQ(UsageLogClient::correctedProductLineId(QStringLiteral("Orvana11")), u"Orvana11");
}

} // namespace
