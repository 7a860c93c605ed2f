#include "afw/control/afControlSplitter.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/core/afLog.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afFrameDrawable.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"

#include <algorithm>

namespace {
constexpr int kFaceColour = 4;   // button face
constexpr int kShadowColour = 6; // button shadow

HCURSOR cursorFor(bool sideBySide) {
    static HCURSOR westEast = ::LoadCursorW(nullptr, IDC_SIZEWE);
    static HCURSOR northSouth = ::LoadCursorW(nullptr, IDC_SIZENS);
    return sideBySide ? westEast : northSouth;
}
} // namespace

afControlSplitter* afControlSplitter::createInstance(afViewPlatform* parent, afView* target, int32_t orientation) {
    return afCreateWidget<afControlSplitter>(parent, target, orientation);
}

afControlSplitter::afControlSplitter(afViewPlatform* host, afView* target, int32_t orientation)
    : afWidget(host), m_colourShown(afGetStockColour(kFaceColour)), m_colourHidden(afGetStockColour(kFaceColour)),
      m_colourHover(afGetStockColour(kShadowColour)), m_edgeColour(afGetStockColour(kShadowColour)), m_target(target),
      m_orientation(orientation) {}

bool afControlSplitter::buildSeed(afSeed& seed) {
    static bool registered = false;
    afClassRecord record(L"afControlSplitter"); // no class cursor: the set-cursor callback picks one
    registerClass(record, &registered);
    seed.className = L"afControlSplitter";
    seed.style = WS_CHILD | WS_VISIBLE;
    seed.x = seed.y = 0;
    seed.width = 200;
    seed.height = 6;
    return true;
}

void afControlSplitter::onCreate() {
    cursorFor(true);
    setCursorCallback(CursorCallback::bind<afControlSplitter, &afControlSplitter::setCursorShape>(this));
}

bool afControlSplitter::setCursorShape(afViewPlatform* /*view*/, int hitTest, int /*mouseMessage*/) {
    if (hitTest != HTCLIENT)
        return false;
    ::SetCursor(cursorFor(sideBySide()));
    return true;
}

void afControlSplitter::setPosition(int32_t size) {
    m_position = size;
    if (m_target)
        requestTargetSize(size);
}

void afControlSplitter::requestTargetSize(int32_t size) {
    afLayoutParams* params = m_target->getLayoutParams();
    if (sideBySide()) {
        params->width = std::max(size, m_target->getMinimumWidth());
        m_target->relayout(L"afView::requestLayoutWidth");
    } else {
        params->height = std::max(size, m_target->getMinimumHeight());
        m_target->relayout(L"afView::requestLayoutHeight");
    }
}

void afControlSplitter::setTargetShown(bool shown) {
    if (m_target)
        m_target->setVisible(shown);
}

bool afControlSplitter::isTargetCollapsed() const {
    return m_target && !m_target->isVisible();
}

void afControlSplitter::setHiddenColour(COLORREF colour) {
    m_colourHidden = colour;
    invalidate();
}

void afControlSplitter::setEdgeMask(uint32_t mask) {
    m_edgeMask = mask;
    invalidate();
}

void afControlSplitter::onSizeChanged(const afRect& newFrame, const afRect& oldFrame) {
    afWidget::onSizeChanged(newFrame, oldFrame);
    invalidate();
}

int32_t afControlSplitter::targetSize() const {
    if (m_target->isVisible()) {
        const afRect frame = m_target->getFrame();
        return sideBySide() ? frame.width() : frame.height();
    }
    const afLayoutParams* params = m_target->getLayoutParams();
    return sideBySide() ? params->width : params->height;
}

bool afControlSplitter::findBounds() {
    afView* parent = getParent();
    m_targetBefore = parent->indexOfChild(m_target) < parent->indexOfChild(this);
    afView* other = m_targetBefore ? getNextVisibleSibling() : getPreviousVisibleSibling();
    if (!other) {
        pel::log_printf(pel::LOG_ERROR, AF_LOG_SOURCE, L"afControlSplitter::onMouseDown(): Invalid splitter siblings\n");
        return false;
    }
    const afRect own = getFrame(), target = m_target->getFrame(), pane = other->getFrame();
    const bool shown = m_target->isVisible();
    if (m_targetBefore) {
        m_lowerBound = sideBySide() ? (shown ? target.left : own.left) : (shown ? target.top : own.top);
        m_upperBound = sideBySide() ? pane.right : pane.bottom;
    } else {
        m_upperBound = sideBySide() ? (shown ? target.right : own.right) : (shown ? target.bottom : own.bottom);
        m_lowerBound = sideBySide() ? pane.left : pane.top;
    }
    return true;
}

bool afControlSplitter::onMouseDown(afMouseEvent& event) {
    if (!dynamic_cast<afLayoutLinear*>(getParent()))
        throw pel::IllegalStateException(L"afControlSplitter can only be used with linear layouts.");
    if (!m_target)
        return false;
    if (event.getClickCount() == 2) {
        setTargetShown(!m_target->isVisible());
        return true;
    }
    if (!findBounds())
        return false;
    setCapture(true);
    m_dragging = true;
    const afRect frame = getFrame();
    m_lastX = frame.left + (frame.right - frame.left) / 2;
    m_lastY = frame.top + (frame.bottom - frame.top) / 2;
    m_position = targetSize();
    m_dragSize = m_position;
    if (m_dragStarted)
        m_dragStarted(this);
    return true;
}

POINT afControlSplitter::layoutPoint(const afMouseEvent& event) const {
    POINT point = event.position;
    afView* parent = getParent();
    afViewPlatform* host = parent ? parent->getHost() : nullptr;
    if (!host || !host->getHandle())
        return point;
    ::ScreenToClient(host->getHandle(), &point);
    afRect origin;
    parent->getOrigin(&origin);
    return {point.x - origin.left, point.y - origin.top};
}

void afControlSplitter::dragTo(POINT point) {
    afRect frame = getFrame();
    const int32_t length = sideBySide() ? frame.width() : frame.height();
    int32_t leading = (sideBySide() ? point.x : point.y) - length / 2;
    if (leading + length > m_upperBound)
        leading = m_upperBound - length;
    if (leading < m_lowerBound)
        leading = m_lowerBound;
    if (sideBySide())
        frame = afRect(leading, frame.top, leading + length, frame.bottom);
    else
        frame = afRect(frame.left, leading, frame.right, leading + length);
    setFrame(frame);
    const int32_t size = std::max(0, m_targetBefore ? leading - m_lowerBound : m_upperBound - (leading + length));
    sideBySide() ? m_target->requestLayoutWidth(true, size) : m_target->requestLayoutHeight(true, size);
    if (m_target->isVisible()) {
        m_dragSize = size;
    } else {
        // Collapsed: it comes back at the size it had when the drag began.
        requestTargetSize(m_position);
    }
}

bool afControlSplitter::onMouseMove(afMouseEvent& event) {
    if (m_dragging) {
        const POINT point = layoutPoint(event);
        if (m_target)
            dragTo(point);
        m_lastX = point.x;
        m_lastY = point.y;
    }
    if (!m_hover) {
        m_hover = true;
        invalidate();
    }
    return true;
}

bool afControlSplitter::onMouseLeave(afMouseEvent& /*event*/) {
    m_hover = false;
    invalidate();
    return true;
}

bool afControlSplitter::onMouseUp(afMouseEvent& event) {
    if (m_dragging) {
        onMouseMove(event);
        if (m_target && m_target->isVisible())
            m_position = m_dragSize;
        m_dragging = false;
    }
    setCapture(false);
    return true;
}

bool afControlSplitter::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    afRect rect;
    getVisibleRect(&rect);
    const bool shown = !m_target || m_target->isVisible();
    // The edge bits are the frame drawable's: left 1, top 2, right 4, bottom 8.
    afFrameDrawable frame(m_hover ? m_colourHover : shown ? m_colourShown : m_colourHidden, m_edgeColour, m_edgeMask);
    frame.setBounds(rect);
    frame.draw(canvas);
    return true;
}
