#pragma once
// Golden files of the framework tests, beside their sources: texts compared exactly and 32-bit
// images compared with a tolerance. A mismatch writes what the test got beside the golden file
// (".actual"); with TESSEL_UPDATE_GOLDEN set, the test writes the golden file itself, to be
// reviewed before it is committed.

#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessel_test {

// Under Wine the source tree is reached through drive Z:.
inline std::string goldenPath(const std::string& relative) {
    return std::string("Z:") + TESSEL_TESTS_DIR + "/" + relative;
}

inline bool updatingGolden() {
    return std::getenv("TESSEL_UPDATE_GOLDEN") != nullptr;
}

inline std::string actualPath(const std::string& path) {
    const size_t dot = path.rfind('.');
    return path.substr(0, dot) + ".actual" + path.substr(dot);
}

inline testing::AssertionResult matchesGoldenText(const std::string& relative, const std::string& actual) {
    const std::string path = goldenPath(relative);
    if (updatingGolden()) {
        std::ofstream(path, std::ios::binary) << actual;
        return testing::AssertionSuccess() << "written";
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream golden;
    golden << in.rdbuf();
    if (in && golden.str() == actual)
        return testing::AssertionSuccess();
    std::ofstream(actualPath(path), std::ios::binary) << actual;
    return testing::AssertionFailure() << relative << " differs; what the test got is in " << actualPath(relative);
}

// Rows of 0x00RRGGBB pixels.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

inline bool writePng(const std::string& path, const Image& image) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::vector<png_byte> row(image.width * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t pixel = image.pixels[y * image.width + x];
            row[3 * x] = static_cast<png_byte>(pixel >> 16);
            row[3 * x + 1] = static_cast<png_byte>(pixel >> 8);
            row[3 * x + 2] = static_cast<png_byte>(pixel);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

inline bool readPng(const std::string& path, Image& image) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::vector<png_byte> row;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);
    row.resize(image.width * 3);
    for (int y = 0; y < image.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < image.width; ++x)
            image.pixels[y * image.width + x] = row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2];
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

// Equal within 24 per channel, except for at most 0.5% of the pixels.
inline testing::AssertionResult matchesGoldenImage(const std::string& relative, const Image& actual) {
    const std::string path = goldenPath(relative);
    if (updatingGolden()) {
        writePng(path, actual);
        return testing::AssertionSuccess() << "written";
    }
    Image golden;
    if (!readPng(path, golden)) {
        writePng(actualPath(path), actual);
        return testing::AssertionFailure() << "cannot read " << relative;
    }
    if (golden.width != actual.width || golden.height != actual.height) {
        writePng(actualPath(path), actual);
        return testing::AssertionFailure() << relative << " has another size";
    }
    size_t off = 0;
    for (size_t i = 0; i < golden.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = (golden.pixels[i] >> shift) & 0xFF, b = (actual.pixels[i] >> shift) & 0xFF;
            if (std::abs(a - b) > 24) {
                ++off;
                break;
            }
        }
    if (off * 200 <= golden.pixels.size())
        return testing::AssertionSuccess();
    writePng(actualPath(path), actual);
    return testing::AssertionFailure() << relative << ": " << off << " of " << golden.pixels.size()
                                       << " pixels differ; what the test got is in " << actualPath(relative);
}

} // namespace tessel_test
