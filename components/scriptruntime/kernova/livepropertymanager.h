#pragma once

#include "components/scriptruntime/kernova/string.h"

#include <vector>

namespace Kernova {

// The table of a class's script-visible members: name, id, flags (0x41 read-only property, 0x42
// read/write property, 0x45 method, each optionally with 0x80 for a static member) and a type or
// call signature.
class LivePropertyManager
{
public:
    static constexpr int kReadOnly = 0x41;
    static constexpr int kReadWrite = 0x42;
    static constexpr int kMethod = 0x45;
    static constexpr int kStatic = 0x80;

    struct Property
    {
        String name;
        int id = -1;
        int flags = 0;
        String signature;

        bool isMethod() const { return (flags & 0x7F) == kMethod; }
        bool isWritable() const { return (flags & 0x7F) == kReadWrite; }
    };

    // False when the name or id is taken already.
    bool registerProperty(const String &name, int id, int flags, const String &signature = {});
    const Property *find(const String &name) const;
    const Property *find(int id) const;
    const std::vector<Property> &properties() const { return m_properties; }

private:
    std::vector<Property> m_properties;
};

} // namespace Kernova
