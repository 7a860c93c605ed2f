#include "afw/graphics/afBitmap.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::unique_ptr<afBitmap> filled(int width, int height, uint32_t value) {
    auto bitmap = afBitmap::createDIB(width, height);
    for (int y = 0; y < height; ++y)
        std::fill(bitmap->row(y), bitmap->row(y) + width, value);
    return bitmap;
}

uint32_t pattern(int x, int y) {
    return (static_cast<uint32_t>(x * 37 + y * 11) & 0xFF) | (static_cast<uint32_t>(y * 53 + 7) & 0xFF) << 8 |
           (static_cast<uint32_t>(x * y + 90) & 0xFF) << 16 | (static_cast<uint32_t>(200 + x - y) & 0xFF) << 24;
}

std::unique_ptr<afBitmap> patterned(int width, int height) {
    auto bitmap = afBitmap::createDIB(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->row(y)[x] = pattern(x, y);
    return bitmap;
}

// Checks every pixel of the bitmap against expected(x, y).
template <class Expected>
::testing::AssertionResult pixelsAre(const afBitmap& bitmap, Expected expected) {
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = 0; x < bitmap.getWidth(); ++x)
            if (bitmap.row(y)[x] != expected(x, y))
                return ::testing::AssertionFailure() << std::hex << bitmap.row(y)[x] << " at " << std::dec << x << ","
                                                     << y << ", expected " << std::hex << expected(x, y);
    return ::testing::AssertionSuccess();
}

TEST(Bitmap, CreatesTopDownDibsOfSensibleSizesOnly) {
    const int refused[][2] = {{0, 5}, {5, 0}, {-1, 4}, {16385, 1}, {1, 16385}, {100000, 100000}};
    for (const auto& size : refused)
        EXPECT_EQ(nullptr, afBitmap::createDIB(size[0], size[1])) << size[0] << " x " << size[1];
    for (const auto& size : {std::make_pair(3, 2), std::make_pair(16384, 1)}) {
        auto bitmap = afBitmap::createDIB(size.first, size.second);
        ASSERT_NE(nullptr, bitmap);
        EXPECT_EQ(size.first, bitmap->getWidth());
        EXPECT_EQ(32, bitmap->getBitsPerPixel());
        EXPECT_EQ(afBitmap::FORMAT_ALPHA, bitmap->getFormat());
        EXPECT_TRUE(pixelsAre(*bitmap, [](int, int) { return 0u; }));
        EXPECT_EQ(nullptr, bitmap->row(size.second));
    }
    // Taken over from a bottom-up DIB: memory starts with the last row.
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    afBitmap bottomUp(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    static_cast<uint32_t*>(bits)[0] = 0x11223344;
    EXPECT_EQ(0x11223344u, bottomUp.row(3)[0]);
    afBitmap device(::CreateBitmap(5, 6, 1, 1, nullptr));
    EXPECT_EQ(5, device.getWidth());
    EXPECT_EQ(nullptr, device.row(0)) << "a device bitmap has no pixels at hand";
}

TEST(Bitmap, InvertingAlphaTwiceRestoresThePixels) {
    auto bitmap = patterned(5, 3);
    invertAlpha(*bitmap);
    EXPECT_TRUE(pixelsAre(*bitmap, [](int x, int y) { return pattern(x, y) ^ 0xFF000000u; }));
    invertAlpha(*bitmap);
    EXPECT_TRUE(pixelsAre(*bitmap, pattern));
}

TEST(Stretch, CopiesOneToOneExactlyAndKeepsConstantsConstant) {
    auto target = filled(12, 12, 0);
    stretch(*patterned(9, 7), *target, 1, 2, 8, 7, 3, 4, 10, 9);
    EXPECT_TRUE(pixelsAre(*target, [](int x, int y) {
        return x >= 3 && x < 10 && y >= 4 && y < 9 ? pattern(x - 2, y - 2) : 0u;
    }));
    const int sizes[][4] = {{3, 3, 17, 5}, {16, 16, 5, 7}, {1, 1, 9, 9}, {7, 2, 7, 13}, {5, 9, 1, 1}};
    for (const auto& size : sizes) {
        auto scaled = filled(size[2], size[3], 0);
        stretch(*filled(size[0], size[1], 0x80C0FF20), *scaled, 0, 0, size[0], size[1], 0, 0, size[2], size[3]);
        EXPECT_TRUE(pixelsAre(*scaled, [](int, int) { return 0x80C0FF20u; })) << size[0] << " to " << size[2];
    }
    // A 2 x 1 ramp to 4 x 1: half-pixel steps; the last column mixes with itself.
    auto ramp = afBitmap::createDIB(2, 1);
    ramp->row(0)[1] = 0x80;
    auto wide = filled(4, 1, 0);
    stretch(*ramp, *wide, 0, 0, 2, 1, 0, 0, 4, 1);
    EXPECT_TRUE(pixelsAre(*wide, [](int x, int) { return x == 0 ? 0u : x == 1 ? 0x40u : 0x80u; }));
}

TEST(Stretch, ReadsOnlyInsideTheSourceRectangleAndBitmap) {
    // A 2 x 2 rectangle without green inside a sentinel of full green: green in the result came
    // from outside. Also with the rectangle at the bitmap's last row and column.
    for (int corner : {2, 4}) {
        auto source = filled(6, 6, 0xFF00FF00);
        source->row(corner)[corner] = 0xFF0000FF;
        source->row(corner)[corner + 1] = 0x80FF0000;
        source->row(corner + 1)[corner] = 0x00FF00FF;
        source->row(corner + 1)[corner + 1] = 0xFFFF00FF;
        for (const auto& size : {std::make_pair(8, 8), std::make_pair(7, 3), std::make_pair(13, 5)}) {
            auto target = filled(size.first, size.second, 0);
            stretch(*source, *target, corner, corner, corner + 2, corner + 2, 0, 0, size.first, size.second);
            // Every pixel equals itself without green: its green is 0.
            EXPECT_TRUE(pixelsAre(*target, [&](int x, int y) { return target->row(y)[x] & 0xFFFF00FFu; }))
                << size.first << "x" << size.second << " from " << corner;
        }
    }
    // A source rectangle reaching past its bitmap draws from the part inside it.
    auto target = filled(6, 6, 0);
    stretch(*filled(4, 4, 0xFF102030), *target, -2, -2, 6, 6, 0, 0, 6, 6);
    EXPECT_TRUE(pixelsAre(*target, [](int, int) { return 0xFF102030u; }));
}

TEST(Stretch, WritesOnlyInsideTheTargetRectangleAndBitmap) {
    const int rects[][4] = {{-3, -2, 5, 6}, {6, 6, 14, 14}, {-20, 3, 30, 5}, {-8, -8, -1, -1}, {10, 10, 20, 20}};
    for (const auto& r : rects) {
        auto target = filled(10, 10, 0xDEADBEEF);
        stretch(*filled(4, 4, 0xFF102030), *target, 0, 0, 4, 4, r[0], r[1], r[2], r[3]);
        EXPECT_TRUE(pixelsAre(*target, [&](int x, int y) {
            return x >= r[0] && x < r[2] && y >= r[1] && y < r[3] ? 0xFF102030u : 0xDEADBEEFu;
        })) << r[0] << "," << r[1];
    }
}

TEST(Stretch, LogsInvalidForEmptyRectanglesAndDrawsNothing) {
    const int cases[][8] = {{0, 0, 0, 4, 0, 0, 4, 4}, {2, 0, 1, 4, 0, 0, 4, 4}, {0, 0, 4, 4, 3, 3, 3, 1}};
    for (const auto& c : cases) {
        auto target = filled(4, 4, 0);
        tessel_test::LogCapture log;
        stretch(*filled(4, 4, 0xFFFFFFFF), *target, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        ASSERT_EQ(1u, log.lines().size());
        EXPECT_EQ(L"Invalid\n", log.lines()[0].text);
        EXPECT_TRUE(pixelsAre(*target, [](int, int) { return 0u; }));
    }
}

} // namespace
