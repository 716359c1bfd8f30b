#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <QFile>

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
