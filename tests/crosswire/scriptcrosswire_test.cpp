// The script class Crosswire inside one process: scripts send to their own endpoint, which
// answers through Crosswire.onReceive, so both ends of an exchange run here.

#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswirescripting.h"
#include "crosswire/crosswirestaticobject.h"
#include "crosswire/message.h"
#include "crosswire/scriptarahandler.h"
#include "tests/crosswire/scriptsupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace KnObjects;
using Crosswire::Message;
using CrosswireTest::ScriptApplication;

namespace {

class ScriptCrosswire : public ScriptApplication
{
protected:
    // Sends `body` to this application with the usual response functions recording into
    // `log`; the send() result is returned as "true"/"false".
    QString sendToSelf(const QString &body, const QString &extra = {})
    {
        return value(QStringLiteral(R"JS(
            var log = [];
            var cw = new Crosswire();
            cw.target = Crosswire.appSpecifier;
            cw.body = %1;
            cw.onResult = function (m) { log.push('result:' + m.body); };
            cw.onError = function (m) {
                log.push('error:' + m.headers['Error-Code'] + ':' + m.body);
            };
            %2
            String(cw.send());
        )JS")
                         .arg(quoted(body), extra));
    }
    static QString quoted(const QString &text)
    {
        QString out = text;
        out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        out.replace(QLatin1Char('\''), QLatin1String("\\'"));
        return QLatin1Char('\'') + out + QLatin1Char('\'');
    }
    // The code the engine gives an uncaught error of `script`.
    int localErrorCode(const QString &script)
    {
        EXPECT_FALSE(run(script));
        return engine->getLastError().code;
    }
};

TEST_F(ScriptCrosswire, ResultOfTheReceiversScriptReachesOnResult)
{
    ASSERT_EQ(sendToSelf(QStringLiteral("6 * 7")), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length > 0")));
    EXPECT_EQ(value(QStringLiteral("log.join('|')")), QLatin1String("result:42"));
}

TEST_F(ScriptCrosswire, InvalidBodyComesBackThroughOnErrorWithTheScriptsCode)
{
    const QString body = QStringLiteral("this is not ( script");
    const int expected = localErrorCode(QStringLiteral("eval(%1)").arg(quoted(body)));
    ASSERT_NE(expected, 0);
    ASSERT_EQ(sendToSelf(body), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length > 0")));
    const QString entry = value(QStringLiteral("log.join('|')"));
    EXPECT_TRUE(entry.startsWith(QStringLiteral("error:%1:").arg(expected))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QLatin1String("SyntaxError"))) << entry.toStdString();
}

// Guards against a thrown text being taken for the script's result.
TEST_F(ScriptCrosswire, ThrownTextIsAnErrorNotAResult)
{
    ASSERT_EQ(sendToSelf(QStringLiteral("throw 'boom'")), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length > 0")));
    EXPECT_EQ(value(QStringLiteral("log.join('|')")), QLatin1String("error:1:boom"));
}

// Guards against the body's backslashes starting escape sequences at the receiver.
TEST_F(ScriptCrosswire, BackslashesArriveAsTheSenderWroteThem)
{
    // The body is the script text 'C:\dir\new' (a string literal with two backslashes).
    ASSERT_EQ(sendToSelf(QStringLiteral("'C:\\dir\\new'")), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length > 0")));
    EXPECT_EQ(value(QStringLiteral("log[0]")), QLatin1String("result:C:\\dir\\new"));
}

TEST_F(ScriptCrosswire, ReceiverSeesTheMessageFieldsAndHeaders)
{
    ASSERT_EQ(sendToSelf(QStringLiteral("[bt.sender, bt.target, bt.type, bt.timeout, "
                                        "bt.headers.Priority, bt.headers.Missing].join(',')"),
                         QStringLiteral("cw.timeout = 30; cw.headers.Priority = 'high';")),
              QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length > 0")));
    EXPECT_EQ(value(QStringLiteral("log[0]")),
              QLatin1String("result:scripttest-1.0,scripttest-1.0,Scriptara,30,high,"));
}

TEST_F(ScriptCrosswire, ResponsesArriveInOrderAndTheExchangeIsCleanedUp)
{
    ASSERT_EQ(sendToSelf(QStringLiteral("'done'"),
                         QStringLiteral("cw.onReceived = function (m) { log.push('received'); };")),
              QLatin1String("true"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.pendingResponses > 0")), QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("log.length >= 2")));
    EXPECT_EQ(value(QStringLiteral("log.join('|')")), QLatin1String("received|result:done"));
    // The Processed response ends the exchange: no handler stays behind.
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("Crosswire.pendingResponses == 0")));
}

// Guards against a script that answered with sendResult() being answered twice.
TEST_F(ScriptCrosswire, SendResultAnswersOnceAndTheReturnValueIsNotSentAgain)
{
    ASSERT_EQ(sendToSelf(QStringLiteral("String(bt.sendResult('early')) + ' then late'")),
              QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("Crosswire.pendingResponses == 0")));
    EXPECT_EQ(value(QStringLiteral("log.join('|')")), QLatin1String("result:early"));
    // A message that asked for no Result cannot be answered with one.
    EXPECT_EQ(value(QStringLiteral("var q = new Crosswire(); String(q.sendResult('x'))")),
              QLatin1String("false"));
}

TEST_F(ScriptCrosswire, WithoutResponseFunctionsNothingIsRequested)
{
    CrosswireEndpoint *main = context->mainEndpoint();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(value(QStringLiteral("var plain = new Crosswire(); plain.target = "
                                   "Crosswire.appSpecifier; plain.body = 'ran = true'; "
                                   "String(plain.send())")),
              QLatin1String("true"));
    const auto queued = main->received().snapshot();
    ASSERT_EQ(queued.size(), size_t(1));
    EXPECT_TRUE(queued.front().responseRequest.isEmpty());
    EXPECT_EQ(main->pendingResponses(), size_t(0));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("typeof ran != 'undefined' && ran")));
}

TEST_F(ScriptCrosswire, OnlyDefinedFunctionsAreRequestedInTheirOrder)
{
    CrosswireEndpoint *main = context->mainEndpoint();
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var m = new Crosswire();
        m.target = Crosswire.appSpecifier;
        m.body = '1';
        m.onTimeout = function () {};
        m.onError = function () {};
        m.onLaunched = 'not a function';
        String(m.send(5));
    )JS")),
              QLatin1String("true"));
    std::vector<Message> queued = main->received().snapshot();
    std::erase_if(queued, [](const Message &m) { return m.type == "Ignore"; });
    ASSERT_EQ(queued.size(), size_t(1));
    EXPECT_EQ(queued.front().responseRequest, QByteArray("Error TimeoutProcessed"));
    EXPECT_EQ(queued.front().timeout, 5);
}

TEST_F(ScriptCrosswire, ResponseFunctionForACustomTypeIsFoundBeforeThePlainOne)
{
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var got = [];
        var c = new Crosswire();
        c.target = Crosswire.appSpecifier;
        c.type = 'Survey';
        c.body = '2 + 3';
        c.onResultSurvey = function (m) { got.push('survey:' + m.body); };
        c.onResult = function (m) { got.push('plain:' + m.body); };
        String(c.send());
    )JS")),
              QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("got.length > 0")));
    EXPECT_EQ(value(QStringLiteral("got.join('|')")), QLatin1String("survey:5"));
}

struct RefusedSend
{
    const char *name;
    const char *targetExpression;
    const char *expectedError;
};

class ScriptCrosswireRefused : public ScriptCrosswire,
                               public ::testing::WithParamInterface<RefusedSend>
{
};

TEST_P(ScriptCrosswireRefused, RefusalReachesOnError)
{
    const RefusedSend &row = GetParam();
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var refused = [];
        var r = new Crosswire();
        r.target = %1;
        r.body = '1';
        r.onError = function (m) { refused.push(m.headers['Error-Code'] + ':' + m.body); };
        String(r.send());
    )JS")
                        .arg(QLatin1String(row.targetExpression))),
              QLatin1String("false"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("refused.length > 0")));
    EXPECT_EQ(value(QStringLiteral("refused[0]")), QString::fromLatin1(row.expectedError));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("Crosswire.pendingResponses == 0")));
}

INSTANTIATE_TEST_SUITE_P(Refusals, ScriptCrosswireRefused,
                         ::testing::Values(RefusedSend{"EmptyTarget", "''",
                                                       "59:ERROR: INVALID SPECIFIER"},
                                           // 257 characters: a specifier has at most 255.
                                           RefusedSend{"TooLongTarget", "new Array(258).join('a')",
                                                       "59:ERROR: INVALID SPECIFIER"},
                                           RefusedSend{"NotRunningNotLaunchable", "'nosuchapp-1.0'",
                                                       "59:ERROR: TARGET COULD NOT BE LAUNCHED"}),
                         [](const auto &info) { return std::string(info.param.name); });

// Guards against handlers piling up for messages that were refused without an Error response.
TEST_F(ScriptCrosswire, EmptyScriptIsNotSentAndLeavesNoHandler)
{
    ASSERT_EQ(value(QStringLiteral("var e = new Crosswire(); e.target = Crosswire.appSpecifier; "
                                   "e.onResult = function () {}; String(e.send())")),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.pendingResponses")), QLatin1String("0"));
}

TEST_F(ScriptCrosswire, FieldsRefuseWhatWouldForgeWireLines)
{
    EXPECT_FALSE(run(QStringLiteral("var f = new Crosswire(); f.target = 'a\\nType: Debug';")));
    EXPECT_FALSE(run(QStringLiteral("var f = new Crosswire(); f.headers['X'] = 'a\\nb';")));
    EXPECT_FALSE(run(QStringLiteral("var f = new Crosswire(); f.timeout = -1;")));
    EXPECT_FALSE(run(QStringLiteral("var f = new Crosswire(); f.headers = {};")));
    EXPECT_EQ(value(QStringLiteral("var f = new Crosswire(); f.headers.A = 'x'; f.headers.A = "
                                   "undefined; String(f.headers.A)")),
              QLatin1String("undefined"));
}

// Guards against member look-ups swallowing the names every object answers (toString,
// valueOf), which made converting a headers object to text throw.
TEST_F(ScriptCrosswire, ObjectsConvertToTextLikeScriptObjects)
{
    EXPECT_TRUE(value(QStringLiteral("String(new Crosswire().headers)"))
                    .startsWith(QLatin1String("[object ")));
    EXPECT_EQ(value(QStringLiteral("'' + new Crosswire()")).isEmpty(), false);
    EXPECT_EQ(value(QStringLiteral("new Crosswire().type")), QLatin1String("Scriptara"));
}

// Guards against another application's answer being evaluated as a script.
TEST_F(ScriptCrosswire, ScriptHandlerLeavesResponsesAlone)
{
    ScriptaraHandler handler(engine);
    for (const char *type : {"Result", "Error", "Received", "Processed", "Timeout", "Launched"}) {
        Message response;
        response.type = type;
        response.body = "evaluated = true; 'x'";
        QByteArray result;
        EXPECT_EQ(handler.handle(response.eventCode(), response, result), 0) << type;
    }
    Message legacy;
    legacy.result = 7; // the oldest form of a Result: a script message with a reference
    legacy.body = "evaluated = true";
    QByteArray result;
    EXPECT_EQ(handler.handle(legacy.eventCode(), legacy, result), 0);
    EXPECT_EQ(value(QStringLiteral("typeof evaluated")), QLatin1String("undefined"));
}

TEST_F(ScriptCrosswire, ScriptHandlerWithoutAnEngineOnItsThreadAnswers32)
{
    ScriptaraHandler handler(engine);
    Message message;
    message.body = "1";
    int code = -1;
    QByteArray result;
    std::thread other([&] { code = handler.handle(1, message, result); });
    other.join();
    EXPECT_EQ(code, ScriptaraHandler::kNoEngine);
}

TEST_F(ScriptCrosswire, MissingOnReceiveIsAnError)
{
    ASSERT_TRUE(run(QStringLiteral("Crosswire.onReceive = undefined;")));
    ScriptaraHandler handler(engine);
    Message message;
    message.body = "1";
    QByteArray result;
    EXPECT_NE(handler.handle(1, message, result), 0);
    EXPECT_TRUE(result.contains("onReceive"));
}

TEST_F(ScriptCrosswire, InstallingTwiceKeepsOnReceive)
{
    // A second handler on the same engine (another endpoint) installs the classes again.
    ScriptaraHandler second(engine);
    EXPECT_EQ(value(QStringLiteral("typeof Crosswire.onReceive")), QLatin1String("function"));
}

struct OwnSpecifierRow
{
    const char *specifier;
    const char *name;
    const char *version;
    const char *locale;
    const char *instance;
};

class ScriptCrosswireOwnApplication : public ScriptApplication,
                                      public ::testing::WithParamInterface<OwnSpecifierRow>
{
protected:
    void SetUp() override { start(GetParam().specifier); }
};

TEST_P(ScriptCrosswireOwnApplication, AppPropertiesAreThePartsOfTheOwnSpecifier)
{
    const OwnSpecifierRow &row = GetParam();
    EXPECT_EQ(value(QStringLiteral("Crosswire.appSpecifier")), QLatin1String(row.specifier));
    EXPECT_EQ(value(QStringLiteral("Crosswire.appName")), QLatin1String(row.name));
    EXPECT_EQ(value(QStringLiteral("Crosswire.appVersion")), QLatin1String(row.version));
    EXPECT_EQ(value(QStringLiteral("Crosswire.appLocale")), QLatin1String(row.locale));
    EXPECT_EQ(value(QStringLiteral("Crosswire.appInstance")), QLatin1String(row.instance));
    EXPECT_EQ(value(QStringLiteral("Crosswire.appStatus")), QLatin1String("NOERROR"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isRunning(Crosswire.appSpecifier)")),
              QLatin1String("true"));
    EXPECT_TRUE(value(QStringLiteral("Crosswire.appInfo"))
                    .contains(QStringLiteral("/name;0;Name;") + QLatin1String(row.specifier)));
}

INSTANTIATE_TEST_SUITE_P(
    Specifiers, ScriptCrosswireOwnApplication,
    ::testing::Values(OwnSpecifierRow{"scripttest-1.0", "scripttest", "1.0", "", ""},
                      OwnSpecifierRow{"scripttest_3-2.5-de_de", "scripttest", "2.5", "de_de", "3"},
                      OwnSpecifierRow{"scripttest-en_us", "scripttest", "", "en_us", ""}));

TEST_F(ScriptCrosswire, StaticMembersAnswerWithoutOtherApplications)
{
    EXPECT_EQ(value(QStringLiteral("Crosswire.__version__")), QLatin1String("2.0"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.__srversion__")), QLatin1String("4.1.23"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isRunning('nosuchapp-1.0')")),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isRunning('')")), QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isInstalled('nosuchapp-1.0')")),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.getStatus('nosuchapp-1.0')")),
              QLatin1String("ISNOTINSTALLED"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.getTargets().length")), QLatin1String("0"));
    EXPECT_TRUE(value(QStringLiteral("Crosswire.__diagnostics__"))
                    .startsWith(QLatin1String("Crosswire Diagnostics\n")));
    EXPECT_EQ(value(QStringLiteral("Crosswire.__log__ = false; String(Crosswire.__log__)")),
              QLatin1String("false"));
    EXPECT_FALSE(context->isLogging());
    // The own endpoint's name is fixed once it is open.
    EXPECT_FALSE(run(QStringLiteral("Crosswire.appSpecifier = 'other-1.0'")));
    EXPECT_FALSE(run(QStringLiteral("Crosswire.appName = 'other'")));
}

struct MemberRow
{
    const char *name;
    int id;
    int flags;
    const char *signature;
};

// Hosts and scripts address members by these ids; a duplicate id would drop a member.
TEST(ScriptCrosswireTables, EveryMemberIsRegisteredWithItsIdFlagsAndSignature)
{
    const MemberRow instance[] = {
        {"sender", 1, 0x42, "string"},
        {"target", 2, 0x42, "string"},
        {"timeout", 3, 0x42, "number"},
        {"type", 4, 0x42, "string"},
        {"body", 5, 0x42, "string"},
        {"headers", 6, 0x41, "CrosswireHeaders"},
        {"send", 101, 0x45, "boolean,timeout:number,launchParams:string"},
        {"sendResult", 102, 0x45, "boolean,result:any"},
        {"pump", 103, 0x45, "boolean"},
    };
    const MemberRow statics[] = {
        {"__log__", 21, 0xC2, "boolean"},
        {"appSpecifier", 22, 0x42, "string"},
        {"appName", 23, 0x41, "string"},
        {"appVersion", 24, 0x41, "string"},
        {"appLocale", 25, 0x41, "string"},
        {"appInfo", 26, 0x41, "string"},
        {"appInstance", 27, 0x41, "string"},
        {"appStatus", 28, 0x41, "string"},
        {"launch", 201, 0x45, "undefined,target:string,background:string"},
        {"isRunning", 202, 0x45, "boolean,target:string"},
        {"pump", 103, 0x45, "boolean"},
        {"loadAppScript", 208, 0x45, "boolean,target:string"},
        {"getSpecifier", 204, 0x45, "string,app:string,version:number,locale:string"},
        {"getTargets", 205, 0x45, "Collection,version:number,locale:string"},
        {"getDisplayName", 206, 0x45, "string,target:string"},
        {"bringToFront", 207, 0x45, "undefined,target:string"},
        {"getStatus", 210, 0x45, "string,target:string"},
        {"ping", 209, 0x45, "string,target:string,key:string"},
        {"__version__", 30, 0xC1, "string"},
        {"getAppPath", 213, 0xC5, "string,target:string,caller:string"},
        {"getPreferredApp", 217, 0xC5, "string,sender:string,target:string,groupname:string"},
        {"pendingResponses", 219, 0xC1, "number"},
        {"supportsSRTK", 224, 0xC5, "boolean,target:string"},
        {"getOMVDictionaryType", 227, 0xC5, "boolean,target:string"},
        {"__diagnostics__", 29, 0xC1, "string"},
        {"getInfo", 218, 0xC5, "string,target:string,whichinfo:string"},
        {"isInstalled", 228, 0x45, "boolean,target:string"},
        {"updateConnectorCache", 229, 0x45, "boolean,scanRunningApps:bool"},
        {"__srversion__", 231, 0xC1, "string"},
        {"getGroupForSpecifier", 232, 0xC5, "string,senderSpec:string,groupVersion:string"},
        {"getSpecifierForGroup", 233, 0xC5,
         "string,bareTargetSpec:string,groupName:string,groupVersion:string"},
    };
    auto check = [](Kernova::LiveObject &object, const auto &rows) {
        EXPECT_EQ(object.properties().properties().size(), std::size(rows));
        for (const MemberRow &row : rows) {
            SCOPED_TRACE(row.name);
            const auto *property = object.properties().find(Kernova::String(row.name));
            ASSERT_NE(property, nullptr);
            EXPECT_EQ(property->id, row.id);
            EXPECT_EQ(property->flags, row.flags);
            EXPECT_EQ(property->signature.toQString(), QLatin1String(row.signature));
        }
    };
    auto object = CrosswireLiveObject::create();
    check(*object, instance);
    CrosswireStaticObject staticObject;
    staticObject.initialize();
    check(staticObject, statics);
}

TEST(ScriptCrosswireSetUp, AppSpecifierSetBeforeTheEndpointOpensOpensIt)
{
    TestEnvironment environment;
    KnScript::Engine *engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
    ASSERT_NE(engine, nullptr);
    {
        CrosswireContext context(CrosswireTest::identity());
        ScriptaraHandler handler(engine); // installs the classes
        EXPECT_FALSE(context.isInitialized());
        // Without an open endpoint nothing can be sent.
        EXPECT_FALSE(engine->evaluate(Kernova::String("var early = new Crosswire(); early.target = "
                                                      "'a-1.0'; early.body = '1'; early.send()")));
        EXPECT_TRUE(engine->evaluate(Kernova::String("Crosswire.appSpecifier = 'LateInit-2.0'")));
        EXPECT_TRUE(context.isInitialized());
        EXPECT_EQ(context.ownSpecifier(), QByteArray("lateinit-2.0"));
        // Setting the same name again is no change; another one is refused.
        EXPECT_TRUE(engine->evaluate(Kernova::String("Crosswire.appSpecifier = 'lateinit-2.0'")));
        EXPECT_FALSE(engine->evaluate(Kernova::String("Crosswire.appSpecifier = 'other-2.0'")));
    }
    KnScript::Engine::destroyCurrent();
}

TEST(ScriptCrosswireWithoutMessaging, StaticMembersAnswerEmptyAndSendingIsRefused)
{
    ASSERT_EQ(CrosswireContext::current(), nullptr);
    KnScript::Engine *engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
    ASSERT_TRUE(CrosswireScripting::install(*engine));
    Kernova::Variant result;
    auto text = [&](const char *script) {
        EXPECT_TRUE(engine->evaluate(Kernova::String(script), &result)) << script;
        return ScriptValues::text(engine, result);
    };
    EXPECT_EQ(text("String(Crosswire.isRunning('pxoorganizer-11.0'))"), QLatin1String("false"));
    EXPECT_EQ(text("Crosswire.getTargets().length"), QLatin1String("0"));
    EXPECT_EQ(text("Crosswire.appSpecifier"), QString());
    EXPECT_EQ(text("Crosswire.getSpecifier('pxoorganizer', 11)"), QString());
    EXPECT_EQ(text("String(Crosswire.pump())"), QLatin1String("false"));
    EXPECT_FALSE(engine->evaluate(
        Kernova::String("var c = new Crosswire(); c.target = 'a-1.0'; c.body = '1'; c.send()")));
    EXPECT_TRUE(engine->getLastError().message.toQString().contains(QLatin1String("messaging")));
    KnScript::Engine::destroyCurrent();
}

} // namespace
