#pragma once
// The byte form of span records, as "Spans" undo records hold them: 32-bit little-endian
// numbers and wide strings (a 32-bit count of UTF-16 units, then the units). A writer gathers a
// whole record and hands it to the stream in one write; a reader checks every count and serial,
// so that a damaged record is refused instead of read past its end.

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Span;
class Stream;

class SpanWriter {
public:
    // Room for about bytes more, so that a large record grows once.
    void reserve(size_t bytes) { m_bytes.reserve(m_bytes.size() + bytes); }
    void putInt(int32_t value);
    void putText(const std::wstring& text);
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    // Writes what was gathered; false when the stream took less.
    bool flushTo(Stream& stream) const;

private:
    std::vector<uint8_t> m_bytes;
};

class SpanReader {
public:
    // Longest name or text a record may hold, in UTF-16 units.
    static constexpr uint32_t MAX_TEXT = 1u << 24;

    explicit SpanReader(Stream& stream) : m_stream(stream) {}
    SpanReader(const SpanReader&) = delete;
    SpanReader& operator=(const SpanReader&) = delete;

    // Each answers false, and the reader stays failed, on a short read or a count too large.
    bool getInt(int32_t& o_value);
    bool getText(std::wstring& o_text);
    // Marks the record as damaged; always false, so that a check can end with it.
    bool fail() {
        m_failed = true;
        return false;
    }
    bool failed() const { return m_failed; }

    // The spans of the tree being read, by serial.
    std::vector<Span*>& spans() { return m_spans; }
    // The span of a serial, null (and the reader failed) when there is none.
    Span* spanOfSerial(int32_t serial);

private:
    Stream& m_stream;
    bool m_failed = false;
    std::vector<Span*> m_spans;
};

} // namespace tessel
