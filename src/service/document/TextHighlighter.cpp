#include "service/document/TextHighlighter.h"

#include <limits>

namespace tessel {

TextHighlighter::~TextHighlighter() = default;

void TextHighlighter::getStyle(HighlightStyle& style) const {
    style = m_style;
}

void TextHighlighter::setStyle(const HighlightStyle& style) {
    m_style = style;
}

void TextHighlighter::markAttributeRange(LineAttributes& attributes, int first, int last, uint32_t bits) {
    constexpr int room = 10;
    if (first < 0 || first > last || last > std::numeric_limits<int>::max() - room)
        return;
    std::vector<uint32_t>& entries = attributes.entries;
    const size_t needed = static_cast<size_t>(first == last ? last + 1 : last);
    if (needed > entries.size())
        entries.resize(static_cast<size_t>(last) + room, 0);
    if (first == last) {
        entries[first] |= (bits & 0xFF) << LineAttributes::POSITION_SHIFT;
    } else {
        const uint32_t mark = (bits & 0xFF) << LineAttributes::RANGE_SHIFT;
        for (int i = first; i < last; ++i)
            entries[i] |= mark;
    }
    attributes.dirty = true;
}

void TextHighlighter::clearAttributeMarks(LineAttributes& attributes) {
    if (!attributes.dirty)
        return;
    attributes.dirty = false;
    for (uint32_t& entry : attributes.entries)
        entry &= ~LineAttributes::MARK_BITS;
}

} // namespace tessel
