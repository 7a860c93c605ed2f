#include "service/document/io/TextPieces.h"

#include "pel/text/WideString.h"

#include <algorithm>

namespace tessel {

TextPieces::TextPieces(const GapBuffer& buffer, int32_t pieceUnits)
    : m_buffer(buffer), m_pieceUnits(std::max<int32_t>(2, pieceUnits)) {}

bool TextPieces::next() {
    const int32_t length = m_buffer.length();
    if (m_position >= length)
        return false;
    const int32_t gap = m_buffer.gapStart();
    const bool firstHalf = m_position < gap;
    int32_t end = std::min(firstHalf ? gap : length, m_position + std::min(m_pieceUnits, length - m_position));
    if (end < length && pel::is_high_surrogate(m_buffer.at(end - 1)) && pel::is_low_surrogate(m_buffer.at(end))) {
        if (end - 1 == m_position) {
            m_pair[0] = m_buffer.at(end - 1);
            m_pair[1] = m_buffer.at(end);
            m_text = m_pair;
            m_count = 2;
            m_position = end + 1;
            return true;
        }
        --end;
    }
    m_text = firstHalf ? m_buffer.firstHalf() + m_position : m_buffer.secondHalf() + (m_position - gap);
    m_count = static_cast<size_t>(end - m_position);
    m_position = end;
    return true;
}

} // namespace tessel
