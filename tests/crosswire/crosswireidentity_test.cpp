#include "crosswire/crosswireidentity.h"
#include "platform/registry/regkey.h"
#include "tests/support/testenvironment.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using KnObjects::CrosswireIdentity;

namespace {

const QString kKey = QStringLiteral("Software\\Tessaly\\IAC");

QString stored(const QString &name)
{
    reg_key_cu_t key(kKey, KEY_READ);
    QString value;
    key.queryString(name, value);
    return value;
}

} // namespace

TEST(CrosswireIdentity, MakesBothValuesAsUnpaddedHexAndKeepsThem)
{
    TestEnvironment env;
    CrosswireIdentity::clearCache();
    const QByteArray user = CrosswireIdentity::userId();
    const QByteArray key = CrosswireIdentity::digestKey();
    const QRegularExpression hex(QStringLiteral("^[0-9A-F]{16,32}$"));
    EXPECT_TRUE(hex.match(QString::fromLatin1(user)).hasMatch()) << user.constData();
    EXPECT_TRUE(hex.match(QString::fromLatin1(key)).hasMatch()) << key.constData();
    EXPECT_NE(user, key);
    EXPECT_EQ(stored(QStringLiteral("UserID")), QString::fromLatin1(user));
    EXPECT_EQ(stored(QStringLiteral("MD5ID")), QString::fromLatin1(key));
    CrosswireIdentity::clearCache();
    EXPECT_EQ(CrosswireIdentity::userId(), user) << "a later process reads the stored value";
    EXPECT_EQ(CrosswireIdentity::digestKey(), key);
}

// Guards against the digest key staying empty for good once another value made the key.
TEST(CrosswireIdentity, AMissingDigestKeyIsMadeEvenWhenTheKeyExists)
{
    TestEnvironment env;
    {
        reg_key_cu_t key(kKey, KEY_ALL_ACCESS);
        ASSERT_EQ(key.setString(QStringLiteral("UserID"), QStringLiteral("ABC123")), ERROR_SUCCESS);
    }
    CrosswireIdentity::clearCache();
    EXPECT_EQ(CrosswireIdentity::userId(), QByteArray("ABC123"));
    EXPECT_FALSE(CrosswireIdentity::digestKey().isEmpty());
    CrosswireIdentity::clearCache();
}
