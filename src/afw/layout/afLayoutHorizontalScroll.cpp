#include "afw/layout/afLayoutHorizontalScroll.h"

#include <algorithm>

namespace {

// A scroll position within [0, child - viewport]: 0 when the viewport holds the child whole.
int clampScroll(int value, int viewport, int child) {
    if (viewport >= child || value < 0)
        return 0;
    return value + viewport > child ? child - viewport : value;
}

} // namespace

bool afLayoutHorizontalScroll::focusChild(afView* child) {
    m_focused = child;
    if (!child)
        return true;
    if (!m_layoutDirty) {
        scrollToChild(child);
        return true;
    }
    m_scrollTarget = child;
    relayout(L"afLayoutHorizontalScroll::focusChild");
    return true;
}

void afLayoutHorizontalScroll::requestLayout(const wchar_t* reason) {
    m_layoutDirty = true;
    afLayoutFrame::requestLayout(reason);
}

void afLayoutHorizontalScroll::onChildRemoved(afView* child) {
    // Any view of the removed branch may be deleted next.
    const auto removed = [child](const afView* view) { return view && (view == child || child->hasDescendant(view)); };
    if (removed(m_focused)) {
        m_focused = nullptr;
        if (m_layoutDirty) {
            m_scrollTarget = nullptr;
            relayout(L"afLayoutHorizontalScroll::focusChild");
        }
    }
    if (removed(m_scrollTarget))
        m_scrollTarget = nullptr;
    afLayoutFrame::onChildRemoved(child);
}

void afLayoutHorizontalScroll::scrollTo(int x, int y) {
    if (getChildCount() == 0)
        return;
    const afRect frame = getFrame(), child = getChildAt(0)->getFrame();
    const afRect& padding = getPadding();
    const int clampedX = clampScroll(x, frame.width() - padding.left - padding.right, child.width());
    const int clampedY = clampScroll(y, frame.height() - padding.top - padding.bottom, child.height());
    if (clampedX != getScrollX() || clampedY != getScrollY())
        afLayoutFrame::scrollTo(clampedX, clampedY);
}

void afLayoutHorizontalScroll::measureChild(afView* child, uint32_t /*widthSpec*/, uint32_t heightSpec) {
    const afRect& padding = getPadding();
    child->measure(afViewMeasureSpec::make(0, afViewMeasureSpec::UNSPECIFIED),
                   getChildMeasureSpec(heightSpec, padding.top + padding.bottom, child->getLayoutParams()->height));
}

void afLayoutHorizontalScroll::measureChildWithMargins(afView* child, uint32_t /*widthSpec*/, int32_t /*widthUsed*/,
                                                       uint32_t heightSpec, int32_t heightUsed) {
    const afLayoutParams& params = *child->getLayoutParams();
    const afRect& padding = getPadding();
    child->measure(afViewMeasureSpec::make(params.leftMargin + params.rightMargin, afViewMeasureSpec::UNSPECIFIED),
                   getChildMeasureSpec(heightSpec,
                                       padding.top + padding.bottom + params.topMargin + params.bottomMargin + heightUsed,
                                       params.height));
}

void afLayoutHorizontalScroll::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    afLayoutFrame::onMeasure(widthSpec, heightSpec);
    if (!m_fillViewport || afViewMeasureSpec::getMode(widthSpec) == afViewMeasureSpec::UNSPECIFIED ||
        getChildCount() == 0)
        return;
    afView* child = getChildAt(0);
    if (child->getMeasuredWidth() >= getMeasuredWidth())
        return;
    const afRect& padding = getPadding();
    child->measure(afViewMeasureSpec::exactly(getMeasuredWidth() - padding.left - padding.right),
                   getChildMeasureSpec(heightSpec, padding.top + padding.bottom, child->getLayoutParams()->height));
}

void afLayoutHorizontalScroll::onLayout(bool changed, const afRect& rect) {
    afLayoutFrame::onLayout(changed, rect);
    m_layoutDirty = false;
    if (m_scrollTarget && (m_scrollTarget == this || hasDescendant(m_scrollTarget)))
        scrollToChild(m_scrollTarget);
    m_scrollTarget = nullptr;
    scrollTo(getScrollX(), getScrollY());
}

afRect afLayoutHorizontalScroll::placeOf(afView* view) {
    afRect rect;
    view->getVisibleRect(&rect);
    offsetDescendantRect(view, rect);
    return rect;
}

void afLayoutHorizontalScroll::scrollToChild(afView* view) {
    scrollOver(placeOf(view));
}

void afLayoutHorizontalScroll::scrollOver(const afRect& rect) {
    const int delta = scrollDelta(rect.left, rect.right);
    if (delta != 0)
        scrollBy(delta, 0);
}

int afLayoutHorizontalScroll::scrollDelta(int left, int right) {
    if (getChildCount() == 0)
        return 0;
    const int width = getContentFrame().width();
    int screenLeft = getScrollX(), screenRight = getScrollX() + width;
    if (left > 0)
        screenLeft += EDGE_MARGIN;
    if (right < getChildAt(0)->getFrame().width())
        screenRight -= EDGE_MARGIN;
    const bool wide = right - left > width;
    if (right > screenRight && left > screenLeft) {
        const int delta = wide ? left - screenLeft : right - screenRight;
        return std::min(delta, static_cast<int>(getChildAt(getChildCount() - 1)->getFrame().right) - screenRight);
    }
    if (left < screenLeft && right < screenRight) {
        const int delta = wide ? right - screenRight : left - screenLeft;
        return std::max(delta, -getScrollX());
    }
    return 0;
}

void afLayoutHorizontalScroll::onSizeChanged(const afRect& newFrame, const afRect& oldFrame) {
    afLayoutFrame::onSizeChanged(newFrame, oldFrame);
    if (!m_focused || m_focused == this || !hasDescendant(m_focused))
        return;
    // Only a child within one width of the view is kept in view.
    const afRect rect = placeOf(m_focused);
    const int width = getContentFrame().width(), x = getScrollX();
    if (rect.right + width >= x && rect.left - width <= x + width)
        scrollOver(rect);
}
