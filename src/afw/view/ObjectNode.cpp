#include "afw/view/ObjectNode.h"

#include "pel/base/Assert.h"

#include <algorithm>

ObjectNode::~ObjectNode() {
    if (m_owner)
        m_owner->forget(this);
    // A node's destructor may delete later nodes of this list itself; they clear their slots.
    for (m_deleting = 0; m_deleting < m_owned.size(); ++m_deleting) {
        ObjectNode* node = m_owned[m_deleting];
        if (!node)
            continue;
        node->m_owner = nullptr;
        m_owned[m_deleting] = nullptr;
        delete node;
    }
}

void ObjectNode::add(ObjectNode* child) {
    PEL_CHECK_PTR(child);
    if (child->m_owner == this)
        throw pel::InvalidArgumentException(L"Object node already owned. (1)");
    if (child == this)
        throw pel::InvalidArgumentException(L"Cannot add myself.");
    if (isOwning(child))
        throw pel::InvalidArgumentException(L"Object node already owned. (2)");
    if (child->m_owner)
        child->m_owner->remove(child);
    child->m_owner = this;
    m_owned.push_back(child);
}

void ObjectNode::remove(ObjectNode* child) {
    // Searched from the back: a view made for a host and added to a layout at once leaves the
    // host's list as its last entry.
    const auto found = std::find(m_owned.rbegin(), m_owned.rend(), child);
    if (!child || found == m_owned.rend())
        throw pel::InvalidArgumentException(L"Object node is not owned.");
    child->m_owner = nullptr;
    if (m_deleting != SIZE_MAX)
        *found = nullptr;
    else
        m_owned.erase(std::next(found).base());
}

bool ObjectNode::isOwning(const ObjectNode* child) const {
    return child && std::find(m_owned.rbegin(), m_owned.rend(), child) != m_owned.rend();
}

void ObjectNode::forget(ObjectNode* child) noexcept {
    if (m_deleting != SIZE_MAX) {
        const auto found = std::find(m_owned.begin() + static_cast<std::ptrdiff_t>(m_deleting), m_owned.end(), child);
        if (found != m_owned.end())
            *found = nullptr;
        return;
    }
    const auto found = std::find(m_owned.rbegin(), m_owned.rend(), child);
    if (found != m_owned.rend())
        m_owned.erase(std::next(found).base());
}
