// Objects made while the trap is set keep their pages after their delete, out of use; others
// come and go through the heap as ever.

#include "pel/base/FreedAccessTrap.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace {

struct Trapped : pel::FreedAccessTrap {
    char bytes[6000] = {};
};

struct Derived : Trapped {
    virtual ~Derived() = default;
    int more = 7;
};

// The addresses of deleted objects are looked at, on purpose; never what lies there.
#pragma GCC diagnostic ignored "-Wuse-after-free"

uintptr_t addressOf(const void* object) { return reinterpret_cast<uintptr_t>(object); }
bool isFreed(uintptr_t address) { return pel::FreedAccessTrap::isFreed(reinterpret_cast<const void*>(address)); }

// The state of the page the address lies in: MEM_COMMIT while in use.
DWORD stateOf(uintptr_t address) {
    MEMORY_BASIC_INFORMATION info = {};
    ::VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info);
    return info.State;
}

TEST(FreedAccessTrapTest, AnObjectMadeWhileTheTrapIsSetLeavesItsPagesOutOfUseWhenDeleted) {
    pel::FreedAccessTrap::setTrapping(true);
    auto* first = new Trapped;
    auto* second = new Derived;
    pel::FreedAccessTrap::setTrapping(false);
    auto* untrapped = new Trapped;
    first->bytes[5999] = 'x';
    // Both pages of the first, and the second's.
    const uintptr_t pages[] = {addressOf(first), addressOf(first->bytes + 5999), addressOf(second)};
    const uintptr_t made[] = {addressOf(first), addressOf(second), addressOf(untrapped)};
    EXPECT_EQ(DWORD(MEM_COMMIT), stateOf(pages[1]));
    EXPECT_FALSE(isFreed(made[0]));

    delete first;
    delete second;
    delete untrapped;
    EXPECT_TRUE(isFreed(made[0]));
    EXPECT_TRUE(isFreed(made[1]));
    EXPECT_FALSE(isFreed(made[2]));
    // A touch would fault, and nothing is made there again.
    for (const uintptr_t page : pages)
        EXPECT_EQ(DWORD(MEM_RESERVE), stateOf(page));
    pel::FreedAccessTrap::setTrapping(true);
    auto* third = new Trapped;
    pel::FreedAccessTrap::setTrapping(false);
    EXPECT_NE(made[0], addressOf(third));
    EXPECT_NE(made[1], addressOf(third));
    delete third;
}

} // namespace
