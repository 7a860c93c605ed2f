#pragma once
// SHA-1 (FIPS 180-1): 160-bit digests over 512-bit blocks of big-endian words.

#include "pel/base/DigestEngine.h"

namespace pel {

class SHA1Engine : public DigestEngine {
public:
    SHA1Engine();

    size_t digestLength() const override { return 20; }
    void reset() override;
    const Digest& digest() override;

protected:
    void updateImpl(const unsigned char* data, size_t length) override;

private:
    void compress(const unsigned char* data, size_t blocks);

    uint32_t m_state[5];
    uint32_t m_countLow;  // message length in bits, low half
    uint32_t m_countHigh; // and high half
    unsigned char m_block[64];
    size_t m_blockFill;
    Digest m_digest;
};

} // namespace pel
