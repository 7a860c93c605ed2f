#include "afw/graphics/afPng.h"
#include "afw/support/PngWriter.h"
#include "pel/base/Crc.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel_test;

namespace {

// An RGBA image of the pixels (red, green, blue, alpha each); by default a small gradient with
// varied alpha that libpng compresses.
std::vector<uint8_t> rgbaPng(int width = 12, int height = 10, std::vector<uint8_t> pixels = {}) {
    for (int i = 0; pixels.empty() && i < width * height; ++i)
        for (int c : {i * 3, i * 5, 255 - i, i * 7 + 30})
            pixels.push_back(static_cast<uint8_t>(c));
    PngImage image;
    image.width = width;
    image.height = height;
    image.rows = pixels;
    return encodePng(image);
}

// The one log line of a refused decode.
std::wstring refusal(const std::vector<uint8_t>& bytes) {
    LogCapture log;
    const std::unique_ptr<afBitmap> bitmap = decodePng(bytes.data(), bytes.size());
    if (bitmap)
        return L"(decoded)";
    if (log.lines().size() != 1)
        return L"(" + std::to_wstring(log.lines().size()) + L" lines)";
    return log.lines()[0].text;
}

// Every chunk's CRC made right again, so a damaged chunk reaches its parser.
void fixCrcs(std::vector<uint8_t>& png) {
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
        if (length > png.size() - at - 12)
            return;
        const uint32_t crc = pel::crc32(png.data() + at + 4, length + 4);
        for (int i = 0; i < 4; ++i)
            png[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

TEST(DecodePng, PremultipliesRgbaAndFillsRgbOpaque) {
    PngImage rgb;
    rgb.width = 2;
    rgb.colourType = PNG_COLOR_TYPE_RGB;
    rgb.rows = {10, 20, 30, 40, 50, 60};
    // Read back as 0xAARRGGBB: (200, 100, 50) x 128 / 255 = (100, 50, 25); no colour survives alpha 0.
    const std::tuple<std::vector<uint8_t>, int, std::vector<uint32_t>> cases[] = {
        {rgbaPng(4, 1, {0, 0, 0, 0, 90, 80, 70, 0, 200, 100, 50, 128, 9, 8, 7, 255}), afBitmap::FORMAT_ALPHA,
         {0, 0, 0x80643219u, 0xFF090807u}},
        {encodePng(rgb), afBitmap::FORMAT_RGB, {0xFF0A141Eu, 0xFF28323Cu}},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t>& png = std::get<0>(c);
        const std::unique_ptr<afBitmap> bitmap = decodePng(png.data(), png.size());
        ASSERT_NE(nullptr, bitmap);
        EXPECT_EQ(std::get<1>(c), bitmap->getFormat());
        EXPECT_EQ(std::get<2>(c), std::vector<uint32_t>(bitmap->row(0), bitmap->row(0) + bitmap->getWidth()));
    }
}

TEST(DecodePng, RefusesWhatItCannotDrawWithOneLineSayingWhy) {
    const auto image = [](int type, int depth, int interlace) {
        PngImage png;
        png.width = png.height = 4;
        png.colourType = type;
        png.bitDepth = depth;
        png.interlace = interlace;
        return encodePng(png);
    };
    // 100000 x 100000 (0x000186A0 a side), refused before anything is made.
    std::vector<uint8_t> huge = rgbaPng();
    for (int i = 0; i < 8; ++i)
        huge[16 + i] = static_cast<uint8_t>(100000 >> (24 - 8 * (i % 4)));
    fixCrcs(huge);
    const int live = afBitmap::getLiveCount();
    const std::pair<std::vector<uint8_t>, std::wstring> cases[] = {
        {huge, L"decodePng: the image of 100000 x 100000 pixels is too large (at most 16384 a side).\n"},
        {image(PNG_COLOR_TYPE_GRAY, 8, 0), L"decodePng: colour type 0 is not supported (RGB or RGBA only).\n"},
        {image(PNG_COLOR_TYPE_PALETTE, 8, 0), L"decodePng: colour type 3 is not supported (RGB or RGBA only).\n"},
        {image(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 0), L"decodePng: colour type 4 is not supported (RGB or RGBA only).\n"},
        {image(PNG_COLOR_TYPE_RGB_ALPHA, 16, 0), L"decodePng: bit depth 16 is not supported (8 only).\n"},
        {image(PNG_COLOR_TYPE_RGB, 16, 0), L"decodePng: bit depth 16 is not supported (8 only).\n"},
        {image(PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7), L"decodePng: interlaced images are not supported.\n"},
        {{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, L"decodePng: not a PNG image.\n"},
        {{}, L"decodePng: not a PNG image.\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first));
    EXPECT_EQ(live, afBitmap::getLiveCount());

    // Cut anywhere, even after the image's last row: never decoded, never a crash.
    const std::vector<uint8_t> whole = rgbaPng();
    EXPECT_EQ(L"(decoded)", refusal(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(length < 8 ? L"decodePng: not a PNG image.\n" : L"decodePng: the data end before the image does (truncated).\n",
                  refusal(prefix))
            << length;
    }
}

TEST(DecodePng, SurvivesDamagedFilesAndLeavesNoBitmapBehind) {
    const std::vector<uint8_t> original = rgbaPng();
    const int live = afBitmap::getLiveCount();
    std::mt19937 random(20240611);
    LogCapture log;
    int decoded = 0;
    for (int mutant = 0; mutant < 20000; ++mutant) {
        std::vector<uint8_t> bytes = original;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i)
            bytes[8 + random() % (bytes.size() - 8)] = static_cast<uint8_t>(random());
        fixCrcs(bytes);
        decoded += decodePng(bytes.data(), bytes.size()) != nullptr;
    }
    EXPECT_EQ(live, afBitmap::getLiveCount());
    EXPECT_GT(20000, decoded) << "the mutants are refused, mostly";
}

} // namespace
