#include "crosswire/clock.h"

#include <QDateTime>

#include <cmath>
#include <mutex>

namespace KnObjects {

namespace {

std::mutex sourceMutex;
std::function<double()> &source()
{
    static std::function<double()> function;
    return function;
}

} // namespace

double Clock::nowMilliseconds()
{
    {
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
}

} // namespace KnObjects
