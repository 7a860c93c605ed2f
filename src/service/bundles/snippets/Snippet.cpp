#include "service/bundles/snippets/Snippet.h"

#include <limits>

namespace tessel {

namespace {

// The decimal value of a run of digits; -1 for anything else or beyond 32 bits.
int32_t tabStopNumber(const std::wstring& name) {
    if (name.empty())
        return -1;
    int64_t value = 0;
    for (wchar_t unit : name) {
        if (unit < L'0' || unit > L'9')
            return -1;
        value = value * 10 + (unit - L'0');
        if (value > std::numeric_limits<int32_t>::max())
            return -1;
    }
    return static_cast<int32_t>(value);
}

bool isDigits(const std::wstring& name) {
    return !name.empty() && name.find_first_not_of(L"0123456789") == std::wstring::npos;
}

} // namespace

void SnippetActiveNode::append(std::unique_ptr<SnippetNode> child) {
    child->parent = this;
    children.push_back(std::move(child));
}

int SnippetActiveNode::rank() const {
    if (isTransformation())
        return RANK_TRANSFORMATION;
    return children.empty() ? RANK_PLAIN : RANK_PLACEHOLDER;
}

Snippet::Snippet() = default;

Snippet::~Snippet() = default;

void Snippet::registerNode(SnippetActiveNode* node) {
    if (!isDigits(node->name)) {
        node->isVariable = true;
        node->number = -1;
        addMirror(node);
        return;
    }
    node->number = tabStopNumber(node->name);
    const auto known = m_masterIndex.find(node->number);
    if (known == m_masterIndex.end()) {
        node->kind = SnippetNode::KIND_MASTER;
        node->index = static_cast<int32_t>(m_masters.size());
        m_masters.push_back(node);
        m_masterIndex.emplace(node->number, node->index);
        return;
    }
    SnippetActiveNode*& master = m_masters[static_cast<size_t>(known->second)];
    if (!node->isTransformation() && node->rank() > master->rank()) {
        SnippetActiveNode* former = master;
        node->kind = SnippetNode::KIND_MASTER;
        node->index = known->second;
        master = node;
        addMirror(former);
        return;
    }
    addMirror(node);
}

void Snippet::addMirror(SnippetActiveNode* node) {
    node->kind = SnippetNode::KIND_MIRROR;
    node->index = static_cast<int32_t>(m_mirrors.size());
    m_mirrors.push_back(node);
    if (node->number != -1)
        m_mirrorIndex.emplace(node->number, node->index);
}

const SnippetActiveNode* Snippet::findMaster(int32_t number) const {
    const auto known = m_masterIndex.find(number);
    return known == m_masterIndex.end() ? nullptr : m_masters[static_cast<size_t>(known->second)];
}

std::vector<int32_t> Snippet::findMirrors(int32_t number) const {
    std::vector<int32_t> indexes;
    const auto range = m_mirrorIndex.equal_range(number);
    for (auto at = range.first; at != range.second; ++at)
        indexes.push_back(at->second);
    return indexes;
}

} // namespace tessel
