#include "afw/view/afWidget.h"

#include "afw/view/afInput.h"

afWidget::~afWidget() {
    if (HWND window = getHandle())
        ::DestroyWindow(window);
}

bool afWidget::hasMnemonic(wchar_t ch) {
    if (m_mnemonics.find(ch) != std::wstring::npos)
        return true;
    const wchar_t own = afGetMnemonic(getText().c_str());
    return own && own == ch;
}

void afWidget::addMnemonic(wchar_t ch) {
    if (ch && m_mnemonics.find(ch) == std::wstring::npos)
        m_mnemonics += ch;
}

bool afWidget::onMnemonic(wchar_t /*ch*/) {
    requestFocus();
    return true;
}

void afWidget::onHandleCreated() {
    afViewPlatform::onHandleCreated();
    // Where the window is now, so the first frame is compared with the real place.
    HWND window = getHandle();
    afRect rect;
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    m_applied = rect;
}

void afWidget::setFrame(const afRect& frame) {
    storeFrame(frame);
    afRect rect = frame;
    afViewPlatform* host = getHost();
    if (host && getParent())
        host->offsetDescendantRect(getParent(), rect);
    HWND window = getHandle();
    if (window && rectNotEqual(rect, m_applied)) {
        markFramesDirty();
        if (host && host->isLayingOut()) {
            UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
            if (rect.sameSize(m_applied))
                flags |= SWP_NOSIZE;
            if (rect.left == m_applied.left && rect.top == m_applied.top)
                flags |= SWP_NOMOVE;
            // A hidden window moves at once, outside the batch: nothing of it needs repainting.
            if (!isShown() || !host->deferMove(window, rect, flags))
                ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.width(), rect.height(), flags);
        } else {
            ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    m_applied = rect;
    layout();
}
