// The start-up scripts folder and Crosswire.loadAppScript.

#include "components/scriptruntime/kernova/filespec.h"
#include "crosswire/scriptfilefilter.h"
#include "crosswire/startupscripts.h"
#include "platform/folders/folders.h"
#include "tests/crosswire/scriptsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace KnObjects;
using CrosswireTest::ScriptApplication;

namespace {

class ScriptStartup : public ScriptApplication
{
protected:
    void SetUp() override
    {
        ScriptApplication::SetUp();
        folder = StartupScripts::folder();
        ASSERT_TRUE(folder.startsWith(environment.root())) << folder.toStdString();
        ASSERT_TRUE(folder.endsWith(QLatin1String("/Tessaly/Startup Scripts TS5")));
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    void write(const QString &name, const QByteArray &script)
    {
        QFile file(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script);
    }
    QString folder;
};

TEST_F(ScriptStartup, JsxIsPreferredToJsxbin)
{
    write(QStringLiteral("pxoorganizer-11.0.jsx"),
          "loaded = (typeof loaded == 'string' ? loaded : '') + 'jsx';");
    write(QStringLiteral("pxoorganizer-11.0.jsxbin"), "loaded = 'jsxbin';");
    EXPECT_EQ(value(QStringLiteral("String(Crosswire.loadAppScript('pxoorganizer-11.0'))")),
              QLatin1String("true"));
    EXPECT_EQ(value(QStringLiteral("loaded")), QLatin1String("jsx"));
}

TEST_F(ScriptStartup, JsxbinServesWhenThereIsNoJsx)
{
    write(QStringLiteral("pxoeditor-11.0.jsxbin"), "loadedEditor = 'jsxbin';");
    EXPECT_EQ(value(QStringLiteral("String(Crosswire.loadAppScript('pxoeditor-11.0'))")),
              QLatin1String("true"));
    EXPECT_EQ(value(QStringLiteral("loadedEditor")), QLatin1String("jsxbin"));
}

struct NotLoadedRow
{
    const char *name;
    const char *target;
};

class ScriptStartupNotLoaded : public ScriptStartup,
                               public ::testing::WithParamInterface<NotLoadedRow>
{
};

// Guards against a target name reaching files outside the start-up scripts folder.
TEST_P(ScriptStartupNotLoaded, LoadAppScriptAnswersFalse)
{
    write(QStringLiteral("failing.jsx"), "this is ( not script");
    // A script outside the folder that a path could reach.
    QFile outside(folder + QStringLiteral("/../outside.jsx"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("escaped = true;");
    outside.close();
    EXPECT_EQ(value(QStringLiteral("String(Crosswire.loadAppScript('%1'))")
                        .arg(QLatin1String(GetParam().target))),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("typeof escaped")), QLatin1String("undefined"));
}

INSTANTIATE_TEST_SUITE_P(NotLoaded, ScriptStartupNotLoaded,
                         ::testing::Values(NotLoadedRow{"Missing", "nosuchapp-1.0"},
                                           NotLoadedRow{"Failing", "failing"},
                                           NotLoadedRow{"ParentFolder", "../outside"},
                                           NotLoadedRow{"Hidden", ".outside"},
                                           NotLoadedRow{"Empty", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptStartup, RunAllTakesEveryScriptOnceInNameOrderAndGoesOnAfterAFailure)
{
    ASSERT_TRUE(run(QStringLiteral("var order = [];")));
    write(QStringLiteral("b.jsx"), "order.push('b');");
    write(QStringLiteral("a.jsxbin"), "order.push('a');");
    write(QStringLiteral("c.jsx"), "order.push('c'); throw new Error('c fails');");
    write(QStringLiteral("c.jsxbin"), "order.push('c-bin');");
    write(QStringLiteral("d.JSX"), "order.push('d');");
    write(QStringLiteral("notes.txt"), "order.push('txt');");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/folder.jsx")));
    QStringList errors;
    EXPECT_EQ(StartupScripts::runAll(*engine, &errors), 3);
    EXPECT_EQ(value(QStringLiteral("order.join(',')")), QLatin1String("a,b,c,d"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QLatin1String("c fails")));
}

TEST(ScriptFileFilterTest, AcceptsScriptFilesOnly)
{
    TestEnvironment environment;
    const QString dir = environment.root();
    for (const char *name : {"a.jsx", "b.JSXBIN", "c.js", "d.jsx.txt"}) {
        QFile file(dir + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/e.jsx")));
    ScriptFileFilter filter;
    auto accepts = [&](const char *name) {
        return filter.accept(
            Kernova::FileSpec(Kernova::String(dir + QLatin1Char('/') + QLatin1String(name))));
    };
    EXPECT_TRUE(accepts("a.jsx"));
    EXPECT_TRUE(accepts("b.JSXBIN"));
    EXPECT_FALSE(accepts("c.js"));
    EXPECT_FALSE(accepts("d.jsx.txt"));
    EXPECT_FALSE(accepts("e.jsx"));
    EXPECT_FALSE(accepts("missing.jsx"));
}

} // namespace
