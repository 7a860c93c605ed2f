// The span manager's edits, current span, contexts and tab stops.

#include "service/parser/spans/SpanManager.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/ScopePath.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanHighlighter.h"

#include <algorithm>
#include <vector>

namespace tessel {

SpanManager::SpanManager(DocumentController& controller) : m_controller(controller), m_root(new SpanContext()) {
    m_root->m_manager = this;
    syncRootLength();
    m_highlighter.reset(new SpanHighlighter(controller));
    setCurrentSpan(m_root.get());
}

SpanManager::~SpanManager() {
    // The highlighter lets go of the spans and of the controller; the tree then goes quietly.
    m_highlighter.reset();
    m_current = nullptr;
    m_currentContext = nullptr;
    m_activeContext = nullptr;
    m_root->m_manager = nullptr;
    m_root.reset();
}

void SpanManager::install(DocumentControllerManager& controllers) {
    controllers.setSpanManagerFactory(
        [](DocumentController& controller) { return std::unique_ptr<ISpanManager>(new SpanManager(controller)); });
}

void SpanManager::syncRootLength() {
    m_root->m_start = 0;
    m_root->m_length = m_controller.getDocument().getLength();
}

int32_t SpanManager::countSpans() const {
    int32_t count = 0;
    for (const Span* span = m_root.get(); span; span = span->nextInTree(m_root.get()))
        ++count;
    return count;
}

// ---- edits

int32_t SpanManager::onInsert(int32_t position, int32_t length, const wchar_t* text) {
    Document& document = m_controller.getDocument();
    position = std::max(0, std::min(position, document.getLength()));
    if (length <= 0 || !text)
        return position;
    Span* target = leaveSpansOutside(position, position);
    for (Span* child = target->m_firstChild; child;) {
        if (child->m_start < position && position < child->getEnd()) {
            target = child;
            child = child->m_firstChild;
        } else {
            child = child->m_next;
        }
    }
    const int32_t startBefore = target->m_start;
    document.insert(position, length, text);
    // Children from the position on follow their text; the target and its ancestors grow,
    // which moves every span after them.
    for (Span* child = target->m_firstChild; child; child = child->m_next)
        if (child->m_start >= position)
            child->moveBy(length);
    target->setLength(target->m_length + length);
    target->syncMirrors(m_controller);
    syncRootLength();
    return position + (Span::isLive(target) ? target->m_start - startBefore : 0);
}

int32_t SpanManager::onRemove(int32_t position, int32_t length) {
    Document& document = m_controller.getDocument();
    if (position < 0 || position >= document.getLength())
        return std::max(0, std::min(position, document.getLength()));
    length = std::min(length, document.getLength() - position);
    if (length <= 0)
        return position;
    const int32_t end = position + length;
    Span* target = innermostHolding(position, end);
    const int32_t startBefore = target->m_start;
    document.remove(position, length);
    // Both ends of every span below the target map through the cut: what lay in it is left
    // empty where the cut was.
    const auto map = [position, end, length](int32_t offset) {
        return offset <= position ? offset : offset >= end ? offset - length : position;
    };
    for (Span* span = target->m_firstChild; span; span = span->nextInTree(target)) {
        const int32_t oldStart = span->m_start;
        const int32_t oldLength = span->m_length;
        const int32_t newStart = map(oldStart);
        const int32_t newLength = map(oldStart + oldLength) - newStart;
        if (newStart == oldStart && newLength == oldLength)
            continue;
        span->m_start = newStart;
        span->m_length = newLength;
        span->noteMoved(oldStart, oldLength);
    }
    target->setLength(target->m_length - length);
    target->syncMirrors(m_controller);
    syncRootLength();
    return position + (Span::isLive(target) ? target->m_start - startBefore : 0);
}

// ---- the current span and contexts

Span* SpanManager::innermostHolding(int32_t first, int32_t last) {
    Span* span = leaveSpansOutside(first, last);
    for (Span* child = span->m_firstChild; child;) {
        if (child->m_start <= first && last <= child->getEnd()) {
            span = child;
            child = child->m_firstChild;
        } else {
            child = child->m_next;
        }
    }
    return span;
}

Span* SpanManager::leaveSpansOutside(int32_t first, int32_t last) {
    syncRootLength();
    SpanContext* root = m_root.get();
    Span* span = m_current ? m_current : root;
    while (span != root && !(span->m_start <= first && last <= span->getEnd())) {
        Span* parent = span->m_parent;
        setCurrentSpan(parent);
        // A kept context (and what lies in it) stays: the caret only leaves it.
        const SpanContext* context = span->m_context;
        const bool kept = context && (context->m_contextFlags & SpanContext::KEPT);
        if (!kept && parent == root)
            clearRootChildren();
        else if (!kept)
            span->destroy();
        span = parent;
    }
    if (m_current != span)
        setCurrentSpan(span);
    return span;
}

void SpanManager::clearRootChildren() {
    for (Span* child = m_root->m_lastChild; child;) {
        Span* previous = child->m_previous;
        const SpanContext* context = child->m_context;
        if (!(context == child && (context->m_contextFlags & SpanContext::KEPT)))
            child->destroy();
        child = previous;
    }
}

void SpanManager::setCurrentSpan(Span* span) {
    if (!span)
        span = m_root.get();
    SpanContext* context = span->m_context ? span->m_context : m_root.get();
    if (m_current && m_currentContext && m_currentContext != context)
        m_currentContext->leave(m_current);
    m_current = span;
    m_currentContext = context;
    context->enter(span);
    SpanContext* active = context;
    while (active && !(active->m_contextFlags & SpanContext::CAN_BE_ACTIVE))
        active = active->m_parent ? active->m_parent->m_context : nullptr;
    if (active == m_activeContext)
        return;
    if (m_activeContext)
        m_activeContext->deactivate();
    m_activeContext = active;
    if (active)
        active->activate();
}

void SpanManager::spansLeaving(Span& subtree) {
    if (!m_deferredMoves.empty())
        for (Span* span = &subtree; span; span = span->nextInTree(&subtree))
            m_deferredMoves.erase(span);
    for (const Span* span = m_current; span; span = span->m_parent) {
        if (span == &subtree) {
            setCurrentSpan(subtree.m_parent);
            return;
        }
    }
}

// ---- deferred moves

void SpanManager::endDeferredMoves() {
    if (m_deferDepth > 0)
        --m_deferDepth;
    applyDeferredMoves();
}

void SpanManager::applyDeferredMoves() {
    if (m_deferredMoves.empty())
        return;
    std::unordered_map<Span*, int32_t> moves;
    moves.swap(m_deferredMoves);
    // Pre-order, carrying per level what the earlier siblings (and the levels above) moved.
    struct Level {
        Span* next;
        int32_t carry;
    };
    std::vector<Level> levels{{m_root->m_firstChild, 0}};
    while (!levels.empty()) {
        Span* span = levels.back().next;
        if (!span) {
            levels.pop_back();
            continue;
        }
        const int32_t shift = levels.back().carry;
        levels.back().next = span->m_next;
        const auto found = moves.find(span);
        if (found != moves.end())
            levels.back().carry += found->second;
        if (shift != 0) {
            const int32_t oldStart = span->m_start;
            span->m_start += shift;
            span->noteMoved(oldStart, span->m_length);
        }
        if (span->m_firstChild)
            levels.push_back({span->m_firstChild, shift});
    }
}

Span* SpanManager::leaveContext(SpanContext* context) {
    SpanContext* root = m_root.get();
    if (context == root) {
        setCurrentSpan(root);
        root->clearChildren();
        return root;
    }
    if (!context || !context->m_parent || context->getManager() != this)
        return m_current;
    Span* parent = context->m_parent;
    setCurrentSpan(parent);
    context->destroy();
    return parent;
}

void SpanManager::reset(int32_t documentLength) {
    if (m_activeContext)
        m_activeContext->deactivate();
    m_current = nullptr;
    m_currentContext = nullptr;
    m_activeContext = nullptr;
    m_root->clearChildren();
    m_root->m_tabStops.clear();
    m_root->m_currentTabStop = nullptr;
    m_root->m_start = 0;
    m_root->m_length = std::max(0, documentLength);
    setCurrentSpan(m_root.get());
    m_highlighter->refresh();
}

void SpanManager::appendScopes(ScopePath& path) {
    for (const Span* span = m_current; span; span = span->m_parent)
        if (!span->m_name.empty())
            path.push(static_cast<uint32_t>(span->m_name.size()), span->m_name.c_str(), false, 0);
}

// ---- tab stops

bool SpanManager::gotoTabStop(bool forward) {
    SpanContext* snippet = m_currentContext;
    while (snippet && !(snippet->m_contextFlags & SpanContext::TAB_NAVIGABLE))
        snippet = snippet->m_parent ? snippet->m_parent->m_context : nullptr;
    if (!snippet || snippet == m_root.get() || snippet->m_tabStops.empty())
        return false;
    const auto enabled = [](const std::pair<const int32_t, std::unique_ptr<TabStop>>& entry) {
        return entry.first > 0 && entry.second->primary && entry.second->primary->isEnabled();
    };
    const auto& stops = snippet->m_tabStops;
    const int32_t from = snippet->m_currentTabStop ? snippet->m_currentTabStop->index : 0;
    TabStop* chosen = nullptr;
    if (forward) {
        for (auto entry = stops.upper_bound(from); entry != stops.end() && !chosen; ++entry)
            if (enabled(*entry))
                chosen = entry->second.get();
        // Past the last numbered stop: the final one, where the snippet ends.
        const auto final = stops.find(0);
        if (!chosen && final != stops.end() && final->second->primary)
            chosen = final->second.get();
    } else if (from > 0) {
        for (auto entry = std::make_reverse_iterator(stops.lower_bound(from)); entry != stops.rend() && !chosen;
             ++entry)
            if (enabled(*entry))
                chosen = entry->second.get();
    }
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_EDIT);
    DocumentController::SelectionChange bracket(m_controller);
    Selection& selection = m_controller.getSelection();
    if (!chosen) {
        const int32_t end = snippet->getEnd();
        leaveContext(snippet);
        selection.setCaretOffset(end);
        return true;
    }
    Span* primary = chosen->primary;
    const int32_t start = primary->m_start;
    const int32_t end = primary->getEnd();
    const bool final = chosen->index == 0;
    selection.collapse();
    setCurrentSpan(primary);
    snippet->m_currentTabStop = chosen;
    selection.setOffsets(start, end, selection_ids::NORMAL);
    if (final)
        leaveContext(snippet);
    return true;
}

bool SpanManager::leaveActiveContext() {
    SpanContext* context = m_activeContext;
    if (!context || context == m_root.get())
        return false;
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_EDIT);
    leaveContext(context);
    return true;
}

} // namespace tessel
