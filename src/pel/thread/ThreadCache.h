#pragma once
// A per-thread object made on first use and deleted when its thread ends, for scratch room that
// hot paths keep from one call to the next. It lives in a fiber-local slot whose callback the
// system runs at thread end: the runtime's thread_local objects with destructors are not safe
// here, as their storage can be released before their destructors run.

#include "pel/base/Exception.h"

#include <windows.h>

namespace pel {

template <class T>
class ThreadCache {
public:
    // This thread's object; SystemException when the system has no slot or no room for it.
    static T& get() {
        const DWORD index = slot();
        if (index == FLS_OUT_OF_INDEXES)
            throw SystemException(L"No fiber-local slot left for a thread cache");
        if (void* value = ::FlsGetValue(index))
            return *static_cast<T*>(value);
        T* made = new T();
        if (!::FlsSetValue(index, made)) {
            delete made;
            throw SystemException(L"Cannot keep a thread cache");
        }
        return *made;
    }

private:
    static DWORD slot() {
        static const DWORD index = ::FlsAlloc(&ended);
        return index;
    }
    // Called by the system at thread end: nothing may be thrown through its frames.
    static void WINAPI ended(void* value) noexcept { delete static_cast<T*>(value); }
};

} // namespace pel
