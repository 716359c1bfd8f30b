#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun reg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TESSALY_REG_PROGRAM), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Iac = QStringLiteral("HKCU\\Software\\Tessaly\\IAC");

struct SetRow
{
    const char *name;
    const char *type;
    const char *data;
    const char *printed; // what "query --value" prints
    RegValue stored;
};

class TessalyRegSet : public ::testing::TestWithParam<SetRow>
{
};

} // namespace

TEST_P(TessalyRegSet, SetThenQueryPrintsTheDataAlone)
{
    TestEnvironment env;
    const ToolRun set =
        reg({QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("Item"),
             QStringLiteral("--type"), QString::fromLatin1(GetParam().type),
             QStringLiteral("--data"), QString::fromUtf8(GetParam().data)});
    ASSERT_EQ(set.exitCode, 0) << set.err.constData();
    const ToolRun query =
        reg({QStringLiteral("query"), QStringLiteral("hkey_current_user\\software\\tessaly\\iac"),
             QStringLiteral("--value"), QStringLiteral("ITEM")});
    EXPECT_EQ(query.exitCode, 0) << query.err.constData();
    EXPECT_EQ(query.out, QByteArray(GetParam().printed) + '\n');
    RegValue value;
    reg_key_cu_t key(QStringLiteral("Software\\Tessaly\\IAC"));
    EXPECT_EQ(key.queryValue(QStringLiteral("Item"), value), ERROR_SUCCESS);
    EXPECT_EQ(value, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, TessalyRegSet,
    ::testing::Values(
        SetRow{"String", "sz", "Grüße \"x\"", "Grüße \"x\"",
               RegValue::fromString(QStringLiteral("Grüße \"x\""))},
        SetRow{"DwordDecimal", "dword", "4294967295", "4294967295",
               RegValue::fromDword(0xffffffffu)},
        SetRow{"DwordHex", "dword", "0x10", "16", RegValue::fromDword(16)},
        SetRow{"DwordNegative", "dword", "-1", "4294967295", RegValue::fromDword(0xffffffffu)},
        SetRow{"Binary", "binary", "00,7f,FF", "00,7f,ff",
               RegValue::fromBinary(QByteArray("\x00\x7f\xff", 3))},
        SetRow{"BinaryPlain", "binary", "0a0b", "0a,0b", RegValue::fromBinary("\x0a\x0b")}),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

struct BadRow
{
    const char *name;
    QStringList arguments;
    int exitCode;
};

class TessalyRegErrors : public ::testing::TestWithParam<BadRow>
{
};

} // namespace

// Guards against failures reported as success, or without a message on stderr.
TEST_P(TessalyRegErrors, ExitCodeAndMessage)
{
    TestEnvironment env;
    ASSERT_EQ(reg({QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("Present"),
                   QStringLiteral("--data"), QStringLiteral("x")})
                  .exitCode,
              0);
    const QByteArray before = readAll(HiveFile::path(HKEY_CURRENT_USER));
    const ToolRun run = reg(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.startsWith("tessaly-reg: ")) << run.err.constData();
    EXPECT_EQ(readAll(HiveFile::path(HKEY_CURRENT_USER)), before);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, TessalyRegErrors,
    ::testing::Values(
        BadRow{"QueryMissingKey", {QStringLiteral("query"), Iac + QStringLiteral("\\Nope")}, 1},
        BadRow{"QueryMissingValue",
               {QStringLiteral("query"), Iac, QStringLiteral("--value"), QStringLiteral("Nope")},
               1},
        BadRow{"DeleteMissingKey", {QStringLiteral("delete"), Iac + QStringLiteral("\\Nope")}, 1},
        BadRow{"DeleteMissingValue",
               {QStringLiteral("delete"), Iac, QStringLiteral("--value"), QStringLiteral("Nope")},
               1},
        BadRow{"ExportMissingKey",
               {QStringLiteral("export"), Iac + QStringLiteral("\\Nope"), QStringLiteral("-")},
               1},
        BadRow{"UnknownRoot", {QStringLiteral("query"), QStringLiteral("HKEY_USERS\\x")}, 2},
        BadRow{"BadDword",
               {QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("d"),
                QStringLiteral("--type"), QStringLiteral("dword"), QStringLiteral("--data"),
                QStringLiteral("4294967296")},
               2},
        BadRow{"BadBinary",
               {QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("b"),
                QStringLiteral("--type"), QStringLiteral("binary"), QStringLiteral("--data"),
                QStringLiteral("0g")},
               2},
        BadRow{"UnknownType",
               {QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("b"),
                QStringLiteral("--type"), QStringLiteral("float")},
               2},
        BadRow{"DeleteRoot", {QStringLiteral("delete"), QStringLiteral("HKCU")}, 2},
        BadRow{"NoCommand", {}, 2}, BadRow{"UnknownCommand", {QStringLiteral("frobnicate")}, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TessalyReg, QueryListsTheKeyWithStoredNames)
{
    TestEnvironment env;
    {
        reg_key_cu_t key(QStringLiteral("Software\\Tessaly\\IAC"), KEY_WRITE);
        key.setString(QString(), QStringLiteral("unnamed"));
        key.setDword(QStringLiteral("Count"), 3);
        reg_key_cu_t sub(QStringLiteral("Software\\Tessaly\\IAC\\Sub"), KEY_WRITE);
    }
    const ToolRun run =
        reg({QStringLiteral("query"), QStringLiteral("HKCU\\software\\tessaly\\iac")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "HKEY_CURRENT_USER\\Software\\Tessaly\\IAC\n"
                       "    (Default)    REG_SZ    unnamed\n"
                       "    Count    REG_DWORD    3\n"
                       "\n"
                       "HKEY_CURRENT_USER\\Software\\Tessaly\\IAC\\Sub\n");
}

TEST(TessalyReg, DeleteValueAndKey)
{
    TestEnvironment env;
    reg({QStringLiteral("set"), Iac + QStringLiteral("\\Sub"), QStringLiteral("--value"),
         QStringLiteral("a"), QStringLiteral("--data"), QStringLiteral("1")});
    reg({QStringLiteral("set"), Iac, QStringLiteral("--value"), QStringLiteral("@"),
         QStringLiteral("--data"), QStringLiteral("d")});
    EXPECT_EQ(reg({QStringLiteral("delete"), Iac, QStringLiteral("--value"), QString()}).exitCode,
              0);
    EXPECT_EQ(reg({QStringLiteral("query"), Iac, QStringLiteral("--value"), QStringLiteral("@")})
                  .exitCode,
              1);
    EXPECT_EQ(
        reg({QStringLiteral("delete"), QStringLiteral("HKEY_CURRENT_USER\\Software\\Tessaly")})
            .exitCode,
        0);
    EXPECT_EQ(reg({QStringLiteral("query"), Iac + QStringLiteral("\\Sub")}).exitCode, 1);
    EXPECT_EQ(reg({QStringLiteral("query"), QStringLiteral("HKCU\\Software")}).exitCode, 0);
}

TEST(TessalyReg, ExportThenImportIntoAnotherMachine)
{
    TestEnvironment env;
    const QString key =
        QStringLiteral("HKLM\\SOFTWARE\\Tessaly\\Orvana Organizer\\11.0\\Organizer");
    reg({QStringLiteral("set"), key, QStringLiteral("--value"), QStringLiteral("Locale"),
         QStringLiteral("--data"), QStringLiteral("de_DE")});
    reg({QStringLiteral("set"), key, QStringLiteral("--value"), QStringLiteral("Blob"),
         QStringLiteral("--type"), QStringLiteral("binary"), QStringLiteral("--data"),
         QString(QStringLiteral("ab")).repeated(100)});
    const QString file = env.root() + QStringLiteral("/organizer.reg");
    ASSERT_EQ(
        reg({QStringLiteral("export"), QStringLiteral("HKLM\\Software\\Tessaly"), file}).exitCode,
        0);
    const QByteArray machineBefore = readAll(HiveFile::path(HKEY_LOCAL_MACHINE));

    TestEnvironment other;
    const ToolRun import = reg({QStringLiteral("import"), file});
    ASSERT_EQ(import.exitCode, 0) << import.err.constData();
    EXPECT_EQ(readAll(HiveFile::path(HKEY_LOCAL_MACHINE)), machineBefore);
    PtSettingsLM settings(QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer"));
    EXPECT_EQ(settings.value(QStringLiteral("locale")).toString(), QStringLiteral("de_DE"));
}

// Guards against a partly bad import file being half applied.
TEST(TessalyReg, ImportWithAnUnreadableLineChangesNothing)
{
    TestEnvironment env;
    const QString file = env.root() + QStringLiteral("/bad.reg");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("Windows Registry Editor Version 5.00\n"
                  "[HKEY_CURRENT_USER\\Software\\Good]\n\"a\"=\"1\"\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Good]\n\"b\"=dword:nothex\n");
    }
    const ToolRun run = reg({QStringLiteral("import"), file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(":5: unreadable value")) << run.err.constData();
    EXPECT_FALSE(QFile::exists(HiveFile::path(HKEY_CURRENT_USER)));
    EXPECT_FALSE(QFile::exists(HiveFile::path(HKEY_LOCAL_MACHINE)));
}

// Guards against lost updates between tool processes preparing one hive at the same time.
TEST(TessalyReg, ManyProcessesAtOnceLoseNothing)
{
    TestEnvironment env;
    constexpr int Count = 12;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < Count; ++i) {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(TESSALY_REG_PROGRAM),
                       {QStringLiteral("set"), QStringLiteral("HKLM\\Software\\Tessaly\\Race"),
                        QStringLiteral("--value"), QStringLiteral("v%1").arg(i),
                        QStringLiteral("--type"), QStringLiteral("dword"), QStringLiteral("--data"),
                        QString::number(i)});
        processes.push_back(std::move(process));
    }
    for (auto &process : processes) {
        ASSERT_TRUE(process->waitForFinished(30000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().constData();
    }
    reg_key_lm_t key(QStringLiteral("Software\\Tessaly\\Race"));
    EXPECT_EQ(key.valueNames().size(), Count);
    for (int i = 0; i < Count; ++i)
        EXPECT_EQ(key.queryDword(QStringLiteral("v%1").arg(i)), quint32(i));
}

// Guards against the demo set-up writing a value named "Default" that the launcher, reading the
// unnamed value through its settings, never sees.
TEST(TessalyReg, DefaultNamesTheUnnamedValueAsForSettings)
{
    TestEnvironment env;
    const QString key =
        QStringLiteral("HKLM\\Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath");
    ASSERT_EQ(reg({QStringLiteral("set"), key, QStringLiteral("--value"), QStringLiteral("Default"),
                   QStringLiteral("--type"), QStringLiteral("sz"), QStringLiteral("--data"),
                   QStringLiteral("/opt/editor")})
                  .exitCode,
              0);
    EXPECT_TRUE(readAll(HiveFile::path(HKEY_LOCAL_MACHINE)).contains("@=\"/opt/editor\"\n"));
    PtSettingsLM settings(QStringLiteral("Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath"));
    EXPECT_EQ(settings.value(QStringLiteral("Default")).toString(), QStringLiteral("/opt/editor"));
    EXPECT_EQ(
        reg({QStringLiteral("query"), key, QStringLiteral("--value"), QStringLiteral("@")}).out,
        "/opt/editor\n");
}
