#include "service/parser/LineBytes.h"

#include "pel/base/Ascii.h"

#include <cstring>

namespace tessel {

void LineBytes::reset(const char* text, size_t length) {
    m_text = text;
    m_length = length;
    m_bytesRead = m_pairsRead = m_lastRead = false;
}

void LineBytes::readBytes() {
    m_bytesRead = true;
    m_bytes.reset();
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text);
    for (size_t i = 0; i < m_length; ++i)
        m_bytes[bytes[i]] = true;
}

void LineBytes::readPairs() {
    if (m_pairsRead)
        return;
    m_pairsRead = true;
    m_pairs.reset();
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text);
    for (size_t i = 1; i < m_length; ++i)
        m_pairs[pairHash(bytes[i - 1], bytes[i])] = true;
}

bool LineBytes::mayHold(const std::string& s) {
    bytes();
    for (const char c : s)
        if (!m_bytes[static_cast<unsigned char>(c)])
            return false;
    if (s.size() < 2)
        return true;
    readPairs();
    for (size_t i = 1; i < s.size(); ++i)
        if (!m_pairs[pairHash(static_cast<unsigned char>(s[i - 1]), static_cast<unsigned char>(s[i]))])
            return false;
    return true;
}

bool LineBytes::holds(const std::string& s) {
    if (!mayHold(s))
        return false;
    if (s.size() < 2)
        return true; // the byte values alone tell
    if (s.size() > m_length)
        return false;
    const char* at = m_text;
    const char* const last = m_text + m_length - s.size(); // where s may begin last
    while (at <= last) {
        at = static_cast<const char*>(std::memchr(at, s[0], static_cast<size_t>(last - at) + 1));
        if (!at)
            return false;
        if (std::memcmp(at + 1, s.data() + 1, s.size() - 1) == 0)
            return true;
        ++at;
    }
    return false;
}

int LineBytes::lastNonSpace() {
    if (!m_lastRead) {
        m_lastRead = true;
        m_last = -1;
        for (size_t i = m_length; i > 0; --i) {
            const auto c = static_cast<unsigned char>(m_text[i - 1]);
            // The engine's \s in ASCII: space and tab to carriage return.
            if (!pel::Ascii::isSpace(c)) {
                m_last = c;
                break;
            }
        }
    }
    return m_last;
}

} // namespace tessel
