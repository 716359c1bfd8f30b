#pragma once

#include "services/mbsbase.h"

namespace MBS {

// An unsigned 32-bit integer value ("uint").
class UnsignedInt32Value : public Base
{
public:
    // Slot 4. Stores the value; "erro" without an out pointer.
    virtual Result getValue(uint32_t *value) = 0;
};

} // namespace MBS
