#include "service/parser/spans/SpanContext.h"

#include "pel/log/Log.h"
#include "service/parser/spans/SpanHighlighter.h"
#include "service/parser/spans/SpanManager.h"
#include "service/parser/spans/SpanStream.h"

#include <algorithm>

namespace tessel {

SpanContext::SpanContext(Span* parent, const std::wstring& name, int32_t position) : Span(0, name) {
    m_context = this;
    if (parent)
        parent->appendChild(this, position, false, nullptr);
}

SpanContext::~SpanContext() {
    try {
        deleteChildren();
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"SpanContext::~SpanContext(): a span could not leave its tab stop\n");
    }
    m_currentTabStop = nullptr;
}

// ---- tab stops

TabStop* SpanContext::findTabStop(int32_t index, bool create) {
    if (index < 0)
        return nullptr;
    const auto found = m_tabStops.find(index);
    if (found != m_tabStops.end())
        return found->second.get();
    if (!create)
        return nullptr;
    std::unique_ptr<TabStop>& stop = m_tabStops[index];
    stop.reset(new TabStop());
    stop->index = index;
    return stop.get();
}

const TabStop* SpanContext::findTabStop(int32_t index) const {
    const auto found = m_tabStops.find(index);
    return found != m_tabStops.end() ? found->second.get() : nullptr;
}

void SpanContext::bindTabStop(Span* span, int32_t index) {
    if (!span || index < 0 || (span->m_context && span->m_context != this))
        return;
    if (span->m_tabStop >= 0)
        unbindSpan(span);
    span->m_context = this;
    TabStop* stop = findTabStop(index, true);
    span->m_tabStop = index;
    stop->spans.push_back(span);
    if (stop->primary)
        return;
    stop->primary = span;
    if (m_contextFlags & HIGHLIGHTED)
        if (SpanManager* manager = getManager())
            manager->getHighlighter().addSpan(span);
}

void SpanContext::unbindSpan(Span* span) {
    if (!span || span->m_tabStop < 0)
        return;
    const auto found = m_tabStops.find(span->m_tabStop);
    span->m_tabStop = -1;
    if (found == m_tabStops.end())
        return;
    TabStop& stop = *found->second;
    if (stop.primary != span) {
        stop.spans.erase(std::remove(stop.spans.begin(), stop.spans.end(), span), stop.spans.end());
        return;
    }
    // The stop goes with its primary: what copied it keeps its text as plain spans.
    for (Span* each : stop.spans)
        each->m_tabStop = -1;
    if (m_currentTabStop == &stop)
        m_currentTabStop = nullptr;
    if (span->m_highlighter)
        span->m_highlighter->removeSpan(span);
    m_tabStops.erase(found);
}

void SpanContext::syncAllMirrors(DocumentController& controller) {
    std::vector<int32_t> indexes;
    for (const auto& entry : m_tabStops)
        indexes.push_back(entry.first);
    for (int32_t index : indexes)
        if (TabStop* stop = findTabStop(index, false))
            if (stop->primary)
                stop->primary->syncMirrors(controller);
}

// ---- the caret

void SpanContext::enter(Span* span) {
    if (span && span->m_context == this && span->isPrimary())
        m_currentTabStop = findTabStop(span->m_tabStop, false);
}

void SpanContext::leave(Span*) {}

void SpanContext::activate() {
    m_contextFlags |= HIGHLIGHTED;
    if (SpanManager* manager = getManager())
        for (const auto& entry : m_tabStops)
            if (entry.second->primary)
                manager->getHighlighter().addSpan(entry.second->primary);
}

void SpanContext::deactivate() {
    m_contextFlags &= ~HIGHLIGHTED;
    if (SpanManager* manager = getManager())
        for (const auto& entry : m_tabStops)
            if (entry.second->primary)
                manager->getHighlighter().removeSpan(entry.second->primary);
}

// ---- records

void SpanContext::write(SpanWriter& out) const {
    Span::write(out);
    out.putInt(static_cast<int32_t>(m_tabStops.size()));
    if (!m_tabStops.empty()) {
        for (const auto& entry : m_tabStops) {
            out.putInt(entry.first);
            out.putInt(static_cast<int32_t>(entry.second->spans.size()));
            for (const Span* span : entry.second->spans)
                out.putInt(span->getSerial());
        }
        out.putInt(m_currentTabStop ? m_currentTabStop->index : -1);
    }
    out.putInt(static_cast<int32_t>(m_contextFlags));
}

bool SpanContext::read(SpanReader& in) {
    int32_t count = 0;
    if (!Span::read(in) || !in.getInt(count))
        return false;
    const auto spanCount = static_cast<int32_t>(in.spans().size());
    if (count < 0 || count > spanCount)
        return in.fail();
    int32_t previous = -1;
    for (int32_t i = 0; i < count; ++i) {
        int32_t index = 0, size = 0;
        if (!in.getInt(index) || !in.getInt(size))
            return false;
        if (index <= previous || size < 1 || size > spanCount)
            return in.fail();
        previous = index;
        TabStop* stop = findTabStop(index, true);
        for (int32_t j = 0; j < size; ++j) {
            int32_t serial = 0;
            if (!in.getInt(serial))
                return false;
            Span* span = in.spanOfSerial(serial);
            // A span of this context, in one stop only.
            if (!span || span->m_context != this || span->m_tabStop != -1)
                return in.fail();
            span->m_tabStop = index;
            stop->spans.push_back(span);
        }
        stop->primary = stop->spans.front();
    }
    if (count > 0) {
        int32_t current = -1;
        if (!in.getInt(current))
            return false;
        m_currentTabStop = findTabStop(current, false);
        if (current != -1 && !m_currentTabStop)
            return in.fail();
    }
    int32_t flags = 0;
    if (!in.getInt(flags))
        return false;
    // Tinting is the manager's to give, once the tree is in place.
    m_contextFlags = static_cast<uint32_t>(flags) & ~HIGHLIGHTED;
    return true;
}

} // namespace tessel
