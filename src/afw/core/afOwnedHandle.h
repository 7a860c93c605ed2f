#pragma once
// Holders of a Win32 handle that may own it: an owned holder frees the handle when it goes,
// an unowned one only borrows it. Move-only, so a handle never has two owners.

#include <utility>
#include <windows.h>

struct afGdiObjectFree {
    static void free(HGDIOBJ handle) { ::DeleteObject(handle); }
};

struct afIconFree {
    static void free(HICON handle) { ::DestroyIcon(handle); }
};

template <class Handle, class Free>
class TOwnedHandle {
public:
    TOwnedHandle() = default;
    TOwnedHandle(Handle handle, bool owned) : m_owned(owned && handle), m_handle(handle) {}
    ~TOwnedHandle() { reset(); }

    TOwnedHandle(TOwnedHandle&& other) noexcept : m_owned(other.m_owned), m_handle(other.m_handle) {
        other.m_owned = false;
        other.m_handle = nullptr;
    }
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            std::swap(m_owned, other.m_owned);
            std::swap(m_handle, other.m_handle);
        }
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;

    Handle get() const { return m_handle; }
    bool isOwned() const { return m_owned; }
    explicit operator bool() const { return m_handle != nullptr; }

    // Frees an owned handle and holds the given one instead.
    void reset(Handle handle = nullptr, bool owned = false) {
        if (m_owned && m_handle)
            Free::free(m_handle);
        m_handle = handle;
        m_owned = owned && handle;
    }

    // Gives the handle up without freeing it.
    Handle release() {
        Handle handle = m_handle;
        m_handle = nullptr;
        m_owned = false;
        return handle;
    }

private:
    bool m_owned = false;
    Handle m_handle = nullptr;
};

using afOwnedFont = TOwnedHandle<HFONT, afGdiObjectFree>;
using afOwnedBitmap = TOwnedHandle<HBITMAP, afGdiObjectFree>;
using afOwnedRegion = TOwnedHandle<HRGN, afGdiObjectFree>;
using afOwnedIcon = TOwnedHandle<HICON, afIconFree>;
