#include "crosswire/soevent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

namespace KnObjects {

SoEvent::SoEvent()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

SoEvent::~SoEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void SoEvent::set()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool SoEvent::reset()
{
    uint64_t value = 0;
    return ::read(m_fd, &value, sizeof value) == sizeof value;
}

bool SoEvent::wait(int milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (reset())
            return true;
        int left = -1;
        if (milliseconds >= 0) {
            left =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count());
            if (left <= 0)
                return reset();
        }
        pollfd waiter{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiter, 1, left);
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace KnObjects
