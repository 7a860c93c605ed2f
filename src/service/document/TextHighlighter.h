#pragma once
// A highlight layer painted over the syntax colours: the selection, the active snippet's
// placeholders, search results. Before a line is drawn, each layer marks the characters it
// covers in the line's attribute buffer with its own bit; the editor's text layout gives every
// layer a different bit and paints marked characters in the layer's style.

#include <cstdint>
#include <vector>

namespace tessel {

// What a layer marks into: one entry per character of a laid-out line (bits 0-15 the style id,
// 16-23 the range marks of the layers, 24-31 their single-position marks), and whether marks
// were set since they were last cleared. Entries past the text carry marks in virtual space.
struct LineAttributes {
    static constexpr uint32_t STYLE_MASK = 0x0000FFFF;
    static constexpr int RANGE_SHIFT = 16;
    static constexpr int POSITION_SHIFT = 24;
    static constexpr uint32_t MARK_BITS = 0xFFFF0000;

    std::vector<uint32_t> entries;
    bool dirty = false;
};

// A layer's look: foreground and background as red, green, blue, alpha in 0..1 (alpha is how
// much of the layer's colour covers what lies below), and decoration flags added to the text's.
struct HighlightStyle {
    float foreground[4] = {0, 0, 0, 0};
    float background[4] = {0, 0, 0, 0};
    uint16_t flags = 0;
};

class TextHighlighter {
public:
    // Marks the characters of document line `line` that the layer covers, where the line's
    // characters are the document offsets [first, last) and attributes holds one entry each.
    virtual void update(int line, LineAttributes& attributes, int first, int last) = 0;
    virtual void getStyle(HighlightStyle& style) const;
    virtual void setStyle(const HighlightStyle& style);
    virtual ~TextHighlighter();

    // The bit the layout gave this layer (a single bit of the low five); 0 while unregistered.
    uint32_t getBit() const { return m_bit; }
    void setBit(uint32_t bit) { m_bit = bit; }

    // Marks the entries [first, last) with bits as a range, or, when first equals last, entry
    // first as a single position; the buffer grows (to last + 10 entries) to hold them. A range
    // that starts before the line or ends before it starts is a stale one and marks nothing.
    static void markAttributeRange(LineAttributes& attributes, int first, int last, uint32_t bits);
    // Zeroes every mark when some were set, so marks never outlive the paint they were made for.
    static void clearAttributeMarks(LineAttributes& attributes);

protected:
    TextHighlighter() = default;
    TextHighlighter(const TextHighlighter&) = default;
    TextHighlighter& operator=(const TextHighlighter&) = default;

private:
    HighlightStyle m_style;
    uint32_t m_bit = 0;
};

} // namespace tessel
