// A messaging peer for the tests that need a second process:
//   listen --specifier S [--answer TEXT] [--pump-ms N] [--no-verify]
//       opens S, prints "READY <specifier>", then one "MSG <sender> <serial> <type> <body>" line
//       per handled message (line breaks in the body written as "\n"); answers with TEXT.
//   hold --specifier S      opens S, prints "READY <specifier>" (or "NOSTREAM") and waits.
//   send --target T [--type X] [--request R] [--header N=V]... [--serial N] [--launch]
//        [--wait MS] BODY
//       prints "SENT" or "FAILED", then with --wait every response: "<type> <body>".

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "crosswire/msghandler.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>

using namespace KnObjects;
using Crosswire::Message;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

QByteArray escaped(const QByteArray &body)
{
    QByteArray out = body;
    out.replace('\\', "\\\\");
    out.replace('\n', "\\n");
    return out;
}

class PrintingHandler : public Crosswire::MsgHandler
{
public:
    explicit PrintingHandler(QByteArray answer)
        : m_answer(std::move(answer))
    {
    }
    int handle(int, Message &message, QByteArray &result) override
    {
        const QByteArray line = "MSG " + message.sender + " " +
                                QByteArray::number(message.serialNumber) + " " + message.type +
                                " " + escaped(message.body) + "\n";
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        result = m_answer;
        return 0;
    }

private:
    QByteArray m_answer;
};

class ResponseHandler : public Crosswire::MsgHandler
{
public:
    ResponseHandler(QByteArray type, uint32_t serial)
        : m_type(std::move(type))
        , m_serial(serial)
    {
    }
    int handle(int event, Message &message, QByteArray &result) override
    {
        const QByteArray line = QByteArray::number(event) + " " + message.type + " " +
                                message.header("Error-Code") + " " + escaped(message.body) + "\n";
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
        result.clear();
        return 0;
    }
    QByteArray type() const override { return m_type; }
    int64_t serial() const override { return m_serial; }

private:
    QByteArray m_type;
    uint32_t m_serial;
};

QByteArray option(const QStringList &args, const QString &name, const QByteArray &fallback = {})
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toUtf8() : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    const QString mode = args.first();
    if (args.contains(QStringLiteral("--no-verify")))
        CrosswireData::MessageGlobals::instance().setVerifyDigests(false);

    CrosswireContext context({CrosswireIdentity::userId(), CrosswireIdentity::digestKey()});
    if (mode == QLatin1String("listen") || mode == QLatin1String("hold")) {
        if (!context.init(option(args, QStringLiteral("--specifier")))) {
            std::printf("NOSTREAM\n");
            return 3;
        }
        std::printf("READY %s\n", context.ownSpecifier().constData());
        if (mode == QLatin1String("listen"))
            context.addHandler(
                std::make_shared<PrintingHandler>(option(args, QStringLiteral("--answer"))));
        const int pumpMs = option(args, QStringLiteral("--pump-ms"), "10").toInt();
        while (!stopRequested) {
            context.waitForIncoming(pumpMs);
            if (mode == QLatin1String("listen"))
                context.pump();
        }
        return 0;
    }
    if (mode == QLatin1String("send")) {
        if (!context.init("crosswirepeer_" +
                          QByteArray::number(QCoreApplication::applicationPid()))) {
            std::printf("NOSTREAM\n");
            return 3;
        }
        Message message;
        message.target = option(args, QStringLiteral("--target"));
        message.type = option(args, QStringLiteral("--type"), "Scriptara");
        message.responseRequest = option(args, QStringLiteral("--request"));
        message.body = args.last().toUtf8();
        for (qsizetype i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == QLatin1String("--header")) {
                const QByteArray pair = args[i + 1].toUtf8();
                const qsizetype equals = pair.indexOf('=');
                message.setHeader(pair.left(equals), pair.mid(equals + 1));
            }
        }
        // A chosen serial number stands for a peer whose numbering met ours.
        message.serialNumber = option(args, QStringLiteral("--serial")).toUInt();
        if (message.serialNumber == 0)
            message.serialNumber = context.nextSerialNumber();
        const int waitMs = option(args, QStringLiteral("--wait"), "0").toInt();
        for (const QByteArray &type : {QByteArray("Scriptara"), QByteArray("Timeout")})
            context.addHandler(std::make_shared<ResponseHandler>(type, message.serialNumber));
        const bool sent = context.send(message, args.contains(QStringLiteral("--launch")));
        std::printf(sent ? "SENT\n" : "FAILED\n");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < deadline && !stopRequested) {
            context.waitForIncoming(10);
            context.pump();
        }
        return sent ? 0 : 1;
    }
    return 2;
}
