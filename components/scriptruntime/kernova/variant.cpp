#include "components/scriptruntime/kernova/variant.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/kernova/string.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

Variant::Variant(int value)
    : m_type(Type::Number)
    , m_number(value)
{
}

Variant::Variant(double value)
    : m_type(Type::Number)
    , m_number(value)
{
}

Variant::Variant(const char *text)
    : m_type(Type::String)
    , m_string(QString::fromUtf8(text))
{
}

Variant::Variant(const String &text)
    : m_type(Type::String)
    , m_string(text)
{
}

Variant::Variant(std::shared_ptr<LiveObject> object)
    : m_type(object ? Type::Object : Type::Null)
    , m_object(std::move(object))
{
}

Variant::Variant(const Array &array)
    : m_type(Type::Array)
    , m_array(std::make_shared<Array>(array))
{
}

Variant::Variant(const HashTable &table)
    : m_type(Type::HashTable)
    , m_table(std::make_shared<HashTable>(table))
{
}

Variant::Variant(std::shared_ptr<ScriptHandle> handle)
    : m_type(handle ? Type::Script : Type::Null)
    , m_handle(std::move(handle))
{
}

Variant Variant::null()
{
    Variant value;
    value.m_type = Type::Null;
    return value;
}

bool Variant::toBool() const
{
    switch (m_type) {
    case Type::Bool:
        return m_bool;
    case Type::Number:
        return m_number != 0 && !std::isnan(m_number);
    case Type::String:
        return !m_string.isEmpty();
    case Type::Undefined:
    case Type::Null:
        return false;
    default:
        return true;
    }
}

double Variant::toNumber() const
{
    switch (m_type) {
    case Type::Bool:
        return m_bool ? 1 : 0;
    case Type::Number:
        return m_number;
    case Type::String: {
        bool ok = false;
        const double value = m_string.toQString().trimmed().toDouble(&ok);
        return ok ? value : std::nan("");
    }
    case Type::Null:
        return 0;
    default:
        return std::nan("");
    }
}

String Variant::toString() const
{
    switch (m_type) {
    case Type::Bool:
        return String(m_bool ? "true" : "false");
    case Type::Number:
        if (std::isnan(m_number))
            return String("NaN");
        if (m_number == std::floor(m_number) && std::abs(m_number) < 1e15)
            return String(QString::number(qint64(m_number)));
        return String(QString::number(m_number, 'g', 15));
    case Type::String:
        return m_string;
    default:
        return String();
    }
}

const Array &Variant::toArray() const
{
    static const Array empty;
    return m_array ? *m_array : empty;
}

const HashTable &Variant::toHashTable() const
{
    static const HashTable empty;
    return m_table ? *m_table : empty;
}

} // namespace Kernova
