#include "afw/menu/afStaticMenuModel.h"

#include <algorithm>

afStaticMenuModelItem::afStaticMenuModelItem(const std::wstring& title, const std::wstring& text)
    : m_title(title), m_text(text) {}

bool afStaticMenuModelItem::isChecked() { return m_checkedDelegate ? m_checkedDelegate(*this) : m_checked; }

bool afStaticMenuModelItem::getState() { return m_stateDelegate ? m_stateDelegate(*this) : false; }

afStaticMenuModel::~afStaticMenuModel() {
    for (afStaticMenuModelItem* item : m_items)
        delete item;
}

afStaticMenuModelItem* afStaticMenuModel::insert(afStaticMenuModelItem* item, int32_t index) {
    if (!item || std::find(m_items.begin(), m_items.end(), item) != m_items.end())
        return item;
    if (index >= 1 && index < getCount())
        m_items.insert(m_items.begin() + index, item);
    else
        m_items.push_back(item);
    return item;
}

afStaticMenuModelItem* afStaticMenuModel::remove(int32_t index) {
    afStaticMenuModelItem* item = getItem(index);
    if (item)
        m_items.erase(m_items.begin() + index);
    return item;
}

afStaticMenuModelItem* afStaticMenuModel::getItem(int32_t index) const {
    return index >= 0 && index < getCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

int32_t afStaticMenuModel::indexOf(const afStaticMenuModelItem* item) const {
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? 0 : static_cast<int32_t>(found - m_items.begin());
}
