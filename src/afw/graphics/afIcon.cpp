#include "afw/graphics/afIcon.h"

#include "afw/core/afModuleInstance.h"
#include "afw/core/afPanic.h"

afIcon::afIcon(int resourceId, int size) : m_size(size) {
    HANDLE image = ::LoadImageW(afGetModuleInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size,
                                LR_LOADTRANSPARENT);
    if (!image)
        afPanic(L"Cannot load image from a resource.", L"afIcon::afIcon(resource constructor)");
    m_handle.reset(static_cast<HICON>(image), true);
}

afCursor::afCursor(const wchar_t* systemId) : m_handle(::LoadCursorW(nullptr, systemId)) {
    if (!m_handle)
        afPanic(L"Cannot load cursor from a resource.", L"afCursor::afCursor(resource constructor)");
}
