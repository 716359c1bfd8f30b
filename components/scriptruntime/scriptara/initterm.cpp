#include "components/scriptruntime/scriptara/initterm.h"

#include "components/scriptruntime/scriptara/engine.h"

namespace KnScript {

bool InitTerm::init()
{
    return true;
}

void InitTerm::exit()
{
    Engine::destroyCurrent();
}

} // namespace KnScript
