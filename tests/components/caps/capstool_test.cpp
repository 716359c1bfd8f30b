#include "components/caps/capsapplicationrecord.h"
#include "components/caps/capsdatabase.h"
#include "components/caps/capslibrary.h"
#include "components/caps/tessalycaps.h"

#include "tests/support/testenvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun caps(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(CAPS_TOOL_PROGRAM), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString Organizer = QStringLiteral("pxoorganizer-11.0");

ToolRun registerOrganizer(const QStringList &more = {})
{
    return caps(QStringList{QStringLiteral("register"), Organizer, QStringLiteral("--path"),
                            QStringLiteral("/opt/organizer/PixtrelOrvanaOrganizer")} +
                more);
}

QList<QByteArray> lines(const QByteArray &text)
{
    QList<QByteArray> result = text.split('\n');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

TEST(CapsTool, RegisterWritesEveryKeyWithItsDefault)
{
    TestEnvironment env;
    const ToolRun reg = registerOrganizer();
    ASSERT_EQ(reg.exitCode, 0) << reg.err.toStdString();
    const ToolRun show = caps({QStringLiteral("show"), Organizer});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QList<QByteArray> expected = {
        "Group=pxoorganizer",
        "Specifier=pxoorganizer-11.0",
        "Path=/opt/organizer/PixtrelOrvanaOrganizer",
        "WindowClassName=PixtrelOrvanaOrganizer",
        "DisplayName=PixtrelOrvanaOrganizer",
        "BundleIdentifier=",
        "CrosswireVersion=",
        "AllowMultipleInstances=",
        "IsShellTool=",
        "MessageAuthentication=",
        "MessageDigest=",
        "SupportsSRTK=",
        "CrosswireCode=",
        "ExecutableBasename=PixtrelOrvanaOrganizer",
        "ExecutableExtensionWin=exe",
        "ExecutableExtensionMac=",
        "ExecutableExtensionUnix=",
        "OMVDictionary=",
        "DeveloperInstallPath=",
        "RedirectTo=",
        "ExecutablePath=/opt/organizer/PixtrelOrvanaOrganizer",
    };
    EXPECT_EQ(lines(show.out), expected);
    EXPECT_EQ(lines(caps({QStringLiteral("show"), QStringLiteral("--group"),
                          QStringLiteral("pxoorganizer")})
                        .out),
              QList<QByteArray>(
                  {"DisplayName=PixtrelOrvanaOrganizer", "PreferredApp=pxoorganizer-11.0"}));
    EXPECT_EQ(lines(caps({QStringLiteral("list")}).out),
              QList<QByteArray>(
                  {"pxoorganizer-11.0\tpxoorganizer\t/opt/organizer/PixtrelOrvanaOrganizer"}));
    EXPECT_EQ(lines(caps({QStringLiteral("list"), QStringLiteral("payloads")}).out),
              QList<QByteArray>({"pxoorganizer-11.0\tpxoorganizer"}));
}

struct OptionRow
{
    const char *option;
    const char *key;
};

class CapsToolOption : public ::testing::TestWithParam<OptionRow>
{
};

TEST_P(CapsToolOption, SetsItsKey)
{
    TestEnvironment env;
    const QString value = QLatin1String(GetParam().key) == QLatin1String("RedirectTo")
                              ? QStringLiteral("pxoorganizer-12.0")
                              : QStringLiteral("value-of-") + QLatin1String(GetParam().key);
    const QString option = QLatin1String(GetParam().option);
    // "--set KEY=VALUE" needs the value inside; the others take it as the next argument.
    const QStringList arguments =
        option == QLatin1String("--set")
            ? QStringList{option, QStringLiteral("MessageDigest=") + value}
            : QStringList{option, value};
    const ToolRun reg = registerOrganizer(arguments);
    ASSERT_EQ(reg.exitCode, 0) << reg.err.toStdString();
    CapsLibrary library(QStringLiteral(TESSALY_CAPS_LIBRARY));
    CapsLibrary::Session session(library, true);
    EXPECT_EQ(session.value(QStringLiteral(PCD_CROSSWIRE_DOMAIN), Organizer,
                            QLatin1String(GetParam().key)),
              QLatin1String(GetParam().key) == QLatin1String("Group") ? value.toLower() : value);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOption, CapsToolOption,
    ::testing::Values(OptionRow{"--group", "Group"}, OptionRow{"--window-class", "WindowClassName"},
                      OptionRow{"--display-name", "DisplayName"},
                      OptionRow{"--bundle-id", "BundleIdentifier"},
                      OptionRow{"--crosswire-version", "CrosswireVersion"},
                      OptionRow{"--allow-multiple-instances", "AllowMultipleInstances"},
                      OptionRow{"--shell-tool", "IsShellTool"},
                      OptionRow{"--message-authentication", "MessageAuthentication"},
                      OptionRow{"--message-digest", "MessageDigest"},
                      OptionRow{"--srtk", "SupportsSRTK"},
                      OptionRow{"--crosswire-code", "CrosswireCode"},
                      OptionRow{"--basename", "ExecutableBasename"},
                      OptionRow{"--ext-win", "ExecutableExtensionWin"},
                      OptionRow{"--ext-mac", "ExecutableExtensionMac"},
                      OptionRow{"--ext-unix", "ExecutableExtensionUnix"},
                      OptionRow{"--omv-dictionary", "OMVDictionary"},
                      OptionRow{"--redirect", "RedirectTo"}, OptionRow{"--set", "MessageDigest"}),
    [](const auto &info) {
        std::string name = info.param.option + 2;
        std::erase(name, '-');
        return name;
    });

struct SpecifierRow
{
    const char *name;
    QString specifier;
    bool accepted;
};

class CapsToolSpecifier : public ::testing::TestWithParam<SpecifierRow>
{
};

TEST_P(CapsToolSpecifier, IsCheckedBeforeAnythingIsWritten)
{
    TestEnvironment env;
    const ToolRun reg = caps({QStringLiteral("register"), GetParam().specifier,
                              QStringLiteral("--path"), QStringLiteral("/opt/x/X")});
    EXPECT_EQ(reg.exitCode == 0, GetParam().accepted) << reg.err.toStdString();
    if (!GetParam().accepted) {
        EXPECT_FALSE(QFileInfo::exists(CapsDatabase::defaultPath()));
        return;
    }
    EXPECT_EQ(caps({QStringLiteral("list")}).out.split('\t').first(),
              GetParam().specifier.toLower().toUtf8());
}

INSTANTIATE_TEST_SUITE_P(
    Specifiers, CapsToolSpecifier,
    ::testing::Values(SpecifierRow{"UpperCaseIsLowered", QStringLiteral("PXOEditor-11.0"), true},
                      SpecifierRow{"Limit255", QStringLiteral("a").repeated(255), true},
                      SpecifierRow{"Limit256", QStringLiteral("a").repeated(256), false},
                      SpecifierRow{"Limit257", QStringLiteral("a").repeated(257), false},
                      SpecifierRow{"EndpointSuffix", QStringLiteral("pxoorganizer-11.0#thread"),
                                   false},
                      SpecifierRow{"Blank", QStringLiteral("pxo organizer"), false},
                      SpecifierRow{"NoApplicationPart", QStringLiteral("-11.0"), false},
                      SpecifierRow{"PathSeparator", QStringLiteral("a/b"), false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CapsTool, ReadingCommandsOnAMissingDatabase)
{
    TestEnvironment env;
    const ToolRun list = caps({QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.isEmpty());
    EXPECT_EQ(caps({QStringLiteral("show"), Organizer}).exitCode, 1);
    EXPECT_EQ(caps({QStringLiteral("remove"), Organizer}).exitCode, 1);
    EXPECT_NE(caps({QStringLiteral("export")}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(env.machineRoot() + QStringLiteral("/caps")));
}

TEST(CapsTool, UsageErrorsExitWithTwoAndHelpDocumentsTheStandIns)
{
    TestEnvironment env;
    EXPECT_EQ(caps({}).exitCode, 2);
    EXPECT_EQ(caps({QStringLiteral("frobnicate")}).exitCode, 2);
    EXPECT_EQ(caps({QStringLiteral("register"), Organizer}).exitCode, 2) << "no --path";
    EXPECT_EQ(registerOrganizer({QStringLiteral("--display-name")}).exitCode, 2);
    EXPECT_EQ(registerOrganizer({QStringLiteral("--no-such-option"), QStringLiteral("x")}).exitCode,
              2);
    EXPECT_EQ(registerOrganizer({QStringLiteral("--set"), QStringLiteral("NoSuchKey=1")}).exitCode,
              2);
    const ToolRun help = caps({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *text : {"register", "pxoorganizer-11.0", "PixtrelOrvanaOrganizer",
                             "pxoeditor-11.0", "PixtrelOrvanaEditor", "export", "remove"})
        EXPECT_TRUE(help.out.contains(text)) << text;
    EXPECT_FALSE(QFileInfo::exists(CapsDatabase::defaultPath()));
}

TEST(CapsTool, ReRegisteringReplacesTheWholeRecord)
{
    TestEnvironment env;
    ASSERT_EQ(registerOrganizer({QStringLiteral("--display-name"), QStringLiteral("Old")}).exitCode,
              0);
    ASSERT_EQ(registerOrganizer({QStringLiteral("--window-class"), QStringLiteral("W")}).exitCode,
              0);
    const QByteArray shown = caps({QStringLiteral("show"), Organizer}).out;
    EXPECT_TRUE(shown.contains("\nDisplayName=PixtrelOrvanaOrganizer\n"));
    EXPECT_TRUE(shown.contains("\nWindowClassName=W\n"));
}

TEST(CapsTool, RemovingApplicationsKeepsGroupsConsistent)
{
    TestEnvironment env;
    const QString family = QStringLiteral("orvana");
    ASSERT_EQ(registerOrganizer({QStringLiteral("--group"), family}).exitCode, 0);
    ASSERT_EQ(caps({QStringLiteral("register"), QStringLiteral("pxoeditor-11.0"),
                    QStringLiteral("--path"), QStringLiteral("/opt/e/PixtrelOrvanaEditor"),
                    QStringLiteral("--group"), family})
                  .exitCode,
              0);
    // The first member stays preferred; a group with members cannot just be removed.
    EXPECT_TRUE(caps({QStringLiteral("show"), QStringLiteral("--group"), family})
                    .out.contains("PreferredApp=pxoorganizer-11.0"));
    EXPECT_EQ(caps({QStringLiteral("remove"), QStringLiteral("--group"), family}).exitCode, 1);

    // The preferred member goes: the other one is preferred now.
    ASSERT_EQ(caps({QStringLiteral("remove"), Organizer}).exitCode, 0);
    EXPECT_TRUE(caps({QStringLiteral("show"), QStringLiteral("--group"), family})
                    .out.contains("PreferredApp=pxoeditor-11.0"));
    EXPECT_EQ(lines(caps({QStringLiteral("list"), QStringLiteral("payloads")}).out),
              QList<QByteArray>({"pxoeditor-11.0\torvana"}));
    // The last member goes: so does the group.
    ASSERT_EQ(caps({QStringLiteral("remove"), QStringLiteral("PXOEDITOR-11.0")}).exitCode, 0);
    EXPECT_TRUE(caps({QStringLiteral("list"), QStringLiteral("groups")}).out.isEmpty());
    EXPECT_EQ(caps({QStringLiteral("remove"), Organizer}).exitCode, 1);

    ASSERT_EQ(registerOrganizer().exitCode, 0);
    EXPECT_EQ(caps({QStringLiteral("remove"), QStringLiteral("--group"),
                    QStringLiteral("pxoorganizer"), QStringLiteral("--force")})
                  .exitCode,
              0);
    EXPECT_TRUE(caps({QStringLiteral("list"), QStringLiteral("groups")}).out.isEmpty());
}

TEST(CapsTool, ExportWritesPayloadsAndDomainsLosslessly)
{
    TestEnvironment env;
    ASSERT_EQ(
        registerOrganizer({QStringLiteral("--display-name"), QStringLiteral("A & <B>")}).exitCode,
        0);
    {
        // A value XML cannot carry as text, written through the library.
        CapsLibrary library(QStringLiteral(TESSALY_CAPS_LIBRARY));
        CapsLibrary::Session session(library, false);
        ASSERT_TRUE(session.setValue(QStringLiteral("/tessaly/other/"), QString(),
                                     QStringLiteral("Raw"), QStringLiteral("a\x01\rb")));
    }
    const QString file = env.root() + QStringLiteral("/export.xml");
    ASSERT_EQ(caps({QStringLiteral("export"), file}).exitCode, 0);
    QFile xmlFile(file);
    ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&xmlFile);
    QStringList payloads;
    QStringList path;
    QMap<QString, QString> data; // "domain|subdomain|key" -> value
    QString domain;
    QString subdomain;
    QString key;
    bool base64 = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto a = xml.attributes();
            if (xml.name() == QLatin1String("Payload"))
                payloads.append(a.value(QLatin1String("code")).toString() + QLatin1Char('/') +
                                a.value(QLatin1String("collection")).toString());
            else if (xml.name() == QLatin1String("Domain"))
                domain = a.value(QLatin1String("name")).toString(), subdomain.clear();
            else if (xml.name() == QLatin1String("Subdomain"))
                subdomain = a.value(QLatin1String("name")).toString();
            else if (xml.name() == QLatin1String("Data")) {
                key = a.value(QLatin1String("key")).toString();
                base64 = a.value(QLatin1String("encoding")) == QLatin1String("base64");
                QString value = xml.readElementText();
                if (base64) {
                    key = QString::fromUtf8(QByteArray::fromBase64(key.toLatin1()));
                    value = QString::fromUtf8(QByteArray::fromBase64(value.toLatin1()));
                }
                if (!domain.isEmpty())
                    data.insert(domain + QLatin1Char('|') + subdomain + QLatin1Char('|') + key,
                                value);
            }
            path.append(xml.name().toString());
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(path.first(), QStringLiteral("Configuration"));
    EXPECT_EQ(payloads, QStringList{QStringLiteral("pxoorganizer-11.0/pxoorganizer")});
    EXPECT_EQ(data.value(QStringLiteral("/tessaly/crosswire/|pxoorganizer-11.0|DisplayName")),
              QStringLiteral("A & <B>"));
    EXPECT_EQ(
        data.value(QStringLiteral("/tessaly/crosswire/|pxoorganizer-11.0|ExecutableExtensionWin")),
        QStringLiteral("exe"));
    EXPECT_EQ(data.value(QStringLiteral("/tessaly/crosswire/groups/|pxoorganizer|PreferredApp")),
              Organizer);
    EXPECT_EQ(data.value(QStringLiteral("/tessaly/other/||Raw")), QStringLiteral("a\x01\rb"));
    EXPECT_EQ(data.size(), CapsApplicationRecord::keys().size() + 2 + 1);
}

// Guards against a reader seeing an application record that a writer in another process has
// only half written, and against writers failing on each other's locks.
TEST(CapsTool, ReadersSeeWholeRecordsWhileOtherProcessesRegister)
{
    TestEnvironment env;
    ASSERT_EQ(registerOrganizer().exitCode, 0);
    const int rounds = 25;
    // Two writers at once, each registering its own applications again and again, every record
    // with values a reader can check against its name.
    const QString script =
        QStringLiteral(
            "for i in $(seq 1 %1); do for app in $1-a $1-b; do "
            "\"%2\" register \"$app\" --path \"/opt/$app/$app-$i\" --display-name \"$app $i\" "
            "--window-class \"$app-$i\" >/dev/null || exit 1; done; done")
            .arg(rounds)
            .arg(QStringLiteral(CAPS_TOOL_PROGRAM));
    QProcess writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers[w].start(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), script, QStringLiteral("sh"),
                          QStringLiteral("writer%1").arg(w)});
        ASSERT_TRUE(writers[w].waitForStarted());
    }
    CapsLibrary library(QStringLiteral(TESSALY_CAPS_LIBRARY));
    ASSERT_TRUE(library.isLoaded());
    const QString apps = QStringLiteral(PCD_CROSSWIRE_DOMAIN);
    int reads = 0;
    int recordsChecked = 0;
    const QDeadlineTimer deadline(120000);
    while ((writers[0].state() != QProcess::NotRunning ||
            writers[1].state() != QProcess::NotRunning) &&
           !deadline.hasExpired()) {
        CapsLibrary::Session session(library, true);
        ASSERT_TRUE(session.isOpen()) << session.status();
        for (const QString &app : session.subdomains(apps)) {
            if (app == Organizer)
                continue;
            const QStringList keys = session.keys(apps, app);
            ASSERT_EQ(keys, CapsApplicationRecord::keys()) << app.toStdString();
            const QString path =
                session.value(apps, app, QStringLiteral("Path")).value_or(QString());
            const QString round = path.section(QLatin1Char('-'), -1);
            ASSERT_EQ(path, QStringLiteral("/opt/%1/%1-%2").arg(app, round));
            // Every key read within one session belongs to the same registration.
            EXPECT_EQ(session.value(apps, app, QStringLiteral("DisplayName")),
                      app + QLatin1Char(' ') + round);
            EXPECT_EQ(session.value(apps, app, QStringLiteral("WindowClassName")),
                      app + QLatin1Char('-') + round);
            EXPECT_EQ(session.value(apps, app, QStringLiteral("ExecutablePath")), path);
            ++recordsChecked;
        }
        ++reads;
        // QProcess learns of a child's end only inside a wait (or an event loop).
        for (QProcess &writer : writers)
            writer.waitForFinished(2);
    }
    for (QProcess &writer : writers) {
        ASSERT_TRUE(writer.state() == QProcess::NotRunning || writer.waitForFinished(10000));
        EXPECT_EQ(writer.exitCode(), 0) << "a writer failed while another one wrote";
    }
    EXPECT_GT(recordsChecked, 0);
    CapsLibrary::Session last(library, true);
    EXPECT_EQ(last.subdomains(apps).size(), 5);
    EXPECT_EQ(last.value(apps, QStringLiteral("writer1-b"), QStringLiteral("DisplayName")),
              QStringLiteral("writer1-b %1").arg(rounds));
    std::printf("[ caps ] %d reads, %d records checked during %d registrations\n", reads,
                recordsChecked, 4 * rounds);
}
