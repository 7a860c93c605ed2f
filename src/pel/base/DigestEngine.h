#pragma once
// A message digest fed with bytes; digest() finishes the message and starts the next one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pel {

class DigestEngine {
public:
    using Digest = std::vector<unsigned char>;

    virtual ~DigestEngine() = default;
    virtual size_t digestLength() const = 0;
    virtual void reset() = 0;
    // The digest of everything fed since the last reset; the engine is reset afterwards.
    virtual const Digest& digest() = 0;

    void update(const void* data, size_t length) { updateImpl(static_cast<const unsigned char*>(data), length); }
    void update(char byte) { updateImpl(reinterpret_cast<const unsigned char*>(&byte), 1); }
    void update(const std::string& bytes) { update(bytes.data(), bytes.size()); }

    // Two lower-case hexadecimal digits per byte, high nibble first.
    static std::string digestToHex(const Digest& digest);

protected:
    virtual void updateImpl(const unsigned char* data, size_t length) = 0;
};

} // namespace pel
