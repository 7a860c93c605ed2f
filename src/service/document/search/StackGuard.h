#pragma once
// Keeps deep recursion from overflowing the thread's stack: check() throws StackExhausted once
// the stack pointer comes within a margin of the stack's lowest usable address, early enough
// that the exception can unwind normally. Used by readers that a recursive engine calls at
// every step, such as the text the regular-expression finder walks.

#include <cstdint>
#include <stdexcept>

namespace tessel {

class StackExhausted : public std::runtime_error {
public:
    StackExhausted() : std::runtime_error("stack exhausted") {}
};

class StackGuard {
public:
    // Room kept free below the guard: more than any recursion between two checks (bounded by
    // the pattern limits of the finder) plus unwinding needs.
    static constexpr uintptr_t MARGIN = 256 * 1024;

    // The guard of the calling thread (its stack's bounds are read once per thread).
    StackGuard();

    __attribute__((always_inline)) void check() const {
        uintptr_t pointer;
        asm("movl %%esp, %0" : "=r"(pointer));
        if (pointer < m_floor)
            throw StackExhausted();
    }

private:
    uintptr_t m_floor;
};

} // namespace tessel
