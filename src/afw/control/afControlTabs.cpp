#include "afw/control/afControlTabs.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/layout/afLayoutLinear.h"

#include <commctrl.h>

#include <algorithm>

afControlTabs* afControlTabs::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlTabs>(parent);
}

afControlTabs::afControlTabs(afViewPlatform* host) : afControl(host) {}

bool afControlTabs::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_GROUP | WS_TABSTOP;
    seed.exStyle |= WS_EX_CONTROLPARENT;
    seed.width = seed.height = 500;
    seed.className = WC_TABCONTROLW;
    return true;
}

void afControlTabs::onCreate() {
    afControl::onCreate();
    // setContentView deletes a previous content layout.
    m_content = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    setContentView(m_content);
}

int afControlTabs::addTab(const std::wstring& caption, afView* page) {
    const int index = getCount();
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    item.lParam = reinterpret_cast<LPARAM>(page);
    ::SendMessageW(getHandle(), TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
    if (m_content && page) {
        m_content->addChild(page, index, -1, -1);
        page->setVisible(false);
    }
    relayout(L"afControlTabs::addTab");
    return index;
}

void afControlTabs::removeTab(int index) {
    if (index < 0 || index >= getCount())
        return;
    afView* page = getPageAt(index);
    const bool selected = index == getCurrentIndex();
    ::SendMessageW(getHandle(), TCM_DELETEITEM, index, 0);
    // Its owner may free it later: until then it shows nowhere.
    if (page)
        page->setVisible(false);
    if (page && m_content && page->getParent() == m_content)
        m_content->removeView(page);
    if (page && page == m_currentPage) {
        m_currentPage = nullptr;
        m_currentIndex = -1;
    } else if (m_currentIndex > index) {
        --m_currentIndex;
    }
    if (selected && getCount() > 0)
        setCurrentIndex(std::min(index, getCount() - 1));
    relayout(L"afControlTabs::removeTab");
}

void afControlTabs::setTabText(int index, const std::wstring& caption) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    ::SendMessageW(getHandle(), TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

int afControlTabs::indexOfPage(const afView* page) const {
    for (int index = 0, count = getCount(); index < count; ++index)
        if (getPageAt(index) == page)
            return index;
    return -1;
}

int afControlTabs::getCurrentIndex() const {
    return static_cast<int>(::SendMessageW(getHandle(), TCM_GETCURSEL, 0, 0));
}

int afControlTabs::getCount() const {
    return static_cast<int>(::SendMessageW(getHandle(), TCM_GETITEMCOUNT, 0, 0));
}

afView* afControlTabs::getPageAt(int index) const {
    TCITEMW item = {};
    item.mask = TCIF_PARAM;
    if (!::SendMessageW(getHandle(), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<afView*>(item.lParam);
}

void afControlTabs::setCurrentIndex(int index) {
    // A saved index may outlive the pages it named.
    if (index < 0 || index >= getCount())
        return;
    ::SendMessageW(getHandle(), TCM_SETCURSEL, index, 0);
    onTabChanged(index);
}

void afControlTabs::onTabChanged(int index) {
    afView* page = getPageAt(index);
    updatePadding();
    for (const ChangeHandler& handler : m_changeHandlers) {
        if (!handler(m_currentPage, page)) {
            ::SendMessageW(getHandle(), TCM_SETCURSEL, m_currentIndex, 0);
            return;
        }
    }
    if (page != m_currentPage) {
        if (m_currentPage)
            m_currentPage->setVisible(false);
        m_currentPage = nullptr;
        if (page) {
            page->setVisible(true);
            page->requestFocus();
        }
        relayout(L"afControlTabs::onTabChanged");
    }
    m_currentPage = page;
    m_currentIndex = index;
}

void afControlTabs::updatePadding() {
    if (!m_content || !getHandle())
        return;
    RECT rect = {0, 0, 0, 0};
    ::SendMessageW(getHandle(), TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    m_content->setPadding(5 - rect.left, 5 - rect.top, rect.right + 5, rect.bottom + 5);
}

bool afControlTabs::onRawMessage(afMessage& msg) {
    if (msg.message == WM_SIZE)
        updatePadding();
    return afControl::onRawMessage(msg);
}

bool afControlTabs::onReflectedMessage(afMessage& msg) {
    if (msg.message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(msg.lParam)->code != TCN_SELCHANGE)
        return false;
    onTabChanged(getCurrentIndex());
    msg.result = 0;
    return true;
}

bool afControlTabs::onKeyDown(afKeyEvent& event) {
    const int current = getCurrentIndex();
    if (!m_ctrlTab || current < 0 || event.key() != VK_TAB || !(event.combination & afKeyEvent::CTRL))
        return false;
    const int count = getCount();
    const int next = (event.combination & afKeyEvent::SHIFT) ? (current + count - 1) % count : (current + 1) % count;
    setCurrentIndex(next);
    return true;
}
