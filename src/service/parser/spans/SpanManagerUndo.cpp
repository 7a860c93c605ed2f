// The span tree in "Spans" undo records, and its debug text.

#include "service/parser/spans/SpanManager.h"

#include "pel/log/Log.h"
#include "pel/text/FormatString.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanHighlighter.h"
#include "service/parser/spans/SpanStream.h"

#include <vector>

namespace tessel {

namespace {

// Spans a record may hold: far more than any snippet makes.
constexpr int32_t MAX_SPANS = 1 << 22;

// Numbers the spans of the tree in pre-order, from 0; returns them in that order.
std::vector<Span*> numberSpans(SpanContext& root) {
    std::vector<Span*> spans;
    for (Span* span = &root; span; span = span->nextInTree(&root)) {
        span->setSerial(static_cast<int32_t>(spans.size()));
        spans.push_back(span);
    }
    return spans;
}

int32_t serialOf(const Span* span) { return span ? span->getSerial() : -1; }

void dumpTree(SpanContext& root, std::wstring& out) {
    out += pel::formatString(L"Span count = %d\n", static_cast<int32_t>(numberSpans(root).size()));
    for (Span* span = &root; span;) {
        out += pel::formatString(L" [%d, %d] PI=%d CI=%d", span->getStart(), span->getLength(),
                                 serialOf(span->getParent()), serialOf(span->getContext()));
        if (span->getFirstChild()) {
            out += L"   [[ ";
            span = span->getFirstChild();
            continue;
        }
        while (span != &root && !span->getNext()) {
            span = span->getParent();
            out += L" ]]\n";
        }
        span = span == &root ? nullptr : span->getNext();
    }
    if (out.back() != L'\n')
        out += L'\n';
}

} // namespace

void SpanManager::saveUndoState(Stream& record) {
    const std::vector<Span*> spans = numberSpans(*m_root);
    SpanWriter out;
    // The table and a record of a span without a name.
    out.reserve(spans.size() * 40 + 8);
    out.putInt(static_cast<int32_t>(spans.size()));
    for (Span* span : spans) {
        out.putInt(span->getClassTag());
        out.putInt(serialOf(span->m_parent));
        out.putInt(serialOf(span->m_context));
    }
    for (Span* span : spans)
        span->write(out);
    out.putInt(serialOf(m_current));
    out.flushTo(record);
}

SpanContext* SpanManager::readTree(SpanReader& in, int32_t& o_current) {
    int32_t count = 0;
    if (!in.getInt(count) || count < 1 || count > MAX_SPANS)
        return nullptr;
    std::unique_ptr<SpanContext> root;
    std::vector<Span*>& spans = in.spans();
    // Each span after its parent and its context, which is a context around it (or itself).
    for (int32_t i = 0; i < count; ++i) {
        int32_t tag = 0, parent = 0, context = 0;
        if (!in.getInt(tag) || !in.getInt(parent) || !in.getInt(context))
            return nullptr;
        if (i == 0) {
            if (tag != SPAN_CLASS_CONTEXT || parent != -1 || context != 0)
                return nullptr;
            root.reset(new SpanContext());
            spans.push_back(root.get());
            continue;
        }
        if (parent < 0 || parent >= i || context < 0 || context > i || (context == i) != (tag == SPAN_CLASS_CONTEXT))
            return nullptr;
        Span* outer = spans[static_cast<size_t>(context)];
        if (context < i && outer->m_context != outer)
            return nullptr;
        Span* span = Span::makeOfClass(tag);
        if (!span)
            return nullptr;
        spans[static_cast<size_t>(parent)]->linkChild(span, nullptr);
        spans.push_back(span);
        if (context == i)
            continue;
        const Span* around = span->m_parent;
        while (around && around != outer)
            around = around->m_parent;
        if (!around)
            return nullptr;
        span->m_context = static_cast<SpanContext*>(outer);
    }
    for (Span* span : spans)
        if (!span->read(in))
            return nullptr;
    if (!in.getInt(o_current) || o_current < -1 || o_current >= count)
        return nullptr;
    return root.release();
}

void SpanManager::restoreUndoState(Stream& record) {
    SpanReader in(record);
    int32_t current = -1;
    SpanContext* root = readTree(in, current);
    if (!root) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"SpanManager::restoreUndoState(): the span record is damaged; the spans are dropped\n");
        root = new SpanContext();
        current = -1;
    }
    replaceRoot(root, current >= 0 ? in.spans()[static_cast<size_t>(current)] : nullptr);
}

void SpanManager::replaceRoot(SpanContext* root, Span* current) {
    if (m_activeContext)
        m_activeContext->deactivate();
    m_current = nullptr;
    m_currentContext = nullptr;
    m_activeContext = nullptr;
    std::unique_ptr<SpanContext> old(m_root.release());
    m_root.reset(root);
    old->m_manager = nullptr;
    old.reset();
    m_root->m_manager = this;
    syncRootLength();
    setCurrentSpan(current);
    m_highlighter->refresh();
}

void SpanManager::dump(std::wstring& out) { dumpTree(*m_root, out); }

void SpanManager::dumpUndoState(Stream& record, std::wstring& out, const wchar_t* prefix) {
    SpanReader in(record);
    int32_t current = -1;
    std::unique_ptr<SpanContext> root(readTree(in, current));
    std::wstring text;
    if (root) {
        dumpTree(*root, text);
        text += pel::formatString(L"Current = %d\n", current);
    } else {
        text = L"Damaged span record\n";
    }
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(L'\n', start) + 1;
        out.append(prefix).append(text, start, end - start);
        start = end;
    }
}

} // namespace tessel
