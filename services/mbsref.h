#pragma once

#include "services/mbsbase.h"

#include <utility>

namespace MBS {

// Owns one reference to an MBS object and releases it when it goes, so every early return of a
// caller gives its references back.
template<class T>
class Ref
{
public:
    Ref() = default;
    // Takes over a reference the caller already holds (nothing is added).
    explicit Ref(T *object)
        : m_object(object)
    {
    }
    ~Ref() { reset(); }
    Ref(Ref &&other) noexcept
        : m_object(std::exchange(other.m_object, nullptr))
    {
    }
    Ref &operator=(Ref &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }
    Ref(const Ref &) = delete;
    Ref &operator=(const Ref &) = delete;

    T *get() const { return m_object; }
    T *operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Releases the held reference and returns the out pointer for a call that hands over a new
    // one: `manager->listContent(kind, list.put())`.
    T **put()
    {
        reset();
        return &m_object;
    }
    // Gives the reference up to the caller.
    T *take() { return std::exchange(m_object, nullptr); }
    void reset()
    {
        if (T *object = std::exchange(m_object, nullptr))
            object->release();
    }

private:
    T *m_object = nullptr;
};

} // namespace MBS
