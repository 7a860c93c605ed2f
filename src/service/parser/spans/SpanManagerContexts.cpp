// The span manager's contexts of ranges: the ranges of a multi-range edit, a search area.

#include "service/parser/spans/SpanManager.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/spans/SpanContext.h"

#include <algorithm>

namespace tessel {

Span* SpanManager::createSpanContext(const std::vector<SelectionRange>& ranges, const std::wstring& name,
                                     uint32_t contextFlags) {
    if (ranges.empty())
        return nullptr;
    const int32_t length = m_controller.getDocument().getLength();
    const auto clamp = [length](int32_t offset) { return std::max(0, std::min(offset, length)); };
    int32_t low = length;
    int32_t high = 0;
    for (const SelectionRange& range : ranges) {
        low = std::min(low, clamp(range.lower()));
        high = std::max(high, clamp(range.upper()));
    }
    Span* parent = innermostHolding(low, high);
    // Siblings never overlap: what the context would cut into goes.
    for (Span* child = parent->m_firstChild; child;) {
        Span* next = child->m_next;
        if (child->m_start < high && low < child->getEnd())
            child->destroy();
        child = next;
    }
    auto* context = new SpanContext(nullptr, name);
    context->m_contextFlags = contextFlags;
    context->m_length = high - low;
    parent->appendChild(context, low, false, nullptr);
    Span* newest = nullptr;
    for (const SelectionRange& range : ranges) {
        const int32_t start = clamp(range.lower());
        auto* span = new Span(clamp(range.upper()) - start);
        span->m_rangeId = range.id;
        span->m_direction = range.start > range.end ? -1 : range.start == range.end ? 0 : 1;
        context->appendChild(span, start, false, nullptr);
        if (!newest || range.id > newest->m_rangeId)
            newest = span;
    }
    return newest;
}

Span* SpanManager::getContextOf(Span* span) { return span ? span->getContext() : nullptr; }

void SpanManager::getChildren(Span* span, std::vector<Span*>& o_children) {
    o_children.clear();
    for (Span* child = span ? span->m_firstChild : nullptr; child; child = child->m_next)
        o_children.push_back(child);
}

SpanExtent SpanManager::getExtent(const Span* span) const {
    SpanExtent extent;
    if (span) {
        extent.start = span->m_start;
        extent.length = span->m_length;
        extent.direction = span->m_direction;
        extent.rangeId = span->m_rangeId;
    }
    return extent;
}

void SpanManager::bindTabStop(Span* span, int32_t index) {
    if (span && span->m_context && span->m_context != span)
        span->m_context->bindTabStop(span, index);
}

void SpanManager::replaceSpanText(Span* span, int32_t length, const wchar_t* text) {
    if (!span)
        return;
    span->replaceText(m_controller, length, text);
    syncRootLength();
}

void SpanManager::leaveSpanContext(Span* context) {
    if (context && context->getContext() == context)
        leaveContext(static_cast<SpanContext*>(context));
}

void SpanManager::destroySpan(Span* span) {
    if (span && span != m_root.get() && span->getManager() == this)
        span->destroy();
}

Span* SpanManager::findContext(const std::wstring& name) {
    SpanContext* root = m_root.get();
    for (Span* span = root->m_firstChild; span; span = span->nextInTree(root))
        if (span->m_context == span && span->m_name == name)
            return span;
    return nullptr;
}

} // namespace tessel
