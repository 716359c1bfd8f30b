#pragma once

#include "services/mbsbase.h"
#include "services/mbsstringvalue.h"

#include <string>

// Helpers around the value objects of the membership-services boundary.
namespace MBS {

// A new string value with count 1 handed to *out (null when allocation fails); the result is 0,
// or "erro" when it could not be made or out is null.
Result makeStringValue(const std::string &text, StringValue **out);

// The text of a string value: asks the size, reads into a zero-filled buffer of that size and
// takes the bytes up to the first NUL. Consumes one reference of value (also on failure);
// a null value or a failing read gives an empty text.
std::string readStringValue(StringValue *value);

// Asks object for the interface of code through slot 0 and returns it with a new reference, or
// null. The caller picks T to match the code.
template<class T>
T *queryInterface(Base *object, uint32_t code)
{
    if (!object)
        return nullptr;
    Base *result = nullptr;
    if (object->queryInterface(code, &result) != kSuccess || !result)
        return nullptr;
    return static_cast<T *>(result);
}

} // namespace MBS
