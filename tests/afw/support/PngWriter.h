#pragma once
// PNG files the image tests write for themselves through libpng, in memory (any colour type,
// bit depth and interlacing, from raw rows as libpng takes them), and RGB pixels written as a file.

#include <png.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tessel_test {

struct PngImage {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    int interlace = PNG_INTERLACE_NONE;
    std::vector<uint8_t> rows; // height rows of bytes; zero-filled when short

    int rowBytes() const {
        const int channels[] = {1, 0, 3, 1, 2, 0, 4}; // by colour type
        return (width * channels[colourType] * bitDepth + 7) / 8;
    }
};

inline void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline std::vector<uint8_t> encodePng(PngImage image) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    image.rows.resize(static_cast<size_t>(image.rowBytes()) * image.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y)
        rows.push_back(image.rows.data() + static_cast<size_t>(y) * image.rowBytes());
    if (!setjmp(png_jmpbuf(png))) {
        png_set_write_fn(png, &out, &appendBytes, nullptr);
        png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colourType, image.interlace,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(i), static_cast<png_byte>(i)};
        if (image.colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_PLTE(png, info, palette, 1 << image.bitDepth);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    } else {
        out.clear();
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

// Writes an RGB PNG of rows of 0x00RRGGBB pixels.
inline void writePngFile(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colourType = PNG_COLOR_TYPE_RGB;
    for (uint32_t pixel : pixels)
        for (int shift : {16, 8, 0})
            image.rows.push_back(static_cast<uint8_t>(pixel >> shift));
    const std::vector<uint8_t> bytes = encodePng(image);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace tessel_test
