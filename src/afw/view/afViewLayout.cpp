// The view's measure and layout passes, its geometry and the setters that ask for a new layout.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afCanvasBuffer.h"
#include "afw/view/afView.h"
#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

#include <algorithm>

void afView::measure(uint32_t widthSpec, uint32_t heightSpec) {
    if (!(m_flags & FLAG_LAYOUT_REQUESTED) && widthSpec == m_widthSpec && heightSpec == m_heightSpec)
        return;
    m_flags &= ~FLAG_MEASURED_SET;
    onMeasure(widthSpec, heightSpec);
    if (!(m_flags & FLAG_MEASURED_SET))
        throw pel::IllegalStateException(L"Measured dimensions not set properly in onMeasure().");
    m_flags |= FLAG_MEASURED;
    m_widthSpec = widthSpec;
    m_heightSpec = heightSpec;
}

void afView::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const auto size = [](uint32_t spec, int32_t minimum) {
        return afViewMeasureSpec::getMode(spec) == afViewMeasureSpec::UNSPECIFIED ? minimum
                                                                                 : afViewMeasureSpec::getSize(spec);
    };
    setMeasuredDimension(size(widthSpec, m_minimumWidth), size(heightSpec, m_minimumHeight));
}

void afView::layout() {
    const afRect frame = getFrame();
    const afRect previous = m_lastLayoutRect;
    const bool sizeChanged = !frame.sameSize(previous);
    if (sizeChanged)
        onSizeChanged(frame, previous);
    const bool moved = rectNotEqual(frame, previous);
    if (moved) {
        // Before the children, whose repaints this one then covers (setFrame repainted the old
        // place).
        invalidate();
        m_lastLayoutRect = frame;
        m_flags |= FLAG_REPAINTING;
    }
    if (sizeChanged || (m_flags & FLAG_MEASURED)) {
        try {
            onLayout(sizeChanged, afRect(0, 0, frame.width(), frame.height()));
        } catch (...) {
            m_flags &= ~FLAG_REPAINTING;
            throw;
        }
        m_flags &= ~FLAG_MEASURED;
    }
    m_flags &= ~FLAG_REPAINTING;
    // The windows below a windowless view are placed in the host's coordinates: moved with it,
    // even by a parent that measured nothing anew, they must be moved too, or they stay over
    // the views that take their old place.
    if (moved && isVirtual())
        placeWindowsBelow();
    // The background always covers the view, in its own coordinates, after a move too; it
    // repaints its bounds itself (this view listens), so the move needs no second repaint.
    if (moved && m_background)
        m_background->setBounds(afRect(0, 0, frame.width(), frame.height()));
    m_flags &= ~FLAG_LAYOUT_REQUESTED;
}

void afView::requestLayout(const wchar_t* reason) {
    if (m_parent && !(m_parent->m_flags & FLAG_LAYOUT_REQUESTED)) {
        m_parent->m_flags |= FLAG_LAYOUT_REQUESTED;
        m_parent->requestLayout(reason);
    }
}

void afView::relayout(const wchar_t* reason) {
    m_flags |= FLAG_LAYOUT_REQUESTED;
    requestLayout(reason);
}

int32_t afView::resolveSize(int32_t size, uint32_t spec) {
    switch (afViewMeasureSpec::getMode(spec)) {
    case afViewMeasureSpec::EXACTLY:
        return afViewMeasureSpec::getRawSize(spec);
    case afViewMeasureSpec::AT_MOST:
        return std::min(size, afViewMeasureSpec::getRawSize(spec));
    default:
        return size;
    }
}

void afView::setMeasuredDimension(int32_t width, int32_t height) {
    m_measuredWidth = width;
    m_measuredHeight = height;
    m_flags |= FLAG_MEASURED_SET;
}

void afView::setPadding(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const afRect padding(left, top, right, bottom);
    if (!rectNotEqual(padding, m_padding))
        return;
    m_padding = padding;
    relayout(L"afView::setPadding");
}

void afView::setMinimumSize(int32_t width, int32_t height) {
    m_minimumWidth = width;
    m_minimumHeight = height;
    relayout(L"afView::setMinimumSize");
}

void afView::requestLayoutWidth(bool show, int32_t width) {
    if (show)
        setVisible(width >= m_minimumWidth && width != 0);
    m_layoutParams->width = std::max(width, m_minimumWidth);
    relayout(L"afView::requestLayoutWidth");
}

void afView::requestLayoutHeight(bool show, int32_t height) {
    if (show)
        setVisible(height >= m_minimumHeight && height != 0);
    m_layoutParams->height = std::max(height, m_minimumHeight);
    relayout(L"afView::requestLayoutHeight");
}

void afView::setLayoutParams(afLayoutParams* params) {
    if (!params)
        throw pel::NullPointerException(L"layout_params are null");
    if (params == m_layoutParams.get())
        return;
    m_layoutParams.reset(params);
    relayout(L"afView::setLayoutParams");
}

void afView::placeWindowsBelow() {
    for (afView* child : m_children) {
        if (child->isVirtual())
            child->placeWindowsBelow();
        else
            child->setFrame(child->getFrame());
    }
}

void afView::offsetDescendantRect(afView* descendant, afRect& io_rect) {
    if (descendant == this)
        return;
    const afView* below = descendant;
    while (below && below->m_parent != this)
        below = below->m_parent;
    if (!below)
        throw pel::InvalidArgumentException(L"Parameter must be a descendant of this view.");
    for (afView* view = descendant; view != this; view = view->m_parent) {
        const afRect corner = view->m_parent == this ? view->getFrame() : view->getContentFrame();
        io_rect.offset(corner.left - view->m_scrollX, corner.top - view->m_scrollY);
    }
}

void afView::getOrigin(afRect* o_rect) {
    PEL_CHECK_PTR(o_rect);
    *o_rect = getContentFrame();
    if (m_parent && (m_flags & FLAG_ATTACHED)) {
        afRect parentOrigin;
        m_parent->getOrigin(&parentOrigin);
        o_rect->offset(parentOrigin.left, parentOrigin.top);
    }
}

void afView::getVisibleRect(afRect* o_rect) {
    PEL_CHECK_PTR(o_rect);
    const afRect content = getContentFrame();
    *o_rect = afRect(m_scrollX, m_scrollY, m_scrollX + content.width(), m_scrollY + content.height());
}

POINT afView::toLocal(POINT point, afView* view) {
    PEL_CHECK_PTR(view);
    afRect origin;
    view->getOrigin(&origin);
    return {point.x - origin.left, point.y - origin.top};
}

void afView::mapToScreen(afRect& io_rect) const {
    const afViewPlatform* platform = isVirtual() ? m_host : static_cast<const afViewPlatform*>(this);
    io_rect.mapToScreen(platform ? platform->getHandle() : nullptr);
}

void afView::scrollTo(int x, int y) {
    if (x == m_scrollX && y == m_scrollY)
        return;
    const int oldX = m_scrollX, oldY = m_scrollY;
    m_scrollX = x;
    m_scrollY = y;
    onScrollChanged(x, y, oldX, oldY);
    invalidate();
}

void afView::invalidate() {
    if (parentRepaints())
        return;
    afRect visible;
    getVisibleRect(&visible);
    invalidate(visible);
}

void afView::onParentVisibilityChanged(afView* /*view*/, bool shown) {
    for (afView* child : m_children)
        child->onParentVisibilityChanged(this, shown);
}

bool afView::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    if (!m_background)
        return false;
    m_background->draw(canvas);
    return true;
}

void afView::setBackground(afDrawable* background) {
    if (background == m_background.get())
        return;
    if (m_background)
        m_background->setListener(nullptr);
    m_background.reset(background);
    if (!background)
        return;
    afRect padding;
    if (background->getPadding(&padding))
        setPadding(padding);
    background->setListener(this);
}

void afView::onDrawableChanged(afDrawable* drawable) {
    if (drawable)
        invalidate(drawable->getBounds());
}

std::unique_ptr<afCanvas> afView::createMeasuringCanvas() {
    std::unique_ptr<afCanvas> canvas = createCanvas();
    if (!canvas)
        canvas = afCanvasBuffer::create(HDC(nullptr), afRect(), false);
    return canvas;
}
