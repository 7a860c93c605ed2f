#include "afw/control/afControlComboBox.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/core/afExceptionBoundary.h"

#include <algorithm>

afControlComboBox* afControlComboBox::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlComboBox>(parent);
}

afControlComboBox::~afControlComboBox() {
    afGuard([this] { releaseAll(); });
}

void afControlComboBox::releaseAll() {
    if (getHandle())
        removeAllItems();
    if (m_ownsImageList && m_imageList)
        ::ImageList_Destroy(m_imageList);
    m_imageList = nullptr;
}

bool afControlComboBox::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.className = WC_COMBOBOXEXW;
    seed.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | (m_listOnly ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
    return true;
}

void afControlComboBox::onCreate() {
    afControl::onCreate();
    HWND inner = reinterpret_cast<HWND>(::SendMessageW(getHandle(), CBEM_GETCOMBOCONTROL, 0, 0));
    if (!inner || m_inner)
        return;
    m_inner = new afWidget(this);
    addView(m_inner);
    m_inner->attach(inner);
}

void afControlComboBox::addItem(const std::wstring& text, int image, uintptr_t data) {
    Item* record = new Item;
    record->data = data;
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_INDENT | CBEIF_LPARAM;
    item.iItem = -1;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = item.iSelectedImage = image;
    item.iIndent = m_indent;
    item.lParam = reinterpret_cast<LPARAM>(record);
    if (::SendMessageW(getHandle(), CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
        delete record;
        return;
    }
    if (HWND inner = m_inner ? m_inner->getHandle() : nullptr) {
        ::SetWindowLongW(inner, GWL_STYLE, ::GetWindowLongW(inner, GWL_STYLE) | WS_TABSTOP);
        RECT rect;
        ::GetWindowRect(getHandle(), &rect);
        ::SetWindowPos(inner, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + DROP_DOWN_EXTRA,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool afControlComboBox::getItemText(int index, std::wstring& out) const {
    if (index < 0 || !getHandle())
        return false;
    wchar_t buffer[MAX_TEXT + 1] = {};
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = buffer;
    item.cchTextMax = MAX_TEXT + 1;
    if (!::SendMessageW(getHandle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    out.assign(item.pszText ? item.pszText : L"");
    return true;
}

afControlComboBox::Item* afControlComboBox::getItemData(int index) const {
    if (index < 0 || !getHandle())
        return nullptr;
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_LPARAM;
    item.iItem = index;
    if (!::SendMessageW(getHandle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<Item*>(item.lParam);
}

void afControlComboBox::removeItem(int index) {
    Item* record = getItemData(index);
    if (record) {
        if (m_itemRemoved)
            m_itemRemoved(this, record);
        delete record;
    }
    ::SendMessageW(getHandle(), CBEM_DELETEITEM, index, 0);
}

void afControlComboBox::removeAllItems() {
    for (int count = getCount(); count > 0; count = getCount())
        removeItem(count - 1);
}

void afControlComboBox::markItem(int index) {
    if (Item* record = getItemData(index)) {
        record->marked = true;
        invalidate();
    }
}

std::wstring afControlComboBox::getSelectedText() const {
    std::wstring text;
    getItemText(getSelection(), text);
    return text;
}

int afControlComboBox::getSelection() const {
    return getHandle() ? static_cast<int>(::SendMessageW(getHandle(), CB_GETCURSEL, 0, 0)) : -1;
}

void afControlComboBox::setSelection(int index) {
    ::SendMessageW(getHandle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void afControlComboBox::selectText(const std::wstring& text) {
    std::wstring itemText;
    for (int index = 0, count = getCount(); index < count; ++index) {
        if (getItemText(index, itemText) && itemText == text) {
            setSelection(index);
            return;
        }
    }
    clearSelection();
}

int afControlComboBox::getCount() const {
    return getHandle() ? static_cast<int>(::SendMessageW(getHandle(), CB_GETCOUNT, 0, 0)) : 0;
}

int afControlComboBox::findItem(uintptr_t data) const {
    for (int index = 0, count = getCount(); index < count; ++index) {
        const Item* record = getItemData(index);
        if (record && record->data == data)
            return index;
    }
    return -1;
}

void afControlComboBox::setImageList(HIMAGELIST list, bool own) {
    if (m_ownsImageList && m_imageList && m_imageList != list)
        ::ImageList_Destroy(m_imageList);
    m_imageList = list;
    m_ownsImageList = own;
    ::SendMessageW(getHandle(), CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
}

bool afControlComboBox::onReflectedMessage(afMessage& msg) {
    if (msg.message != WM_COMMAND || HIWORD(msg.wParam) != CBN_SELCHANGE || !m_selectionChanged)
        return false;
    m_selectionChanged(this);
    msg.result = 0;
    return true;
}

void afControlComboBox::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    RECT own = {0, 0, 0, 0};
    if (getHandle())
        ::GetWindowRect(getHandle(), &own);
    // The width is the wrapped inner control's: its item rectangle with the frame and the drop
    // button beside it (the item rectangle alone would narrow the control by the button on
    // every layout pass). The height is the control's own: the inner window's counts the list.
    RECT inner = own;
    if (m_inner && m_inner->getHandle())
        ::GetWindowRect(m_inner->getHandle(), &inner);
    const int32_t width = std::max<int32_t>(inner.right - inner.left, getMinimumWidth());
    const int32_t height = std::max<int32_t>(own.bottom - own.top, getMinimumHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
}

bool afControlComboBox::onRawMessage(afMessage& msg) {
    if (msg.message == WM_DESTROY) {
        // The records go before the platform drops their items, the owner told of each.
        releaseAll();
    }
    return afControl::onRawMessage(msg);
}
