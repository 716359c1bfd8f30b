#include "platform/registry/hivefile.h"
#include "platform/registry/productsettings.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(ProductSettings, Paths)
{
    TestEnvironment env;
    EXPECT_EQ(ProductSettings::productKeyPath(),
              QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer"));
    EXPECT_EQ(ProductSettings::orvanaIniPath(),
              env.machineRoot() + QStringLiteral("/data/Tessaly/Orvana Organizer/11.0/Orvana.ini"));
}

TEST(ProductSettings, UniqueIdIsMadeOnceAndStored)
{
    TestEnvironment env;
    const QString id = ProductSettings::uniqueId();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}$"))
            .match(id)
            .hasMatch())
        << id.toStdString();
    EXPECT_EQ(ProductSettings::uniqueId(), id);
    PtSettingsCU settings(ProductSettings::productKeyPath());
    EXPECT_EQ(settings.value(QStringLiteral("PXO8UniqueID")).toString(), id);
}

TEST(ProductSettings, StoredUniqueIdIsKept)
{
    TestEnvironment env;
    {
        PtSettingsCU settings(ProductSettings::productKeyPath());
        settings.setValue(QStringLiteral("pxo8uniqueid"), QStringLiteral("{given}"));
    }
    EXPECT_EQ(ProductSettings::uniqueId(), QStringLiteral("{given}"));
}

TEST(ProductSettings, EmptyLocaleBecomesEnUsAndIsWrittenBack)
{
    TestEnvironment env;
    {
        reg_key_lm_t key(ProductSettings::productKeyPath(), KEY_WRITE);
        ASSERT_EQ(key.setString(QStringLiteral("Locale"), QString()), ERROR_SUCCESS);
    }
    EXPECT_EQ(ProductSettings::localeValue(), QStringLiteral("en_us"));
    reg_key_lm_t key(ProductSettings::productKeyPath());
    QString stored;
    ASSERT_TRUE(key.queryString(QStringLiteral("Locale"), stored));
    EXPECT_EQ(stored, QStringLiteral("en_us"));
}

TEST(ProductSettings, StoredLocaleIsReturned)
{
    TestEnvironment env;
    {
        reg_key_lm_t key(ProductSettings::productKeyPath(), KEY_WRITE);
        ASSERT_EQ(key.setString(QStringLiteral("LOCALE"), QStringLiteral("de_DE")), ERROR_SUCCESS);
    }
    EXPECT_EQ(ProductSettings::localeValue(), QStringLiteral("de_DE"));
}
