#pragma once

#include "services/mbsbase.h"

#include <atomic>

namespace MBS {

// The reference counting and interface query of a value object implementing Interface, whose
// own code is InterfaceCode. The count starts at 1: the creator's reference is handed over with
// the object.
template<class Interface, uint32_t InterfaceCode>
class CBaseImpl : public Interface
{
public:
    Result queryInterface(uint32_t code, Base **out) override
    {
        if (!out)
            return kErrorGeneric;
        *out = nullptr;
        if (code != InterfaceCode && code != kCodeBase)
            return kErrorGeneric;
        *out = this;
        addRef();
        return kSuccess;
    }

    Result addRef() override
    {
        m_refCount.fetch_add(1, std::memory_order_relaxed);
        return kSuccess;
    }

    Result release() override
    {
        // A compare-and-swap loop rather than a plain decrement, so a count already at 0 stays 0
        // even when several threads release at once.
        int32_t count = m_refCount.load(std::memory_order_relaxed);
        do {
            if (count == 0)
                return kSuccess;
        } while (!m_refCount.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel,
                                                   std::memory_order_relaxed));
        if (count == 1) {
            delete this;
            return kSuccess;
        }
        return count - 1;
    }

    // The current count, for diagnostics and tests; it may change at once on other threads.
    int32_t refCount() const { return m_refCount.load(std::memory_order_relaxed); }

protected:
    CBaseImpl() = default;
    ~CBaseImpl() override = default;
    CBaseImpl(const CBaseImpl &) = delete;
    CBaseImpl &operator=(const CBaseImpl &) = delete;

private:
    std::atomic<int32_t> m_refCount{1};
};

} // namespace MBS
