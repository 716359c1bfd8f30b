#pragma once

#include <chrono>
#include <functional>

// The one way end-to-end tests wait: runs the event loop (so process output and X events keep
// arriving) until the condition holds or the time is over. Every wait is bounded.
class E2eWait
{
public:
    static bool until(const std::function<bool()> &condition, std::chrono::milliseconds timeout);
};
