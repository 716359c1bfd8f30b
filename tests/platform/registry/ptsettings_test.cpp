#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString WelcomeKey = QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");

} // namespace

TEST(PtSettings, MissingValueYieldsDefault)
{
    TestEnvironment env;
    PtSettingsCU s(WelcomeKey);
    EXPECT_EQ(s.value(QStringLiteral("QuickLaunchApp"), 0).toInt(), 0);
    EXPECT_FALSE(s.contains(QStringLiteral("QuickLaunchApp")));
}

TEST(PtSettings, NamesAreCaseInsensitiveAndKeepTheirFirstCase)
{
    TestEnvironment env;
    {
        PtSettingsCU s(WelcomeKey);
        s.setValue(QStringLiteral("QuickLaunchApp"), 2);
        s.sync();
    }
    {
        PtSettingsCU s(QStringLiteral("SOFTWARE\\Tessaly\\Pixtrel Orvana\\11.0\\welcomescreen"));
        EXPECT_EQ(s.value(QStringLiteral("quicklaunchapp"), 0).toInt(), 2);
        EXPECT_TRUE(s.contains(QStringLiteral("QUICKLAUNCHAPP")));
        s.setValue(QStringLiteral("QUICKLAUNCHAPP"), 1);
    }
    const QByteArray file = readAll(HiveFile::path(HKEY_CURRENT_USER));
    EXPECT_TRUE(file.contains(
        "[HKEY_CURRENT_USER\\software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen]\n"
        "\"QuickLaunchApp\"=dword:00000001\n"))
        << file.constData();
}

namespace {

struct TypedRow
{
    const char *name;
    QVariant written;
    QByteArray line; // how the value stands in the hive file
    QVariant read;   // what a later settings object reads back
};

class PtSettingsTypes : public ::testing::TestWithParam<TypedRow>
{
};

} // namespace

// Guards against values changing type on the way through the hive (an int stored as text, a
// QByteArray as a string), as another process reads them from the file.
TEST_P(PtSettingsTypes, WriteThenReadFromTheFile)
{
    QByteArray file;
    {
        TestEnvironment env;
        PtSettingsCU s(QStringLiteral("Software\\Tessaly\\Types"));
        s.setValue(QStringLiteral("V"), GetParam().written);
        s.sync();
        file = readAll(HiveFile::path(HKEY_CURRENT_USER));
        EXPECT_TRUE(file.contains(GetParam().line)) << file.constData();
    }
    // A fresh hive path, so nothing this process remembers of the write takes part.
    TestEnvironment env;
    const QString path = HiveFile::path(HKEY_CURRENT_USER);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    PtSettingsCU s(QStringLiteral("software\\tessaly\\types"));
    const QVariant read = s.value(QStringLiteral("v"));
    EXPECT_EQ(read.metaType(), GetParam().read.metaType()) << read.metaType().name();
    EXPECT_EQ(read, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PtSettingsTypes,
    ::testing::Values(
        TypedRow{"String", QStringLiteral("en_us"), "\"V\"=\"en_us\"", QStringLiteral("en_us")},
        TypedRow{"Int", 2, "\"V\"=dword:00000002", 2},
        TypedRow{"NegativeInt", -1, "\"V\"=dword:ffffffff", -1},
        TypedRow{"UInt", 4000000000u, "\"V\"=dword:ee6b2800", int(4000000000u)},
        TypedRow{"LongLong", qlonglong(1) << 40, "\"V\"=hex(b):00,00,00,00,00,01,00,00",
                 qlonglong(1) << 40},
        TypedRow{"Bytes", QByteArray("\x01\x02", 2), "\"V\"=hex:01,02", QByteArray("\x01\x02", 2)},
        TypedRow{"StringList", QStringList{QStringLiteral("a"), QStringLiteral("b")},
                 "\"V\"=hex(7):61,00,00,00,62,00,00,00,00,00",
                 QStringList{QStringLiteral("a"), QStringLiteral("b")}},
        TypedRow{"Bool", true, "\"V\"=\"true\"", QStringLiteral("true")},
        TypedRow{"Point", QPoint(3, 4), "\"V\"=hex:40,56,61,72,69,61,6e,74,28", QPoint(3, 4)}),
    [](const auto &info) { return std::string(info.param.name); });

// Guards against "Default" being stored as a value of that name instead of the unnamed one.
TEST(PtSettings, DefaultAddressesTheUnnamedValue)
{
    TestEnvironment env;
    QFile::remove(HiveFile::path(HKEY_LOCAL_MACHINE));
    reg_key_lm_t key(QStringLiteral("Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath"),
                     KEY_WRITE);
    ASSERT_EQ(key.setString(QString(), QStringLiteral("/opt/editor")), ERROR_SUCCESS);
    {
        PtSettingsLM s(QStringLiteral("Software\\Tessaly\\Pixtrel Orvana\\11.0\\InstallPath"));
        EXPECT_EQ(s.value(QStringLiteral("Default")).toString(), QStringLiteral("/opt/editor"));
        EXPECT_EQ(s.childKeys(), QStringList{QStringLiteral("Default")});
        s.setValue(QStringLiteral("Default"), QStringLiteral("/opt/other"));
    }
    const QByteArray file = readAll(HiveFile::path(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(file.contains("@=\"/opt/other\"\n")) << file.constData();
    EXPECT_FALSE(file.contains("\"Default\""));
}

// Guards against a settings write dropping what it did not touch: lines it could not read,
// values of types it does not write itself, and values QSettings cannot name.
TEST(PtSettings, WriteKeepsUnreadableLinesAndForeignValues)
{
    TestEnvironment env;
    const QString path = HiveFile::path(HKEY_CURRENT_USER);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray original = "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Tessaly]\n"
                                "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
                                "\"With/Slash\"=\"s\"\n"
                                "\"Old\"=\"1\"\n"
                                "this line is not .reg syntax\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(original);
    }
    {
        PtSettingsCU s(QStringLiteral("Software\\Tessaly"));
        EXPECT_EQ(s.value(QStringLiteral("expand")).toString(), QStringLiteral("%A%"));
        EXPECT_EQ(s.value(QStringLiteral("Old")).toString(), QStringLiteral("1"));
        s.setValue(QStringLiteral("New"), 5);
        s.remove(QStringLiteral("OLD"));
    }
    const QByteArray file = readAll(path);
    EXPECT_TRUE(file.contains("\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n")) << file.constData();
    EXPECT_TRUE(file.contains("\"With/Slash\"=\"s\"\n"));
    EXPECT_TRUE(file.contains("this line is not .reg syntax\n"));
    EXPECT_TRUE(file.contains("\"New\"=dword:00000005\n"));
    EXPECT_FALSE(file.contains("\"Old\""));
}

// Guards against a settings object missing another writer's change that left the file the
// same size within the same millisecond (QSettings compares size and time only).
TEST(PtSettings, SeesSameSizeChangeMadeAtOnce)
{
    TestEnvironment env;
    const QString key = QStringLiteral("Software\\Tessaly\\Quick");
    for (int round = 0; round < 20; ++round) {
        {
            PtSettingsCU s(key);
            s.setValue(QStringLiteral("Digit"), QString::number(round % 10));
            s.sync();
        }
        reg_key_cu_t raw(key, KEY_WRITE | KEY_READ);
        ASSERT_EQ(raw.setString(QStringLiteral("Digit"), QString::number((round + 1) % 10)),
                  ERROR_SUCCESS);
        PtSettingsCU s(key);
        ASSERT_EQ(s.value(QStringLiteral("Digit")).toString(), QString::number((round + 1) % 10))
            << "round " << round;
    }
}

TEST(PtSettings, GroupsAndListingsUseStoredCase)
{
    TestEnvironment env;
    {
        PtSettingsCU s(QStringLiteral("Software\\Tessaly"));
        s.beginGroup(QStringLiteral("Tidings"));
        s.setValue(QStringLiteral("LastDynamicPodFileName"), QStringLiteral("pod.xml"));
        EXPECT_EQ(s.group(), QStringLiteral("Tidings"));
        s.endGroup();
        s.endGroup(); // unmatched: must not leave the key the object was opened on
        EXPECT_EQ(s.childGroups(), QStringList{QStringLiteral("Tidings")});
    }
    PtSettingsCU s(QStringLiteral("SOFTWARE\\TESSALY"));
    EXPECT_EQ(s.allKeys(), QStringList{QStringLiteral("Tidings/LastDynamicPodFileName")});
    EXPECT_EQ(s.value(QStringLiteral("tidings\\lastdynamicpodfilename")).toString(),
              QStringLiteral("pod.xml"));
}

TEST(PtSettings, PathWithoutRootIsBelowCurrentUserSoftware)
{
    TestEnvironment env;
    {
        PtSettings s(QStringLiteral("Tessaly\\NoRoot"));
        s.setValue(QStringLiteral("x"), 1);
    }
    reg_key_cu_t key(QStringLiteral("software\\tessaly\\noroot"));
    EXPECT_EQ(key.queryDword(QStringLiteral("X")), 1u);
}

// Guards against a settings object that read the hive before another writer changed it wiping
// that writer's values (added or deleted) when it writes its own.
TEST(PtSettings, WriteAfterAnotherWriterKeepsTheirChanges)
{
    TestEnvironment env;
    const QString key = QStringLiteral("Software\\Tessaly\\Merge");
    {
        reg_key_cu_t raw(key, KEY_WRITE);
        ASSERT_EQ(raw.setDword(QStringLiteral("Doomed"), 1), ERROR_SUCCESS);
    }
    PtSettingsCU s(key);
    EXPECT_TRUE(s.contains(QStringLiteral("Doomed")));
    {
        reg_key_cu_t raw(key, KEY_ALL_ACCESS);
        ASSERT_EQ(raw.setDword(QStringLiteral("Theirs"), 2), ERROR_SUCCESS);
        ASSERT_TRUE(raw.deleteValue(QStringLiteral("Doomed")));
    }
    s.setValue(QStringLiteral("Mine"), 3);
    s.sync();
    reg_key_cu_t check(key);
    EXPECT_EQ(check.queryDword(QStringLiteral("Theirs")), 2u);
    EXPECT_EQ(check.queryDword(QStringLiteral("Mine")), 3u);
    RegValue value;
    EXPECT_EQ(check.queryValue(QStringLiteral("Doomed"), value), ERROR_FILE_NOT_FOUND);
}
