#include "components/scriptruntime/kernova/array.h"

#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

const Variant &Array::at(qsizetype index) const
{
    static const Variant undefined;
    return index >= 0 && index < size() ? m_values[size_t(index)] : undefined;
}

} // namespace Kernova
