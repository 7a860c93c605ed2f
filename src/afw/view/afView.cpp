// The view tree: children, hosts, names and contexts, and the view's own lifetime.

#include "afw/view/afView.h"

#include "afw/core/afExceptionBoundary.h"
#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

#include <algorithm>

afView::afView(afViewPlatform* host) : m_host(host), m_layoutParams(new afLayoutParams) {
    if (host)
        host->add(this);
}

afView::~afView() {
    if (m_parent) {
        pel::softAssertion(L"A view has not been unbound from it's parent", PEL_FILE, __LINE__);
        afView* parent = m_parent;
        afGuard([&] { parent->removeView(this); });
        m_parent = nullptr;
    }
    // Children are only let go: their owner node deletes them.
    while (!m_children.empty()) {
        afView* child = m_children.back();
        if (!afGuard([&] { removeView(child); })) {
            m_children.pop_back();
            child->m_parent = nullptr;
        }
    }
    if (m_tagOwned)
        delete m_tag;
    if (m_background)
        m_background->setListener(nullptr);
}

void afView::setName(const std::wstring& name) {
    if (name == m_name)
        return;
    m_name = name;
    m_contextId = getContextKey();
    if (!m_name.empty())
        m_contextId += L"." + m_name;
}

std::wstring afView::getContextId() const {
    return m_contextId.empty() ? std::wstring(getContextKey()) : m_contextId;
}

tessel::ScopePath& afView::getContexts() {
    m_contexts.clear();
    addContexts(m_contexts);
    collectContexts(this, m_contexts);
    return m_contexts;
}

void afView::collectContexts(afView* view, tessel::ScopePath& path) {
    PEL_CHECK_PTR(view);
    // The segments point at the views' ids (not copied): a path is used at once, before any
    // view is renamed or deleted.
    if (!view->m_name.empty() && !view->m_contextId.empty())
        path.push(static_cast<uint32_t>(view->m_contextId.size()), view->m_contextId.c_str(), false,
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(view)));
    if (view->isContextRoot())
        return;
    afView* outer = view->m_parent ? view->m_parent : view->m_host;
    if (outer)
        path.append(outer->getContexts());
}

afView* afView::getSegmentView(const tessel::ScopeSegment& segment) {
    return reinterpret_cast<afView*>(static_cast<uintptr_t>(segment.value));
}

void afView::addView(afView* child, int index) {
    PEL_CHECK_PTR(child);
    if (child->m_parent == this)
        return;
    if (std::find(m_children.begin(), m_children.end(), child) != m_children.end())
        throw pel::IllegalStateException(L"View hierarchy corrupted.");
    for (const afView* ancestor = this; ancestor; ancestor = ancestor->m_parent)
        if (ancestor == child)
            throw pel::IllegalStateException(L"View hierarchy corrupted.");
    // The host is found before anything changes, so a refused child stays where it was.
    afViewPlatform* host = nullptr;
    for (afView* view = this; view; view = view->m_parent)
        if (!view->isVirtual()) {
            host = dynamic_cast<afViewPlatform*>(view);
            break;
        }
    if (!host && !child->isVirtual())
        throw pel::IllegalStateException(L"Owner not found in tree. Owner is NULL.");
    // A window refuses to be docked (its onAttached throws): asked first, the tree and the
    // window's owner stay as they were.
    if (child->asWindow())
        child->onAttached();

    if (child->m_parent)
        child->m_parent->removeView(child);
    if (child->getOwner() != this)
        ObjectNode::add(child);
    child->m_parent = this;
    child->setHost(host);
    const size_t position = std::min(static_cast<size_t>(static_cast<unsigned>(index)), m_children.size());
    m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(position), child);
    child->onAttached();
    for (afView* view = this; view; view = view->m_parent)
        view->onChildAdded(child, static_cast<int>(position));
}

void afView::removeView(afView* child) {
    if (!child || child->m_parent != this)
        throw pel::IllegalStateException(L"Removing view from invalid parent.");
    const auto found = std::find(m_children.begin(), m_children.end(), child);
    if (found == m_children.end())
        return;
    for (afView* view = this; view; view = view->m_parent)
        view->onChildRemoved(child);
    child->onDetached();
    m_children.erase(std::find(m_children.begin(), m_children.end(), child));
    child->m_parent = nullptr;
}

void afView::moveChildIndex(int from, int to) {
    afView* child = m_children[static_cast<size_t>(from)];
    m_children.erase(m_children.begin() + from);
    m_children.insert(m_children.begin() + to, child);
}

bool afView::hasChild(const afView* view) const {
    return view && view->m_parent == this;
}

bool afView::hasDescendant(const afView* view) const {
    if (hasChild(view))
        return true;
    return std::any_of(m_children.begin(), m_children.end(),
                       [view](const afView* child) { return child->hasDescendant(view); });
}

afView* afView::findChild(const std::wstring& name) const {
    const auto found =
        std::find_if(m_children.begin(), m_children.end(), [&](const afView* child) { return child->m_name == name; });
    return found == m_children.end() ? nullptr : *found;
}

afView* afView::findDescendant(const std::wstring& name) const {
    if (afView* child = findChild(name))
        return child;
    for (const afView* child : m_children)
        if (afView* found = child->findDescendant(name))
            return found;
    return nullptr;
}

void afView::setHost(afViewPlatform* host) {
    onHostChanged(host);
    m_host = host;
}

afView* afView::getChildAt(int index) const {
    return index >= 0 && index < getChildCount() ? m_children[static_cast<size_t>(index)] : nullptr;
}

int afView::indexOfChild(const afView* child) const {
    const auto found = std::find(m_children.begin(), m_children.end(), child);
    return found == m_children.end() ? -1 : static_cast<int>(found - m_children.begin());
}

afView* afView::visibleSibling(int step) const {
    if (!m_parent)
        return nullptr;
    for (int i = m_parent->indexOfChild(this) + step; i >= 0 && i < m_parent->getChildCount(); i += step)
        if (m_parent->m_children[static_cast<size_t>(i)]->isVisible())
            return m_parent->m_children[static_cast<size_t>(i)];
    return nullptr;
}

afView* afView::getPreviousVisibleSibling() const {
    return visibleSibling(-1);
}

afView* afView::getNextVisibleSibling() const {
    return visibleSibling(1);
}

afWindow* afView::getWindow() const {
    for (afView* view = m_host; view; view = view->m_host)
        if (!(view->m_flags & FLAG_ATTACHED))
            return view->asWindow();
    return nullptr;
}

void afView::setTag(pel::Object* tag, bool owned) {
    if (tag == m_tag)
        return;
    if (m_tagOwned)
        delete m_tag;
    m_tag = tag;
    m_tagOwned = owned && tag;
}
