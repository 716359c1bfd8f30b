#include "locale/localeutil.h"
#include "locale/packinfo.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

struct RecordRow
{
    int id;
    const char *name;
    const char *alternate;
    const char *abbreviation;
    quint32 lcid;
};

class LocaleTableRow : public testing::TestWithParam<RecordRow>
{
};

TEST_P(LocaleTableRow, matchesWindows)
{
    const RecordRow &row = GetParam();
    EXPECT_EQ(LocaleUtil::localeName(row.id), QLatin1String(row.name));
    EXPECT_EQ(LocaleUtil::alternateName(row.id), QLatin1String(row.alternate));
    EXPECT_EQ(LocaleUtil::abbreviation(row.id), QLatin1String(row.abbreviation));
    EXPECT_EQ(LocaleUtil::lcid(row.id), row.lcid);
}

INSTANTIATE_TEST_SUITE_P(TellingRows, LocaleTableRow,
                         testing::Values(RecordRow{1, "af_za", "af_za", "AFK", 0x436},
                                         RecordRow{21, "az_az", "az_latn_az", "AZE", 0x42C},
                                         RecordRow{22, "az_az", "az_cyrl_az", "AZC", 0x82C},
                                         RecordRow{39, "de_de", "de_de", "DEU", 0x407},
                                         RecordRow{49, "en_gb", "en_gb", "ENG", 0x809},
                                         RecordRow{58, "en_us", "en_us", "ENU", 0x409},
                                         RecordRow{68, "es_es", "es_es", "ESP", 0x40A},
                                         RecordRow{69, "es_es", "es_es", "ESN", 0xC0A},
                                         RecordRow{91, "fr_fr", "fr_fr", "FRA", 0x40C},
                                         RecordRow{114, "ja_jp", "ja_jp", "JPN", 0x411},
                                         RecordRow{120, "ko_kr", "ko_kr", "KOR", 0x412},
                                         RecordRow{141, "nl_nl", "nl_nl", "NLD", 0x413},
                                         RecordRow{179, "sv_se", "sv_se", "SVE", 0x41D},
                                         RecordRow{201, "zh_cn", "zh_hans_cn", "CHS", 0x804},
                                         RecordRow{205, "zh_tw", "zh_hant_tw", "CHT", 0x404},
                                         RecordRow{206, "zu_za", "zu_za", "ZUL", 0x435},
                                         RecordRow{0, "", "", "", 0}));

TEST(LocaleTable, everyWindowsRecordIsFilledAndLcidsAreUnique)
{
    std::set<quint32> lcids;
    for (int id = 1; id <= LocaleUtil::lastLocaleId; ++id) {
        EXPECT_FALSE(LocaleUtil::localeName(id).isEmpty()) << id;
        EXPECT_EQ(LocaleUtil::abbreviation(id).size(), 3) << id;
        EXPECT_NE(LocaleUtil::lcid(id), 0u) << id;
        EXPECT_TRUE(lcids.insert(LocaleUtil::lcid(id)).second) << "duplicate LCID at " << id;
    }
}

TEST(LocaleTable, ansiCharsetsAreKnownToTheDecoder)
{
    for (int id = 0; id <= LocaleUtil::lastLocaleId; ++id) {
        const QByteArray name = LocaleUtil::ansiCharset(id);
        EXPECT_TRUE(QStringDecoder(name.constData()).isValid()) << id << " " << name.constData();
    }
    EXPECT_EQ(LocaleUtil::codePage(39), 1252);
    EXPECT_EQ(LocaleUtil::codePage(114), 932);
    EXPECT_EQ(LocaleUtil::codePage(2), 0);
    EXPECT_EQ(
        QStringDecoder(LocaleUtil::ansiCharset(157).constData()).decode(QByteArray("\xC4\xE0")),
        QStringLiteral("Да"));
}

struct CodeRow
{
    const char *code;
    int id;
};

class LocaleIdForCode : public testing::TestWithParam<CodeRow>
{
};

TEST_P(LocaleIdForCode, findsFirstRecord)
{
    EXPECT_EQ(LocaleUtil::localeIdForCode(QString::fromLatin1(GetParam().code)), GetParam().id);
    EXPECT_TRUE(LocaleUtil::isKnownLocaleCode(QString::fromLatin1(GetParam().code)));
}

INSTANTIATE_TEST_SUITE_P(Codes, LocaleIdForCode,
                         testing::Values(CodeRow{"", 0}, CodeRow{"az_az", 21}, CodeRow{"de_DE", 39},
                                         CodeRow{"EN_US", 58}, CodeRow{"es_es", 68},
                                         CodeRow{"zu_za", 206}, CodeRow{"sr_cs", 176}));

TEST(LocaleIdForCode, unknownCodeThrows)
{
    for (const QString &code : {QStringLiteral("xx_yy"), QStringLiteral("de"),
                                QStringLiteral("az_latn_az"), QStringLiteral("de_de ")}) {
        EXPECT_FALSE(LocaleUtil::isKnownLocaleCode(code));
        try {
            LocaleUtil::localeIdForCode(code);
            ADD_FAILURE() << "no exception for " << code.toStdString();
        } catch (const std::exception &error) {
            EXPECT_STREQ(error.what(), "Invalid locale string in locale/LocaleUtil.cpp");
        }
    }
}

TEST(LocaleAccessors, idsOutsideTableThrow)
{
    for (const int id : {-1, 207, 208, 1000}) {
        EXPECT_THROW(LocaleUtil::lcid(id), std::runtime_error) << id;
        EXPECT_THROW(LocaleUtil::localeName(id), std::runtime_error) << id;
        EXPECT_THROW(LocaleUtil::abbreviation(id), std::runtime_error) << id;
        EXPECT_THROW(LocaleUtil::alternateName(id), std::runtime_error) << id;
    }
    try {
        LocaleUtil::lcid(207);
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "Invalid locale in locale/LocaleUtil.cpp");
    }
    EXPECT_NO_THROW(LocaleUtil::lcid(0));
    EXPECT_NO_THROW(LocaleUtil::lcid(206));
}

struct MessageRow
{
    const char *code;
    QString title;
    QString textStart;
};

class MissingDictionaryMessage : public testing::TestWithParam<MessageRow>
{
};

TEST_P(MissingDictionaryMessage, chosenByLocale)
{
    const auto message = LocaleUtil::missingDictionaryMessage(
        LocaleUtil::localeIdForCode(QLatin1String(GetParam().code)));
    EXPECT_EQ(message.title, GetParam().title);
    EXPECT_TRUE(message.text.startsWith(GetParam().textStart)) << message.text.toStdString();
    EXPECT_EQ(message.button, QStringLiteral("Ok"));
}

INSTANTIATE_TEST_SUITE_P(Locales, MissingDictionaryMessage,
                         testing::Values(MessageRow{"de_at", QStringLiteral("Interner Fehler"),
                                                    QStringLiteral("Pixtrel Orvana kann nicht")},
                                         MessageRow{"de_lu", QStringLiteral("Interner Fehler"),
                                                    QStringLiteral("Pixtrel Orvana kann nicht")},
                                         MessageRow{"dsb_de", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana cannot")},
                                         MessageRow{"es_ar", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana no se")},
                                         MessageRow{"es_ve", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana no se")},
                                         MessageRow{"fr_be", QStringLiteral("Erreur interne"),
                                                    QStringLiteral("Pixtrel Orvana ne peut")},
                                         MessageRow{"fr_ca", QStringLiteral("Erreur interne"),
                                                    QStringLiteral("Pixtrel Orvana ne peut")},
                                         MessageRow{"fr_mc", QStringLiteral("Erreur interne"),
                                                    QStringLiteral("Pixtrel Orvana ne peut")},
                                         MessageRow{"fy_nl", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana cannot")},
                                         MessageRow{"it_ch", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Impossibile avviare")},
                                         MessageRow{"it_it", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Impossibile avviare")},
                                         MessageRow{"ja_jp", QStringLiteral("内部エラー"),
                                                    QStringLiteral("Pixtrel Orvana は")},
                                         MessageRow{"nl_be", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana kan niet")},
                                         MessageRow{"nl_nl", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana kan niet")},
                                         MessageRow{"sv_fi", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana kan inte")},
                                         MessageRow{"sv_se", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana kan inte")},
                                         MessageRow{"pt_br", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana cannot")},
                                         MessageRow{"en_us", QStringLiteral("Internal Error"),
                                                    QStringLiteral("Pixtrel Orvana cannot")}));

struct ScriptRow
{
    quint32 lcid;
    const char *script;
};

class ScriptCode : public testing::TestWithParam<ScriptRow>
{
};

TEST_P(ScriptCode, ofWindowsLocale)
{
    EXPECT_EQ(LocaleUtil::scriptCode(GetParam().lcid), QLatin1String(GetParam().script));
}

INSTANTIATE_TEST_SUITE_P(
    ByLanguageThenCodePage, ScriptCode,
    testing::Values(ScriptRow{1067, "Armn"}, ScriptRow{1079, "Geor"}, ScriptRow{0x10437, "Geor"},
                    ScriptRow{1081, "Deva"}, ScriptRow{1087, "Cyrl"}, ScriptRow{8218, "Cyrl"},
                    ScriptRow{1082, "Latn"}, ScriptRow{2117, "Beng"}, ScriptRow{1144, "Yiii"},
                    ScriptRow{2128, "Mong"}, ScriptRow{0x409, "Latn"}, ScriptRow{0x405, "Latn"},
                    ScriptRow{0x419, "Cyrl"}, ScriptRow{0x408, "Grek"}, ScriptRow{0x40D, "Hebr"},
                    ScriptRow{0x401, "Arab"}, ScriptRow{0x41E, "Thai"}, ScriptRow{0x411, "Jpan"},
                    ScriptRow{0x804, "Hans"}, ScriptRow{0x412, "Kore"}, ScriptRow{0x404, "Hant"},
                    ScriptRow{0x41F, "Latn"}, ScriptRow{0x42A, "Latn"}, ScriptRow{0x45E, "Ethi"},
                    ScriptRow{0x12345, "Zyyy"}));

TEST(DictionaryPath, joinsLocaleDirectoryCodeAndFileName)
{
    EXPECT_EQ(LocaleUtil::dictionaryPath(QStringLiteral("/opt/app/Assets/locale/"),
                                         QStringLiteral("de_DE")),
              QStringLiteral("/opt/app/Assets/locale/de_DE/zstring.dct"));
}

struct PackRow
{
    const char *name;
    QByteArray file;
    bool isPack;
    QString preference;
    QString localeId;
};

class PackInfoParse : public testing::TestWithParam<PackRow>
{
};

TEST_P(PackInfoParse, readsFirstLines)
{
    const auto info = PackInfo::parse(GetParam().file);
    ASSERT_EQ(info.has_value(), GetParam().isPack);
    if (info) {
        EXPECT_EQ(info->preferenceString, GetParam().preference);
        EXPECT_EQ(info->localeIdString, GetParam().localeId);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PackInfoParse,
    testing::Values(
        PackRow{"both", "prefstring=Deutsch\nlocaleid=de_DE\n", true, QStringLiteral("Deutsch"),
                QStringLiteral("de_DE")},
        PackRow{"crlfAndOtherLines",
                "[pack]\r\nlocaleid=fr_FR\r\nname=x\r\nprefstring=Français\r\n", true,
                QStringLiteral("Français"), QStringLiteral("fr_FR")},
        PackRow{"firstLineWins", "prefstring=A\nprefstring=B\nlocaleid=x\nlocaleid=y", true,
                QStringLiteral("A"), QStringLiteral("x")},
        PackRow{"emptyRest", "prefstring=\nlocaleid=\n", true, QString(), QString()},
        PackRow{"noPrefString", "localeid=de_DE\n", false, {}, {}},
        PackRow{"noLocaleId", "prefstring=Deutsch\n", false, {}, {}},
        PackRow{"prefixIsCaseSensitive", "PrefString=A\nlocaleid=x\n", false, {}, {}},
        PackRow{"indentedDoesNotCount", " prefstring=A\nlocaleid=x\n", false, {}, {}},
        PackRow{
            "utf16WithMark",
            QByteArray(
                "\xFF\xFEp\0r\0e\0f\0s\0t\0r\0i\0n\0g\0=\0A\0\n\0l\0o\0c\0a\0l\0e\0i\0d\0=\0x\0",
                48),
            true, QStringLiteral("A"), QStringLiteral("x")},
        PackRow{"empty", "", false, {}, {}}),
    [](const testing::TestParamInfo<PackRow> &info) { return std::string(info.param.name); });

void writePack(const QString &applicationDirectory, const QString &folder,
               const QByteArray &packInf)
{
    const QString dir = applicationDirectory + u"/Locales/" + folder + u"/Support Files";
    ASSERT_TRUE(QDir().mkpath(dir));
    QFile file(dir + u"/pack.inf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(packInf);
}

TEST(LanguagePacks, foldersWithCompletePackInfInListingOrder)
{
    TestEnvironment env;
    const QString app = env.root() + u"/app";
    writePack(app, QStringLiteral("b_german"), "prefstring=Deutsch\nlocaleid=de_DE\n");
    writePack(app, QStringLiteral("A_french"), "prefstring=Français\nlocaleid=fr_FR\n");
    writePack(app, QStringLiteral("c_partial"), "localeid=it_IT\n");
    ASSERT_TRUE(QDir().mkpath(app + u"/Locales/d_empty"));
    QFile plain(app + u"/Locales/e_file");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));

    const auto packs = LocaleUtil::languagePacks(app);
    ASSERT_EQ(packs.size(), 2);
    EXPECT_EQ(packs[0].localeIdString, QStringLiteral("fr_FR"));
    EXPECT_EQ(packs[0].preferenceString, QStringLiteral("Français"));
    EXPECT_EQ(QDir(packs[0].folder).dirName(), QStringLiteral("A_french"));
    EXPECT_EQ(packs[1].localeIdString, QStringLiteral("de_DE"));
}

TEST(LanguagePacks, noLocalesFolderGivesNone)
{
    TestEnvironment env;
    EXPECT_TRUE(LocaleUtil::languagePacks(env.root() + u"/nothing").isEmpty());
}

} // namespace
