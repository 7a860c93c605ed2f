#pragma once
// A base for objects whose use after their delete must show: while the trap is set (tests set
// it), each object of such a class made gets pages of its own, and its delete takes them out of
// use instead of giving them back, so that a later touch of the object faults at once rather
// than reading whatever took its memory. Unset, new and delete are the global ones.

#include <cstddef>

namespace pel {

class FreedAccessTrap {
public:
    static void* operator new(std::size_t size);
    static void operator delete(void* object, std::size_t size) noexcept;

    // Sets or unsets the trap for the objects made from now on.
    static void setTrapping(bool on);
    // Whether the object was made while the trap was set and has been deleted since.
    static bool isFreed(const void* object);

protected:
    FreedAccessTrap() = default;
    ~FreedAccessTrap() = default;
};

} // namespace pel
