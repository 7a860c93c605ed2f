#pragma once
// A frame layout that shows one wide child through a viewport scrolling horizontally: the tab
// strip keeps its selected tab in view with it. It does not scroll on input: its owner focuses a
// child (a descendant of the one child) and it scrolls just far enough to bring that into view,
// 16 pixels from the edge, now or, while a layout is pending, once the layout is done with the
// final sizes. A resize keeps a focused child that was near the view in view.
//
// Removing a view that is or holds the focused child, or the one to scroll to, forgets it.

#include "afw/layout/afLayoutFrame.h"

class afLayoutHorizontalScroll : public afLayoutFrame {
public:
    // The room kept between a child scrolled to and the viewport's edge.
    static constexpr int EDGE_MARGIN = 16;

    explicit afLayoutHorizontalScroll(afViewPlatform* host) : afLayoutFrame(host) {}

    // Scrolls the child into view, or remembers it for the layout pending. A layout never holds
    // the keyboard focus: focusing a child here means showing it; always true.
    bool focusChild(afView* child) override;
    afView* getFocusedChild() const { return m_focused; }
    afView* getChildToScrollTo() const { return m_scrollTarget; }
    // Whether a child narrower than the viewport is stretched to it (the default).
    void setFillViewport(bool fill) { m_fillViewport = fill; }
    bool isLayoutDirty() const { return m_layoutDirty; }
    // Scrolls by what brings the view's rectangle into view (nothing when it is).
    void scrollToChild(afView* view);
    // The horizontal scroll that brings [left, right) (in this layout's coordinates) into view.
    int scrollDelta(int left, int right);

    const wchar_t* getContextKey() const override { return L"ui.layout.scroll.horizontal"; }
    void onChildRemoved(afView* child) override;
    // Clamped to the first child's extent: 0 when the viewport holds it whole.
    void scrollTo(int x, int y) override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;
    void onSizeChanged(const afRect& newFrame, const afRect& oldFrame) override;
    void requestLayout(const wchar_t* reason) override;
    // The width is unspecified: the child is as wide as it wants.
    void measureChild(afView* child, uint32_t widthSpec, uint32_t heightSpec) override;
    void measureChildWithMargins(afView* child, uint32_t widthSpec, int32_t widthUsed, uint32_t heightSpec,
                                 int32_t heightUsed) override;

private:
    // The view's visible rectangle in this layout's coordinates.
    afRect placeOf(afView* view);
    void scrollOver(const afRect& rect);

    afView* m_focused = nullptr;
    bool m_fillViewport = true;
    bool m_layoutDirty = false;
    afView* m_scrollTarget = nullptr;
};
