// The layout base: its children and their params, the measure rule, hit testing and drawing.

#include "afw/layout/afLayout.h"

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afCanvasRegion.h"
#include "pel/base/Assert.h"

#include <algorithm>
#include <memory>

namespace {

afLayoutParams* checkedDefaults(afLayoutParams* params) {
    if (!params)
        throw pel::InvalidArgumentException(L"generateDefaultLayoutParams() cannot return NULL.");
    return params;
}

} // namespace

uint32_t afLayout::getChildMeasureSpec(uint32_t spec, int32_t padding, int32_t childSize) {
    const uint32_t mode = afViewMeasureSpec::getMode(spec);
    if (mode != afViewMeasureSpec::UNSPECIFIED && mode != afViewMeasureSpec::EXACTLY && mode != afViewMeasureSpec::AT_MOST)
        throw pel::InvalidArgumentException(L"Invalid afViewMeasureSpec mode specified.");
    const int32_t available = std::max(0, afViewMeasureSpec::getRawSize(spec) - padding);
    uint32_t result;
    if (childSize >= 0)
        result = afViewMeasureSpec::exactly(childSize);
    else if (mode == afViewMeasureSpec::UNSPECIFIED ||
             (childSize != afLayoutParams::FILL_PARENT && childSize != afLayoutParams::WRAP_CONTENT))
        result = afViewMeasureSpec::make(0, afViewMeasureSpec::UNSPECIFIED);
    else if (mode == afViewMeasureSpec::EXACTLY && childSize == afLayoutParams::FILL_PARENT)
        result = afViewMeasureSpec::exactly(available);
    else
        result = afViewMeasureSpec::atMost(available);
    const uint32_t resultMode = afViewMeasureSpec::getMode(result);
    if (resultMode != afViewMeasureSpec::UNSPECIFIED && resultMode != afViewMeasureSpec::EXACTLY &&
        resultMode != afViewMeasureSpec::AT_MOST)
        throw pel::IllegalStateException(L"Invalid afViewMeasureSpec mode generated (internal).");
    return result;
}

// ---- Children

void afLayout::addChild(afView* child, int index, int32_t width, int32_t height) {
    PEL_CHECK_PTR(child);
    afLayoutParams* params = checkedDefaults(generateDefaultLayoutParams());
    params->width = width;
    params->height = height;
    relayout(L"afLayout::addChild");
    addInternal(child, params, index);
}

void afLayout::addChild(afView* child, afLayoutParams* params, int index) {
    PEL_CHECK_PTR(child);
    relayout(L"afLayout::addChild");
    addInternal(child, params, index);
}

void afLayout::addView(afView* child, int index) {
    PEL_CHECK_PTR(child);
    relayout(L"afLayout::addChild");
    addInternal(child, child->getLayoutParams(), index);
}

void afLayout::addInternal(afView* child, afLayoutParams* params, int index) {
    if (!checkLayoutParams(params)) {
        // The caller's params are the layout's now, its own or the child's.
        std::unique_ptr<afLayoutParams> refused(params != child->getLayoutParams() ? params : nullptr);
        params = checkedDefaults(generateDefaultLayoutParams());
    }
    child->setLayoutParams(params);
    // The tree's own add: this layout's would come back here.
    afView::addView(child, index);
}

bool afLayout::moveChild(afView* child, int index) {
    const int from = indexOfChild(child);
    if (from < 0)
        return false;
    const int count = getChildCount();
    int to = index < 0 || index > count ? count : index;
    if (from < to)
        --to;
    moveChildIndex(from, to);
    relayout(L"afLayout::moveChild");
    return true;
}

void afLayout::setHost(afViewPlatform* host) {
    afViewVirtual::setHost(host);
    for (afView* child : children())
        if (child->isVirtual())
            child->setHost(host);
}

void afLayout::onChildAdded(afView* child, int /*index*/) {
    if (child->getParent() == this && child->isVirtual())
        ++m_windowlessChildren;
}

void afLayout::onChildRemoved(afView* child) {
    if (child->getParent() != this)
        return;
    if (child->isVirtual())
        --m_windowlessChildren;
    relayout(L"afLayout::onChildRemoved");
    invalidate();
}

// ---- Measuring children

void afLayout::measureChildren(uint32_t widthSpec, uint32_t heightSpec) {
    for (afView* child : children())
        if (child->isVisible())
            measureChild(child, widthSpec, heightSpec);
}

void afLayout::measureChild(afView* child, uint32_t widthSpec, uint32_t heightSpec) {
    const afRect& padding = getPadding();
    measureWithin(child, widthSpec, padding.left + padding.right, heightSpec, padding.top + padding.bottom);
}

void afLayout::measureChildWithMargins(afView* child, uint32_t widthSpec, int32_t widthUsed, uint32_t heightSpec,
                                       int32_t heightUsed) {
    const afLayoutParams& params = *child->getLayoutParams();
    const afRect& padding = getPadding();
    measureWithin(child, widthSpec, padding.left + padding.right + params.leftMargin + params.rightMargin + widthUsed,
                  heightSpec, padding.top + padding.bottom + params.topMargin + params.bottomMargin + heightUsed);
}

void afLayout::measureWithin(afView* child, uint32_t widthSpec, int32_t widthTaken, uint32_t heightSpec,
                             int32_t heightTaken) {
    const afLayoutParams& params = *child->getLayoutParams();
    child->measure(getChildMeasureSpec(widthSpec, widthTaken, params.width),
                   getChildMeasureSpec(heightSpec, heightTaken, params.height));
}

// ---- Hits and drawing

afView* afLayout::findViewAt(int x, int y) {
    const afRect frame = getContentFrame();
    if (!frame.contains(x, y))
        return nullptr;
    const int localX = x + getScrollX() - frame.left, localY = y + getScrollY() - frame.top;
    for (afView* child : children())
        if (child->isVirtual() && child->isVisible())
            if (afView* hit = child->findViewAt(localX, localY))
                return hit;
    return this;
}

void afLayout::draw(afCanvas& canvas, const afRect* area) {
    if (const DrawCallback& callback = getDrawCallback()) {
        callback(this, canvas, area);
    } else {
        canvas.save();
        onDraw(canvas, area);
        canvas.restore();
    }
    if (children().empty())
        return;
    canvas.save();
    // Children stay inside this layout: one scrolled half out of it (the last tab of a full
    // strip) would otherwise draw over the views beside it.
    const afRect frame = getFrame();
    canvas.intersectClip(afRect(0, 0, frame.width(), frame.height()));
    const POINT origin = canvas.viewportOrigin();
    const std::unique_ptr<afCanvasRegion> clip = canvas.clipRegion();
    for (afView* child : children()) {
        if (!child->isVirtual() || !child->isVisible())
            continue;
        // The child's place where this layout draws, and on the device.
        afRect place = child->getFrame();
        place.offset(-getScrollX(), -getScrollY());
        afRect device = place;
        device.offset(origin.x, origin.y);
        afRect childArea;
        if (area) {
            childArea = *area;
            if (!childArea.intersect(place))
                continue;
            childArea.offset(-place.left, -place.top);
        }
        if (clip && !clip->contains(device))
            continue;
        canvas.setViewportOrigin(POINT{origin.x + place.left, origin.y + place.top});
        child->draw(canvas, area ? &childArea : nullptr);
    }
    canvas.restore();
}
