#pragma once

#include "components/scriptruntime/kernova/livebase.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/kernova/variant.h"

#include <memory>

namespace Kernova {

class Array;
class LiveObjectFactory;

// A native object scripts use by name: its class's property table says which names are
// properties and which are methods; get, put and call do the work by property id and return 0
// or an error code (raised in the script with the message given to setError).
class LiveObject : public LiveBase
{
public:
    explicit LiveObject(const String &className);
    ~LiveObject() override;

    String className() const { return m_className; }
    LivePropertyManager &properties() { return m_properties; }
    const LivePropertyManager &properties() const { return m_properties; }
    bool registerProperty(const String &name, int id, int flags, const String &signature = {})
    {
        return m_properties.registerProperty(name, id, flags, signature);
    }

    // Sets up the object after construction (registers its members).
    virtual int initialize();
    virtual int get(int id, Variant &value);
    virtual int put(int id, const Variant &value);
    virtual int call(int id, const Array &arguments, Variant &result);
    // The id of a member name; -1 when the object has no such member.
    virtual int getIDForName(const String &name);
    // The flags of a member id (0 when unknown).
    virtual int flagsForID(int id);

    bool canInvoke(const String &name);
    int invoke(const String &name, const Array &arguments, Variant &result);

    // Factories of script-constructible classes, by class name.
    static void addFactory(const String &className, std::shared_ptr<LiveObjectFactory> factory);
    static std::shared_ptr<LiveObjectFactory> getFactory(const String &className);
    static void removeFactory(const String &className);

private:
    String m_className;
    LivePropertyManager m_properties;
};

} // namespace Kernova
