#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

#include <QMap>
#include <QString>

#include <memory>

namespace KnObjects {

// The script class "ProxyObject": a native object whose properties a script defines with
//   p.__defineGetter__("name", "getterFunction")   reading p.name calls getterFunction("name")
//   p.__defineSetter__("name", "setterFunction")   p.name = v calls setterFunction(v, "name")
// The functions are named script functions of the global object (a function value works too),
// called with the proxy as "this". A property with only a getter is read-only; one with only a
// setter reads as undefined.
class ProxyObject : public Kernova::LiveObject, public std::enable_shared_from_this<ProxyObject>
{
public:
    enum Id { kDefineGetter = 2000, kDefineSetter = 2001 };
    static constexpr int kMaxProperties = 1024;
    static constexpr int kNoEngine = 32;
    static constexpr int kBadArgument = 27;
    static constexpr int kReadOnly = 23;

    ProxyObject();

    int initialize() override;
    int get(int id, Kernova::Variant &value) override;
    int put(int id, const Kernova::Variant &value) override;
    int call(int id, const Kernova::Array &arguments, Kernova::Variant &result) override;
    int getIDForName(const Kernova::String &name) override;
    int flagsForID(int id) override;

private:
    struct Binding
    {
        QString name;
        Kernova::Variant getter;
        Kernova::Variant setter;
    };
    int define(const Kernova::Array &arguments, bool setter, Kernova::Variant &result);
    int invoke(const Kernova::Variant &function, const Kernova::Array &arguments,
               Kernova::Variant &result);

    QMap<int, Binding> m_bindings;
    QMap<QString, int> m_ids;
};

} // namespace KnObjects
