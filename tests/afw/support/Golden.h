#pragma once
// Golden files of the framework tests, beside their sources: texts compared exactly and images
// (read through the framework's PNG decoder) compared with a tolerance per channel (24 unless
// told) on all but 0.5% of the pixels. A mismatch writes what the test got into the build's tests
// folder, at the golden file's place there (".actual"), and names it; the source tree is only
// read. With TESSEL_UPDATE_GOLDEN set the test writes the golden file itself, to be reviewed
// before it is committed.

#include "afw/graphics/afPng.h"
#include "afw/support/DibSurface.h"
#include "afw/support/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tessel_test {

// Under Wine the source tree is reached through drive Z:.
inline std::string goldenPath(const std::string& relative) {
    return std::string("Z:") + TESSEL_TESTS_DIR + "/" + relative;
}

// Where a mismatch's actual file goes, as the host names it: the golden file's place in the
// build's tests folder, with ".actual" before the extension.
inline std::string actualPath(const std::string& relative) {
    const size_t dot = relative.rfind('.');
    return std::string(TESSEL_TESTS_BUILD_DIR) + "/" + relative.substr(0, dot) + ".actual" + relative.substr(dot);
}

// The actual file's path in Wine's name, its folder made.
inline std::string actualFileForWriting(const std::string& relative) {
    const std::string path = "Z:" + actualPath(relative);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return path;
}

inline testing::AssertionResult matchesGoldenText(const std::string& relative, const std::string& actual) {
    const std::string path = goldenPath(relative);
    std::stringstream golden;
    golden << std::ifstream(path, std::ios::binary).rdbuf();
    const bool update = std::getenv("TESSEL_UPDATE_GOLDEN") != nullptr;
    if (!update && golden.str() == actual)
        return testing::AssertionSuccess();
    std::ofstream(update ? path : actualFileForWriting(relative), std::ios::binary) << actual;
    return update ? testing::AssertionSuccess()
                  : testing::AssertionFailure() << relative << " differs; the test got " << actualPath(relative);
}

// Reads a PNG as rows of 0x00RRGGBB pixels through the framework's own decoder (8-bit RGB or
// RGBA, the alpha dropped); false when it cannot.
inline bool readPngFile(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::unique_ptr<afBitmap> image = decodePng(bytes.data(), bytes.size());
    if (!image)
        return false;
    width = image->getWidth();
    height = image->getHeight();
    pixels.clear();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(image->row(y)[x] & 0xFFFFFF);
    return true;
}

// The surface's top-left width x height pixels against the golden image.
inline testing::AssertionResult matchesGoldenImage(const std::string& relative, const DibSurface& surface, int width,
                                                   int height, int tolerance = 24) {
    std::vector<uint32_t> actual;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            actual.push_back(surface.rgb(x, y));
    const std::string path = goldenPath(relative);
    if (std::getenv("TESSEL_UPDATE_GOLDEN")) {
        writePngFile(path, width, height, actual);
        return testing::AssertionSuccess();
    }
    int goldenWidth = 0, goldenHeight = 0;
    std::vector<uint32_t> golden;
    size_t off = actual.size();
    if (readPngFile(path, goldenWidth, goldenHeight, golden) && goldenWidth == width && goldenHeight == height) {
        off = 0;
        for (size_t i = 0; i < golden.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(static_cast<int>((golden[i] >> shift) & 0xFF) - static_cast<int>((actual[i] >> shift) & 0xFF)) > tolerance) {
                    ++off;
                    break;
                }
    }
    if (off * 200 <= actual.size())
        return testing::AssertionSuccess();
    writePngFile(actualFileForWriting(relative), width, height, actual);
    return testing::AssertionFailure() << relative << ": " << off << " of " << actual.size()
                                       << " pixels differ; what the test got is in " << actualPath(relative);
}

} // namespace tessel_test
