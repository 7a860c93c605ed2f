#pragma once
// The rectangle views, windows and widgets measure and place with: the system's RECT with its
// arithmetic. Right and bottom lie outside, as for RECT; the size is right - left by
// bottom - top. An empty rectangle is all zero.

#include <cstdint>
#include <windows.h>

struct afRect : RECT {
    afRect() : RECT{0, 0, 0, 0} {}
    afRect(LONG i_left, LONG i_top, LONG i_right, LONG i_bottom) : RECT{i_left, i_top, i_right, i_bottom} {}
    afRect(const RECT& other) : RECT(other) {}

    bool operator==(const afRect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const afRect& other) const { return !(*this == other); }

    LONG width() const { return right - left; }
    LONG height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    void clear() { left = top = right = bottom = 0; }

    // Edges included.
    bool contains(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    // Becomes the intersection and answers true when that is not empty; otherwise unchanged.
    bool intersect(const RECT& other);
    bool clipToSize(int width, int height);

    void inset(int dx, int dy) { inset(dx, dy, dx, dy); }
    void inset(int all) { inset(all, all, all, all); }
    void inset(int dLeft, int dTop, int dRight, int dBottom);
    // Shrinks by the four amounts of the padding, or grows by them.
    void applyPadding(const RECT& padding, bool grow);

    // Inline: the layout passes call these for every view.
    void offset(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void moveTo(int x, int y) { offset(x - left, y - top); }
    void setSize(int width, int height);
    bool sameSize(const RECT& other) const {
        return right - left == other.right - other.left && bottom - top == other.bottom - other.top;
    }

    // Same size, centred in outer; an odd difference rounds toward minus infinity.
    void centerIn(const RECT& outer);
    // Moved, never resized: first left and up so that it ends inside the bounds' right and bottom
    // edges, then right and down so that it starts inside their left and top edges.
    void fitInto(const RECT& bounds);
    // From the client coordinates of the window (the desktop for null) to the screen.
    void mapToScreen(HWND window);
};

inline bool rectNotEqual(const RECT& a, const RECT& b) {
    return a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom;
}

// The rectangle with one more word, zero unless set.
struct afRectEx : afRect {
    using afRect::afRect;
    int32_t extra = 0;
};
