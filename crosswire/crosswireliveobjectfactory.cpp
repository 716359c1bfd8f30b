#include "crosswire/crosswireliveobjectfactory.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswirestaticobject.h"
#include "crosswire/crosswireurl.h"
#include "crosswire/scriptvalues.h"
#include "crosswire/urlobject.h"

namespace KnObjects {

using Kernova::Variant;

CrosswireLiveObjectFactory::CrosswireLiveObjectFactory()
    : m_statics(std::shared_ptr<CrosswireStaticObject>(new CrosswireStaticObject))
{
    m_statics->initialize();
}

CrosswireLiveObjectFactory::~CrosswireLiveObjectFactory() = default;

std::shared_ptr<Kernova::LiveObject> CrosswireLiveObjectFactory::statics()
{
    return m_statics;
}

std::shared_ptr<CrosswireLiveObject>
CrosswireLiveObjectFactory::fromAddress(const QString &address, int &error, QString *reason)
{
    const std::optional<CrosswireUrl> url = CrosswireUrl::split(address, reason);
    if (!url) {
        error = CrosswireLiveObject::kBadUrl;
        return nullptr;
    }
    std::shared_ptr<CrosswireLiveObject> object = CrosswireLiveObject::create();
    object->putByName(QStringLiteral("target"),
                      Variant(Kernova::String(QString::fromUtf8(url->target))));
    for (const auto &property : url->properties) {
        if (property.first == QLatin1String("headers") ||
            object->putByName(property.first, Variant(Kernova::String(property.second))) != 0) {
            if (reason)
                *reason = QStringLiteral("the address cannot set ") + property.first;
            error = CrosswireLiveObject::kBadUrl;
            return nullptr;
        }
    }
    return object;
}

std::shared_ptr<Kernova::LiveObject>
CrosswireLiveObjectFactory::create(const Kernova::Array &arguments, int &error)
{
    error = 0;
    if (arguments.size() == 0 || arguments.at(0).isUndefined())
        return CrosswireLiveObject::create();
    QString address;
    const Variant &argument = arguments.at(0);
    if (auto url = std::dynamic_pointer_cast<URLObject>(argument.toObject()))
        address = url->url();
    else if (argument.type() == Variant::Type::String)
        address = argument.toString().toQString();
    else {
        error = CrosswireLiveObject::kBadUrl;
        return nullptr;
    }
    return fromAddress(address, error);
}

} // namespace KnObjects
