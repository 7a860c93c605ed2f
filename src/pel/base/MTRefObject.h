#pragma once
// Intrusive, atomically counted reference for objects shared between threads: the count starts
// at 1, never goes below 0, and the last release deletes the object as a Derived.

#include "pel/base/Assert.h"

#include <atomic>
#include <cstdint>

namespace pel {

class AtomicCounter {
public:
    explicit AtomicCounter(int32_t initial) : m_value(initial) {}
    int32_t value() const { return m_value.load(std::memory_order_acquire); }
    int32_t increment() { return m_value.fetch_add(1, std::memory_order_relaxed) + 1; }
    int32_t decrement() { return m_value.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<int32_t> m_value;
};

template <class Derived, int32_t Initial = 1>
class MTRefObject {
public:
    MTRefObject() : m_counter(Initial) {}
    MTRefObject(const MTRefObject&) = delete;
    MTRefObject& operator=(const MTRefObject&) = delete;

    void addRef() const {
        m_counter.increment();
        PEL_ASSERT(m_counter.value() >= 0);
    }
    void release() const {
        const int32_t left = m_counter.decrement();
        PEL_ASSERT(left >= 0);
        if (left == 0)
            delete static_cast<const Derived*>(this);
    }
    int32_t refCount() const { return m_counter.value(); }

protected:
    ~MTRefObject() { PEL_SOFT_ASSERT(m_counter.value() == 0); }

private:
    mutable AtomicCounter m_counter;
};

} // namespace pel
