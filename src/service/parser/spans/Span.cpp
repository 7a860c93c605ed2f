// The span tree: links, offsets as the text changes, mirrors, records and the spans alive.

#include "service/parser/spans/Span.h"

#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanHighlighter.h"
#include "service/parser/spans/SpanManager.h"
#include "service/parser/spans/SpanStream.h"
#include "service/parser/spans/SpanTransformation.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <vector>

namespace tessel {

namespace {

std::unordered_set<const Span*>& liveSpans() {
    static std::unordered_set<const Span*> spans;
    return spans;
}

// Whether inner lies in the subtree of top (or is top).
bool isWithin(const Span* inner, const Span* top) {
    for (const Span* span = inner; span; span = span->getParent())
        if (span == top)
            return true;
    return false;
}

} // namespace

Span::Span(int32_t length, const std::wstring& name) : m_length(length < 0 ? 0 : length), m_name(name) {
    liveSpans().insert(this);
}

Span::~Span() {
    try {
        deleteChildren();
        if (m_highlighter)
            m_highlighter->forgetSpan(this);
        if (m_context && m_context != this && m_tabStop >= 0 && isLive(m_context))
            m_context->unbindSpan(this);
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"Span::~Span(): a span could not leave its tab stop\n");
    }
    liveSpans().erase(this);
}

Span* Span::makeOfClass(int32_t tag) {
    switch (tag) {
    case SPAN_CLASS_SPAN:
        return new Span();
    case SPAN_CLASS_CONTEXT:
        return new SpanContext();
    case SPAN_CLASS_TRANSFORMATION:
        return new SpanTransformation();
    default:
        return nullptr;
    }
}

size_t Span::liveCount() { return liveSpans().size(); }

bool Span::isLive(const Span* span) { return span && liveSpans().count(span) != 0; }

void Span::destroy() {
    if (m_parent)
        m_parent->removeChild(this);
    delete this;
}

void Span::deleteChildren() {
    // Leaves first, without recursion: a deep tree costs no stack.
    while (m_lastChild) {
        Span* leaf = m_lastChild;
        while (leaf->m_lastChild)
            leaf = leaf->m_lastChild;
        leaf->m_parent->unlinkChild(leaf);
        delete leaf;
    }
}

// ---- links

void Span::linkChild(Span* child, Span* before) {
    child->m_parent = this;
    child->m_next = before;
    child->m_previous = before ? before->m_previous : m_lastChild;
    (child->m_previous ? child->m_previous->m_next : m_firstChild) = child;
    (before ? before->m_previous : m_lastChild) = child;
    ++m_childCount;
}

void Span::unlinkChild(Span* child) {
    (child->m_previous ? child->m_previous->m_next : m_firstChild) = child->m_next;
    (child->m_next ? child->m_next->m_previous : m_lastChild) = child->m_previous;
    child->m_parent = child->m_next = child->m_previous = nullptr;
    --m_childCount;
}

Span* Span::nextInTree(const Span* top) const {
    if (m_firstChild)
        return m_firstChild;
    for (const Span* span = this; span && span != top; span = span->m_parent)
        if (span->m_next)
            return span->m_next;
    return nullptr;
}

SpanManager* Span::getManager() const {
    const Span* top = this;
    while (top->m_parent)
        top = top->m_parent;
    // Only a context points at itself as its context.
    return top->m_context == top ? static_cast<const SpanContext*>(top)->m_manager : nullptr;
}

void Span::appendChild(Span* child, int32_t position, bool insertText, const wchar_t* text) {
    if (!child || child->m_parent || isWithin(this, child))
        return;
    if (position < 0)
        position = m_lastChild ? m_lastChild->getEnd() : m_start;
    Span* before = m_firstChild;
    while (before && before->m_start <= position)
        before = before->m_next;
    if (!child->m_context && m_context)
        for (Span* span = child; span; span = span->nextInTree(child))
            if (!span->m_context)
                span->m_context = m_context;
    child->setStart(position);
    linkChild(child, before);
    const int32_t length = child->m_length;
    if (!insertText || length <= 0)
        return;
    // Without a manager there is no document: the offsets still make room for the text.
    if (SpanManager* manager = getManager())
        if (text)
            manager->getController().getDocument().insert(position, length, text, true);
    for (Span* later = before; later; later = later->m_next)
        later->moveBy(length);
    setLength(m_length + length);
}

void Span::removeChild(Span* child) {
    if (!child || child->m_parent != this)
        return;
    if (SpanManager* manager = getManager())
        manager->spansLeaving(*child);
    // The subtree keeps no bond to what stays in the tree: tab stops of contexts around it, the
    // highlighter.
    for (Span* span = child; span; span = span->nextInTree(child)) {
        if (span->m_highlighter)
            span->m_highlighter->removeSpan(span);
        if (span->m_context && !isWithin(span->m_context, child)) {
            if (span->m_tabStop >= 0)
                span->m_context->unbindSpan(span);
            span->m_context = nullptr;
        }
    }
    unlinkChild(child);
}

void Span::clearChildren() {
    while (m_lastChild)
        m_lastChild->destroy();
}

// ---- offsets

void Span::noteMoved(int32_t oldStart, int32_t oldLength) {
    if (m_highlighter)
        m_highlighter->spanMoved(*this, oldStart, oldLength);
}

void Span::moveBy(int32_t delta) {
    if (delta == 0)
        return;
    for (Span* span = this; span; span = span->nextInTree(this)) {
        const int32_t oldStart = span->m_start;
        span->m_start += delta;
        span->noteMoved(oldStart, span->m_length);
    }
}

void Span::setStart(int32_t newStart) { moveBy(newStart - m_start); }

void Span::setLength(int32_t newLength) {
    const int32_t delta = (newLength < 0 ? 0 : newLength) - m_length;
    if (delta == 0)
        return;
    SpanManager* manager = getManager();
    const bool deferred = manager && manager->defersMoves();
    for (Span* span = this; span; span = span->m_parent) {
        const int32_t oldLength = span->m_length;
        span->m_length += delta;
        span->noteMoved(span->m_start, oldLength);
        if (deferred && span->m_next)
            manager->deferMove(span, delta);
        else if (!deferred)
            for (Span* later = span->m_next; later; later = later->m_next)
                later->moveBy(delta);
    }
}

// ---- text and mirrors

void Span::replaceText(DocumentController& controller, int32_t newLength, const wchar_t* text) {
    // The children lie in the text that goes.
    clearChildren();
    if (newLength < 0 || !text)
        newLength = 0;
    Document& document = controller.getDocument();
    if (m_length > 0)
        document.remove(m_start, m_length, true);
    if (newLength > 0)
        document.insert(m_start, newLength, text, true);
    setLength(newLength);
    syncMirrors(controller);
}

bool Span::isPrimary() const {
    if (m_tabStop < 0 || !m_context)
        return false;
    const TabStop* stop = static_cast<const SpanContext*>(m_context)->findTabStop(m_tabStop);
    return stop && stop->primary == this;
}

void Span::syncMirrors(DocumentController& controller) {
    for (Span* span = this; span;) {
        Span* up = span->m_parent;
        span->syncOwnTabStop(controller);
        span = isLive(up) ? up : nullptr;
    }
}

void Span::syncOwnTabStop(DocumentController& controller) {
    SpanContext* context = m_context;
    const int32_t index = m_tabStop;
    TabStop* stop = context && index >= 0 ? context->findTabStop(index, false) : nullptr;
    if (!stop || stop->primary != this || stop->syncing)
        return;
    SpanManager* manager = getManager();
    if (manager)
        manager->applyDeferredMoves();
    const std::wstring text = controller.getDocument().getText(m_start, m_length);
    const auto length = static_cast<int32_t>(text.size());
    // The mirrors last first, in the tree's order (a copy: rewriting a mirror can destroy
    // others nested in it, or this span itself).
    std::vector<Span*> mirrors;
    if (manager) {
        Span* root = &manager->getRoot();
        for (Span* span = root; span; span = span->nextInTree(root))
            if (span != this && span->m_context == context && span->m_tabStop == index)
                mirrors.push_back(span);
        std::reverse(mirrors.begin(), mirrors.end());
        manager->beginDeferredMoves();
    } else {
        mirrors.assign(stop->spans.begin() + 1, stop->spans.end());
    }
    stop->syncing = true;
    for (Span* span : mirrors) {
        if (!isLive(this))
            break; // and its tab stop with it
        if (isLive(span) && span->m_context == context && span->m_tabStop == index)
            span->replaceText(controller, length, text.c_str());
    }
    if (manager)
        manager->endDeferredMoves();
    if (!isLive(this))
        return;
    stop = context->findTabStop(index, false);
    if (stop && stop->primary == this)
        stop->syncing = false;
}

// ---- records

void Span::write(SpanWriter& out) const {
    out.putText(m_name);
    out.putInt(m_start);
    out.putInt(m_length);
    out.putInt(m_rangeId);
    out.putInt(m_direction);
    out.putInt(m_tabStop);
    out.putInt((isEnabled() ? RECORD_ENABLED : 0) | (isPrimary() ? RECORD_PRIMARY : 0));
}

bool Span::read(SpanReader& in) {
    int32_t start, length, rangeId, direction, tabStop, flags;
    if (!in.getText(m_name) || !in.getInt(start) || !in.getInt(length) || !in.getInt(rangeId) ||
        !in.getInt(direction) || !in.getInt(tabStop) || !in.getInt(flags))
        return false;
    if (start < 0 || length < 0 || start > std::numeric_limits<int32_t>::max() - length || tabStop < -1)
        return in.fail();
    m_start = start;
    m_length = length;
    m_rangeId = rangeId;
    m_direction = direction;
    setEnabled((flags & RECORD_ENABLED) != 0);
    // Listed by the context's record under the same stop, or (a primary) under none yet.
    if (m_tabStop != -1 && m_tabStop != tabStop)
        return in.fail();
    if (tabStop < 0)
        return true;
    // The context's record listed the stop's spans; the flag names its primary.
    TabStop* stop = m_context ? m_context->findTabStop(tabStop, (flags & RECORD_PRIMARY) != 0) : nullptr;
    if (!stop)
        return in.fail();
    const auto listed = std::find(stop->spans.begin(), stop->spans.end(), this);
    if (listed == stop->spans.end() && !(flags & RECORD_PRIMARY))
        return in.fail();
    if (flags & RECORD_PRIMARY) {
        if (listed != stop->spans.end())
            stop->spans.erase(listed);
        stop->spans.insert(stop->spans.begin(), this);
        stop->primary = this;
    }
    m_tabStop = tabStop;
    return true;
}

} // namespace tessel
