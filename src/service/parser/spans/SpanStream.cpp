#include "service/parser/spans/SpanStream.h"

#include "service/base/Stream.h"
#include "service/document/undo/UndoJournal.h"

#include <algorithm>

namespace tessel {

void SpanWriter::putInt(int32_t value) {
    const size_t at = m_bytes.size();
    m_bytes.resize(at + 4);
    putUndo32(&m_bytes[at], static_cast<uint32_t>(value));
}

void SpanWriter::putText(const std::wstring& text) {
    putInt(static_cast<int32_t>(text.size()));
    size_t at = m_bytes.size();
    m_bytes.resize(at + 2 * text.size());
    for (wchar_t unit : text) {
        putUndo16(&m_bytes[at], unit);
        at += 2;
    }
}

bool SpanWriter::flushTo(Stream& stream) const {
    const auto size = static_cast<uint32_t>(m_bytes.size());
    return size == 0 || stream.write(m_bytes.data(), size) == size;
}

bool SpanReader::getInt(int32_t& o_value) {
    unsigned char bytes[4];
    if (m_failed || m_stream.read(bytes, 4) != 4)
        return fail();
    o_value = static_cast<int32_t>(getUndo32(bytes));
    return true;
}

bool SpanReader::getText(std::wstring& o_text) {
    int32_t count = 0;
    if (!getInt(count) || count < 0 || static_cast<uint32_t>(count) > MAX_TEXT)
        return fail();
    o_text.clear();
    // In pieces, so that a damaged count costs no more memory than the record has bytes.
    unsigned char piece[4096];
    for (uint32_t left = static_cast<uint32_t>(count); left > 0;) {
        const uint32_t units = std::min<uint32_t>(left, sizeof(piece) / 2);
        if (m_stream.read(piece, units * 2) != units * 2)
            return fail();
        for (uint32_t i = 0; i < units; ++i)
            o_text.push_back(static_cast<wchar_t>(getUndo16(piece + 2 * i)));
        left -= units;
    }
    return true;
}

Span* SpanReader::spanOfSerial(int32_t serial) {
    if (serial < 0 || static_cast<size_t>(serial) >= m_spans.size()) {
        fail();
        return nullptr;
    }
    return m_spans[static_cast<size_t>(serial)];
}

} // namespace tessel
