// The peer process of the script-object tests: an application that answers messages the way
// the launcher does, through Crosswire.onReceive.
//   crosswire_scriptpeer --specifier S [--script TEXT]
// opens S, installs the script classes and "Crosswire.onReceive = function(bt) { return eval
// (bt.body);}", runs TEXT, prints "READY <specifier>" and pumps until SIGTERM. Every script
// message it handles is printed as "SCRIPT <body>" (line breaks as "\n").

#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/initterm.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/scriptarahandler.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

using namespace KnObjects;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

QByteArray option(const QStringList &args, const QString &name, const QByteArray &fallback = {})
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toUtf8() : fallback;
}

// Prints what arrives before the script handler evaluates it.
class PrintingScriptaraHandler : public ScriptaraHandler
{
public:
    using ScriptaraHandler::ScriptaraHandler;
    int handle(int event, Crosswire::Message &message, QByteArray &result) override
    {
        if (isScript(event, message)) {
            QByteArray body = message.body;
            body.replace('\n', "\\n");
            std::printf("SCRIPT %s\n", body.constData());
        }
        return ScriptaraHandler::handle(event, message, result);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments().mid(1);

    Kernova::InitTerm::init();
    KnScript::InitTerm::init();
    KnScript::Engine *engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
    int status = 0;
    {
        CrosswireContext context({CrosswireIdentity::userId(), CrosswireIdentity::digestKey()});
        if (!context.init(option(args, QStringLiteral("--specifier")))) {
            std::printf("NOSTREAM\n");
            return 3;
        }
        context.addHandler(std::make_shared<PrintingScriptaraHandler>(engine));
        engine->evaluate(
            Kernova::String("Crosswire.onReceive = function(bt) { return eval (bt.body);}"));
        const QByteArray script = option(args, QStringLiteral("--script"));
        if (!script.isEmpty() && !engine->evaluate(Kernova::String(QString::fromUtf8(script)))) {
            std::printf("SCRIPTFAILED %s\n",
                        engine->getLastError().message.toQString().toUtf8().constData());
            status = 4;
        }
        std::printf("READY %s\n", context.ownSpecifier().constData());
        while (!stopRequested) {
            context.waitForIncoming(10);
            context.pump();
        }
    }
    KnScript::InitTerm::exit();
    Kernova::InitTerm::exit();
    return status;
}
