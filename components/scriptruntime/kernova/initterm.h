#pragma once

namespace Kernova {

// Start and end of the runtime's value and object library; init() comes before any other call.
class InitTerm
{
public:
    static bool init();
    static void exit();
    static bool isInitialized();
};

} // namespace Kernova
