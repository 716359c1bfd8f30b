// The connector as the messaging context's hooks: launching on send, the launch parameters kept
// by the messaging thread, running targets, the scan for the family's older applications.

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/interappstream.h"
#include "crosswire/messageglobals.h"
#include "tests/crosswire/crosswiretestsupport.h"

#include "tests/support/testenvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using KnObjects::CrosswireConnector;
using KnObjects::CrosswireContext;
using KnObjects::CWConnectorAppInfo;
using KnObjects::InterAppStream;
using KnObjects::Crosswire::Message;

namespace {

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ConnectorLaunchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto connector = std::make_unique<CrosswireConnector>(QStringLiteral("/nonexistent"));
        m_connector = connector.get();
        m_context =
            std::make_unique<CrosswireContext>(CrosswireTest::identity(), std::move(connector));
        ASSERT_EQ(CrosswireContext::current(), m_context.get());
        ASSERT_TRUE(m_context->init("pxolauncher-11.0"));
        ASSERT_EQ(m_context->connector(), m_connector);
    }
    void TearDown() override
    {
        // The started programs hold this process's output open: they go before the context.
        if (!m_context)
            return;
        for (const CWConnectorAppInfo &record : m_connector->running().records()) {
            if (record.processId() > 0)
                ::kill(pid_t(record.processId()), SIGKILL);
        }
        m_context.reset();
    }

    // An installed application whose program counts its starts in `starts` and runs the
    // listening peer under the specifier it is launched with, writing what arrives to `out`.
    QString writeProgram(const QString &out, const QString &starts)
    {
        const QString program = m_dir.filePath(QStringLiteral("PixtrelOrvanaOrganizer"));
        QFile file(program);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#!/bin/sh\necho \"$*\" >> \"" + starts.toUtf8() +
                   "\"\n[ \"$1\" = -specifier ] || exit 3\nexec \"" CROSSWIRE_PEER_PATH
                   "\" listen --specifier \"$2\" > \"" +
                   out.toUtf8() + "\" 2>/dev/null\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
        return program;
    }

    TestEnvironment m_env;
    QTemporaryDir m_dir;
    CrosswireConnector *m_connector = nullptr;
    std::unique_ptr<CrosswireContext> m_context;
};

} // namespace

TEST_F(ConnectorLaunchTest, AMessageToAnInstalledTargetThatDoesNotRunLaunchesItAndArrives)
{
    KnObjects::CrosswireData::MessageGlobals::instance().setVerifyDigests(true);
    KnObjects::CrosswireData::MessageGlobals::instance().setAddDigest(true);
    const QString out = m_dir.filePath(QStringLiteral("peer.txt"));
    const QString starts = m_dir.filePath(QStringLiteral("starts.txt"));
    m_connector->installed().add(
        CWConnectorAppInfo("pxoorganizer-11.0", writeProgram(out, starts).toUtf8()));

    Message m;
    m.target = "pxoorganizer-11";
    m.body = "open('organizeTab', 'requestFromWS');";
    m.responseRequest = "Received Result";
    m.serialNumber = m_context->nextSerialNumber();
    auto processed = std::make_shared<CrosswireTest::RecordingHandler>("Processed", m.serialNumber);
    m_context->addHandler(processed);
    ASSERT_TRUE(m_context->send(m, true, false, "-open \"a b\""));
    EXPECT_EQ(m.target, QByteArray("pxoorganizer-11.0")); // normalised against the installed list
    // The messaging thread keeps what the launch was asked to pass on.
    EXPECT_EQ(m_context->thread()->value("LAUNCHPARAMS:pxoorganizer-11.0"),
              QByteArray("-open \"a b\""));
    EXPECT_TRUE(
        CrosswireTest::pumpUntil(*m_context, [&] { return !processed->entries().empty(); }));
    for (int i = 0; i < 100 && !fileText(out).contains("MSG"); ++i)
        QThread::msleep(50);
    const QByteArray expected =
        "MSG pxolauncher-11.0 " + QByteArray::number(m.serialNumber) + " Scriptara " + m.body;
    EXPECT_TRUE(fileText(out).contains(expected)) << fileText(out).constData();
    EXPECT_EQ(fileText(starts),
              QByteArray("-specifier pxoorganizer-11.0 -nostartupscreen -open a b\n"));

    // A running target is not started again; a 257-character one is never started.
    ASSERT_EQ(m_connector->running().size(), 1);
    const qint64 pid = m_connector->running().records().front().processId();
    EXPECT_TRUE(m_connector->launch("pxoorganizer-11.0", {}, false));
    EXPECT_TRUE(m_connector->launch("PXOOrganizer-11.0#thread", {}, false));
    EXPECT_EQ(m_connector->running().size(), 1);
    EXPECT_EQ(m_connector->running().records().front().processId(), pid);
    EXPECT_FALSE(m_connector->launch(QByteArray(257, 'p'), {}, false));
    QThread::msleep(200);
    EXPECT_EQ(fileText(starts).count('\n'), 1);
    EXPECT_EQ(m_connector->getStatus("pxoorganizer-11.0"), QByteArray("IDLE"));
}

TEST_F(ConnectorLaunchTest, ATargetThatIsNeitherInstalledNorRunningCannotBeLaunched)
{
    Message m;
    m.target = "pxonothere-11.0";
    m.body = "x()";
    m.responseRequest = "Error";
    m.serialNumber = m_context->nextSerialNumber();
    auto errors = std::make_shared<CrosswireTest::RecordingHandler>("Scriptara", m.serialNumber);
    m_context->addHandler(errors);
    EXPECT_FALSE(m_context->send(m, true));
    EXPECT_TRUE(CrosswireTest::pumpUntil(
        *m_context, [&] { return !errors->entries().empty(); }, 5));
    ASSERT_FALSE(errors->entries().empty());
    EXPECT_EQ(errors->entries().front().type, QByteArray("Error"));
    EXPECT_EQ(errors->entries().front().errorCode, QByteArray("59"));
    EXPECT_EQ(errors->entries().front().body, QByteArray("ERROR: TARGET COULD NOT BE LAUNCHED"));
    EXPECT_TRUE(m_connector->running().isEmpty());
    EXPECT_EQ(m_connector->getStatus("pxonothere-11.0"), QByteArray("ISNOTINSTALLED"));
}

// Guards against stored launch parameters outliving a launch that never started.
TEST_F(ConnectorLaunchTest, AFailedStartForgetsTheLaunchParameters)
{
    m_connector->installed().add(
        CWConnectorAppInfo("pxoeditor-11.0", m_dir.filePath(QStringLiteral("missing")).toUtf8()));
    EXPECT_EQ(m_connector->getStatus("pxoeditor-11.0"), QByteArray("ISNOTRUNNING"));
    EXPECT_FALSE(m_connector->launch("pxoeditor-11.0", "-x", false));
    EXPECT_FALSE(m_context->thread()->hasValue("LAUNCHPARAMS:pxoeditor-11.0"));
    EXPECT_TRUE(m_connector->running().isEmpty());
    // An instance that is not installed falls back to the application's record.
    EXPECT_FALSE(m_connector->launch("pxoeditor_4-11.0", {}, false));
    EXPECT_FALSE(m_connector->launch("pxoeditor-11.0", QByteArray(65537, 'x'), false));
}

TEST_F(ConnectorLaunchTest, ProcessSetupFromTheCommandLineNamesTheEndpoint)
{
    CrosswireContext::Identity identity = m_context->identity();
    m_context.reset(); // one context per process
    m_connector = nullptr;
    CrosswireContext launched(identity);
    ASSERT_TRUE(launched.initFromCommandLine(
        "pxoorganizer-11.0",
        {QStringLiteral("-specifier"), QStringLiteral("pxoorganizer-11.0"),
         QStringLiteral("-nostartupscreen"), QStringLiteral("-instance"), QStringLiteral("5")}));
    EXPECT_EQ(launched.ownSpecifier(), QByteArray("pxoorganizer_5-11.0"));
    EXPECT_EQ(launched.thread()->value("LAUNCHPARAMS"),
              QByteArray("-specifier pxoorganizer-11.0 -nostartupscreen -instance 5"));
    ASSERT_NE(launched.connector(), nullptr); // the connector is the default hooks

    CrosswireContext invalid(identity);
    EXPECT_FALSE(invalid.initFromCommandLine("pxoorganizer-11.0",
                                             {QStringLiteral("-specifier"), QString(256, u'a')}));
    EXPECT_EQ(invalid.status(), QByteArray("INVALIDSPEC"));
}

TEST_F(ConnectorLaunchTest, TheLegacyScanAddsOlderApplicationsThatAnswer)
{
    QByteArray older = CrosswireConnector::legacySpecifiers().at(3);
    older.replace("{LOCALE}", CrosswireConnector::userLocale());
    QByteArray installedOne = CrosswireConnector::legacySpecifiers().at(0);
    installedOne.replace("{LOCALE}", CrosswireConnector::userLocale());
    // Both answer; the installed one is a known application, not a legacy find.
    auto olderEndpoint = InterAppStream::open(older, m_context->identity().userId);
    auto installedEndpoint = InterAppStream::open(installedOne, m_context->identity().userId);
    ASSERT_TRUE(olderEndpoint->isOpen());
    ASSERT_TRUE(installedEndpoint->isOpen());
    m_connector->installed().add(CWConnectorAppInfo(installedOne, "/opt/x/app"));

    EXPECT_EQ(m_connector->scanLegacyApplications(), 1);
    const auto found = m_connector->running().find(older);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->path(), QByteArray("(running)"));
    EXPECT_FALSE(m_connector->running().find(installedOne).has_value());

    // Once it stops answering, a scanning refresh drops it.
    olderEndpoint.reset();
    m_connector->updateConnectorCache(true);
    EXPECT_FALSE(m_connector->running().find(older).has_value());
}
