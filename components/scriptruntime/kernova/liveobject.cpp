#include "components/scriptruntime/kernova/liveobject.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/livecomponent.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include <QMap>

#include <atomic>
#include <mutex>

namespace Kernova {

namespace {

std::mutex factoryMutex;
QMap<QString, std::shared_ptr<LiveObjectFactory>> &factories()
{
    static QMap<QString, std::shared_ptr<LiveObjectFactory>> map;
    return map;
}

// Error codes of the runtime.
constexpr int kNoSuchMember = 22;
constexpr int kReadOnlyMember = 23;

} // namespace

LiveObject::LiveObject(const String &className)
    : m_className(className)
{
}

LiveObject::~LiveObject() = default;

int LiveObject::initialize()
{
    return 0;
}

int LiveObject::get(int, Variant &)
{
    return setError(kNoSuchMember, String("no such property"));
}

int LiveObject::put(int id, const Variant &)
{
    const auto *property = m_properties.find(id);
    if (property && !property->isWritable())
        return setError(kReadOnlyMember, String(QStringLiteral("read-only property: ") +
                                                property->name.toQString()));
    return setError(kNoSuchMember, String("no such property"));
}

int LiveObject::call(int, const Array &, Variant &)
{
    return setError(kNoSuchMember, String("no such method"));
}

int LiveObject::getIDForName(const String &name)
{
    const auto *property = m_properties.find(name);
    return property ? property->id : -1;
}

int LiveObject::flagsForID(int id)
{
    const auto *property = m_properties.find(id);
    return property ? property->flags : 0;
}

bool LiveObject::canInvoke(const String &name)
{
    const int id = getIDForName(name);
    return id >= 0 && (flagsForID(id) & 0x7F) == LivePropertyManager::kMethod;
}

int LiveObject::invoke(const String &name, const Array &arguments, Variant &result)
{
    if (!canInvoke(name))
        return setError(kNoSuchMember,
                        String(QStringLiteral("no such method: ") + name.toQString()));
    return call(getIDForName(name), arguments, result);
}

void LiveObject::addFactory(const String &className, std::shared_ptr<LiveObjectFactory> factory)
{
    std::lock_guard guard(factoryMutex);
    factories().insert(className.toQString(), std::move(factory));
}

std::shared_ptr<LiveObjectFactory> LiveObject::getFactory(const String &className)
{
    std::lock_guard guard(factoryMutex);
    return factories().value(className.toQString());
}

void LiveObject::removeFactory(const String &className)
{
    std::lock_guard guard(factoryMutex);
    factories().remove(className.toQString());
}

} // namespace Kernova
