// ZStringLocalizer: texts of scripts from the dictionaries beside them.

#include "components/scriptruntime/kernova/filespec.h"
#include "crosswire/scriptlocalizercomponent.h"
#include "crosswire/zstringlocalizer.h"
#include "tests/crosswire/scriptsupport.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using CrosswireTest::ScriptApplication;
using KnObjects::ScriptLocalizerComponent;
using KnObjects::ZStringLocalizer;

namespace {

class ScriptLocalizer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scripts = environment.root() + QStringLiteral("/scripts");
        ASSERT_TRUE(QDir().mkpath(scripts + QStringLiteral("/Tools")));
        script = Kernova::FileSpec(Kernova::String(scripts + QStringLiteral("/Tools.jsx")));
        write(scripts + QStringLiteral("/Tools/Tools_de_DE.dat"),
              "$$$/Tools/Title=Werkzeuge\n"
              "/Tools/Count=%1 Bilder\r\n"
              "no separator line\n"
              "$$$/Tools/Equation=a=b\n"
              "$$$/Tools/Title=second definition is ignored\n");
    }
    static void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QString translate(ZStringLocalizer &localizer, const char *text)
    {
        return localizer.localize(Kernova::String(QString::fromUtf8(text)), script).toQString();
    }

    TestEnvironment environment;
    QString scripts;
    Kernova::FileSpec script;
};

struct LookupRow
{
    const char *name;
    const char *text;
    const char *expected;
};

class ScriptLocalizerLookup : public ScriptLocalizer,
                              public ::testing::WithParamInterface<LookupRow>
{
};

TEST_P(ScriptLocalizerLookup, TextFromTheScriptsDictionaryOrItsDefault)
{
    ZStringLocalizer localizer(QStringLiteral("de_de"));
    EXPECT_EQ(translate(localizer, GetParam().text), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, ScriptLocalizerLookup,
    ::testing::Values(LookupRow{"InDictionary", "$$$/Tools/Title=Tools", "Werkzeuge"},
                      LookupRow{"KeyWithoutDollarsInFileAndCarriageReturn",
                                "$$$/Tools/Count=%1 pictures", "%1 Bilder"},
                      LookupRow{"ValueKeepsLaterEquals", "$$$/Tools/Equation=x", "a=b"},
                      LookupRow{"NotInDictionaryGivesDefault", "$$$/Tools/Missing=Default text",
                                "Default text"},
                      LookupRow{"EmptyDefault", "$$$/Tools/Missing=", ""},
                      LookupRow{"DefaultWithEquals", "$$$/Tools/Missing=1 + 1 = 2", "1 + 1 = 2"},
                      LookupRow{"NoDefaultShowsItself", "$$$/Tools/Missing", "$$$/Tools/Missing"},
                      LookupRow{"NotAZString", "Plain text", "Plain text"},
                      LookupRow{"SingleDollar", "$Tools/Title=Tools", "$Tools/Title=Tools"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptLocalizer, MissingDictionaryLeavesTheDefaultTexts)
{
    ZStringLocalizer localizer(QStringLiteral("fr_fr"));
    EXPECT_EQ(translate(localizer, "$$$/Tools/Title=Tools"), QLatin1String("Tools"));
    EXPECT_EQ(localizer.dictionaryPath(script), scripts + QStringLiteral("/Tools/Tools_fr_FR.dat"));
}

TEST_F(ScriptLocalizer, TemplateWithoutScriptPartsServesEveryScript)
{
    write(environment.dataHome() + QStringLiteral("/strings-de-DE-de_de.txt"),
          "$$$/Any/Key=Überall\n");
    ZStringLocalizer localizer(QStringLiteral("de_DE"));
    localizer.setTemplate(
        QStringLiteral("{USERDATA}/strings-{LANGUAGE}-{REGION}-{ZSTRINGINFO}.txt"));
    EXPECT_FALSE(localizer.dependsOnScript());
    EXPECT_EQ(localizer.pathTemplate(),
              QDir(environment.dataHome()).absolutePath() +
                  QStringLiteral("/strings-{LANGUAGE}-{REGION}-{ZSTRINGINFO}.txt"));
    EXPECT_EQ(localizer.localize(Kernova::String("$$$/Any/Key=Anywhere"), Kernova::FileSpec())
                  .toQString(),
              QStringLiteral("Überall"));
}

TEST_F(ScriptLocalizer, ScriptDependentTemplateWithoutAScriptGivesTheDefault)
{
    ZStringLocalizer localizer(QStringLiteral("de_de"));
    EXPECT_TRUE(localizer.dependsOnScript());
    EXPECT_EQ(localizer.localize(Kernova::String("$$$/Tools/Title=Tools"), Kernova::FileSpec())
                  .toQString(),
              QLatin1String("Tools"));
}

TEST_F(ScriptLocalizer, DictionaryIsReadOnceUntilTheTemplateChanges)
{
    ZStringLocalizer localizer(QStringLiteral("de_de"));
    EXPECT_EQ(translate(localizer, "$$$/Tools/Title=Tools"), QLatin1String("Werkzeuge"));
    write(scripts + QStringLiteral("/Tools/Tools_de_DE.dat"), "$$$/Tools/Title=Neu\n");
    EXPECT_EQ(translate(localizer, "$$$/Tools/Title=Tools"), QLatin1String("Werkzeuge"));
    localizer.setTemplate(QString(ZStringLocalizer::kDefaultTemplate));
    EXPECT_EQ(translate(localizer, "$$$/Tools/Title=Tools"), QLatin1String("Neu"));
}

TEST_F(ScriptLocalizer, OversizedDictionaryIsNotRead)
{
    QByteArray big = "$$$/Tools/Title=Werkzeuge\n";
    big += QByteArray(ZStringLocalizer::kMaxDictionaryBytes, 'x');
    write(scripts + QStringLiteral("/Tools/Tools_de_DE.dat"), big);
    ZStringLocalizer localizer(QStringLiteral("de_de"));
    EXPECT_EQ(translate(localizer, "$$$/Tools/Title=Tools"), QLatin1String("Tools"));
}

TEST_F(ScriptLocalizer, PushedLocalizerAnswersTheRuntimesTranslateUntilRemoved)
{
    const Kernova::String text("$$$/Tools/Title=Tools");
    // What the localizers already pushed in this process say (the process's own one gives the
    // default text).
    const QString before = Kernova::Localizer::translate(text, script).toQString();
    ASSERT_NE(before, QLatin1String("Werkzeuge"));
    {
        ZStringLocalizer localizer(QStringLiteral("de_de"));
        Kernova::Localizer::push(&localizer);
        EXPECT_EQ(Kernova::Localizer::translate(text, script).toQString(),
                  QLatin1String("Werkzeuge"));
        Kernova::Localizer::remove(&localizer);
        EXPECT_EQ(Kernova::Localizer::translate(text, script).toQString(), before);
        Kernova::Localizer::push(&localizer);
    }
    // Destroyed, it is off the stack.
    EXPECT_EQ(Kernova::Localizer::translate(text, script).toQString(), before);
}

class ScriptLocalize : public ScriptApplication
{
};

TEST_F(ScriptLocalize, ScriptsTranslateThroughTheDictionaryBesideThemAndFillPlaceholders)
{
    const QString folder = environment.root() + QStringLiteral("/scripts");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Albums")));
    const QString locale = ScriptLocalizerComponent::processLocalizer().locale();
    QFile dictionary(folder + QStringLiteral("/Albums/Albums_") + locale + QStringLiteral(".dat"));
    ASSERT_TRUE(dictionary.open(QIODevice::WriteOnly));
    dictionary.write("$$$/Albums/Count=%1 albums, %2 new\n");
    dictionary.close();
    // The script runs from its file, as a start-up script does.
    ASSERT_TRUE(engine->evaluate(
        Kernova::String("var counted = localize('$$$/Albums/Count=%1 folders', 12, 3);"
                        "var missing = localize('$$$/Albums/Missing=%1 missing', 'none');"),
        nullptr, Kernova::String(folder + QStringLiteral("/Albums.jsx"))))
        << lastError().toStdString();
    EXPECT_EQ(value(QStringLiteral("counted")), QLatin1String("12 albums, 3 new"));
    EXPECT_EQ(value(QStringLiteral("missing")), QLatin1String("none missing"));
    // A script without a file has no dictionary: the default text.
    EXPECT_EQ(value(QStringLiteral("localize('$$$/Albums/Count=%1 folders', 2)")),
              QLatin1String("2 folders"));
    EXPECT_EQ(value(QStringLiteral("localize('plain %1', 'text')")), QLatin1String("plain text"));
}

} // namespace
