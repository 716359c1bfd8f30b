#pragma once

#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include <QString>

namespace KnObjects {

class CrosswireLiveObject;
class CrosswireStaticObject;

// Makes the objects of "new Crosswire()" and "new Crosswire(address)": with one argument, a
// "tessaly-crosswire" address (text or URL object) gives the target and properties (see
// CrosswireUrl); an argument that is no such address fails with -28. The class's static members
// live in one CrosswireStaticObject.
class CrosswireLiveObjectFactory : public Kernova::LiveObjectFactory
{
public:
    CrosswireLiveObjectFactory();
    ~CrosswireLiveObjectFactory() override;

    std::shared_ptr<Kernova::LiveObject> create(const Kernova::Array &arguments,
                                                int &error) override;
    std::shared_ptr<Kernova::LiveObject> statics() override;

    // An object made from `address`; null with `error` set when it is no valid address.
    static std::shared_ptr<CrosswireLiveObject> fromAddress(const QString &address, int &error,
                                                            QString *reason = nullptr);

private:
    std::shared_ptr<CrosswireStaticObject> m_statics;
};

} // namespace KnObjects
