// The platform view's frames, layout pass, visibility and focus.

#include "afw/view/afViewPlatform.h"

namespace {
constexpr UINT kKeepPlace = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;
constexpr UINT kShowActivating = SWP_SHOWWINDOW | kKeepPlace;                // 0x47
constexpr UINT kShowQuietly = SWP_SHOWWINDOW | SWP_NOACTIVATE | kKeepPlace;  // 0x57
constexpr UINT kHide = SWP_HIDEWINDOW | SWP_NOACTIVATE | kKeepPlace;         // 0x97
} // namespace

bool afViewPlatform::refreshFrames(bool force) {
    if ((!force && !m_framesDirty) || !m_window)
        return false;
    afRect window, client;
    ::GetWindowRect(m_window, &window);
    ::GetClientRect(m_window, &client);
    ::MapWindowPoints(m_window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    m_insets = afRect(client.left - window.left, client.top - window.top, window.right - client.right,
                      window.bottom - client.bottom);
    bool changed;
    if (::GetWindowLongW(m_window, GWL_STYLE) & WS_CHILD) {
        // A child's frame is the one it was given, in its parent's coordinates.
        afRect content = m_frame;
        content.applyPadding(m_insets, false);
        changed = !content.sameSize(m_contentFrame);
        m_contentFrame = content;
    } else {
        // What was read is kept even when only the position changed: centring and origins
        // need the window where it is now.
        changed = !window.sameSize(m_frame) || !client.sameSize(m_contentFrame);
        m_frame = window;
        m_contentFrame = client;
    }
    m_framesDirty = false;
    return changed;
}

afRect afViewPlatform::getFrame() {
    refreshFrames(false);
    return m_frame;
}

afRect afViewPlatform::getContentFrame() {
    refreshFrames(false);
    return m_contentFrame;
}

void afViewPlatform::setFrame(const afRect& frame) {
    m_frame = frame;
}

afRect afViewPlatform::getInsets() {
    refreshFrames(false);
    return m_insets;
}

void afViewPlatform::setContentFrame(const afRect& rect) {
    afRect frame = rect;
    frame.applyPadding(getInsets(), true);
    setFrame(frame);
}

afRect afViewPlatform::getClientRect() {
    const afRect content = getContentFrame();
    return afRect(0, 0, content.width(), content.height());
}

void afViewPlatform::onAttached() {
    afView::onAttached();
    m_framesDirty = true;
}

void afViewPlatform::onDetached() {
    afView::onDetached();
    m_framesDirty = true;
}

void afViewPlatform::layout() {
    if (m_inLayout) {
        afView::layout();
        return;
    }
    m_inLayout = true;
    try {
        afView::layout();
    } catch (...) {
        endLayoutPass();
        throw;
    }
    endLayoutPass();
}

void afViewPlatform::endLayoutPass() noexcept {
    m_inLayout = false;
    if (m_deferred)
        ::EndDeferWindowPos(m_deferred);
    m_deferred = nullptr;
    m_queued.clear();
    m_batchFailed = false;
    afViewPlatform* host = getHost();
    if (m_window && m_invalidAll && host && host->m_inLayout) {
        // Repainted with the host, in one call for all its child windows: each call is a round
        // trip to the Wine server.
        host->m_childRepaints.push_back(m_window);
        host->m_childRepaints.insert(host->m_childRepaints.end(), m_childRepaints.begin(), m_childRepaints.end());
    } else if (m_window && m_invalidAll) {
        if (m_childRepaints.empty())
            ::InvalidateRect(m_window, nullptr, FALSE);
        else
            ::RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    } else {
        if (m_window && m_invalidPending)
            ::InvalidateRect(m_window, &m_pendingInvalid, FALSE);
        for (HWND child : m_childRepaints)
            ::InvalidateRect(child, nullptr, FALSE);
    }
    m_childRepaints.clear();
    m_invalidAll = false;
    m_invalidPending = false;
}

bool afViewPlatform::deferMove(HWND window, const afRect& rect, UINT flags) {
    if (!m_inLayout || m_batchFailed)
        return false;
    if (!m_deferred)
        m_deferred = ::BeginDeferWindowPos(16);
    HDWP next = m_deferred ? ::DeferWindowPos(m_deferred, window, nullptr, rect.left, rect.top, rect.width(),
                                              rect.height(), flags)
                           : nullptr;
    if (!next) {
        // The batch is gone with the moves queued so far: they are made one by one, and so is
        // every later move of this pass.
        m_deferred = nullptr;
        m_batchFailed = true;
        for (const QueuedMove& move : m_queued)
            ::SetWindowPos(move.window, nullptr, move.rect.left, move.rect.top, move.rect.width(), move.rect.height(),
                           move.flags);
        m_queued.clear();
        return false;
    }
    m_deferred = next;
    m_queued.push_back({window, rect, flags});
    return true;
}

void afViewPlatform::invalidate(const afRect& rect) {
    if (!m_window)
        return;
    if (!m_inLayout) {
        ::InvalidateRect(m_window, &rect, FALSE);
        return;
    }
    // One call for the whole pass: each is a round trip to the Wine server.
    if (rect.isEmpty())
        return;
    if (!m_invalidPending)
        m_pendingInvalid = rect;
    else
        ::UnionRect(&m_pendingInvalid, &m_pendingInvalid, &rect);
    m_invalidPending = true;
}

void afViewPlatform::invalidate() {
    if (!m_window)
        return;
    if (m_inLayout)
        m_invalidAll = true;
    else
        ::InvalidateRect(m_window, nullptr, FALSE);
}

void afViewPlatform::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    if (!m_contentView) {
        afView::onMeasure(widthSpec, heightSpec);
        return;
    }
    m_contentView->measure(widthSpec, heightSpec);
    setMeasuredDimension(m_contentView->getMeasuredWidth(), m_contentView->getMeasuredHeight());
}

void afViewPlatform::onLayout(bool /*changed*/, const afRect& /*rect*/) {
    // The content view fills the client area, which is what it was measured for; the frame's
    // own size would push it under the borders and the caption.
    if (m_contentView)
        m_contentView->setFrame(getClientRect());
}

afView* afViewPlatform::findViewAt(int x, int y) {
    if (!m_contentView)
        return this;
    POINT point = {x, y};
    ::ScreenToClient(m_window, &point);
    return m_contentView->findViewAt(point.x + getScrollX(), point.y + getScrollY());
}

void afViewPlatform::setShown(bool show, bool activate) {
    m_shown = show;
    tellChildrenShown(show);
    if (m_window && (!show || ancestorsVisible()))
        applyShown(!show ? kHide : activate ? kShowActivating : kShowQuietly);
    relayout(L"afViewPlatform::setVisible");
}

void afViewPlatform::onParentVisibilityChanged(afView* /*view*/, bool shown) {
    // A parent that hides takes the window with it; one that shows brings it back only when
    // the view wants to be shown and nothing above it is hidden.
    const bool change = shown ? m_shown && ancestorsVisible() : m_shown;
    if (change && m_window) {
        applyShown(shown ? kShowQuietly : kHide);
        relayout(L"afViewPlatform::setVisible");
    }
    tellChildrenShown(shown);
}

void afViewPlatform::applyShown(UINT flags) {
    ::SetWindowPos(m_window, nullptr, 0, 0, 0, 0, flags);
}

void afViewPlatform::tellChildrenShown(bool shown) {
    for (afView* child : children())
        child->onParentVisibilityChanged(this, shown);
}

bool afViewPlatform::ancestorsVisible() const {
    for (const afView* view = getParent(); view; view = view->getParent())
        if (!view->isVisible())
            return false;
    return true;
}

void afViewPlatform::setEnabled(bool enabled) {
    if (m_window)
        ::EnableWindow(m_window, enabled);
}

bool afViewPlatform::isEnabled() const {
    return m_window && ::IsWindowEnabled(m_window);
}

bool afViewPlatform::hasFocus() const {
    return m_window && ::GetFocus() == m_window;
}

bool afViewPlatform::focusWindowOf(afView* view) {
    afViewPlatform* platform = dynamic_cast<afViewPlatform*>(view);
    if (!platform || !platform->m_window)
        return false;
    ::SetFocus(platform->m_window);
    return true;
}

afViewPlatform* afViewPlatform::getFocusedWidget() {
    HWND focus = ::GetFocus();
    if (!m_window || !focus || !::IsChild(m_window, focus))
        return nullptr;
    for (HWND window = focus; window && window != m_window; window = ::GetParent(window))
        if (afViewPlatform* widget = getWidget(window))
            return widget;
    return nullptr;
}

void afViewPlatform::onChildFocus(afViewPlatform* child, bool gained) {
    if (getHost())
        getHost()->onChildFocus(child, gained);
}

void afViewPlatform::onFocusGained() {
    if (getHost())
        getHost()->onChildFocus(this, true);
}

void afViewPlatform::onFocusLost() {
    if (getHost())
        getHost()->onChildFocus(this, false);
}

void afViewPlatform::centerRect(afRect& io_rect) {
    afRect outer;
    getOrigin(&outer);
    io_rect.centerIn(outer);
    fitToMonitor(io_rect);
}

void afViewPlatform::fitToMonitor(afRect& io_rect) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(::MonitorFromRect(&io_rect, MONITOR_DEFAULTTONEAREST), &info))
        io_rect.fitInto(info.rcWork);
}
