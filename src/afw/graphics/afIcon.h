#pragma once
// Icons and cursors as views use them: an icon is a handle with its square size in pixels,
// owned when loaded from the program's resources; a cursor is a shared system cursor, never
// destroyed. A resource that cannot be loaded ends the program (afPanic): a missing stock image
// means a broken build, not a state the program could go on from.

#include "afw/core/afOwnedHandle.h"

#include <windows.h>

class afIcon {
public:
    afIcon() = default;
    afIcon(HICON icon, int size, bool owned) : m_handle(icon, owned), m_size(size) {}
    // The icon resource of the module instance at size x size pixels; owned.
    afIcon(int resourceId, int size);

    afIcon(afIcon&&) noexcept = default;
    afIcon& operator=(afIcon&&) noexcept = default;

    HICON getHandle() const { return m_handle.get(); }
    int getSize() const { return m_size; }
    bool isOwned() const { return m_handle.isOwned(); }
    // Gives the handle up without destroying it.
    HICON release() { return m_handle.release(); }

private:
    afOwnedIcon m_handle;
    int m_size = 0;
};

class afCursor {
public:
    afCursor() = default;
    // A system cursor (IDC_ARROW, ...).
    explicit afCursor(const wchar_t* systemId);
    static afCursor fromHandle(HCURSOR cursor) {
        afCursor result;
        result.m_handle = cursor;
        return result;
    }

    HCURSOR getHandle() const { return m_handle; }

private:
    HCURSOR m_handle = nullptr;
};
