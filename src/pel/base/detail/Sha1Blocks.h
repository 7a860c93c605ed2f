#pragma once
// The SHA-1 compression function over whole 64-byte blocks, portable and with the processor's
// SHA instructions; the engine picks one at run time. Exposed so tests can compare the two.

#include <cstddef>
#include <cstdint>

namespace pel {
namespace detail {

void sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks);
void sha1BlocksHardware(uint32_t state[5], const unsigned char* data, size_t blocks);
bool hasSha1Instructions();

} // namespace detail
} // namespace pel
