#pragma once
// A device context that views draw through. A canvas saves the DC's state when it begins and
// restores it when it ends, and every primitive puts back what it changes, so nothing one view
// selects (pen, brush, font, colours, clip, origin) leaks into the next that paints on the DC.

#include "afw/view/afRect.h"

#include <memory>
#include <string>
#include <windows.h>

class afBitmap;
class afCanvasRegion;
class afIcon;

// Where drawIcon places an icon in its rectangle; anything else centres it on that axis.
enum afIconAlignment {
    AF_ALIGN_LEFT = 0x03,
    AF_ALIGN_RIGHT = 0x05,
    AF_ALIGN_HORIZONTAL_MASK = 0x07,
    AF_ALIGN_TOP = 0x30,
    AF_ALIGN_BOTTOM = 0x50,
    AF_ALIGN_VERTICAL_MASK = 0x70,
};

// A bitmap kept selected in a memory DC of its own: an image drawn once and copied many times.
class afKeptBitmap {
public:
    afKeptBitmap() = default;
    ~afKeptBitmap() { reset(); }
    afKeptBitmap(const afKeptBitmap&) = delete;
    afKeptBitmap& operator=(const afKeptBitmap&) = delete;

    // A new bitmap of the size, compatible with the DC, or monochrome; false (and empty) when GDI
    // refuses.
    bool make(HDC compatible, SIZE size, bool monochrome);
    void reset();
    // Null while empty.
    HDC getDC() const { return m_dc; }
    bool hasSize(SIZE size) const { return m_dc && size.cx == m_size.cx && size.cy == m_size.cy; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    SIZE m_size = {0, 0};
};

class afCanvas {
public:
    // A canvas over a DC it does not own.
    static std::unique_ptr<afCanvas> fromDC(HDC dc);

    // Restores the DC to the state it had when the canvas began, whatever was saved since.
    virtual ~afCanvas();
    afCanvas(const afCanvas&) = delete;
    afCanvas& operator=(const afCanvas&) = delete;

    HDC getDC() const { return m_dc; }

    void fillRect(const RECT& rect, COLORREF colour);
    void drawLine(int x1, int y1, int x2, int y2, COLORREF colour);
    // One-pixel lines along an edge of the rectangle, inside it: the top row from left to right,
    // the left column from top to bottom, the last column, the last row.
    void drawLineHorizontal(const RECT& rect, COLORREF colour);
    void drawLineVertical(const RECT& rect, COLORREF colour);
    void drawLineRight(const RECT& rect, COLORREF colour);
    void drawLineBottom(const RECT& rect, COLORREF colour);
    // The four one-pixel edges inside the rectangle.
    void frameRect(const RECT& rect, COLORREF colour);

    // DrawTextW with the caller's format, transparent background, in the colour.
    void drawText(const wchar_t* text, int length, const RECT& rect, UINT format, COLORREF colour);
    void drawText(const std::wstring& text, const RECT& rect, UINT format, COLORREF colour);
    // Width and height of the text in the selected font; a length of -1 reads to the NUL.
    // maxWidth > 0 is the width that word-wrapping formats break at. An empty text is 0 wide and
    // one line high; otherwise the height is rounded up to whole lines.
    SIZE measureText(const wchar_t* text, int length, UINT format, int maxWidth = 0);

    // A square icon of its own size, placed by the alignment flags; nothing for an empty rect.
    void drawIcon(const RECT& rect, const afIcon& icon, int flags);
    // The system's menu check mark in the colour on the background, vertically centred at the
    // rectangle's left edge. NO_BACKGROUND leaves what lies around the mark.
    void drawMenuCheck(const RECT& rect, COLORREF colour, COLORREF background);
    // The same at the size menuCheckSize answered, for callers that keep it: asking the system
    // costs more than the drawing.
    void drawMenuCheck(const RECT& rect, SIZE size, COLORREF colour, COLORREF background);
    static SIZE menuCheckSize();
    // Not a colour (CLR_NONE): no background is drawn.
    static constexpr COLORREF NO_BACKGROUND = 0xFFFFFFFF;
    // The whole bitmap, blended at (x, y) through its premultiplied alpha.
    void drawBitmap(const afBitmap& bitmap, int x, int y);

    void selectFont(HFONT font);
    const TEXTMETRICW& textMetrics();
    int lineHeight();

    void save();
    void restore();
    POINT viewportOrigin() const;
    void setViewportOrigin(POINT origin);
    // Null removes the clip.
    void selectClip(const afCanvasRegion* region);
    // Narrows the clip to the rectangle, in the coordinates drawn in now; restore gives the wider
    // clip back.
    void intersectClip(const RECT& rect);
    // A copy of the clip region; null when the DC has none.
    std::unique_ptr<afCanvasRegion> clipRegion() const;

protected:
    explicit afCanvas(HDC dc) : m_dc(dc) {}
    void setDC(HDC dc) { m_dc = dc; }
    // Saves the DC and selects the DC pen and brush.
    virtual void begin();
    // Restores what begin saved; only the first call acts.
    void end();

private:
    TEXTMETRICW m_metrics = {};
    bool m_hasMetrics = false;
    int m_savedState = 0;
    int m_depth = 0;
    HDC m_dc = nullptr;
};
