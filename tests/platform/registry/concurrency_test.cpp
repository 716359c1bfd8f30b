#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"

#include "tests/platform/registry/registrychild.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

namespace {

struct WriterPair
{
    const char *name;
    const char *first;
    const char *second;
};

class HiveWriters : public ::testing::TestWithParam<WriterPair>
{
};

} // namespace

// Guards against lost updates: two processes writing different values into one hive at the
// same moment must both find their values in the file afterwards.
TEST_P(HiveWriters, TwoProcessesWritingAtOnceLoseNothing)
{
    TestEnvironment env;
    constexpr int Count = 40;
    // Something to merge with from the start, so no writer begins with a missing file.
    {
        PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\Race"));
        settings.setValue(QStringLiteral("Seed"), 1);
    }
    auto a = RegistryChild::start(
        {QString::fromLatin1(GetParam().first), QString::number(Count), QStringLiteral("A")});
    auto b = RegistryChild::start(
        {QString::fromLatin1(GetParam().second), QString::number(Count), QStringLiteral("B")});
    RegistryChild::go(*a);
    RegistryChild::go(*b);
    EXPECT_EQ(RegistryChild::result(*a), 0);
    EXPECT_EQ(RegistryChild::result(*b), 0);

    const HiveFile::Loaded loaded = HiveFile::load(HKEY_CURRENT_USER);
    const HiveKey *key = loaded.hive->find(QStringLiteral("Software\\Tessaly\\Race"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values().size(), size_t(2 * Count + 1));
    for (int i = 0; i < Count; ++i) {
        for (const char *prefix : {"A", "B"}) {
            const HiveKey::Value *value =
                key->value(QString(QLatin1String(prefix) + QString::number(i)));
            ASSERT_NE(value, nullptr) << prefix << i;
            EXPECT_EQ(value->value.toDword(), quint32(i)) << prefix << i;
        }
    }
    EXPECT_NE(key->value(QStringLiteral("Seed")), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, HiveWriters,
    ::testing::Values(WriterPair{"Settings", "settings-writer", "settings-writer"},
                      WriterPair{"SettingsAndRegKey", "settings-writer", "regkey-writer"},
                      WriterPair{"RegKeys", "regkey-writer", "regkey-writer"}),
    [](const auto &info) { return std::string(info.param.name); });
