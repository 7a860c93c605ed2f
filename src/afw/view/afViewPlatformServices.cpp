// The platform view's drawing, text and border, and its one-call window services.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/view/afViewPlatform.h"

#include <algorithm>
#include <vector>

namespace {
// Applies a changed frame style (borders, client edge) to the window at once.
constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED; // 0x37
} // namespace

void afViewPlatform::draw(afCanvas& canvas, const afRect* area) {
    if (m_parentBackground)
        drawParentBackground(canvas, area);
    const DrawCallback& callback = getDrawCallback();
    const bool drew = callback ? callback(this, canvas, area) : onDraw(canvas, area);
    if (!drew)
        printClient(canvas);
    if (!m_contentView)
        return;
    const afRect frame = m_contentView->getFrame();
    const int dx = frame.left - getScrollX(), dy = frame.top - getScrollY();
    afRect local;
    if (area) {
        local = *area;
        local.offset(-dx, -dy);
    }
    canvas.save();
    const POINT origin = canvas.viewportOrigin();
    canvas.setViewportOrigin({origin.x + dx, origin.y + dy});
    m_contentView->draw(canvas, area ? &local : nullptr);
    canvas.restore();
}

void afViewPlatform::drawParentBackground(afCanvas& canvas, const afRect* /*area*/) {
    if (!(getFlags() & FLAG_ATTACHED) || !m_window)
        return;
    afRect visible;
    getVisibleRect(&visible);
    HDC dc = canvas.getDC();
    if (afWindowsUX* ux = afWindowsUX::getInstance()) {
        afWindowsUX::DrawThemeParentBackground(ux, m_window, dc, &visible);
        return;
    }
    HWND parent = ::GetParent(m_window);
    if (!parent)
        parent = m_window;
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(m_window, &client);
    RECT inParent = client;
    ::MapWindowPoints(m_window, parent, reinterpret_cast<POINT*>(&inParent), 2);
    // The saved state brings the clip and the origin back.
    canvas.save();
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    ::OffsetViewportOrgEx(dc, -inParent.left, -inParent.top, nullptr);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    canvas.restore();
}

void afViewPlatform::printClient(afCanvas& canvas) {
    if (!m_window)
        return;
    afMessage msg(m_window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.getDC()), PRF_CLIENT);
    defaultProc(msg);
}

void afViewPlatform::setParentBackground(bool on) {
    if (on == m_parentBackground)
        return;
    m_parentBackground = on;
    invalidate();
}

void afViewPlatform::beginUpdate() {
    if (m_redrawSuspension++ == 0 && m_window)
        ::SendMessageW(m_window, WM_SETREDRAW, FALSE, 0);
}

void afViewPlatform::endUpdate() {
    if (m_redrawSuspension == 0 || --m_redrawSuspension > 0)
        return;
    if (m_window)
        ::SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
    invalidate();
}

void afViewPlatform::update(bool invalidateFirst) {
    if (!m_window)
        return;
    if (invalidateFirst)
        ::InvalidateRect(m_window, nullptr, FALSE);
    ::UpdateWindow(m_window);
}

void afViewPlatform::setText(const wchar_t* text) {
    if (!text)
        text = L"";
    if (m_window)
        ::SendMessageW(m_window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    else
        m_text = text;
}

std::wstring afViewPlatform::getText() {
    if ((m_paintFlags & PAINT_REREAD_TEXT) && m_window) {
        const int length = static_cast<int>(::SendMessageW(m_window, WM_GETTEXTLENGTH, 0, 0));
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
        const int read = static_cast<int>(
            ::SendMessageW(m_window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data())));
        m_text.assign(buffer.data(), static_cast<size_t>(std::max(0, std::min(read, length))));
    }
    return m_text;
}

void afViewPlatform::setWindowStyle(int index, DWORD bits, bool on) {
    if (!m_window)
        return;
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(m_window, index));
    const DWORD changed = on ? style | bits : style & ~bits;
    if (changed == style)
        return;
    ::SetWindowLongW(m_window, index, static_cast<LONG>(changed));
    ::SetWindowPos(m_window, nullptr, 0, 0, 0, 0, kFrameChanged);
    m_framesDirty = true; // the insets changed
}

void afViewPlatform::setBorder(int kind) {
    setWindowStyle(GWL_STYLE, WS_BORDER, kind == 1);
    setWindowStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE, kind == 2);
}

bool afViewPlatform::hasBorder() const {
    return m_window && ((::GetWindowLongW(m_window, GWL_STYLE) & WS_BORDER) ||
                        (::GetWindowLongW(m_window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
}

void afViewPlatform::setClientEdge(bool on) {
    setWindowStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE, on);
}

void afViewPlatform::setStyleBits(DWORD bits, bool on) {
    setWindowStyle(GWL_STYLE, bits, on);
}

void afViewPlatform::setExtendedStyleBits(DWORD bits, bool on) {
    setWindowStyle(GWL_EXSTYLE, bits, on);
}

DWORD afViewPlatform::getExtendedStyle() const {
    return m_window ? static_cast<DWORD>(::GetWindowLongW(m_window, GWL_EXSTYLE)) : 0;
}

void afViewPlatform::setCapture(bool on) {
    if (!m_window)
        return;
    if (on && !hasCapture())
        ::SetCapture(m_window);
    else if (!on && hasCapture())
        ::ReleaseCapture();
}

bool afViewPlatform::hasCapture() const {
    return m_window && ::GetCapture() == m_window;
}

int afViewPlatform::getControlId() const {
    return m_window ? ::GetDlgCtrlID(m_window) : 0;
}

void afViewPlatform::setControlId(int id) {
    if (m_window)
        ::SetWindowLongW(m_window, GWL_ID, id & 0xFFFF);
}

void afViewPlatform::setScrollInfo(int bar, int minimum, int maximum, int page, int position, bool disableNoScroll) {
    if (!m_window)
        return;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | (disableNoScroll ? SIF_DISABLENOSCROLL : 0);
    info.nMin = minimum;
    info.nMax = maximum;
    info.nPage = static_cast<UINT>(page);
    info.nPos = position;
    ::SetScrollInfo(m_window, bar, &info, TRUE);
}

void afViewPlatform::setCursor(HCURSOR cursor) {
    ::SetCursor(cursor);
}

void afViewPlatform::setIcon(HICON icon, int which) {
    if (!m_window)
        return;
    if (which & 1)
        ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (which & 2)
        ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}
