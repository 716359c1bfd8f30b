#pragma once

#include "services/mbscbaseimpl.h"
#include "services/mbssignedint32value.h"
#include "services/mbsunsignedint32value.h"

#include <new>

namespace MBS {

// An integer value object (int32_t or uint32_t) holding a fixed value.
template<typename T, class Interface, uint32_t InterfaceCode>
class CIntegerValue : public CBaseImpl<Interface, InterfaceCode>
{
public:
    // A new object with count 1, or null when allocation fails.
    static CIntegerValue *create(T value) { return new (std::nothrow) CIntegerValue(value); }

    Result getValue(T *value) override
    {
        if (!value)
            return kErrorGeneric;
        *value = m_value;
        return kSuccess;
    }

protected:
    explicit CIntegerValue(T value)
        : m_value(value)
    {
    }
    ~CIntegerValue() override = default;

private:
    const T m_value;
};

using CSignedInt32Value = CIntegerValue<int32_t, SignedInt32Value, kCodeSignedInt32>;
using CUnsignedInt32Value = CIntegerValue<uint32_t, UnsignedInt32Value, kCodeUnsignedInt32>;

} // namespace MBS
