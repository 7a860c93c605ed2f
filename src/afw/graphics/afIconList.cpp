#include "afw/graphics/afIconList.h"

#include "afw/graphics/afIcon.h"

afIconList::afIconList() : m_list(::ImageList_Create(16, 16, ILC_COLOR32, 16, 8)), m_owned(true) {}

afIconList::~afIconList() {
    if (m_owned && m_list)
        ::ImageList_Destroy(m_list);
}

int afIconList::add(const afIcon& icon) {
    const int index = m_list ? ::ImageList_ReplaceIcon(m_list, -1, icon.getHandle()) : -1;
    if (index >= 0)
        m_icons.push_back(icon.getHandle());
    return index;
}
