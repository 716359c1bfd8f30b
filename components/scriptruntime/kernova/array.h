#pragma once

#include "components/scriptruntime/kernova/variant.h"

#include <vector>

namespace Kernova {

// An ordered list of values (call arguments, script arrays).
class Array
{
public:
    Array() = default;
    Array(std::initializer_list<Variant> values)
        : m_values(values)
    {
    }

    qsizetype size() const { return qsizetype(m_values.size()); }
    const Variant &at(qsizetype index) const;
    void append(const Variant &value) { m_values.push_back(value); }

private:
    std::vector<Variant> m_values;
};

} // namespace Kernova
