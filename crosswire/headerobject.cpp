#include "crosswire/headerobject.h"

#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/message.h"
#include "crosswire/scriptvalues.h"

namespace KnObjects {

using Kernova::Variant;

namespace {

constexpr int kNoSuchMember = 22;
constexpr int kInvalidHeader = 27;

// Names every script object answers through its prototype: taking them for headers would break
// String(msg.headers) and similar. They are headers only when the message has one so named.
bool isObjectBuiltIn(const QByteArray &name)
{
    static const QByteArrayList names = {"toString",         "valueOf",
                                         "toJSON",           "toLocaleString",
                                         "constructor",      "hasOwnProperty",
                                         "isPrototypeOf",    "propertyIsEnumerable",
                                         "__proto__",        "__defineGetter__",
                                         "__defineSetter__", "__lookupGetter__",
                                         "__lookupSetter__", "then"};
    return names.contains(name);
}

} // namespace

HeaderObject::HeaderObject(std::shared_ptr<Crosswire::Message> message)
    : Kernova::LiveObject(Kernova::String("CrosswireHeaders"))
    , m_message(std::move(message))
{
}

int HeaderObject::getIDForName(const Kernova::String &name)
{
    const QByteArray key = name.toQString().toUtf8();
    if (key.isEmpty())
        return -1;
    if (const auto it = m_ids.constFind(key); it != m_ids.constEnd())
        return it.value();
    if (isObjectBuiltIn(key) && !m_message->hasHeader(key))
        return -1;
    if (m_ids.size() >= Crosswire::Message::kMaxHeaders * 4)
        return -1;
    const int id = getNextID();
    m_ids.insert(key, id);
    m_names.insert(id, key);
    return id;
}

int HeaderObject::flagsForID(int id)
{
    return m_names.contains(id) ? Kernova::LivePropertyManager::kReadWrite : 0;
}

int HeaderObject::get(int id, Variant &value)
{
    const auto it = m_names.constFind(id);
    if (it == m_names.constEnd())
        return setError(kNoSuchMember, Kernova::String("no such header"));
    if (!m_message->hasHeader(it.value())) {
        value = Variant();
        return 0;
    }
    value = Variant(Kernova::String(QString::fromUtf8(m_message->header(it.value()))));
    return 0;
}

int HeaderObject::put(int id, const Variant &value)
{
    const auto it = m_names.constFind(id);
    if (it == m_names.constEnd())
        return setError(kNoSuchMember, Kernova::String("no such header"));
    if (value.isUndefined() || value.type() == Variant::Type::Null) {
        m_message->removeHeader(it.value());
        return 0;
    }
    const QByteArray text = ScriptValues::utf8(KnScript::Engine::getCurrent(), value);
    if (!m_message->setHeader(it.value(), text))
        return setError(kInvalidHeader, Kernova::String(QStringLiteral("invalid header: ") +
                                                        QString::fromUtf8(it.value())));
    return 0;
}

} // namespace KnObjects
