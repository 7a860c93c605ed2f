#include "afw/layout/afLayoutFrame.h"

#include <algorithm>

void afLayoutFrame::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    int32_t width = 0, height = 0;
    for (afView* child : children()) {
        if (!child->isVisible())
            continue;
        measureChildWithMargins(child, widthSpec, 0, heightSpec, 0);
        width = std::max(width, child->getMeasuredWidth());
        height = std::max(height, child->getMeasuredHeight());
    }
    const afRect& padding = getPadding();
    width = std::max(width + static_cast<int32_t>(padding.left + padding.right), getMinimumWidth());
    height = std::max(height + static_cast<int32_t>(padding.top + padding.bottom), getMinimumHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
}

void afLayoutFrame::onLayout(bool /*changed*/, const afRect& /*rect*/) {
    const afRect& padding = getPadding();
    for (afView* child : children())
        if (child->isVisible())
            child->setFrame(afRect(padding.left, padding.top, padding.left + child->getMeasuredWidth(),
                                   padding.top + child->getMeasuredHeight()));
}
