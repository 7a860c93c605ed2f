#include "afw/view/afRect.h"

bool afRect::intersect(const RECT& other) {
    RECT result;
    if (!::IntersectRect(&result, this, &other))
        return false;
    static_cast<RECT&>(*this) = result;
    return true;
}

bool afRect::clipToSize(int width, int height) {
    return intersect(afRect(0, 0, width, height));
}

void afRect::inset(int dLeft, int dTop, int dRight, int dBottom) {
    left += dLeft;
    top += dTop;
    right -= dRight;
    bottom -= dBottom;
}

void afRect::applyPadding(const RECT& padding, bool grow) {
    const int sign = grow ? -1 : 1;
    inset(sign * padding.left, sign * padding.top, sign * padding.right, sign * padding.bottom);
}

void afRect::setSize(int width, int height) {
    right = left + width;
    bottom = top + height;
}

void afRect::centerIn(const RECT& outer) {
    const afRect box(outer);
    moveTo(box.left + ((box.width() - width()) >> 1), box.top + ((box.height() - height()) >> 1));
}

void afRect::fitInto(const RECT& bounds) {
    if (right > bounds.right)
        offset(bounds.right - right, 0);
    if (bottom > bounds.bottom)
        offset(0, bounds.bottom - bottom);
    if (left < bounds.left)
        offset(bounds.left - left, 0);
    if (top < bounds.top)
        offset(0, bounds.top - top);
}

void afRect::mapToScreen(HWND window) {
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(static_cast<RECT*>(this)), 2);
}
