#include "platform/geo/geoinfo.h"
#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

#include <algorithm>

using Geo::GeoInfo;

TEST(GeoInfo, ListsTheIsoNationsWithNumericIdentifiers)
{
    const QList<Geo::Nation> nations = GeoInfo::nations();
    ASSERT_GE(nations.size(), 240);
    const auto germany = std::find_if(nations.begin(), nations.end(),
                                      [](const Geo::Nation &n) { return n.alpha2 == u"DE"; });
    ASSERT_NE(germany, nations.end());
    EXPECT_EQ(germany->id, 276);
    EXPECT_EQ(germany->name, QStringLiteral("Germany"));
    // Andorra's code "020" is decimal 20, not octal.
    const auto andorra = std::find_if(nations.begin(), nations.end(),
                                      [](const Geo::Nation &n) { return n.alpha2 == u"AD"; });
    ASSERT_NE(andorra, nations.end());
    EXPECT_EQ(andorra->id, 20);
}

TEST(GeoInfo, ParsesOnlyUsableEntries)
{
    const QByteArray json = R"({"3166-1": [
        {"alpha_2": "DE", "name": "Germany", "numeric": "276"},
        {"alpha_2": "BO", "name": "Bolivia, Plurinational State of", "common_name": "Bolivia",
         "numeric": "068"},
        {"alpha_2": "XX", "name": "No code"},
        {"alpha_2": "YY", "name": "Bad code", "numeric": "abc"},
        {"alpha_2": "ZZ", "numeric": "999"},
        "not an object"]})";
    const QList<Geo::Nation> nations = GeoInfo::parseNations(json);
    ASSERT_EQ(nations.size(), 2);
    EXPECT_EQ(nations[0].id, 276);
    EXPECT_EQ(nations[1].id, 68);
    EXPECT_EQ(nations[1].name, QStringLiteral("Bolivia")) << "the common name is the friendly one";
    EXPECT_TRUE(GeoInfo::parseNations("{not json").isEmpty());
}

TEST(GeoInfo, NamesFollowTheLanguage)
{
    struct Row
    {
        int id;
        QStringList languages;
        const char *expected;
    };
    const Row rows[] = {
        {276, {}, "Germany"},
        {276, {QStringLiteral("de")}, "Deutschland"},
        {276, {QStringLiteral("xx_YY"), QStringLiteral("fr")}, "Allemagne"},
        {250, {QStringLiteral("de_DE"), QStringLiteral("de")}, "Frankreich"},
        {840, {QStringLiteral("xx")}, "United States"},
    };
    for (const Row &row : rows) {
        const std::optional<QString> name = GeoInfo::friendlyName(row.id, row.languages);
        ASSERT_TRUE(name) << row.id;
        EXPECT_EQ(*name, QString::fromUtf8(row.expected)) << row.languages.join(u',').toStdString();
    }
    EXPECT_FALSE(GeoInfo::friendlyName(1000, {}));
    EXPECT_FALSE(GeoInfo::friendlyName(0, {}));
}

TEST(GeoInfo, NationOfLocale)
{
    const std::pair<const char *, std::optional<int>> rows[] = {
        {"de_DE", 276},       {"en_US", 840},       {"en_us", 840},          {"pt-BR", 76},
        {"fr_CA.UTF-8", 124}, {"de", std::nullopt}, {"xx_QQ", std::nullopt}, {"", std::nullopt},
    };
    for (const auto &[code, expected] : rows)
        EXPECT_EQ(GeoInfo::nationOfLocale(QString::fromLatin1(code)), expected) << code;
}

TEST(GeoInfo, UserLanguagesFollowTheEnvironment)
{
    struct Row
    {
        const char *lcAll;
        const char *lang;
        const char *language;
        QStringList expected;
    };
    const Row rows[] = {
        {"de_AT.UTF-8", "", "", {QStringLiteral("de_AT"), QStringLiteral("de")}},
        {"", "fr_FR.UTF-8@euro", "", {QStringLiteral("fr_FR"), QStringLiteral("fr")}},
        {"",
         "de_DE.UTF-8",
         "fr:de",
         {QStringLiteral("fr"), QStringLiteral("de"), QStringLiteral("de_DE")}},
        // LANGUAGE is ignored in the C locale, as gettext ignores it.
        {"C.UTF-8", "de_DE.UTF-8", "fr", {}},
        {"", "", "fr", {}},
    };
    for (const Row &row : rows) {
        TestEnvironment env;
        env.unset("LC_MESSAGES");
        for (const auto &[name, value] :
             {std::pair{"LC_ALL", row.lcAll}, {"LANG", row.lang}, {"LANGUAGE", row.language}}) {
            if (*value)
                env.set(name, QString::fromLatin1(value));
            else
                env.unset(name);
        }
        EXPECT_EQ(GeoInfo::userLanguages(), row.expected) << row.lcAll << "|" << row.lang;
    }
}
