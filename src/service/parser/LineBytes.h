#pragma once
// What a line of text (UTF-8) holds, read only as far as the needs of grammar patterns ask and
// only once per line: its byte values, its pairs of adjacent bytes (hashed: a pair may seem held
// that is not) and its last byte that is not white space. PatternLiterals asks it whether the
// line holds what a pattern needs.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel {

class LineBytes {
public:
    LineBytes() = default;
    LineBytes(const char* text, size_t length) { reset(text, length); }

    // Starts on another line: nothing of it is read until asked. The text must stay unchanged
    // while this is asked about it.
    void reset(const char* text, size_t length);

    size_t length() const { return m_length; }

    // The byte values the line holds.
    const std::bitset<256>& bytes() {
        if (!m_bytesRead)
            readBytes();
        return m_bytes;
    }
    bool holdsAnyOf(const std::bitset<256>& bytes) { return (this->bytes() & bytes).any(); }
    // Whether the line may hold s (not empty), by its byte values and pairs alone: false says it
    // does not, true only that it may.
    bool mayHold(const std::string& s);
    // Whether the line holds s (not empty).
    bool holds(const std::string& s);
    // The line's last byte that is not ASCII white space; -1 when it has none.
    int lastNonSpace();

private:
    static constexpr size_t PAIR_BITS = 4096;
    static size_t pairHash(unsigned char a, unsigned char b) {
        return ((static_cast<uint32_t>(a) << 8 | b) * 0x9E3779B1u) >> 20;
    }
    void readBytes();
    void readPairs();

    const char* m_text = nullptr;
    size_t m_length = 0;
    bool m_bytesRead = false;
    bool m_pairsRead = false;
    bool m_lastRead = false;
    int m_last = -1;
    std::bitset<256> m_bytes;
    std::bitset<PAIR_BITS> m_pairs;
};

} // namespace tessel
