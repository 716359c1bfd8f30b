#pragma once

#include <memory>

namespace Kernova {

class Array;
class LiveObject;

// Makes the native objects of one class when a script constructs one ("new Crosswire(...)").
class LiveObjectFactory
{
public:
    virtual ~LiveObjectFactory();
    // Null when the arguments do not make an object; `error` gets the code.
    virtual std::shared_ptr<LiveObject> create(const Array &arguments, int &error) = 0;
    // The object holding the class's static members; null when it has none.
    virtual std::shared_ptr<LiveObject> statics();
};

} // namespace Kernova
