#pragma once

namespace KnScript {

// Start and end of the script engine library; call after Kernova::InitTerm::init().
class InitTerm
{
public:
    static bool init();
    static void exit();
};

} // namespace KnScript
