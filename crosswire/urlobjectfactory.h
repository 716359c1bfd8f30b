#pragma once

#include "components/scriptruntime/kernova/liveobjectfactory.h"

namespace KnObjects {

// Makes the objects of "new URL(text)" (an empty address without an argument).
class URLObjectFactory : public Kernova::LiveObjectFactory
{
public:
    std::shared_ptr<Kernova::LiveObject> create(const Kernova::Array &arguments,
                                                int &error) override;
};

} // namespace KnObjects
