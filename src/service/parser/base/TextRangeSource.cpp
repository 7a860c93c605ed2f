#include "service/parser/base/TextRangeSource.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace tessel {

void WideTextRangeSource::appendTextRange(int begin, int end, std::wstring* io_out) const {
    PEL_CHECK_PTR(io_out);
    const size_t from = begin < 0 ? 0 : static_cast<size_t>(begin);
    const size_t to = end < 0 ? 0 : std::min(static_cast<size_t>(end), m_length);
    if (from < to)
        io_out->append(m_text + from, to - from);
}

} // namespace tessel
