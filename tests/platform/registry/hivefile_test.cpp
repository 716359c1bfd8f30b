#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/regkey.h"

#include "tests/platform/registry/registrychild.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int registryWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && context.category &&
        qstrcmp(context.category, "tessaly.platform.registry") == 0)
        ++registryWarnings;
    previousHandler(type, context, message);
}

// Makes a folder and file readable for every user (the test folders are private to their owner).
void openUp(const QString &path, QFileDevice::Permissions extra = {})
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther | extra);
}

constexpr QFileDevice::Permissions Traversable =
    QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

} // namespace

// Guards against a hive that cannot be written being replaced, truncated or half written: the
// write is refused (lost silently for settings, ERROR_ACCESS_DENIED for raw keys) and the file
// stays byte for byte as it was.
TEST(HiveFile, UnwritableHiveStaysAsItWas)
{
    TestEnvironment env;
    const QString key = QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer");
    {
        reg_key_lm_t setup(key, KEY_WRITE);
        ASSERT_EQ(setup.setString(QStringLiteral("Locale"), QStringLiteral("de_DE")),
                  ERROR_SUCCESS);
    }
    const QString hive = HiveFile::path(HKEY_LOCAL_MACHINE);
    const QString folder = QFileInfo(hive).absolutePath();
    const QByteArray before = readAll(hive);

    // As root, permissions do not stop writes: the child runs as "nobody" instead, and the
    // folders are opened for it to read (but not to write).
    const bool asNobody = RegistryChild::runningAsRoot();
    for (const QString &dir : {env.root(), env.machineRoot(), folder})
        openUp(dir, Traversable);
    openUp(hive);
    if (!asNobody) {
        QFile::setPermissions(hive, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }

    auto settings = RegistryChild::start({QStringLiteral("settings-set"),
                                          QStringLiteral("HKEY_LOCAL_MACHINE\\") + key,
                                          QStringLiteral("Locale"), QStringLiteral("fr_FR")},
                                         asNobody);
    RegistryChild::go(*settings);
    EXPECT_EQ(RegistryChild::result(*settings), int(QSettings::AccessError));

    auto raw = RegistryChild::start({QStringLiteral("regkey-open"), QStringLiteral("HKLM"), key},
                                    asNobody);
    RegistryChild::go(*raw);
    EXPECT_EQ(RegistryChild::result(*raw), ERROR_ACCESS_DENIED);

    auto rawNew = RegistryChild::start(
        {QStringLiteral("regkey-open"), QStringLiteral("HKLM"), QStringLiteral("Software\\New")},
        asNobody);
    RegistryChild::go(*rawNew);
    EXPECT_EQ(RegistryChild::result(*rawNew), ERROR_ACCESS_DENIED);

    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(hive, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readAll(hive), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("machine.reg")});
}

// Guards against the log being flooded: a hive with bad lines is reported once, not at every
// settings object that reads it.
TEST(HiveFile, UnreadableLinesAreReportedOnce)
{
    TestEnvironment env;
    writeAll(HiveFile::path(HKEY_CURRENT_USER),
             "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\nbad\n");
    registryWarnings = 0;
    previousHandler = qInstallMessageHandler(countingHandler);
    for (int i = 0; i < 3; ++i) {
        PtSettingsCU settings(QStringLiteral("A"));
        EXPECT_EQ(settings.value(QStringLiteral("x")).toString(), QStringLiteral("1"));
        // Each new object of another hive path forces a fresh read of this one next time.
        PtSettingsLM other(QStringLiteral("A"));
    }
    const int fromSettings = registryWarnings;
    for (int i = 0; i < 3; ++i) {
        reg_key_cu_t key(QStringLiteral("A"));
        EXPECT_TRUE(key.isOpen());
    }
    qInstallMessageHandler(previousHandler);
    EXPECT_EQ(fromSettings, 1);
    EXPECT_EQ(registryWarnings, 1);
}

// Guards against a hive too large to load being overwritten with only the new value.
TEST(HiveFile, TooLargeHiveIsNeitherLoadedNorOverwritten)
{
    TestEnvironment env;
    const QString path = HiveFile::path(HKEY_CURRENT_USER);
    QByteArray big = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n";
    big.append(RegDocument::MaxFileSize, ';');
    writeAll(path, big);
    {
        PtSettingsCU settings(QStringLiteral("A"));
        EXPECT_FALSE(settings.contains(QStringLiteral("x")));
        settings.setValue(QStringLiteral("y"), 2);
        settings.sync();
    }
    reg_key_cu_t key(QStringLiteral("A"), KEY_READ, false);
    EXPECT_EQ(key.open(), ERROR_BADDB);
    reg_key_cu_t writer(QStringLiteral("B"), KEY_WRITE, false);
    EXPECT_EQ(writer.open(), ERROR_BADDB);
    EXPECT_EQ(QFileInfo(path).size(), big.size());
    EXPECT_EQ(readAll(path), big);
}

TEST(HiveFile, WritesKeepThePermissionsOfTheHive)
{
    TestEnvironment env;
    const QString path = HiveFile::path(HKEY_CURRENT_USER);
    {
        reg_key_cu_t key(QStringLiteral("A"), KEY_WRITE);
        ASSERT_EQ(key.setDword(QStringLiteral("x"), 1), ERROR_SUCCESS);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    reg_key_cu_t key(QStringLiteral("A"), KEY_WRITE);
    ASSERT_EQ(key.setDword(QStringLiteral("x"), 2), ERROR_SUCCESS);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Guards against a raw key write dropping the lines of the hive it could not read.
TEST(HiveFile, RawWriteKeepsUnreadableLines)
{
    TestEnvironment env;
    const QString path = HiveFile::path(HKEY_CURRENT_USER);
    writeAll(path, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n"
                   "\"x\"=\"1\"\nnot .reg syntax\n\"y\"=dword:zz\n");
    reg_key_cu_t key(QStringLiteral("a"), KEY_WRITE);
    ASSERT_EQ(key.setDword(QStringLiteral("z"), 7), ERROR_SUCCESS);
    EXPECT_EQ(readAll(path),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n"
              "\"x\"=\"1\"\n\"z\"=dword:00000007\nnot .reg syntax\n\"y\"=dword:zz\n");
}
