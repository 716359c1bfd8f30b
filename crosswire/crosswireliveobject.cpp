#include "crosswire/crosswireliveobject.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/genericmsghandler.h"
#include "crosswire/headerobject.h"
#include "crosswire/message.h"
#include "crosswire/scriptvalues.h"

#include <QLoggingCategory>

#include <cmath>
#include <limits>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

using Crosswire::Message;
using Kernova::LivePropertyManager;
using Kernova::Variant;

namespace {

// A response function's name: "on" and a capital letter ("onResult", "onErrorMyType").
bool isResponseFunctionName(const QString &name)
{
    return name.size() > 2 && name.startsWith(QLatin1String("on")) && name.at(2).isUpper();
}

bool hasLineBreak(const QByteArray &text)
{
    return text.contains('\n') || text.contains('\r');
}

Kernova::String utf8Text(const QByteArray &bytes)
{
    return Kernova::String(QString::fromUtf8(bytes));
}

} // namespace

const QByteArrayList &CrosswireLiveObject::responseTypes()
{
    static const QByteArrayList types = {"Received", "Result", "Error", "Timeout", "Launched"};
    return types;
}

CrosswireLiveObject::CrosswireLiveObject()
    : Kernova::LiveObject(Kernova::String("Crosswire"))
    , m_message(std::make_shared<Message>())
    , m_headers(std::shared_ptr<HeaderObject>(new HeaderObject(m_message)))
{
}

std::shared_ptr<CrosswireLiveObject> CrosswireLiveObject::create()
{
    std::shared_ptr<CrosswireLiveObject> object(new CrosswireLiveObject);
    object->initialize();
    return object;
}

std::shared_ptr<CrosswireLiveObject> CrosswireLiveObject::fromMessage(const Message &message)
{
    std::shared_ptr<CrosswireLiveObject> object = create();
    *object->m_message = message;
    return object;
}

int CrosswireLiveObject::initialize()
{
    registerProperty(Kernova::String("sender"), kSender, LivePropertyManager::kReadWrite,
                     Kernova::String("string"));
    registerProperty(Kernova::String("target"), kTarget, LivePropertyManager::kReadWrite,
                     Kernova::String("string"));
    registerProperty(Kernova::String("timeout"), kTimeout, LivePropertyManager::kReadWrite,
                     Kernova::String("number"));
    registerProperty(Kernova::String("type"), kType, LivePropertyManager::kReadWrite,
                     Kernova::String("string"));
    registerProperty(Kernova::String("body"), kBody, LivePropertyManager::kReadWrite,
                     Kernova::String("string"));
    registerProperty(Kernova::String("headers"), kHeaders, LivePropertyManager::kReadOnly,
                     Kernova::String("CrosswireHeaders"));
    registerProperty(Kernova::String("send"), kSend, LivePropertyManager::kMethod,
                     Kernova::String("boolean,timeout:number,launchParams:string"));
    registerProperty(Kernova::String("sendResult"), kSendResult, LivePropertyManager::kMethod,
                     Kernova::String("boolean,result:any"));
    registerProperty(Kernova::String("pump"), kPump, LivePropertyManager::kMethod,
                     Kernova::String("boolean"));
    return 0;
}

int CrosswireLiveObject::getIDForName(const Kernova::String &name)
{
    const int id = LiveObject::getIDForName(name);
    if (id >= 0)
        return id;
    const QString text = name.toQString();
    if (const auto it = m_dynamicIds.constFind(text); it != m_dynamicIds.constEnd())
        return it.value();
    // Response functions must reach the object itself, so send() can see them: their names
    // become properties as soon as a script uses them.
    if (!isResponseFunctionName(text) || m_dynamic.size() >= kMaxDynamicProperties)
        return -1;
    const int fresh = getNextID();
    m_dynamicIds.insert(text, fresh);
    m_dynamic.insert(fresh, {text, Variant()});
    return fresh;
}

int CrosswireLiveObject::flagsForID(int id)
{
    if (m_dynamic.contains(id))
        return LivePropertyManager::kReadWrite;
    return LiveObject::flagsForID(id);
}

int CrosswireLiveObject::get(int id, Variant &value)
{
    switch (id) {
    case kSender:
        value = Variant(utf8Text(m_message->sender));
        return 0;
    case kTarget:
        value = Variant(utf8Text(m_message->target));
        return 0;
    case kTimeout:
        value = Variant(double(m_message->timeout));
        return 0;
    case kType:
        value = Variant(utf8Text(m_message->type));
        return 0;
    case kBody:
        value = Variant(utf8Text(m_message->body));
        return 0;
    case kHeaders:
        value = Variant(std::shared_ptr<Kernova::LiveObject>(m_headers));
        return 0;
    default:
        break;
    }
    if (const auto it = m_dynamic.constFind(id); it != m_dynamic.constEnd()) {
        value = it->value;
        return 0;
    }
    return LiveObject::get(id, value);
}

int CrosswireLiveObject::setField(int id, const Variant &value)
{
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    if (id == kTimeout) {
        const double seconds = value.isUndefined() ? 0 : value.toNumber();
        if (std::isnan(seconds) || seconds < 0)
            return setError(kBadValue, Kernova::String("timeout must be a number of seconds"));
        // Beyond this a timestamp plus the timeout would overflow.
        constexpr double kLongest = double(std::numeric_limits<int32_t>::max());
        m_message->timeout = int64_t(std::min(seconds, kLongest));
        return 0;
    }
    const QByteArray text = ScriptValues::utf8(engine, value);
    if (id == kBody) {
        if (text.size() > Message::kMaxTextLength)
            return setError(kBadValue, Kernova::String("body too long"));
        m_message->body = text;
        return 0;
    }
    // One line each on the wire: a line break would forge further header lines.
    if (hasLineBreak(text))
        return setError(kBadValue, Kernova::String("line break in a message field"));
    switch (id) {
    case kSender:
        m_message->sender = text;
        return 0;
    case kTarget:
        m_message->target = text;
        return 0;
    case kType:
        m_message->type = text;
        return 0;
    default:
        return setError(kNoSuchMember, Kernova::String("no such property"));
    }
}

int CrosswireLiveObject::put(int id, const Variant &value)
{
    switch (id) {
    case kSender:
    case kTarget:
    case kTimeout:
    case kType:
    case kBody:
        return setField(id, value);
    case kHeaders:
        return setError(kReadOnly, Kernova::String("read-only property: headers"));
    default:
        break;
    }
    if (auto it = m_dynamic.find(id); it != m_dynamic.end()) {
        it->value = value;
        return 0;
    }
    return LiveObject::put(id, value);
}

int CrosswireLiveObject::putByName(const QString &name, const Variant &value)
{
    const int id = LiveObject::getIDForName(Kernova::String(name));
    if (id >= 0)
        return put(id, value);
    if (name.isEmpty())
        return setError(kBadValue, Kernova::String("empty property name"));
    auto it = m_dynamicIds.constFind(name);
    if (it == m_dynamicIds.constEnd()) {
        if (m_dynamic.size() >= kMaxDynamicProperties)
            return setError(kBadValue, Kernova::String("too many properties"));
        const int fresh = getNextID();
        it = m_dynamicIds.insert(name, fresh);
        m_dynamic.insert(fresh, {name, Variant()});
    }
    m_dynamic[it.value()].value = value;
    return 0;
}

Variant CrosswireLiveObject::dynamicProperty(const QString &name) const
{
    const auto it = m_dynamicIds.constFind(name);
    return it == m_dynamicIds.constEnd() ? Variant() : m_dynamic.value(it.value()).value;
}

Variant CrosswireLiveObject::responseFunction(KnScript::Engine *engine,
                                              const QByteArray &responseType,
                                              const QByteArray &messageType, QString *name) const
{
    QStringList names;
    const QString base = QStringLiteral("on") + QString::fromUtf8(responseType);
    if (!messageType.isEmpty() && !Message::isBuiltInType(messageType))
        names.append(base + QString::fromUtf8(messageType));
    names.append(base);
    for (const QString &candidate : names) {
        const Variant value = dynamicProperty(candidate);
        if (ScriptValues::isFunction(engine, value)) {
            if (name)
                *name = candidate;
            return value;
        }
    }
    return Variant();
}

bool CrosswireLiveObject::send(CrosswireContext &context, KnScript::Engine *engine,
                               const int64_t *timeout, const QByteArray &launchParams)
{
    Message message(*m_message);
    if (timeout)
        message.timeout = *timeout;
    if (message.type.isEmpty())
        message.type = "Scriptara";
    // A fresh message: nothing of a message this object may have been made from goes along.
    message.version = "2.05";
    message.status.clear();
    message.responseRequest.clear();
    message.received = message.result = message.error = Message::kUnset;
    message.contentLength = 0;
    message.timestamp = Clock::nowSeconds();
    message.serialNumber = context.nextSerialNumber();
    // The receiver evaluates the body as script text: doubled, a backslash arrives as the
    // backslash the sending script wrote instead of starting an escape sequence.
    if (message.type == "Scriptara")
        message.body.replace("\\", "\\\\");

    QByteArrayList requested;
    for (const QByteArray &responseType : responseTypes()) {
        if (responseFunction(engine, responseType, message.type).isUndefined())
            continue;
        if (!message.responseRequest.isEmpty())
            message.responseRequest += ' ';
        message.responseRequest += responseType;
        requested.append(responseType);
    }

    CrosswireEndpoint *from = message.sender.isEmpty() ? nullptr : context.endpoint(message.sender);
    if (!from)
        from = context.mainEndpoint();
    if (!from)
        return false;
    if (!requested.isEmpty() &&
        !GenericMsgHandler::install(context, *from, engine, shared_from_this(), message,
                                    requested)) {
        qCWarning(lcCrosswire) << "no room for the response handlers of" << message.summary();
        return false;
    }
    const bool sent = context.send(message, true, false, launchParams);
    // A refused message that asked for errors gets its Error response, which ends the exchange
    // and takes the handlers; otherwise nothing will come for them.
    if (!sent && !requested.isEmpty() && !message.requests("Error"))
        from->removeHandlers(message.serialNumber);
    return sent;
}

bool CrosswireLiveObject::sendResult(CrosswireContext &context, const QByteArray &text)
{
    if (!m_message->requests("Result") || m_message->sender.isEmpty() || m_resultSent)
        return false;
    std::unique_ptr<Message> response = m_message->makeResponse("Result", context.ownSpecifier());
    response->body = text;
    m_resultSent = context.send(*response, false, false, {}) || m_resultSent;
    return m_resultSent;
}

int CrosswireLiveObject::call(int id, const Kernova::Array &arguments, Variant &result)
{
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    CrosswireContext *context = CrosswireContext::current();
    switch (id) {
    case kSend: {
        if (!context || !context->isInitialized())
            return setError(kNoContext, Kernova::String("messaging is not initialised"));
        int64_t timeout = 0;
        const bool hasTimeout = ScriptValues::hasArgument(arguments, 0);
        if (hasTimeout) {
            const double seconds = arguments.at(0).toNumber();
            if (std::isnan(seconds) || seconds < 0)
                return setError(kBadValue, Kernova::String("timeout must be a number of seconds"));
            timeout = int64_t(std::min(seconds, double(std::numeric_limits<int32_t>::max())));
        }
        const QByteArray launchParams = ScriptValues::argument(engine, arguments, 1).toUtf8();
        result = Variant(send(*context, engine, hasTimeout ? &timeout : nullptr, launchParams));
        return 0;
    }
    case kSendResult:
        if (!context || !context->isInitialized())
            return setError(kNoContext, Kernova::String("messaging is not initialised"));
        result =
            Variant(sendResult(*context, ScriptValues::argument(engine, arguments, 0).toUtf8()));
        return 0;
    case kPump:
        result = Variant(context && context->pump());
        return 0;
    default:
        return LiveObject::call(id, arguments, result);
    }
}

} // namespace KnObjects
