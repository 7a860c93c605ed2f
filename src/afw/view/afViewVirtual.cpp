#include "afw/view/afViewVirtual.h"

#include "afw/graphics/afCanvas.h"
#include "afw/view/afViewPlatform.h"

void afViewVirtual::setFrame(const afRect& frame) {
    if (rectNotEqual(frame, m_frame)) {
        invalidate();
        m_frame = frame;
    }
    layout();
}

void afViewVirtual::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    if (!visible)
        invalidate();
    m_visible = visible;
    for (afView* child : children())
        child->onParentVisibilityChanged(this, visible);
    if (visible)
        invalidate();
    relayout(L"afViewVirtual::setVisible");
}

void afViewVirtual::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    invalidate();
}

void afViewVirtual::invalidate(const afRect& rect) {
    afView* parent = getParent();
    if (!parent || !m_visible || rect.isEmpty() || parentRepaints())
        return;
    afRect moved = rect;
    moved.offset(m_frame.left - getScrollX(), m_frame.top - getScrollY());
    parent->invalidate(moved);
}

std::unique_ptr<afCanvas> afViewVirtual::createCanvas() {
    return getHost() ? getHost()->createCanvas() : nullptr;
}

void afViewVirtual::draw(afCanvas& canvas, const afRect* area) {
    const DrawCallback& callback = getDrawCallback();
    if (callback)
        callback(this, canvas, area);
    else
        onDraw(canvas, area);
}
