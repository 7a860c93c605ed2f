#include "service/parser/spans/SpanHighlighter.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/spans/Span.h"

#include <algorithm>

namespace tessel {

namespace {

void unpack(uint32_t packed, float (&colour)[4]) {
    const ThemeColour channels = DocumentTheme::unpackColour(packed);
    colour[0] = channels.red;
    colour[1] = channels.green;
    colour[2] = channels.blue;
    colour[3] = channels.alpha;
}

} // namespace

SpanHighlighter::SpanHighlighter(DocumentController& controller) : m_controller(controller) {
    HighlightStyle style;
    unpack(FIRST_COLOUR, style.foreground);
    unpack(SECOND_COLOUR, style.background);
    setStyle(style);
    m_controller.addSpanHighlighter(this);
}

SpanHighlighter::~SpanHighlighter() {
    for (Span* span : m_spans)
        span->m_highlighter = nullptr;
    m_controller.removeSpanHighlighter(this);
}

void SpanHighlighter::repaint(int32_t start, int32_t end) {
    const int32_t length = m_controller.getDocument().getLength();
    m_controller.invalidateRange(std::max(0, std::min(start, length)), std::max(0, std::min(end, length)));
}

void SpanHighlighter::addSpan(Span* span) {
    if (!span || span->m_highlighter == this)
        return;
    if (span->m_highlighter)
        span->m_highlighter->removeSpan(span);
    m_spans.push_back(span);
    span->m_highlighter = this;
    m_rebuild = true;
    repaint(span->getStart(), span->getEnd());
}

void SpanHighlighter::removeSpan(Span* span) {
    if (!span || span->m_highlighter != this)
        return;
    forgetSpan(span);
    repaint(span->getStart(), span->getEnd());
}

void SpanHighlighter::forgetSpan(Span* span) {
    m_spans.erase(std::remove(m_spans.begin(), m_spans.end(), span), m_spans.end());
    span->m_highlighter = nullptr;
    m_rebuild = true;
}

void SpanHighlighter::clear() {
    DocumentController::SelectionChange bracket(m_controller);
    while (!m_spans.empty())
        removeSpan(m_spans.back());
}

void SpanHighlighter::refresh() {
    DocumentController::SelectionChange bracket(m_controller);
    for (const Span* span : m_spans)
        repaint(span->getStart(), span->getEnd());
}

void SpanHighlighter::spanMoved(const Span& span, int32_t oldStart, int32_t oldLength) {
    m_rebuild = true;
    DocumentController::SelectionChange bracket(m_controller);
    repaint(oldStart, oldStart + oldLength);
    repaint(span.getStart(), span.getEnd());
}

void SpanHighlighter::update(int /*line*/, LineAttributes& attributes, int first, int last) {
    if (m_rebuild) {
        DocumentController::SelectionChange bracket(m_controller);
        for (const auto& range : m_drawn)
            repaint(range.first, range.second);
        m_drawn.clear();
        for (const Span* span : m_spans)
            m_drawn.insert(std::make_pair(span->getStart(), span->getEnd()));
        m_rebuild = false;
    }
    const uint32_t bit = getBit();
    for (const auto& range : m_drawn) {
        if (range.first > last)
            break;
        if (range.first == range.second) {
            if (range.first >= first)
                markAttributeRange(attributes, range.first - first, range.first - first, bit);
        } else if (range.second > first && range.first < last) {
            // Columns of the line only: a range may start on a line before it or end after it.
            markAttributeRange(attributes, std::max(range.first, first) - first, std::min(range.second, last) - first,
                               bit);
        }
    }
}

} // namespace tessel
