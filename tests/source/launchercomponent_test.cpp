#include "source/launchercomponent.h"
#include "source/launchercontext.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/kernova/variant.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/initterm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Crosswire::LauncherComponent;

class LauncherComponentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Kernova::InitTerm::init();
        KnScript::InitTerm::init();
        engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
        ASSERT_NE(engine, nullptr);
        component = LauncherComponent::create();
        ASSERT_TRUE(LauncherComponent::install(*engine, component));
        LauncherComponent::setStatusHandler([this](const QString &text) { statuses.append(text); });
    }

    void TearDown() override
    {
        LauncherComponent::setStatusHandler({});
        LauncherContext::setMainWindow(nullptr);
        component.reset();
        KnScript::Engine::destroyCurrent();
        KnScript::InitTerm::exit();
        Kernova::InitTerm::exit();
    }

    QString evaluate(const QString &script)
    {
        Kernova::Variant value;
        EXPECT_TRUE(engine->evaluate(Kernova::String(script), &value))
            << script.toStdString() << ": "
            << engine->getLastError().message.toQString().toStdString();
        return value.toString().toQString();
    }

    KnScript::Engine *engine = nullptr;
    std::shared_ptr<LauncherComponent> component;
    QStringList statuses;
};

TEST_F(LauncherComponentTest, PropertyTableInOrder)
{
    const auto &table = component->properties().properties();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].name.toQString(), QStringLiteral("tester"));
    EXPECT_EQ(table[0].id, 0x74657374);
    EXPECT_EQ(table[0].signature.toQString(), QStringLiteral("temp:String"));
    EXPECT_EQ(table[1].name.toQString(), QStringLiteral("MBSUserEventNotify"));
    EXPECT_EQ(table[1].id, 0x6B4D4253);
    EXPECT_EQ(table[1].signature.toQString(), QString());
    EXPECT_EQ(table[2].name.toQString(), QStringLiteral("notification"));
    EXPECT_EQ(table[2].id, 0x72657370);
    EXPECT_EQ(table[2].signature.toQString(), QStringLiteral("temp:String"));
    for (const auto &property : table)
        EXPECT_EQ(property.flags, 0x65) << property.name.toQString().toStdString();
}

// Guards against the engine taking the table's 0x65 members for properties it cannot call.
TEST_F(LauncherComponentTest, MembersAreMethodsToTheEngine)
{
    for (const char *name : {"tester", "MBSUserEventNotify", "notification"})
        EXPECT_TRUE(component->canInvoke(Kernova::String(name))) << name;
    EXPECT_FALSE(component->canInvoke(Kernova::String("unknown")));
}

TEST_F(LauncherComponentTest, TesterAnswersByBareNameAndOnTheObject)
{
    EXPECT_EQ(evaluate(QStringLiteral("tester('x')")), QStringLiteral("response('YAHOOO!');"));
    EXPECT_EQ(evaluate(QStringLiteral("launcher.tester('x')")),
              QStringLiteral("response('YAHOOO!');"));
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(LauncherComponentTest, NotificationTextsReachTheStatusHandlerInOrder)
{
    evaluate(QStringLiteral("notification('organizer:xyz')"));
    evaluate(QStringLiteral("notification('launched_organizer:ok');"));
    evaluate(QStringLiteral("notification('')"));
    EXPECT_EQ(statuses, (QStringList{QStringLiteral("organizer:xyz"),
                                     QStringLiteral("launched_organizer:ok"), QString()}));
}

TEST_F(LauncherComponentTest, BringToFrontIsNotAStatus)
{
    evaluate(QStringLiteral("notification('editor:bringToFront')"));
    // Only the exact text is the request; another case is a status like any other.
    evaluate(QStringLiteral("notification('editor:bringtofront')"));
    EXPECT_EQ(statuses, QStringList{QStringLiteral("editor:bringtofront")});
}

TEST_F(LauncherComponentTest, MbsUserEventIsAcceptedWithoutEffect)
{
    evaluate(QStringLiteral("MBSUserEventNotify('signed-in')"));
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(LauncherComponentTest, UnknownIdIsNotHandled)
{
    Kernova::Variant result;
    EXPECT_NE(component->call(0x12345678, Kernova::Array{Kernova::Variant("x")}, result), 0);
    EXPECT_TRUE(result.isUndefined());
}

TEST_F(LauncherComponentTest, WithoutHandlerOrWelcomeWidgetTheStatusIsDropped)
{
    LauncherComponent::setStatusHandler({});
    LauncherContext::setWelcomeWidget(nullptr);
    evaluate(QStringLiteral("notification('organizer:xyz')"));
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(LauncherComponentTest, BringToFrontActivatesTheMainWindow)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("main"));
    mainWindow.show();
    other.show();
    other.activateWindow();
    const auto waitFor = [](const std::function<bool()> &condition) {
        QElapsedTimer timer;
        timer.start();
        while (!condition() && timer.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        return condition();
    };
    waitFor([&] { return other.isActiveWindow(); });

    LauncherContext::setMainWindow(&mainWindow);
    evaluate(QStringLiteral("notification('editor:bringToFront')"));
    EXPECT_TRUE(waitFor([&] { return mainWindow.isActiveWindow(); }));
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(LauncherComponentTest, BringToFrontLeavesAHiddenWindowHidden)
{
    QWidget mainWindow;
    LauncherContext::setMainWindow(&mainWindow);
    EXPECT_TRUE(LauncherComponent::bringMainWindowToFront());
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_FALSE(mainWindow.testAttribute(Qt::WA_WState_Created));
}

} // namespace
