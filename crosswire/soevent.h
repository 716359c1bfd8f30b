#pragma once

namespace KnObjects {

// An auto-reset event on an eventfd: set() signals it, a wait consumes the signal. The
// descriptor can join a poll() with other handles, so a thread can wait for the event and for
// sockets at once.
class SoEvent
{
public:
    SoEvent();
    ~SoEvent();
    SoEvent(const SoEvent &) = delete;
    SoEvent &operator=(const SoEvent &) = delete;

    bool isValid() const { return m_fd >= 0; }
    void set();
    // Waits up to `milliseconds` (-1: for ever); true when the event was signalled.
    bool wait(int milliseconds);
    // Consumes a pending signal without waiting; true when there was one.
    bool reset();
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace KnObjects
