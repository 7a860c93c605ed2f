#pragma once
// Golden files of the framework tests, beside their sources: texts compared exactly and images
// compared with a tolerance of 24 per channel on all but 0.5% of the pixels. A mismatch writes
// what the test got beside the golden file (".actual"); with TESSEL_UPDATE_GOLDEN set the test
// writes the golden file itself, to be reviewed before it is committed.

#include "afw/support/DibSurface.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tessel_test {

// Under Wine the source tree is reached through drive Z:.
inline std::string goldenPath(const std::string& relative) {
    return std::string("Z:") + TESSEL_TESTS_DIR + "/" + relative;
}

inline std::string actualPath(const std::string& path) {
    const size_t dot = path.rfind('.');
    return path.substr(0, dot) + ".actual" + path.substr(dot);
}

inline testing::AssertionResult matchesGoldenText(const std::string& relative, const std::string& actual) {
    const std::string path = goldenPath(relative);
    std::stringstream golden;
    golden << std::ifstream(path, std::ios::binary).rdbuf();
    const bool update = std::getenv("TESSEL_UPDATE_GOLDEN") != nullptr;
    if (!update && golden.str() == actual)
        return testing::AssertionSuccess();
    std::ofstream(update ? path : actualPath(path), std::ios::binary) << actual;
    return update ? testing::AssertionSuccess()
                  : testing::AssertionFailure() << relative << " differs; the test got " << actualPath(relative);
}

// An RGB PNG of rows of 0x00RRGGBB pixels, read or written whole; false when that fails.
inline bool pngFile(const std::string& path, bool write, int& width, int& height, std::vector<uint32_t>& pixels) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), write ? "wb" : "rb"), &std::fclose);
    std::vector<png_byte> row;
    if (!file)
        return false;
    png_structp png = write ? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)
                            : png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    volatile bool done = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file.get());
        if (write) {
            png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
        } else {
            png_read_info(png, info);
            width = static_cast<int>(png_get_image_width(png, info));
            height = static_cast<int>(png_get_image_height(png, info));
            if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8)
                png_error(png, "not 8-bit RGB");
            pixels.assign(static_cast<size_t>(width) * height, 0);
        }
        row.resize(width * 3);
        for (int y = 0; y < height; ++y) {
            uint32_t* line = pixels.data() + static_cast<size_t>(y) * width;
            if (write) {
                for (int x = 0; x < width; ++x)
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = static_cast<png_byte>(line[x] >> (16 - 8 * c));
                png_write_row(png, row.data());
            } else {
                png_read_row(png, row.data(), nullptr);
                for (int x = 0; x < width; ++x)
                    line[x] = row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2];
            }
        }
        if (write)
            png_write_end(png, nullptr);
        done = true;
    }
    if (write)
        png_destroy_write_struct(&png, &info);
    else
        png_destroy_read_struct(&png, &info, nullptr);
    return done;
}

// The surface's top-left width x height pixels against the golden image.
inline testing::AssertionResult matchesGoldenImage(const std::string& relative, const DibSurface& surface, int width,
                                                   int height) {
    std::vector<uint32_t> actual;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            actual.push_back(surface.rgb(x, y));
    const std::string path = goldenPath(relative);
    if (std::getenv("TESSEL_UPDATE_GOLDEN")) {
        pngFile(path, true, width, height, actual);
        return testing::AssertionSuccess();
    }
    int goldenWidth = 0, goldenHeight = 0;
    std::vector<uint32_t> golden;
    size_t off = actual.size();
    if (pngFile(path, false, goldenWidth, goldenHeight, golden) && goldenWidth == width && goldenHeight == height) {
        off = 0;
        for (size_t i = 0; i < golden.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(static_cast<int>((golden[i] >> shift) & 0xFF) - static_cast<int>((actual[i] >> shift) & 0xFF)) > 24) {
                    ++off;
                    break;
                }
    }
    if (off * 200 <= actual.size())
        return testing::AssertionSuccess();
    pngFile(actualPath(path), true, width, height, actual);
    return testing::AssertionFailure() << relative << ": " << off << " of " << actual.size()
                                       << " pixels differ; what the test got is in " << actualPath(relative);
}

} // namespace tessel_test
