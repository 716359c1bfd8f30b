#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/livecomponent.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/initterm.h"
#include "components/scriptruntime/scriptara/liveobjectapi.h"

#include <gtest/gtest.h>

#include <thread>

using Kernova::Array;
using Kernova::LivePropertyManager;
using Kernova::String;
using Kernova::Variant;
using KnScript::Engine;

namespace {

// A component with a read/write property, a read-only one and two methods.
class Counter : public Kernova::LiveComponent
{
public:
    enum { kValue = 1, kName = 2, kAdd = 101, kFail = 102 };
    Counter()
        : LiveComponent(String("counter"), String("Counter"))
    {
        registerProperty(String("value"), kValue, LivePropertyManager::kReadWrite,
                         String("number"));
        registerProperty(String("name"), kName, LivePropertyManager::kReadOnly, String("string"));
        registerProperty(String("add"), kAdd, LivePropertyManager::kMethod,
                         String("number,by:number"));
        registerProperty(String("fail"), kFail, LivePropertyManager::kMethod, String("undefined"));
    }
    int get(int id, Variant &value) override
    {
        if (id == kValue)
            value = Variant(m_value);
        else if (id == kName)
            value = Variant(String("counter"));
        else
            return LiveComponent::get(id, value);
        return 0;
    }
    int put(int id, const Variant &value) override
    {
        if (id != kValue)
            return LiveComponent::put(id, value);
        m_value = value.toNumber();
        return 0;
    }
    int call(int id, const Array &arguments, Variant &result) override
    {
        if (id == kAdd) {
            m_value += arguments.at(0).toNumber();
            result = Variant(m_value);
            return 0;
        }
        if (id == kFail)
            return setError(41, String("deliberate failure"));
        return LiveComponent::call(id, arguments, result);
    }
    double m_value = 0;
};

class Point : public Kernova::LiveObject
{
public:
    explicit Point(double x)
        : LiveObject(String("Point"))
        , m_x(x)
    {
    }
    int initialize() override
    {
        registerProperty(String("x"), 1, LivePropertyManager::kReadOnly);
        return 0;
    }
    int get(int id, Variant &value) override
    {
        if (id != 1)
            return LiveObject::get(id, value);
        value = Variant(m_x);
        return 0;
    }
    double m_x;
};

class PointFactory : public Kernova::LiveObjectFactory
{
public:
    std::shared_ptr<Kernova::LiveObject> create(const Array &arguments, int &error) override
    {
        if (arguments.size() != 1) {
            error = -28;
            return nullptr;
        }
        return std::make_shared<Point>(arguments.at(0).toNumber());
    }
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Kernova::InitTerm::init();
        KnScript::InitTerm::init();
        engine = Engine::createEngine(Engine::kScriptEngineType);
        ASSERT_TRUE(engine);
    }
    void TearDown() override
    {
        KnScript::InitTerm::exit();
        Kernova::InitTerm::exit();
    }
    Engine *engine = nullptr;
};

} // namespace

TEST_F(EngineTest, OneEnginePerThread)
{
    EXPECT_EQ(Engine::getCurrent(), engine);
    EXPECT_EQ(Engine::createEngine(Engine::kScriptEngineType), engine);
    EXPECT_EQ(Engine::createEngine(0x20000), nullptr);
    Engine *other = engine;
    std::thread([&other] { other = Engine::getCurrent(); }).join();
    EXPECT_EQ(other, nullptr) << "another thread has no engine until it makes one";
}

TEST_F(EngineTest, EvaluatesAndReportsErrorsWithLineAndCode)
{
    Variant result;
    ASSERT_TRUE(engine->evaluate(String("6 * 7"), &result));
    EXPECT_EQ(result.toNumber(), 42);
    EXPECT_FALSE(engine->lastCallFailed());
    EXPECT_FALSE(engine->evaluate(String("var a = 1;\n(((")));
    EXPECT_TRUE(engine->lastCallFailed());
    const Engine::Error error = engine->getLastError();
    EXPECT_TRUE(error.message.toQString().contains(QStringLiteral("SyntaxError")));
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(error.code, 25);
    EXPECT_FALSE(engine->lastCallFailed()) << "fetching clears the error";
    // Guards against a thrown value that is not an Error passing for the script's result.
    EXPECT_FALSE(engine->evaluate(String("var b = 2;\nthrow 'plain text';"), &result));
    const Engine::Error thrown = engine->getLastError();
    EXPECT_EQ(thrown.message.toQString(), QStringLiteral("plain text"));
    EXPECT_EQ(thrown.line, 2);
    EXPECT_EQ(thrown.code, 1);
}

TEST_F(EngineTest, TheStartupOnReceiveEvaluatesTheBody)
{
    ASSERT_TRUE(engine->evaluate(String("var Crosswire = {};")));
    ASSERT_TRUE(
        engine->evaluate(String("Crosswire.onReceive = function(bt) { return eval (bt.body);}")));
    const Variant crosswire =
        engine->getProperty(KnScript::LiveObjectAPI::getGlobalObject(), String("Crosswire"));
    Kernova::HashTable message;
    message.put(String("body"), Variant(String("'re' + 'sult'")));
    Variant result;
    ASSERT_TRUE(
        engine->callMethod(crosswire, String("onReceive"), Array{Variant(message)}, result));
    EXPECT_EQ(result.toString().toQString(), QStringLiteral("result"));
    message.put(String("body"), Variant(String("throw new RangeError('bad')")));
    EXPECT_FALSE(
        engine->callMethod(crosswire, String("onReceive"), Array{Variant(message)}, result));
    EXPECT_EQ(engine->getLastError().code, 3);
    // Guards against a thrown "code: 0" reading as success to callers that test the code.
    message.put(String("body"), Variant(String("throw { code: 0 }")));
    EXPECT_FALSE(
        engine->callMethod(crosswire, String("onReceive"), Array{Variant(message)}, result));
    EXPECT_EQ(engine->getLastError().code, 1);
    message.put(String("body"), Variant(String("throw { code: 7 }")));
    EXPECT_FALSE(
        engine->callMethod(crosswire, String("onReceive"), Array{Variant(message)}, result));
    EXPECT_EQ(engine->getLastError().code, 7);
}

TEST_F(EngineTest, ScriptsUseANativeComponentByName)
{
    auto counter = std::make_shared<Counter>();
    ASSERT_TRUE(engine->installObject(String("counter"), counter));
    Variant result;
    ASSERT_TRUE(
        engine->evaluate(String("counter.value = 5; counter.add(3); counter.value"), &result));
    EXPECT_EQ(result.toNumber(), 8);
    EXPECT_EQ(counter->m_value, 8);
    ASSERT_TRUE(engine->evaluate(
        String("counter.name + ':' + ('add' in counter) + ':' + ('nope' in counter)"), &result));
    EXPECT_EQ(result.toString().toQString(), QStringLiteral("counter:true:false"));
    EXPECT_TRUE(counter->canInvoke(String("add")));
    EXPECT_FALSE(counter->canInvoke(String("value")));
    EXPECT_EQ(counter->invoke(String("add"), Array{Variant(2)}, result), 0);
    EXPECT_EQ(result.toNumber(), 10);
}

struct FailureRow
{
    const char *script;
    const char *messagePart;
};

class EngineNativeFailure : public EngineTest, public ::testing::WithParamInterface<FailureRow>
{
};

TEST_P(EngineNativeFailure, BecomesAScriptError)
{
    engine->installObject(String("counter"), std::make_shared<Counter>());
    EXPECT_FALSE(engine->evaluate(String(GetParam().script)));
    const Engine::Error error = engine->getLastError();
    EXPECT_TRUE(error.message.toQString().contains(QString::fromLatin1(GetParam().messagePart)))
        << error.message.toQString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, EngineNativeFailure,
                         ::testing::Values(FailureRow{"counter.fail()", "deliberate failure"},
                                           FailureRow{"counter.name = 'x'", "read-only property"}));

TEST_F(EngineTest, ANativeErrorCodeReachesTheScript)
{
    engine->installObject(String("counter"), std::make_shared<Counter>());
    Variant result;
    ASSERT_TRUE(
        engine->evaluate(String("try { counter.fail(); 0 } catch (e) { e.code }"), &result));
    EXPECT_EQ(result.toNumber(), 41);
}

TEST_F(EngineTest, ClassesAreConstructedThroughTheirFactory)
{
    Kernova::LiveObject::addFactory(String("Point"), std::make_shared<PointFactory>());
    ASSERT_TRUE(engine->installClass(String("Point")));
    Variant result;
    ASSERT_TRUE(engine->evaluate(String("new Point(4.5).x"), &result));
    EXPECT_EQ(result.toNumber(), 4.5);
    EXPECT_FALSE(engine->evaluate(String("new Point()")));
    EXPECT_TRUE(engine->getLastError().message.toQString().contains(QStringLiteral("-28")));
    ASSERT_TRUE(engine->evaluate(String("Point.helper = 7; Point.helper"), &result));
    EXPECT_EQ(result.toNumber(), 7);
    Kernova::LiveObject::removeFactory(String("Point"));
}

TEST_F(EngineTest, ANativeObjectComesBackAsItself)
{
    auto counter = std::make_shared<Counter>();
    engine->installObject(String("counter"), counter);
    Variant result;
    ASSERT_TRUE(engine->evaluate(String("counter"), &result));
    EXPECT_EQ(result.type(), Variant::Type::Object);
    EXPECT_EQ(result.toObject(), counter);
}

TEST_F(EngineTest, ValuesConvertBothWays)
{
    Kernova::HashTable table;
    table.put(String("list"), Variant(Array{Variant(1), Variant(String("two")), Variant(true)}));
    ASSERT_TRUE(engine->setProperty(engine->globalObject(), String("data"), Variant(table)));
    Variant result;
    ASSERT_TRUE(engine->evaluate(String("JSON.stringify(data)"), &result));
    EXPECT_EQ(result.toString().toQString(), QStringLiteral("{\"list\":[1,\"two\",true]}"));
    ASSERT_TRUE(engine->evaluate(String("null"), &result));
    EXPECT_EQ(result.type(), Variant::Type::Null);
}

TEST(Heap, RuntimeObjectsAreCountedOnTheHeap)
{
    const int64_t before = Kernova::Heap::liveAllocations();
    {
        auto *counter = new Counter; // through the runtime heap
        EXPECT_EQ(Kernova::Heap::liveAllocations(), before + 1);
        delete counter;
    }
    EXPECT_EQ(Kernova::Heap::liveAllocations(), before);
}
