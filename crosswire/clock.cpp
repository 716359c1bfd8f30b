#include "crosswire/clock.h"

#include <QDateTime>

#include <atomic>
#include <cmath>
#include <mutex>

namespace KnObjects {

namespace {

std::mutex sourceMutex;
// Every message reads the clock several times; without a test source that costs no lock.
std::atomic<bool> sourceSet{false};
std::function<double()> &source()
{
    static std::function<double()> function;
    return function;
}

} // namespace

double Clock::nowMilliseconds()
{
    if (sourceSet.load(std::memory_order_acquire)) {
        std::lock_guard guard(sourceMutex);
        if (source())
            return source()();
    }
    return double(QDateTime::currentMSecsSinceEpoch());
}

int64_t Clock::nowSeconds()
{
    return static_cast<int64_t>(std::floor(nowMilliseconds() / 1000.0));
}

void Clock::setSourceForTesting(std::function<double()> function)
{
    std::lock_guard guard(sourceMutex);
    source() = std::move(function);
    sourceSet.store(bool(source()), std::memory_order_release);
}

} // namespace KnObjects
