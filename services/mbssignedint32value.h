#pragma once

#include "services/mbsbase.h"

namespace MBS {

// A signed 32-bit integer value ("sint").
class SignedInt32Value : public Base
{
public:
    // Slot 4. Stores the value; "erro" without an out pointer.
    virtual Result getValue(int32_t *value) = 0;
};

} // namespace MBS
