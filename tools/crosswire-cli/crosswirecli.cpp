#include "tools/crosswire-cli/crosswirecli.h"

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/msghandler.h"
#include "crosswire/sostring.h"
#include "crosswire/specifier.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <mutex>

using namespace KnObjects;
using Crosswire::Message;

namespace {

volatile std::sig_atomic_t stopFlag = 0;

// Polling step of the waits; the waits end at once on a queue change.
constexpr int kWaitStepMilliseconds = 20;

using SteadyClock = std::chrono::steady_clock;

// Collects the responses to one message of ours.
class ResponseCollector : public Crosswire::MsgHandler
{
public:
    struct Response
    {
        QByteArray type;
        QByteArray body;
        QByteArray errorCode;
    };

    ResponseCollector(QByteArray type, uint32_t serial)
        : m_type(std::move(type))
        , m_serial(serial)
    {
    }
    int handle(int, Message &message, QByteArray &result) override
    {
        result.clear();
        std::lock_guard guard(m_mutex);
        if (message.type == "Received")
            m_received = true;
        else if (!m_final)
            m_final = Response{message.type, message.body, message.header("Error-Code")};
        return 0;
    }
    QByteArray type() const override { return m_type; }
    int64_t serial() const override { return m_serial; }

    std::optional<Response> final() const
    {
        std::lock_guard guard(m_mutex);
        return m_final;
    }

private:
    const QByteArray m_type;
    const uint32_t m_serial;
    mutable std::mutex m_mutex;
    bool m_received = false;
    std::optional<Response> m_final;
};

// Prints every message it is given as its text form and answers with a fixed result.
class PrintingHandler : public Crosswire::MsgHandler
{
public:
    PrintingHandler(std::FILE *out, QByteArray answer)
        : m_out(out)
        , m_answer(std::move(answer))
    {
    }
    int handle(int, Message &message, QByteArray &result) override
    {
        KnObjects::SoString text;
        QByteArray form = message.toString(text) ? text.toByteArray() : message.summary();
        if (!form.endsWith('\n'))
            form += '\n';
        form += '\n';
        std::fwrite(form.constData(), 1, size_t(form.size()), m_out);
        std::fflush(m_out);
        result = m_answer;
        return 0;
    }

private:
    std::FILE *m_out;
    const QByteArray m_answer;
};

bool waitFor(CrosswireContext &context, const std::function<bool()> &done,
             SteadyClock::time_point deadline)
{
    while (!done()) {
        if (SteadyClock::now() >= deadline || CrosswireCli::stopRequested())
            return false;
        context.waitForIncoming(kWaitStepMilliseconds);
        context.pump();
    }
    return true;
}

QByteArray ownSpecifier()
{
    return "crosswirecli_" + QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

std::optional<QString> CrosswireCli::Options::value(const QString &name) const
{
    for (const auto &[key, value] : named) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

QStringList CrosswireCli::Options::values(const QString &name) const
{
    QStringList list;
    for (const auto &[key, value] : named) {
        if (key == name)
            list.append(value);
    }
    return list;
}

CrosswireCli::CrosswireCli(std::FILE *out, std::FILE *err)
    : m_out(out)
    , m_err(err)
{
}

CrosswireCli::~CrosswireCli() = default;

void CrosswireCli::requestStop()
{
    stopFlag = 1;
}

bool CrosswireCli::stopRequested()
{
    return stopFlag != 0;
}

QByteArray CrosswireCli::usage()
{
    return "Usage: crosswire-cli COMMAND [OPTIONS]\n"
           "Talks to the messaging endpoints of the product family of the current user.\n"
           "\n"
           "Commands:\n"
           "  send --target T [--type X] [--header NAME=VALUE]... [--launch] [--wait]\n"
           "       [--timeout SECONDS] BODY\n"
           "      Sends BODY (\"-\": read from standard input) to T. With --launch a target that\n"
           "      does not run is started; with --wait the Result or Error response is printed.\n"
           "  listen --specifier S [--answer TEXT]\n"
           "      Opens the endpoint S, prints every message it receives as its text form\n"
           "      followed by an empty line, and answers with a Result of TEXT; runs until\n"
           "      interrupted.\n"
           "  ping T KEY [--timeout MS]\n"
           "      Asks the messaging thread of T for its value KEY (NAME=VALUE sets one).\n"
           "  status T [--timeout MS]\n"
           "      Prints the status of T's messaging thread (IDLE, PUMPING, BUSY).\n"
           "  diagnostics T [--timeout MS]\n"
           "      Prints T's diagnostics tree.\n"
           "\n"
           "Exit status: 0 success, 1 an Error response or a message that could not be sent,\n"
           "2 no answer in time, 64 a usage error.\n";
}

int CrosswireCli::run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return fail(usage(), Usage);
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        print(usage());
        return Success;
    }
    if (rest.contains(QStringLiteral("--help"))) {
        print(usage());
        return Success;
    }
    if (command == QLatin1String("send"))
        return send(rest);
    if (command == QLatin1String("listen"))
        return listen(rest);
    if (command == QLatin1String("ping"))
        return ping(rest, {});
    if (command == QLatin1String("status"))
        return ping(rest, "STATUS");
    if (command == QLatin1String("diagnostics"))
        return ping(rest, "DIAGNOSTICS");
    return fail("crosswire-cli: unknown command '" + command.toUtf8() + "'\n" + usage(), Usage);
}

bool CrosswireCli::parse(const QStringList &arguments, const QStringList &valued,
                         const QStringList &flags, Options &options)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--")) {
            options.positional += arguments.mid(i + 1);
            return true;
        }
        if (!argument.startsWith(QLatin1String("--")) || argument.size() == 2) {
            options.positional.append(argument);
            continue;
        }
        if (flags.contains(argument)) {
            options.flags.append(argument);
        } else if (valued.contains(argument)) {
            if (i + 1 >= arguments.size()) {
                fail("crosswire-cli: " + argument.toUtf8() + " needs a value\n", Usage);
                return false;
            }
            options.named.append({argument, arguments[++i]});
        } else {
            fail("crosswire-cli: unknown option " + argument.toUtf8() + "\n", Usage);
            return false;
        }
    }
    return true;
}

bool CrosswireCli::openContext(CrosswireContext &context, const QByteArray &specifier)
{
    if (context.init(specifier))
        return true;
    if (context.status() == "INVALIDSPEC")
        fail("crosswire-cli: invalid specifier '" + specifier + "'\n", Failure);
    else
        fail("crosswire-cli: cannot open the endpoint '" + specifier +
                 "' (every instance is taken, or the mailslot folder is not usable)\n",
             Failure);
    return false;
}

int CrosswireCli::send(const QStringList &arguments)
{
    Options options;
    if (!parse(arguments,
               {QStringLiteral("--target"), QStringLiteral("--type"), QStringLiteral("--header"),
                QStringLiteral("--timeout")},
               {QStringLiteral("--launch"), QStringLiteral("--wait")}, options))
        return Usage;
    const std::optional<QString> target = options.value(QStringLiteral("--target"));
    if (!target || target->isEmpty())
        return fail("crosswire-cli: send needs --target\n", Usage);
    if (options.positional.size() != 1)
        return fail("crosswire-cli: send needs exactly one BODY\n", Usage);
    bool timeoutOk = true;
    const int timeoutSeconds = options.value(QStringLiteral("--timeout"))
                                   .value_or(QString::number(kDefaultTimeoutSeconds))
                                   .toInt(&timeoutOk);
    if (!timeoutOk || timeoutSeconds <= 0)
        return fail("crosswire-cli: --timeout needs a positive number of seconds\n", Usage);
    const bool wait = options.has(QStringLiteral("--wait"));

    Message message;
    message.target = target->toUtf8();
    message.type =
        options.value(QStringLiteral("--type")).value_or(QStringLiteral("Scriptara")).toUtf8();
    if (options.positional.first() == QLatin1String("-")) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return fail("crosswire-cli: cannot read standard input\n", Failure);
        message.body = input.readAll();
    } else {
        message.body = options.positional.first().toUtf8();
    }
    for (const QString &header : options.values(QStringLiteral("--header"))) {
        const qsizetype equals = header.indexOf(u'=');
        const QByteArray name = header.left(equals).toUtf8();
        if (equals <= 0 || Message::isReservedName(name) ||
            !message.setHeader(name, header.mid(equals + 1).toUtf8()))
            return fail("crosswire-cli: invalid header '" + header.toUtf8() + "'\n", Usage);
    }
    // Errors are always asked for: a send that fails is answered with one at once.
    message.responseRequest = wait ? "Received Result Error Timeout" : "Error";
    if (wait)
        message.timeout = timeoutSeconds;

    CrosswireContext context({CrosswireIdentity::userId(), CrosswireIdentity::digestKey()},
                             std::make_unique<CrosswireConnector>());
    if (!openContext(context, ownSpecifier()))
        return Failure;
    message.serialNumber = context.nextSerialNumber();
    auto scripts = std::make_shared<ResponseCollector>("Scriptara", message.serialNumber);
    auto timeouts = std::make_shared<ResponseCollector>("Timeout", message.serialNumber);
    context.addHandler(scripts);
    context.addHandler(timeouts);

    const auto deadline = SteadyClock::now() + std::chrono::seconds(timeoutSeconds);
    const bool sent = context.send(message, options.has(QStringLiteral("--launch")));
    auto answered = [&] {
        return scripts->final() || timeouts->final();
    };
    auto report = [&](const ResponseCollector::Response &response) {
        if (response.type == "Error") {
            print("Error " + response.errorCode + ": " + response.body + "\n");
            return int(Failure);
        }
        if (response.type == "Timeout") {
            print("Timeout\n");
            return int(TimedOut);
        }
        print("Result: " + response.body + "\n");
        return int(Success);
    };
    if (!sent) {
        // The Error response to a send that failed is delivered locally, at once.
        waitFor(context, answered, SteadyClock::now() + std::chrono::seconds(1));
        if (auto response = scripts->final())
            return report(*response);
        return fail("crosswire-cli: the message was not sent\n", Failure);
    }
    if (wait) {
        if (!waitFor(context, answered, deadline))
            return fail("crosswire-cli: no response in " + QByteArray::number(timeoutSeconds) +
                            " seconds\n",
                        TimedOut);
        return report(scripts->final() ? *scripts->final() : *timeouts->final());
    }
    // Without waiting for an answer the message still has to leave: a target that is being
    // launched gets it from the outgoing queue once it reads its mailslot.
    CrosswireEndpoint *main = context.mainEndpoint();
    const QByteArray resolved = message.target;
    waitFor(
        context, [&] { return answered() || !main->outgoing().holdsMessageFor(resolved); },
        deadline);
    if (auto response = scripts->final(); response && response->type == "Error")
        return report(*response);
    if (main->outgoing().holdsMessageFor(resolved))
        return fail("crosswire-cli: '" + resolved + "' did not take the message in " +
                        QByteArray::number(timeoutSeconds) + " seconds\n",
                    TimedOut);
    return Success;
}

int CrosswireCli::listen(const QStringList &arguments)
{
    Options options;
    if (!parse(arguments, {QStringLiteral("--specifier"), QStringLiteral("--answer")}, {}, options))
        return Usage;
    const std::optional<QString> specifier = options.value(QStringLiteral("--specifier"));
    if (!specifier || specifier->isEmpty() || !options.positional.isEmpty())
        return fail("crosswire-cli: listen needs --specifier and nothing else\n", Usage);

    CrosswireContext context({CrosswireIdentity::userId(), CrosswireIdentity::digestKey()});
    if (!openContext(context, specifier->toUtf8()))
        return Failure;
    context.addHandler(std::make_shared<PrintingHandler>(
        m_out, options.value(QStringLiteral("--answer")).value_or(QString()).toUtf8()));
    std::fprintf(m_err, "crosswire-cli: listening on %s\n", context.ownSpecifier().constData());
    std::fflush(m_err);
    while (!stopRequested()) {
        context.waitForIncoming(50);
        context.pump();
    }
    return Success;
}

int CrosswireCli::ping(const QStringList &arguments, const QByteArray &fixedKey)
{
    Options options;
    if (!parse(arguments, {QStringLiteral("--timeout")}, {}, options))
        return Usage;
    const qsizetype expected = fixedKey.isEmpty() ? 2 : 1;
    if (options.positional.size() != expected)
        return fail(fixedKey.isEmpty() ? "crosswire-cli: ping needs a target and a key\n"
                                       : "crosswire-cli: this command needs a target\n",
                    Usage);
    bool timeoutOk = true;
    const int timeoutMs =
        options.value(QStringLiteral("--timeout"))
            .value_or(QString::number(fixedKey == "DIAGNOSTICS" ? 2 * kDefaultPingMilliseconds
                                                                : kDefaultPingMilliseconds))
            .toInt(&timeoutOk);
    if (!timeoutOk || timeoutMs <= 0)
        return fail("crosswire-cli: --timeout needs a positive number of milliseconds\n", Usage);
    const QByteArray target = options.positional.first().toUtf8();
    const QByteArray key = fixedKey.isEmpty() ? options.positional.at(1).toUtf8() : fixedKey;
    if (!Crosswire::Specifier(target).isValid())
        return fail("crosswire-cli: invalid specifier '" + target + "'\n", Usage);

    CrosswireContext context({CrosswireIdentity::userId(), CrosswireIdentity::digestKey()});
    if (!openContext(context, ownSpecifier()))
        return Failure;
    QByteArray answer = context.ping(target, key, timeoutMs);
    if (answer.isEmpty())
        return fail("crosswire-cli: no answer from '" + target + "'\n", TimedOut);
    if (!answer.endsWith('\n'))
        answer += '\n';
    print(answer);
    return Success;
}

int CrosswireCli::fail(const QByteArray &message, int code)
{
    std::fwrite(message.constData(), 1, size_t(message.size()), m_err);
    std::fflush(m_err);
    return code;
}

void CrosswireCli::print(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), m_out);
    std::fflush(m_out);
}
