#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

namespace {

const QString SettingsKey =
    QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Common\\settings");

struct OpenRow
{
    const char *name;
    REGSAM access;
    RegError expected;
    bool created;
};

class RegKeyOpen : public ::testing::TestWithParam<OpenRow>
{
};

} // namespace

// Guards against a read-only open creating keys, and a write open failing on a missing key.
TEST_P(RegKeyOpen, MissingKey)
{
    TestEnvironment env;
    reg_key_cu_t key(SettingsKey, GetParam().access, false);
    EXPECT_EQ(key.open(), GetParam().expected);
    EXPECT_EQ(key.isOpen(), GetParam().expected == ERROR_SUCCESS);
    EXPECT_EQ(HiveFile::load(HKEY_CURRENT_USER).hive->find(SettingsKey) != nullptr,
              GetParam().created);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, RegKeyOpen,
    ::testing::Values(OpenRow{"Read", KEY_READ, ERROR_FILE_NOT_FOUND, false},
                      OpenRow{"QueryValue", KEY_QUERY_VALUE, ERROR_FILE_NOT_FOUND, false},
                      OpenRow{"SetValue", KEY_SET_VALUE, ERROR_SUCCESS, true},
                      OpenRow{"CreateSubKey", KEY_CREATE_SUB_KEY, ERROR_SUCCESS, true},
                      OpenRow{"Write", KEY_WRITE, ERROR_SUCCESS, true},
                      OpenRow{"AllAccess", KEY_ALL_ACCESS, ERROR_SUCCESS, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RegKey, TypedValuesRoundTrip)
{
    TestEnvironment env;
    {
        reg_key_cu_t key(SettingsKey, KEY_WRITE);
        ASSERT_TRUE(key.isOpen());
        EXPECT_EQ(key.setDword(QStringLiteral("STARTUP_APP"), 2), ERROR_SUCCESS);
        EXPECT_EQ(key.setString(QStringLiteral("Text"), QStringLiteral("Grüße")), ERROR_SUCCESS);
        EXPECT_EQ(key.setBinary(QStringLiteral("Blob"), QByteArray("\0\1\2", 3)), ERROR_SUCCESS);
        EXPECT_EQ(key.setString(QString(), QStringLiteral("unnamed")), ERROR_SUCCESS);
    }
    reg_key_cu_t key(SettingsKey.toUpper(), KEY_READ);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.queryDword(QStringLiteral("startup_app")), 2u);
    QString text;
    EXPECT_TRUE(key.queryString(QStringLiteral("TEXT"), text));
    EXPECT_EQ(text, QStringLiteral("Grüße"));
    RegValue blob;
    EXPECT_EQ(key.queryValue(QStringLiteral("blob"), blob), ERROR_SUCCESS);
    EXPECT_EQ(blob, RegValue::fromBinary(QByteArray("\0\1\2", 3)));
    EXPECT_TRUE(key.queryString(QString(), text));
    EXPECT_EQ(text, QStringLiteral("unnamed"));
    EXPECT_EQ(key.valueNames(), (QStringList{QStringLiteral("STARTUP_APP"), QStringLiteral("Text"),
                                             QStringLiteral("Blob"), QString()}));

    // The settings layer sees the same values with the same types.
    PtSettingsCU settings(SettingsKey);
    EXPECT_EQ(settings.value(QStringLiteral("STARTUP_APP")), QVariant(2));
    EXPECT_EQ(settings.value(QStringLiteral("Default")), QVariant(QStringLiteral("unnamed")));
}

TEST(RegKey, QueriesOfMissingOrMistypedValues)
{
    TestEnvironment env;
    reg_key_cu_t key(SettingsKey, KEY_WRITE | KEY_READ);
    ASSERT_EQ(key.setString(QStringLiteral("Text"), QStringLiteral("7")), ERROR_SUCCESS);
    QString text = QStringLiteral("untouched");
    EXPECT_FALSE(key.queryString(QStringLiteral("Missing"), text));
    EXPECT_EQ(text, QStringLiteral("untouched"));
    quint32 data = 99;
    EXPECT_EQ(key.queryDword(QStringLiteral("Missing"), data), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(data, 99u);
    EXPECT_NE(key.queryDword(QStringLiteral("Text"), data), ERROR_SUCCESS);
    EXPECT_EQ(key.queryDword(QStringLiteral("Text")), 0u);
    ASSERT_EQ(key.setDword(QStringLiteral("Number"), 3), ERROR_SUCCESS);
    EXPECT_FALSE(key.queryString(QStringLiteral("Number"), text));
}

TEST(RegKey, AccessMaskIsEnforced)
{
    TestEnvironment env;
    reg_key_cu_t writer(SettingsKey, KEY_SET_VALUE);
    ASSERT_TRUE(writer.isOpen());
    EXPECT_EQ(writer.setDword(QStringLiteral("v"), 1), ERROR_SUCCESS);
    quint32 data = 0;
    EXPECT_EQ(writer.queryDword(QStringLiteral("v"), data), ERROR_ACCESS_DENIED);

    reg_key_cu_t reader(SettingsKey, KEY_READ);
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.setDword(QStringLiteral("v"), 2), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(reader.deleteValue(QStringLiteral("v")));
    EXPECT_EQ(reader.queryDword(QStringLiteral("v")), 1u);

    reader.close();
    EXPECT_EQ(reader.queryDword(QStringLiteral("v"), data), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reader.open(), ERROR_SUCCESS);
}

TEST(RegKey, DeleteValueAndSubKey)
{
    TestEnvironment env;
    reg_key_cu_t parent(QStringLiteral("Software\\Tessaly"), KEY_ALL_ACCESS);
    {
        reg_key_cu_t child(QStringLiteral("Software\\Tessaly\\Child\\Grandchild"), KEY_WRITE);
        ASSERT_EQ(child.setDword(QStringLiteral("x"), 1), ERROR_SUCCESS);
    }
    ASSERT_EQ(parent.setDword(QStringLiteral("keep"), 1), ERROR_SUCCESS);
    EXPECT_TRUE(parent.deleteValue(QStringLiteral("KEEP")));
    EXPECT_FALSE(parent.deleteValue(QStringLiteral("keep")));
    EXPECT_EQ(parent.subKeyNames(), QStringList{QStringLiteral("Child")});
    EXPECT_TRUE(parent.deleteSubKey(QStringLiteral("child")));
    EXPECT_FALSE(parent.deleteSubKey(QStringLiteral("child")));
    EXPECT_TRUE(parent.subKeyNames().isEmpty());
}

// Guards against writes through a handle whose key another writer deleted silently recreating
// nothing or something half.
TEST(RegKey, KeyDeletedUnderAnOpenHandle)
{
    TestEnvironment env;
    reg_key_cu_t key(QStringLiteral("Software\\Tessaly\\Gone"), KEY_ALL_ACCESS);
    ASSERT_TRUE(key.isOpen());
    reg_key_cu_t parent(QStringLiteral("Software\\Tessaly"), KEY_ALL_ACCESS);
    ASSERT_TRUE(parent.deleteSubKey(QStringLiteral("Gone")));
    EXPECT_EQ(key.setDword(QStringLiteral("x"), 1), ERROR_KEY_DELETED);
    EXPECT_EQ(
        HiveFile::load(HKEY_CURRENT_USER).hive->find(QStringLiteral("Software\\Tessaly\\Gone")),
        nullptr);
}

TEST(RegKey, InvalidPathsAndNames)
{
    TestEnvironment env;
    reg_key_cu_t badPath(QStringLiteral("Software\\\\Tessaly"), KEY_WRITE, false);
    EXPECT_EQ(badPath.open(), ERROR_INVALID_PARAMETER);
    reg_key_cu_t key(QStringLiteral("Software\\Tessaly"), KEY_WRITE);
    EXPECT_EQ(key.setString(QStringLiteral("line\nbreak"), QStringLiteral("x")),
              ERROR_INVALID_PARAMETER);
}

TEST(RegKey, RootsHaveTheirOwnHives)
{
    TestEnvironment env;
    reg_key_cr_t classes(QStringLiteral(".pxo"), KEY_WRITE);
    reg_key_lm_t machine(QStringLiteral("Software\\Tessaly"), KEY_WRITE);
    ASSERT_EQ(classes.setString(QString(), QStringLiteral("Catalog")), ERROR_SUCCESS);
    ASSERT_EQ(machine.setDword(QStringLiteral("m"), 1), ERROR_SUCCESS);
    EXPECT_EQ(HiveFile::path(HKEY_CLASSES_ROOT),
              env.machineRoot() + QStringLiteral("/registry/classes.reg"));
    EXPECT_EQ(HiveFile::path(HKEY_LOCAL_MACHINE),
              env.machineRoot() + QStringLiteral("/registry/machine.reg"));
    EXPECT_EQ(HiveFile::path(HKEY_CURRENT_USER),
              env.configHome() + QStringLiteral("/tessaly/registry/user.reg"));
    EXPECT_NE(HiveFile::load(HKEY_CLASSES_ROOT).hive->find(QStringLiteral(".PXO")), nullptr);
    EXPECT_EQ(HiveFile::load(HKEY_CURRENT_USER).hive->find(QStringLiteral(".pxo")), nullptr);
    EXPECT_EQ(HiveFile::load(HKEY_CLASSES_ROOT).hive->find(QStringLiteral("Software")), nullptr);
}
