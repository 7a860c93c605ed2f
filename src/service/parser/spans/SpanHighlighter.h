#pragma once
// The highlight layer of the active snippet: tints the primary span of each of its tab stops.
// It keeps the spans it lists and the document ranges it drew last; whenever a listed span
// comes, goes or moves, the old and the new range are repainted and the drawn ranges are
// rebuilt at the next paint. Repaints are asked of the controller, never drawn here. Registers
// with its controller while it lives. Main thread only.

#include "service/document/TextHighlighter.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace tessel {

class DocumentController;
class Span;

class SpanHighlighter : public TextHighlighter {
public:
    // Packed RGBA colours (red in the low byte) of the tint: the first and the second colour.
    static constexpr uint32_t FIRST_COLOUR = 0x4000CCCC;
    static constexpr uint32_t SECOND_COLOUR = 0x00FFFFFF;

    explicit SpanHighlighter(DocumentController& controller);
    ~SpanHighlighter() override;
    SpanHighlighter(const SpanHighlighter&) = delete;
    SpanHighlighter& operator=(const SpanHighlighter&) = delete;

    // Marks the drawn ranges on document line `line`, whose characters are the offsets
    // [first, last): a range by its columns within the line, an empty one as a position.
    void update(int line, LineAttributes& attributes, int first, int last) override;

    // Listing and unlisting a span repaint its range [start, start + length].
    void addSpan(Span* span);
    void removeSpan(Span* span);
    // Unlists every span.
    void clear();
    // Repaints every listed span, as one change of the controller's selection.
    void refresh();
    // A listed span moved or changed its length: its old and new ranges are repainted.
    void spanMoved(const Span& span, int32_t oldStart, int32_t oldLength);
    // Unlists a span that is being deleted, without repainting.
    void forgetSpan(Span* span);

    const std::vector<Span*>& getSpans() const { return m_spans; }

private:
    void repaint(int32_t start, int32_t end);

    DocumentController& m_controller;
    std::vector<Span*> m_spans;
    bool m_rebuild = true;
    std::set<std::pair<int32_t, int32_t>> m_drawn; // [start, end) of each span at the last rebuild
};

} // namespace tessel
