#include "afw/tree/afControlTreeItem.h"

#include "afw/tree/afControlTree.h"

afControlTreeItem::~afControlTreeItem() {
    if (hasFlag(FLAG_OWNED_DATA))
        delete m_data;
}

void afControlTreeItem::setData(pel::Object* data, bool owned) {
    if (hasFlag(FLAG_OWNED_DATA) && data != m_data)
        delete m_data;
    m_data = data;
    setFlag(FLAG_OWNED_DATA, owned);
}

void afControlTreeItem::addIcon(const afIcon* icon) {
    if (!m_icons)
        m_icons.reset(new std::vector<const afIcon*>);
    m_icons->push_back(icon);
    RECT row = {};
    if (m_tree && m_tree->getItemRect(this, false, &row))
        ::InvalidateRect(m_tree->getHandle(), &row, FALSE);
}

std::wstring afControlTreeItem::getText() const {
    return m_tree->getItemText(const_cast<afControlTreeItem*>(this));
}

void afControlTreeItem::setText(const std::wstring& text) {
    m_tree->setItemText(this, text);
}

afControlTreeItem* afControlTreeItem::getParent() const {
    return m_tree->getParent(const_cast<afControlTreeItem*>(this));
}

void afControlTreeItem::setBold(bool bold) {
    m_tree->setItemBold(this, bold);
}

void afControlTreeItem::ensureVisible() {
    m_tree->ensureVisible(this);
}
