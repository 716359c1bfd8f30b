#pragma once

#include "components/scriptruntime/kernova/string.h"

#include <memory>

namespace Kernova {

class Array;
class HashTable;
class LiveObject;
class ScriptHandle;

// A value of the runtime: undefined, null, boolean, number, string, native object, array, hash
// table, or a value that lives in a script engine (a script object or function).
class Variant
{
public:
    enum class Type { Undefined, Null, Bool, Number, String, Object, Array, HashTable, Script };

    Variant() = default;
    Variant(bool value);
    Variant(int value);
    Variant(double value);
    Variant(const char *text);
    Variant(const String &text);
    Variant(std::shared_ptr<LiveObject> object);
    Variant(const Array &array);
    Variant(const HashTable &table);
    Variant(std::shared_ptr<ScriptHandle> handle);
    static Variant null();

    Type type() const { return m_type; }
    bool isUndefined() const { return m_type == Type::Undefined; }
    bool toBool() const;
    double toNumber() const;
    // The text form ("true", "12", the string; "" for undefined and null).
    String toString() const;
    std::shared_ptr<LiveObject> toObject() const { return m_object; }
    const Array &toArray() const;
    const HashTable &toHashTable() const;
    std::shared_ptr<ScriptHandle> toScriptHandle() const { return m_handle; }

private:
    Type m_type = Type::Undefined;
    bool m_bool = false;
    double m_number = 0;
    String m_string;
    std::shared_ptr<LiveObject> m_object;
    std::shared_ptr<Array> m_array;
    std::shared_ptr<HashTable> m_table;
    std::shared_ptr<ScriptHandle> m_handle;
};

} // namespace Kernova
