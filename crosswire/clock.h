#pragma once

#include <cstdint>
#include <functional>

namespace KnObjects {

// The messaging library's time source: seconds and milliseconds since 1970. Tests replace it to
// drive expiry and retry rules without waiting.
class Clock
{
public:
    static int64_t nowSeconds();
    static double nowMilliseconds();
    // Replaces the source (milliseconds since 1970); an empty function restores the system time.
    static void setSourceForTesting(std::function<double()> source);
};

} // namespace KnObjects
