// decodePng of a generated 2048 x 2048 RGBA PNG, in MB of pixels per second, beside libpng's
// simplified API reading the same bytes to BGRA (target: at least 0.85 x the simplified API).

#include "afw/graphics/afPng.h"
#include "support/Bench.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 2048;

// A picture that compresses as real images do: smooth gradients, a grain, and every alpha.
std::vector<uint8_t> makePng() {
    std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
    uint32_t grain = 12345;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            grain = grain * 1103515245u + 12345u;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 4];
            p[0] = static_cast<uint8_t>(x / 8 + (grain >> 28));
            p[1] = static_cast<uint8_t>(y / 8);
            p[2] = static_cast<uint8_t>((x + y) / 16);
            p[3] = static_cast<uint8_t>(x ^ y);
        }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = kSide;
    image.height = kSide;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<uint8_t> png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "cannot encode the test image: %s\n", image.message);
        std::exit(2);
    }
    png.resize(size);
    return png;
}

} // namespace

int main() {
    const std::vector<uint8_t> png = makePng();
    const double megabytes = kSide * kSide * 4 / 1e6;
    bool decoded = true;
    const double ours = bench::bestOf(5, [&] { decoded = decodePng(png.data(), png.size()) != nullptr && decoded; });
    std::vector<uint8_t> out(static_cast<size_t>(kSide) * kSide * 4);
    const double simplified = bench::bestOf(5, [&] {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
            decoded = false;
        image.format = PNG_FORMAT_BGRA;
        if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr))
            decoded = false;
    });
    if (!decoded) {
        std::fprintf(stderr, "a decode failed\n");
        return 1;
    }
    bench::figureBeside("png_decode_2048", megabytes / ours, "MB/s", "png_simplified", megabytes / simplified);
    return 0;
}
