#pragma once
// Flicker-free drawing: a canvas over an off-screen bitmap the size of a rectangle of its target,
// copied there when the buffer goes (with the copy flag). Drawing uses coordinates relative to
// the rectangle's top-left corner.
//
// When no bitmap can be made (an empty rectangle, no memory), a buffer with the copy flag draws
// straight on its target, its origin moved to the rectangle's corner and clipped to the
// rectangle; one without the flag draws nowhere. Neither copies anything then.

#include "afw/graphics/afCanvas.h"

class afCanvasBuffer : public afCanvas {
public:
    static std::unique_ptr<afCanvasBuffer> create(afCanvas& target, const RECT& rect, bool copyOnDestroy);
    static std::unique_ptr<afCanvasBuffer> create(HDC target, const RECT& rect, bool copyOnDestroy);
    ~afCanvasBuffer() override;

    // Whether drawing goes to an off-screen bitmap.
    bool isBuffered() const { return m_bitmap != nullptr; }

protected:
    void begin() override;

private:
    afCanvasBuffer(HDC target, const RECT& rect, bool copyOnDestroy)
        : afCanvas(nullptr), m_rect(rect), m_target(target), m_copy(copyOnDestroy) {}

    afRect m_rect;
    HDC m_target;
    HDC m_memory = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previousBitmap = nullptr;
    bool m_copy;
};
