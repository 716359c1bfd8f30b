// ProxyObject: properties whose reads and writes call script functions.

#include "tests/crosswire/scriptsupport.h"

#include <gtest/gtest.h>

using CrosswireTest::ScriptApplication;

namespace {

class ScriptProxy : public ScriptApplication
{
protected:
    void SetUp() override
    {
        ScriptApplication::SetUp();
        ASSERT_TRUE(run(QStringLiteral(R"JS(
            var store = { brightness: 40 };
            var calls = [];
            function getSetting(name) { calls.push('get ' + name); return store[name]; }
            function setSetting(value, name) { calls.push('set ' + name); store[name] = value; }
            var p = new ProxyObject();
        )JS")));
    }
};

TEST_F(ScriptProxy, GetterAndSetterNamedByFunctionName)
{
    EXPECT_EQ(value(QStringLiteral("p.__defineGetter__('brightness', 'getSetting')")),
              QLatin1String("true"));
    EXPECT_EQ(value(QStringLiteral("p.__defineSetter__('brightness', 'setSetting')")),
              QLatin1String("true"));
    EXPECT_EQ(value(QStringLiteral("p.brightness")), QLatin1String("40"));
    EXPECT_EQ(value(QStringLiteral("p.brightness = 75; store.brightness")), QLatin1String("75"));
    EXPECT_EQ(value(QStringLiteral("p.brightness")), QLatin1String("75"));
    EXPECT_EQ(value(QStringLiteral("calls.join(',')")),
              QLatin1String("get brightness,set brightness,get brightness"));
}

TEST_F(ScriptProxy, FunctionValuesWorkAndThisIsTheProxy)
{
    ASSERT_TRUE(run(QStringLiteral("p.__defineGetter__('self', function () { return "
                                   "this.__defineGetter__ !== undefined; });")));
    EXPECT_EQ(value(QStringLiteral("String(p.self)")), QLatin1String("true"));
}

TEST_F(ScriptProxy, GetterOnlyPropertyIsReadOnlyAndSetterOnlyReadsUndefined)
{
    ASSERT_TRUE(run(QStringLiteral("p.__defineGetter__('fixed', 'getSetting');"
                                   "p.__defineSetter__('sink', 'setSetting');")));
    EXPECT_FALSE(run(QStringLiteral("p.fixed = 1")));
    EXPECT_EQ(value(QStringLiteral("p.sink = 5; typeof p.sink")), QLatin1String("undefined"));
    EXPECT_EQ(value(QStringLiteral("store.sink")), QLatin1String("5"));
}

TEST_F(ScriptProxy, FailingSetterIsRaisedInTheScript)
{
    ASSERT_TRUE(run(QStringLiteral("function refuse() { throw new RangeError('no'); }"
                                   "p.__defineSetter__('guarded', 'refuse');")));
    ASSERT_FALSE(run(QStringLiteral("p.guarded = 1")));
    EXPECT_TRUE(lastError().contains(QLatin1String("no"))) << lastError().toStdString();
}

struct BadDefinition
{
    const char *name;
    const char *script;
};

class ScriptProxyRefused : public ScriptProxy, public ::testing::WithParamInterface<BadDefinition>
{
};

TEST_P(ScriptProxyRefused, DefinitionIsRefused)
{
    EXPECT_FALSE(run(QString::fromLatin1(GetParam().script)));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, ScriptProxyRefused,
    ::testing::Values(BadDefinition{"NoName", "p.__defineGetter__('', 'getSetting')"},
                      BadDefinition{"NoFunction", "p.__defineGetter__('x')"},
                      BadDefinition{"NumberForFunction", "p.__defineGetter__('x', 5)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptProxy, MethodsCannotBeRedefined)
{
    EXPECT_EQ(value(QStringLiteral("String(p.__defineGetter__('__defineSetter__', 'getSetting'))")),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("typeof p.__defineSetter__")), QLatin1String("function"));
}

} // namespace
