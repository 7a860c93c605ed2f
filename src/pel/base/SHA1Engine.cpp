#include "pel/base/SHA1Engine.h"

#include "pel/base/detail/Sha1Blocks.h"

#include <algorithm>
#include <cstring>

namespace pel {

namespace {
inline void storeBigEndian(unsigned char* p, uint32_t value) {
    p[0] = static_cast<unsigned char>(value >> 24);
    p[1] = static_cast<unsigned char>(value >> 16);
    p[2] = static_cast<unsigned char>(value >> 8);
    p[3] = static_cast<unsigned char>(value);
}
} // namespace

std::string DigestEngine::digestToHex(const Digest& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

SHA1Engine::SHA1Engine() : m_digest(20) { reset(); }

void SHA1Engine::reset() {
    m_state[0] = 0x67452301;
    m_state[1] = 0xEFCDAB89;
    m_state[2] = 0x98BADCFE;
    m_state[3] = 0x10325476;
    m_state[4] = 0xC3D2E1F0;
    m_countLow = m_countHigh = 0;
    m_blockFill = 0;
}

void SHA1Engine::updateImpl(const unsigned char* data, size_t length) {
    const uint64_t bits = uint64_t(length) * 8;
    const uint32_t low = m_countLow + static_cast<uint32_t>(bits);
    m_countHigh += static_cast<uint32_t>(bits >> 32) + (low < m_countLow ? 1 : 0);
    m_countLow = low;

    // Whole blocks are compressed straight from the caller's bytes.
    if (m_blockFill > 0) {
        const size_t take = std::min(length, sizeof m_block - m_blockFill);
        std::memcpy(m_block + m_blockFill, data, take);
        m_blockFill += take;
        data += take;
        length -= take;
        if (m_blockFill < sizeof m_block)
            return;
        compress(m_block, 1);
        m_blockFill = 0;
    }
    const size_t whole = length / 64;
    compress(data, whole);
    data += whole * 64;
    length -= whole * 64;
    std::memcpy(m_block, data, length);
    m_blockFill = length;
}

const DigestEngine::Digest& SHA1Engine::digest() {
    const uint32_t high = m_countHigh, low = m_countLow;
    m_block[m_blockFill++] = 0x80;
    if (m_blockFill > 56) {
        std::memset(m_block + m_blockFill, 0, 64 - m_blockFill);
        compress(m_block, 1);
        m_blockFill = 0;
    }
    std::memset(m_block + m_blockFill, 0, 56 - m_blockFill);
    storeBigEndian(m_block + 56, high);
    storeBigEndian(m_block + 60, low);
    compress(m_block, 1);
    for (int i = 0; i < 5; ++i)
        storeBigEndian(&m_digest[i * 4], m_state[i]);
    reset();
    return m_digest;
}

void SHA1Engine::compress(const unsigned char* data, size_t blocks) {
    static const auto blocksFunction =
        detail::hasSha1Instructions() ? &detail::sha1BlocksHardware : &detail::sha1BlocksPortable;
    blocksFunction(m_state, data, blocks);
}

} // namespace pel
