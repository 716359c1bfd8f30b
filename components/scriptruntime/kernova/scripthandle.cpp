#include "components/scriptruntime/kernova/scripthandle.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

ScriptHandle::~ScriptHandle() = default;

Variant::Variant(bool value)
    : m_type(Type::Bool)
    , m_bool(value)
{
}

} // namespace Kernova
