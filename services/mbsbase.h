#pragma once

#include <cstdint>

// The value object model shared with the membership-services library "mbs": small
// reference-counted objects identified by four-character codes. Both sides are built from these
// declarations, so the order of the virtual operations below is the layout the library and the
// launcher agree on; never reorder them.
namespace MBS {

// A four-character code as a 32-bit value: the first character is the most significant byte.
constexpr uint32_t fourCharCode(const char (&code)[5])
{
    return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
           (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

// Result codes are 32-bit; 0 is success.
using Result = int32_t;
constexpr Result kSuccess = 0;
// Generic error: unknown interface, missing out pointer, failed operation.
constexpr Result kErrorGeneric = Result(fourCharCode("erro"));
// The caller's buffer is too small; the needed size was stored.
constexpr Result kErrorBufferTooSmall = Result(fourCharCode("bufI"));

constexpr uint32_t kCodeSignedInt32 = fourCharCode("sint");
constexpr uint32_t kCodeUnsignedInt32 = fourCharCode("uint");
constexpr uint32_t kCodeString = fourCharCode("bStr");
constexpr uint32_t kCodeBase = fourCharCode("bAsE");

// The base interface of every object crossing the library boundary.
class Base
{
public:
    // Slot 0. With no out pointer "erro"; otherwise the out pointer is cleared first, and for the
    // object's own code or "bAsE" receives the object with one reference added.
    virtual Result queryInterface(uint32_t code, Base **out) = 0;
    // Slot 1. Adds one reference; result 0.
    virtual Result addRef() = 0;
    // Slot 2. Drops one reference and returns the new count; the object deletes itself when the
    // count reaches 0. A count already at 0 is left alone.
    virtual Result release() = 0;
    // Slot 3. Objects are deleted through release(), never directly by their users.
    virtual ~Base() = default;
};

} // namespace MBS
