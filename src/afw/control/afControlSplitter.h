#pragma once
// The bar between two panes of a linear layout: dragging it sets the size its target pane asks
// for (width side by side, height stacked), and the layout gives the rest to the other panes.
// Dragged below its minimum the target collapses; a double click collapses or restores it. The
// remembered position is always a size of the target, so a collapsed pane comes back as wide
// (or as high) as it was.

#include "afw/core/afDelegate.h"
#include "afw/view/afWidget.h"

#include <climits>
#include <cstdint>

class afControlSplitter : public afWidget {
public:
    using DragStarted = afDelegate<void(afControlSplitter*)>;

    enum Edge : uint32_t { EDGE_LEFT = 0x1, EDGE_TOP = 0x2, EDGE_RIGHT = 0x4, EDGE_BOTTOM = 0x8 };
    // Panes side by side; any other orientation stacks them.
    static constexpr int32_t SIDE_BY_SIDE = 1;

    // Null for a null parent. The target is not owned and must outlive the splitter.
    static afControlSplitter* createInstance(afViewPlatform* parent, afView* target, int32_t orientation);
    afControlSplitter(afViewPlatform* host, afView* target, int32_t orientation);

    // The target's requested size becomes the larger of size and its minimum.
    void setPosition(int32_t size);
    int32_t getPosition() const { return m_position; }
    void setTargetShown(bool shown);
    bool isTargetCollapsed() const;
    void setHiddenColour(COLORREF colour);
    void setEdgeMask(uint32_t mask);
    void setDragStarted(const DragStarted& delegate) { m_dragStarted = delegate; }
    afView* getTarget() const { return m_target; }
    bool isDragging() const { return m_dragging; }
    int32_t getLowerBound() const { return m_lowerBound; }
    int32_t getUpperBound() const { return m_upperBound; }

    const wchar_t* getContextKey() const override { return L"ui.splitter"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    void onSizeChanged(const afRect& newFrame, const afRect& oldFrame) override;
    bool onMouseMove(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;
    // Throws pel::IllegalStateException outside a linear layout.
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;

private:
    bool sideBySide() const { return m_orientation == SIDE_BY_SIDE; }
    // The target asks for the larger of size and its minimum along the moving axis.
    void requestTargetSize(int32_t size);
    // The size of the target along the moving axis: its frame when shown, else its request.
    int32_t targetSize() const;
    // Sets the bounds from the panes around the splitter; false when no other pane is shown.
    bool findBounds();
    // The event's point in the layout's coordinates.
    POINT layoutPoint(const afMouseEvent& event) const;
    void dragTo(POINT point);
    bool setCursorShape(afViewPlatform* view, int hitTest, int mouseMessage);

    COLORREF m_colourShown, m_colourHidden, m_colourHover, m_edgeColour;
    uint32_t m_edgeMask = 0;
    afView* m_target;
    bool m_targetBefore = false;
    int32_t m_orientation;
    bool m_dragging = false;
    bool m_hover = false;
    int32_t m_lastX = 0, m_lastY = 0;
    int32_t m_position = 0;
    // The size the current drag last gave the target.
    int32_t m_dragSize = 0;
    int32_t m_lowerBound = INT_MIN, m_upperBound = INT_MAX;
    DragStarted m_dragStarted;
};
