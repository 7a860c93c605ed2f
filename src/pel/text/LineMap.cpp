#include "pel/text/LineMap.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace pel {

LineMap::LineMap(const wchar_t* buffer, uint32_t length) : m_buffer(buffer), m_buffer_length(length) {
    if (!m_buffer)
        m_buffer_length = 0;
}

TextPosition LineMap::getPosition(uint32_t o) {
    PEL_ASSERT(o <= m_buffer_length);
    for (; m_scanned < o; ++m_scanned) {
        const wchar_t c = m_buffer[m_scanned];
        const uint32_t next = m_scanned + 1;
        if (c == L'\n' || (c == L'\r' && (next == m_buffer_length || m_buffer[next] != L'\n')))
            m_line_starts.push_back(next);
    }
    const auto after = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), o);
    const uint32_t line = static_cast<uint32_t>(after - m_line_starts.begin());
    const uint32_t start = line == 0 ? 0 : *(after - 1);
    return TextPosition{line, o - start, o};
}

} // namespace pel
