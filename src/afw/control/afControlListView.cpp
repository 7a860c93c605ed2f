#include "afw/control/afControlListView.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/core/afLog.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"

#include <algorithm>
#include <cwchar>

namespace {

const DWORD kViewStyles[] = {LVS_REPORT, LVS_LIST, LVS_ICON, LVS_SMALLICON};

// A refused row is no reason to end the program (and lose unsaved work): it is logged.
void logRefusal() {
    pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afControlListView::insertItem(): Unable to add item to the list.");
}

} // namespace

afControlListView* afControlListView::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlListView>(parent);
}

afControlListView::~afControlListView() {
    if (m_ownsImageList && m_imageList)
        ::ImageList_Destroy(m_imageList);
}

bool afControlListView::buildSeed(afSeed& seed) {
    if (m_viewMode > MODE_SMALL_ICONS)
        return false;
    afControl::buildSeed(seed);
    seed.className = WC_LISTVIEWW;
    seed.style |= kViewStyles[m_viewMode];
    return true;
}

void afControlListView::insertColumn(const std::wstring& text, int width, int format) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(getHandle(), LVM_INSERTCOLUMNW, m_columns.size(), reinterpret_cast<LPARAM>(&column));
    m_columns.push_back({text, (static_cast<uint32_t>(width) & 0x0FFFFFFF) | COLUMN_LAYOUT_FLAG, format});
    m_columnsDirty = true;
}

int afControlListView::columnWidthFor(const std::wstring& text) const {
    const int width = getHandle() ? static_cast<int>(::SendMessageW(getHandle(), LVM_GETSTRINGWIDTHW, 0,
                                                                    reinterpret_cast<LPARAM>(text.c_str())))
                                  : 0;
    // The header leaves three edges either side of its text, the rows a little less.
    return width + 6 * ::GetSystemMetrics(SM_CXEDGE);
}

void afControlListView::setVisibleRows(int rows) {
    m_visibleRows = std::max(rows, 0);
    relayout(L"afControlListView::setVisibleRows");
}

void afControlListView::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    if (m_visibleRows <= 0) {
        afControl::onMeasure(widthSpec, heightSpec);
        return;
    }
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    if (getFont())
        canvas->selectFont(getFont());
    // A row is a line of the font and its spacing, the header a line and its edges; a little
    // more than the list takes, so that the rows never fall short.
    const int line = canvas->lineHeight();
    const int header = line + 4 * ::GetSystemMetrics(SM_CYEDGE);
    const int row = line + afScaled(4);
    const int height = std::max(header + m_visibleRows * row + 2 * ::GetSystemMetrics(SM_CYEDGE), getMinimumHeight());
    setMeasuredDimension(resolveSize(getMinimumWidth(), widthSpec), resolveSize(height, heightSpec));
}

int afControlListView::insertItem(const std::wstring& text, int image, LPARAM data) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    if (image >= 0) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    if (data) {
        item.mask |= LVIF_PARAM;
        item.lParam = data;
    }
    const int index = static_cast<int>(::SendMessageW(getHandle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0)
        logRefusal();
    return index;
}

bool afControlListView::setSubItemText(const wchar_t* text, int length) {
    std::wstring copy(text ? text : L"", text ? (length < 0 ? std::wcslen(text) : static_cast<size_t>(length)) : 0);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.iSubItem = 1;
    item.pszText = &copy[0];
    if (::SendMessageW(getHandle(), LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item)))
        return true;
    logRefusal();
    return false;
}

LPARAM afControlListView::getItemData(int index) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return ::SendMessageW(getHandle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

int afControlListView::findItem(LPARAM data) const {
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return getItemCount() == 0 ? -1
                               : static_cast<int>(::SendMessageW(getHandle(), LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                                 reinterpret_cast<LPARAM>(&find)));
}

int afControlListView::getItemCount() const {
    return getHandle() ? static_cast<int>(::SendMessageW(getHandle(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

void afControlListView::removeItem(int index) {
    ::SendMessageW(getHandle(), LVM_DELETEITEM, index, 0);
}

void afControlListView::removeAll() {
    ::SendMessageW(getHandle(), LVM_DELETEALLITEMS, 0, 0);
}

void afControlListView::setFullRowSelect() {
    const LRESULT styles = ::SendMessageW(getHandle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    if (!(styles & LVS_EX_FULLROWSELECT))
        ::SendMessageW(getHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void afControlListView::setImageList(HIMAGELIST list, bool own) {
    if (m_ownsImageList && m_imageList && m_imageList != list)
        ::ImageList_Destroy(m_imageList);
    m_imageList = list;
    m_ownsImageList = own;
    ::SendMessageW(getHandle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list));
}
