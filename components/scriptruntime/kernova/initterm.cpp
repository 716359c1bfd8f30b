#include "components/scriptruntime/kernova/initterm.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

namespace {
std::atomic<int> initCount{0};
} // namespace

bool InitTerm::init()
{
    ++initCount;
    return true;
}

void InitTerm::exit()
{
    if (initCount > 0)
        --initCount;
}

bool InitTerm::isInitialized()
{
    return initCount > 0;
}

} // namespace Kernova
