// The launcher's script handler made on the first received script.

#include "source/deferredscripthandler.h"

#include "crosswire/message.h"
#include "crosswire/scriptarahandler.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using KnObjects::Crosswire::Message;
using KnObjects::Crosswire::MsgHandler;

// Answers every script with its body and counts the scripts.
class EchoHandler : public MsgHandler
{
public:
    int handle(int, Message &message, QByteArray &result) override
    {
        ++handled;
        result = "echo:" + message.body;
        return 0;
    }
    int handled = 0;
};

Message messageOf(const QByteArray &type, const QByteArray &body)
{
    Message message;
    message.type = type;
    message.body = body;
    return message;
}

struct Counted
{
    int made = 0;
    std::shared_ptr<EchoHandler> echo = std::make_shared<EchoHandler>();
    DeferredScriptHandler::Factory factory(bool givesHandler)
    {
        return [this, givesHandler]() -> std::shared_ptr<MsgHandler> {
            ++made;
            return givesHandler ? echo : nullptr;
        };
    }
};

// Guards against the engine being made for messages it never runs (late responses, events past
// the script ones): that would bring the start-up cost back whenever such a message arrives.
TEST(DeferredScriptHandler, MessagesThatAreNoScriptsMakeNothing)
{
    Counted counted;
    DeferredScriptHandler handler(counted.factory(true));
    for (const auto &[event, type] :
         {std::pair{1, QByteArray("Result")}, std::pair{1, QByteArray("Error")},
          std::pair{1, QByteArray("Timeout")}, std::pair{3, QByteArray("Scriptara")},
          std::pair{6, QByteArray("Scriptara")}}) {
        Message message = messageOf(type, "x();");
        QByteArray result;
        EXPECT_EQ(handler.handle(event, message, result), 0) << type.constData();
        EXPECT_TRUE(result.isEmpty()) << type.constData();
    }
    EXPECT_EQ(counted.made, 0);
    EXPECT_FALSE(handler.isMade());
}

// Guards against a second engine per script, or a script lost while the first one is made.
TEST(DeferredScriptHandler, FirstScriptMakesTheHandlerOnceAndEveryScriptReachesIt)
{
    Counted counted;
    DeferredScriptHandler handler(counted.factory(true));
    for (const QByteArray &body : {QByteArray("a();"), QByteArray("b();"), QByteArray("c();")}) {
        Message message = messageOf("Scriptara", body);
        QByteArray result;
        EXPECT_EQ(handler.handle(1, message, result), 0);
        EXPECT_EQ(result, "echo:" + body);
    }
    EXPECT_EQ(counted.made, 1);
    EXPECT_EQ(counted.echo->handled, 3);
    EXPECT_TRUE(handler.isMade());
}

// Guards against a launcher without a script engine reporting success for scripts it never
// ran, or trying to make the engine again for every script.
TEST(DeferredScriptHandler, WithoutAnEngineScriptsAreAnsweredWithAnError)
{
    Counted counted;
    DeferredScriptHandler handler(counted.factory(false));
    for (int round = 0; round < 2; ++round) {
        Message message = messageOf("Scriptara", "x();");
        QByteArray result;
        EXPECT_EQ(handler.handle(1, message, result), KnObjects::ScriptaraHandler::kNoEngine);
        EXPECT_EQ(result, QByteArray("ERROR: NO SCRIPT ENGINE"));
    }
    EXPECT_EQ(counted.made, 1);
}

} // namespace
