#include "pel/base/FreedAccessTrap.h"

#include "pel/thread/Mutex.h"

#include <windows.h>

#include <map>
#include <new>

namespace pel {

namespace {

constexpr size_t PAGE = 4096;
// Address space is taken in runs of this size, and pages handed out from them in turn: a page
// is never handed out twice.
constexpr size_t RUN = 4 << 20;

struct Trap {
    FastMutex lock;
    bool on = false;
    char* next = nullptr; // the next page of the current run
    char* end = nullptr;
    std::map<const void*, bool> made; // trapped objects: whether each is freed
};

Trap& trap() {
    static Trap* instance = new Trap; // outlives every object made through it
    return *instance;
}

void* takePages(Trap& t, size_t size) {
    const size_t bytes = (size + PAGE - 1) / PAGE * PAGE;
    if (!t.next || t.next + bytes > t.end) {
        const size_t reserved = bytes > RUN ? bytes : RUN;
        t.next = static_cast<char*>(::VirtualAlloc(nullptr, reserved, MEM_RESERVE, PAGE_NOACCESS));
        if (!t.next)
            throw std::bad_alloc();
        t.end = t.next + reserved;
    }
    void* pages = ::VirtualAlloc(t.next, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!pages)
        throw std::bad_alloc();
    t.next += bytes;
    return pages;
}

} // namespace

void* FreedAccessTrap::operator new(std::size_t size) {
    Trap& t = trap();
    {
        ScopedLock<FastMutex> hold(t.lock);
        if (t.on) {
            void* object = takePages(t, size);
            t.made[object] = false;
            return object;
        }
    }
    return ::operator new(size);
}

void FreedAccessTrap::operator delete(void* object, std::size_t size) noexcept {
    if (!object)
        return;
    Trap& t = trap();
    {
        ScopedLock<FastMutex> hold(t.lock);
        const auto found = t.made.find(object);
        if (found != t.made.end()) {
            // Decommitted but still reserved: a touch faults, and nothing is placed there again.
            ::VirtualFree(object, (size + PAGE - 1) / PAGE * PAGE, MEM_DECOMMIT);
            found->second = true;
            return;
        }
    }
    ::operator delete(object);
}

void FreedAccessTrap::setTrapping(bool on) {
    Trap& t = trap();
    ScopedLock<FastMutex> hold(t.lock);
    t.on = on;
}

bool FreedAccessTrap::isFreed(const void* object) {
    Trap& t = trap();
    ScopedLock<FastMutex> hold(t.lock);
    const auto found = t.made.find(object);
    return found != t.made.end() && found->second;
}

} // namespace pel
