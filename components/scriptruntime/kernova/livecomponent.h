#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

namespace Kernova {

// A native object installed once on the global object under its name, so scripts call its
// methods directly ("launcher.notification(...)").
class LiveComponent : public LiveObject
{
public:
    LiveComponent(const String &name, const String &className);
    String name() const { return m_name; }

private:
    String m_name;
};

} // namespace Kernova
