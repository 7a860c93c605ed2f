#include "afw/graphics/afCanvasBuffer.h"

std::unique_ptr<afCanvasBuffer> afCanvasBuffer::create(afCanvas& target, const RECT& rect, bool copyOnDestroy) {
    return create(target.getDC(), rect, copyOnDestroy);
}

std::unique_ptr<afCanvasBuffer> afCanvasBuffer::create(HDC target, const RECT& rect, bool copyOnDestroy) {
    std::unique_ptr<afCanvasBuffer> buffer(new afCanvasBuffer(target, rect, copyOnDestroy));
    buffer->begin();
    return buffer;
}

void afCanvasBuffer::begin() {
    const int width = m_rect.width(), height = m_rect.height();
    m_memory = ::CreateCompatibleDC(m_target);
    if (m_memory && width > 0 && height > 0)
        m_bitmap = ::CreateCompatibleBitmap(m_target, width, height);
    if (m_bitmap) {
        m_previousBitmap = ::SelectObject(m_memory, m_bitmap);
        ::SelectObject(m_memory, ::GetCurrentObject(m_target, OBJ_FONT));
        setDC(m_memory);
        afCanvas::begin();
        return;
    }
    if (!m_copy) {
        // Draws into the memory DC's own 1 x 1 bitmap, which nobody sees.
        setDC(m_memory);
        afCanvas::begin();
        return;
    }
    if (m_memory)
        ::DeleteDC(m_memory);
    m_memory = nullptr;
    setDC(m_target);
    afCanvas::begin();
    ::OffsetViewportOrgEx(m_target, m_rect.left, m_rect.top, nullptr);
    ::IntersectClipRect(m_target, 0, 0, width, height);
}

afCanvasBuffer::~afCanvasBuffer() {
    // The DC state goes back first: the copy must not see the drawing's origin or clip.
    end();
    if (m_bitmap) {
        if (m_copy)
            ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.width(), m_rect.height(), m_memory, 0, 0, SRCCOPY);
        ::SelectObject(m_memory, m_previousBitmap);
        ::DeleteObject(m_bitmap);
    }
    if (m_memory)
        ::DeleteDC(m_memory);
}
