#include "locale/localeutil.h"
#include "locale/zstringdictionary.h"

#include "platform/registry/productsettings.h"
#include "platform/registry/ptsettings.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <optional>

namespace {

class CurrentLocale : public testing::Test
{
protected:
    void SetUp() override { LocaleUtil::resetCache(); }
    void TearDown() override { LocaleUtil::resetCache(); }

    QString app() const { return env.root() + u"/app"; }

    void setMachineLocale(const QString &code)
    {
        PtSettingsLM settings(ProductSettings::productKeyPath());
        settings.setValue(QStringLiteral("Locale"), code);
        settings.sync();
    }

    std::optional<QString> machineLocale() const
    {
        PtSettingsLM settings(ProductSettings::productKeyPath());
        if (!settings.contains(QStringLiteral("Locale")))
            return std::nullopt;
        return settings.value(QStringLiteral("Locale")).toString();
    }

    void addPack(const QString &folder, const QByteArray &packInf)
    {
        const QString dir = app() + u"/Locales/" + folder + u"/Support Files";
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile file(dir + u"/pack.inf");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(packInf);
    }

    TestEnvironment env;
};

TEST_F(CurrentLocale, noPackNoSettingGivesEnglishAndWritesItBack)
{
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("en_us"));
    EXPECT_EQ(machineLocale(), QStringLiteral("en_us"));
}

TEST_F(CurrentLocale, emptySettingIsReplacedByEnglish)
{
    setMachineLocale(QString());
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("en_us"));
    EXPECT_EQ(machineLocale(), QStringLiteral("en_us"));
}

TEST_F(CurrentLocale, everyEnglishVariantUsesUsDictionaryWhichIsNotRead)
{
    setMachineLocale(QStringLiteral("en_GB"));
    const QString code = LocaleUtil::currentLocaleCode(app());
    EXPECT_EQ(code, QStringLiteral("en_us"));
    const int id = LocaleUtil::localeIdForCode(code);
    EXPECT_EQ(id, 58);
    basekit_private::ZStringDictionary dictionary;
    EXPECT_TRUE(
        dictionary.load(LocaleUtil::dictionaryPath(env.root() + u"/none/", code), id, false));
}

TEST_F(CurrentLocale, germanSettingGivesGermanDictionaryPath)
{
    setMachineLocale(QStringLiteral("de_DE"));
    const QString code = LocaleUtil::currentLocaleCode(app());
    EXPECT_EQ(code, QStringLiteral("de_DE"));
    EXPECT_EQ(LocaleUtil::localeIdForCode(code), 39);
    EXPECT_EQ(LocaleUtil::dictionaryPath(QStringLiteral("/L/"), code),
              QStringLiteral("/L/de_DE/zstring.dct"));
}

TEST_F(CurrentLocale, twoPacksChooseFirstListedRegardlessOfSetting)
{
    setMachineLocale(QStringLiteral("it_IT"));
    addPack(QStringLiteral("1-french"), "prefstring=Français\nlocaleid=fr_FR\n");
    addPack(QStringLiteral("2-german"), "prefstring=Deutsch\nlocaleid=de_DE\n");
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("fr_fr"));
}

TEST_F(CurrentLocale, exactlyOnePackLeavesChoiceToSetting)
{
    setMachineLocale(QStringLiteral("sv_SE"));
    addPack(QStringLiteral("german"), "prefstring=Deutsch\nlocaleid=de_DE\n");
    // Without a preference string this one is no pack.
    addPack(QStringLiteral("french"), "localeid=fr_FR\n");
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("sv_SE"));
}

TEST_F(CurrentLocale, unknownCodeFallsBackToEnglish)
{
    // Guards against ending the program with an exception for a code the table lacks.
    setMachineLocale(QStringLiteral("xx_XX"));
    const QString code = LocaleUtil::currentLocaleCode(app());
    EXPECT_EQ(code, QStringLiteral("en_us"));
    EXPECT_EQ(LocaleUtil::localeIdForCode(code), 58);
}

TEST_F(CurrentLocale, unknownPackCodeFallsBackToEnglish)
{
    addPack(QStringLiteral("a"), "prefstring=A\nlocaleid=\n");
    addPack(QStringLiteral("b"), "prefstring=B\nlocaleid=de_DE\n");
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("en_us"));
}

TEST_F(CurrentLocale, computedOnceThenCached)
{
    setMachineLocale(QStringLiteral("nl_NL"));
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("nl_NL"));
    setMachineLocale(QStringLiteral("ja_JP"));
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("nl_NL"));
    LocaleUtil::resetCache();
    EXPECT_EQ(LocaleUtil::currentLocaleCode(app()), QStringLiteral("ja_JP"));
}

TEST_F(CurrentLocale, missingDictionaryMessageFollowsCode)
{
    setMachineLocale(QStringLiteral("fr_CA"));
    const int id = LocaleUtil::localeIdForCode(LocaleUtil::currentLocaleCode(app()));
    EXPECT_EQ(LocaleUtil::missingDictionaryMessage(id).title, QStringLiteral("Erreur interne"));
    basekit_private::ZStringDictionary dictionary;
    EXPECT_FALSE(dictionary.load(
        LocaleUtil::dictionaryPath(env.root() + u"/none/", LocaleUtil::currentLocaleCode(app())),
        id, false));
}

} // namespace
