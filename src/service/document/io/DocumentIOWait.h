#pragma once
// What the main thread does while the loader runs one of its loads or saves. Without one it only
// waits; the application gives the DocumentManager one that keeps its windows alive meanwhile.

#include <windows.h>

#include <cstdint>
#include <functional>

namespace tessel {

class DocumentIOWait {
public:
    virtual ~DocumentIOWait() = default;
    // Returns once `finished` answers true. `ready` (an event that stays set) is set by the
    // loader just before the request is finished, so a wait on it with the thread's messages
    // wakes for either. `kind` (DocumentIOKind) and `path` tell what runs.
    virtual void waitFor(uint32_t kind, const wchar_t* path, HANDLE ready, const std::function<bool()>& finished) = 0;
};

} // namespace tessel
