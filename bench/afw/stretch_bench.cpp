// The bilinear stretch of a 256 x 256 bitmap to 1024 x 1024, in nanoseconds per target pixel,
// beside a memcpy of the target's bytes (target <= 8 ns per pixel).

#include "afw/graphics/afBitmap.h"
#include "support/Bench.h"

#include <cstring>
#include <vector>

int main() {
    auto source = afBitmap::createDIB(256, 256);
    auto target = afBitmap::createDIB(1024, 1024);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            source->row(y)[x] = static_cast<uint32_t>(x * 0x010203 + y * 0x030201) | 0xFF000000u;
    const double pixels = 1024.0 * 1024.0;
    const double stretchTime =
        bench::bestOf(10, [&] { stretch(*source, *target, 0, 0, 256, 256, 0, 0, 1024, 1024); });
    std::vector<uint32_t> copy(1024 * 1024);
    const double copyTime = bench::bestOf(10, [&] {
        std::memcpy(copy.data(), target->row(0), copy.size() * sizeof(uint32_t));
    });
    volatile uint32_t keep = copy[12345];
    (void)keep;
    bench::figureBeside("stretch_256_to_1024", stretchTime * 1e9 / pixels, "ns/pixel", "memcpy",
                        copyTime * 1e9 / pixels);
    return 0;
}
