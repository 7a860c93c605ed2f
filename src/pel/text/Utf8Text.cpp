#include "pel/text/Utf8Text.h"

#include <algorithm>

namespace pel {

namespace {

bool isHighSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point at text[i] and how many units it takes; a lone surrogate reads as U+FFFD.
uint32_t codeAt(const wchar_t* text, size_t length, size_t i, size_t* o_units) {
    const uint32_t c = static_cast<uint16_t>(text[i]);
    *o_units = 1;
    if (isHighSurrogate(c) && i + 1 < length && isLowSurrogate(static_cast<uint16_t>(text[i + 1]))) {
        *o_units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[i + 1]) - 0xDC00);
    }
    return isHighSurrogate(c) || isLowSurrogate(c) ? 0xFFFD : c;
}

size_t encodedLength(uint32_t code) { return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4; }

} // namespace

void Utf8Text::assign(const wchar_t* text, size_t length) {
    if (!text)
        length = 0;
    size_t prefix = 0;
    while (prefix < length && static_cast<uint16_t>(text[prefix]) < 0x80)
        ++prefix;
    // Three bytes a unit at most; a longer text is measured first rather than over-allocated. An
    // empty text has a buffer too: engines take no null text.
    if (m_bytes.size() < length * 3 || m_bytes.empty()) {
        size_t needed = prefix + 1;
        for (size_t i = prefix, units = 0; i < length; i += units)
            needed += encodedLength(codeAt(text, length, i, &units));
        if (m_bytes.size() < needed)
            m_bytes.resize(needed);
    }
    char* const begin = m_bytes.data();
    char* out = begin;
    for (size_t i = 0; i < prefix; ++i)
        *out++ = static_cast<char>(text[i]);
    m_asciiPrefix = prefix;
    if (prefix == length) {
        m_size = prefix;
        return;
    }
    for (size_t i = prefix, units = 0; i < length; i += units)
        out = encodeUtf8(codeAt(text, length, i, &units), out);
    m_size = static_cast<size_t>(out - begin);
    if (m_units.size() < m_size + 1)
        m_units.resize(m_size + 1);
    size_t at = prefix;
    for (size_t i = prefix, units = 0; i < length; i += units) {
        const size_t bytes = encodedLength(codeAt(text, length, i, &units));
        for (size_t k = 0; k < bytes; ++k)
            m_units[at++] = static_cast<uint32_t>(i);
    }
    m_units[m_size] = static_cast<uint32_t>(length);
}

size_t Utf8Text::byteOffset(size_t unitOffset) const {
    if (unitOffset <= m_asciiPrefix)
        return unitOffset;
    const auto begin = m_units.begin() + static_cast<std::ptrdiff_t>(m_asciiPrefix);
    const auto end = m_units.begin() + static_cast<std::ptrdiff_t>(m_size) + 1;
    return static_cast<size_t>(std::lower_bound(begin, end, unitOffset) - m_units.begin());
}

} // namespace pel
