#include "components/caps/capsdatabase.h"
#include "components/caps/configurationxml.h"
#include "components/caps/tessalycaps.h"

#include "tests/support/testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

int capsTool(const QStringList &arguments, QByteArray *out = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(CAPS_TOOL_PROGRAM), arguments);
    process.waitForFinished(60000);
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray withoutTime(QByteArray xml)
{
    return QString::fromUtf8(xml)
        .replace(QRegularExpression(QStringLiteral(" modified=\"[^\"]*\"")), QString())
        .toUtf8();
}

} // namespace

// Guards against an export that its own import cannot take back unchanged.
TEST(ConfigurationXml, ExportImportsBackUnchanged)
{
    QByteArray first;
    {
        TestEnvironment env;
        ASSERT_EQ(
            capsTool({QStringLiteral("register"), QStringLiteral("pxoorganizer-11.0"),
                      QStringLiteral("--path"), QStringLiteral("/opt/o/PixtrelOrvanaOrganizer"),
                      QStringLiteral("--display-name"), QStringLiteral("Ä & <b> \"q\"")}),
            0);
        int32_t status = -1;
        auto db = CapsDatabase::open(QString(), CapsDatabase::Access::Create, &status);
        ASSERT_TRUE(db);
        ASSERT_EQ(db->setValue(QStringLiteral("/tessaly/raw/"), QString(),
                               QStringLiteral("tab\tkey"), QStringLiteral("cr\r\x02 lf\n")),
                  PCD_OK);
        ASSERT_EQ(db->setValue(QStringLiteral("/tessaly/raw/"), QStringLiteral("sub\x01"),
                               QStringLiteral("k"), QStringLiteral("v")),
                  PCD_OK);
        ASSERT_EQ(capsTool({QStringLiteral("export")}, &first), 0);
    }
    TestEnvironment env;
    const QString file = env.root() + QStringLiteral("/in.xml");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(first);
    out.close();
    ASSERT_EQ(capsTool({QStringLiteral("import"), file}), 0);
    QByteArray second;
    ASSERT_EQ(capsTool({QStringLiteral("export")}, &second), 0);
    EXPECT_EQ(withoutTime(second).toStdString(), withoutTime(first).toStdString());
}

struct RejectRow
{
    const char *name;
    const char *xml;
};

class ConfigurationXmlReject : public ::testing::TestWithParam<RejectRow>
{
};

TEST_P(ConfigurationXmlReject, IsRefusedWithAReasonAndChangesNothing)
{
    TestEnvironment env;
    ConfigurationXml::Document document;
    QString error;
    EXPECT_FALSE(ConfigurationXml::read(QByteArray(GetParam().xml), &document, &error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_EQ(capsTool({QStringLiteral("register"), QStringLiteral("pxoorganizer-11.0"),
                        QStringLiteral("--path"), QStringLiteral("/opt/o/O")}),
              0);
    QByteArray before;
    ASSERT_EQ(capsTool({QStringLiteral("export")}, &before), 0);
    const QString file = env.root() + QStringLiteral("/bad.xml");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(GetParam().xml);
    out.close();
    EXPECT_EQ(capsTool({QStringLiteral("import"), file}), 1);
    QByteArray after;
    ASSERT_EQ(capsTool({QStringLiteral("export")}, &after), 0);
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, ConfigurationXmlReject,
    ::testing::Values(
        RejectRow{"Empty", ""}, RejectRow{"WrongRoot", "<Config/>"},
        RejectRow{"Unclosed", "<Configuration><Domain name=\"/d/\"><Subdomain name=\"s\">"
                              "<Data key=\"k\">v</Data></Subdomain></Domain>"},
        RejectRow{"Dtd", "<!DOCTYPE c [<!ENTITY a \"x\">]><Configuration/>"},
        RejectRow{"EmptyKey", "<Configuration><Domain name=\"/d/\"><Subdomain name=\"s\">"
                              "<Data key=\"\">v</Data></Subdomain></Domain></Configuration>"},
        RejectRow{"MissingCode", "<Configuration><Payload collection=\"c\"/></Configuration>"},
        RejectRow{"NestedSubdomain",
                  "<Configuration><Domain name=\"/d/\"><Subdomain name=\"a\">"
                  "<Subdomain name=\"b\"/></Subdomain></Domain></Configuration>"},
        RejectRow{"ElementInData",
                  "<Configuration><Domain name=\"/d/\"><Subdomain name=\"a\">"
                  "<Data key=\"k\"><b/></Data></Subdomain></Domain></Configuration>"},
        RejectRow{"BadBase64", "<Configuration><Domain name=\"/d/\"><Subdomain name=\"a\">"
                               "<Data key=\"aw==\" encoding=\"base64\">a*b=</Data></Subdomain>"
                               "</Domain></Configuration>"},
        RejectRow{"Base64NotUtf8", "<Configuration><Domain name=\"/d/\"><Subdomain name=\"a\">"
                                   "<Data key=\"aw==\" encoding=\"base64\">/w==</Data></Subdomain>"
                                   "</Domain></Configuration>"},
        RejectRow{"TextOutsideData", "<Configuration>stray</Configuration>"},
        RejectRow{"SecondRoot", "<Configuration/><Configuration/>"},
        // A good payload before the fault must not be imported on its own.
        RejectRow{"FaultAfterGoodPart", "<Configuration><Payload code=\"p\" collection=\"c\"/>"
                                        "<Unknown/></Configuration>"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ConfigurationXml, SizeLimitAtTheBoundary)
{
    const QByteArray head =
        "<Configuration><Domain name=\"/d/\"><Subdomain name=\"s\"><Data key=\"k\">";
    const QByteArray tail = "</Data></Subdomain></Domain></Configuration>";
    const qsizetype filler = ConfigurationXml::maxDocumentBytes - head.size() - tail.size();
    ConfigurationXml::Document document;
    QString error;
    EXPECT_TRUE(ConfigurationXml::read(head + QByteArray(filler, 'x') + tail, &document, &error))
        << error.toStdString();
    EXPECT_FALSE(
        ConfigurationXml::read(head + QByteArray(filler + 1, 'x') + tail, &document, &error));
}
