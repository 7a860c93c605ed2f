#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afColorDrawable.h"
#include "afw/graphics/afDrawableNinePatch.h"
#include "afw/graphics/afFrameDrawable.h"
#include "afw/graphics/afImagePack.h"
#include "afw/graphics/afNinePatch.h"
#include "afw/support/Golden.h"
#include "afw/support/PngWriter.h"
#include "afw/support/TestViews.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tessel_test;

namespace {

std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

// A pack of the entries: the count, the end offsets, the entries.
std::vector<uint8_t> packOf(const std::vector<std::vector<uint8_t>>& entries) {
    std::vector<uint8_t> table = words({static_cast<uint32_t>(entries.size())}), data;
    for (const auto& entry : entries) {
        data.insert(data.end(), entry.begin(), entry.end());
        const std::vector<uint8_t> end = words({static_cast<uint32_t>(data.size())});
        table.insert(table.end(), end.begin(), end.end());
    }
    table.insert(table.end(), data.begin(), data.end());
    return table;
}

// A nine-patch entry over a 38 x 38 image whose every pixel differs.
std::vector<uint8_t> ninePatchEntry(std::initializer_list<uint32_t> stretch) {
    PngImage image;
    image.width = image.height = 38;
    for (int i = 0; i < 38 * 38; ++i)
        for (int c : {i % 251, i % 241, i % 239, 255})
            image.rows.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> entry = words({afImagePack::KIND_NINE_PATCH});
    const std::vector<uint8_t> metrics = words(stretch), padding = words({10, 5, 10, 7}), png = encodePng(image);
    for (const auto* part : {&metrics, &padding, &png})
        entry.insert(entry.end(), part->begin(), part->end());
    return entry;
}

std::unique_ptr<afNinePatch> ninePatchOf(const std::vector<uint8_t>& pack) {
    const std::unique_ptr<afImagePack> read = afImagePack::fromBytes(pack.data(), static_cast<uint32_t>(pack.size()));
    return afNinePatch::fromPack(read.get());
}

const std::initializer_list<uint32_t> kStretch = {4, 3, 34, 33};

TEST(ImagePack, TakesEntryZeroOfASoundPackOnly) {
    const std::vector<uint8_t> good = ninePatchEntry(kStretch);
    const std::unique_ptr<afNinePatch> patch = ninePatchOf(packOf({good, words({afImagePack::KIND_BITMAP})}));
    ASSERT_NE(nullptr, patch);
    EXPECT_EQ(afRect(10, 5, 10, 7), patch->padding());
    EXPECT_EQ(34, patch->getMetrics().stretchRight);

    // The second entry ends before the first does; the only one ends past the data.
    std::vector<uint8_t> decreasing = packOf({good, good}), outside = packOf({good});
    const uint32_t one = 1, past = static_cast<uint32_t>(good.size() + 1);
    std::memcpy(&decreasing[8], &one, 4);
    std::memcpy(&outside[4], &past, 4);
    const std::pair<const char*, std::vector<uint8_t>> refused[] = {
        {"no entries", packOf({})},
        {"a bitmap first", packOf({words({afImagePack::KIND_BITMAP}), good})},
        {"a table longer than the pack", words({3, 4})},
        {"a decreasing offset", decreasing},
        {"an entry past the end", outside},
        {"an entry shorter than its header", packOf({words({afImagePack::KIND_NINE_PATCH, 4, 3, 34})})},
        {"left past right", packOf({ninePatchEntry({35, 3, 34, 33})})},
        {"right past the width", packOf({ninePatchEntry({4, 3, 39, 33})})},
        {"a negative top", packOf({ninePatchEntry({4, 0xFFFFFFFF, 34, 33})})},
        {"bottom past the height", packOf({ninePatchEntry({4, 3, 34, 40})})},
        {"no PNG", packOf({words({afImagePack::KIND_NINE_PATCH, 0, 0, 0, 0, 0, 0, 0, 0, 0x474E5089})})},
        {"a second entry out of bounds", packOf({good, ninePatchEntry({0, 0, 0, 39})})},
    };
    LogCapture log;
    for (const auto& r : refused)
        EXPECT_EQ(nullptr, ninePatchOf(r.second)) << r.first;
}

TEST(ImagePack, TheLinkedPackHoldsTheHintBackgroundFirst) {
    const std::unique_ptr<afImagePack> pack = afImagePack::load(::GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, pack);
    ASSERT_EQ(5u, pack->count);
    const uint32_t patch = afImagePack::KIND_NINE_PATCH;
    EXPECT_EQ((std::vector<uint32_t>{patch, patch, patch, patch, afImagePack::KIND_BITMAP}),
              (std::vector<uint32_t>{pack->kind(0), pack->kind(1), pack->kind(2), pack->kind(3), pack->kind(4)}));
    const std::unique_ptr<afNinePatch> hint = afNinePatch::fromPack(pack.get());
    ASSERT_NE(nullptr, hint);
    const afNinePatchMetrics& m = hint->getMetrics();
    EXPECT_EQ(afRect(4, 3, 34, 33), afRect(m.stretchLeft, m.stretchTop, m.stretchRight, m.stretchBottom));
    EXPECT_EQ(afRect(10, 5, 10, 7), hint->padding());

    // At the hint's size, over white.
    auto rendering = afBitmap::createDIB(200, 60);
    hint->renderTo(*rendering);
    DibSurface surface(200, 60);
    afCanvas::fromDC(surface.dc())->drawBitmap(*rendering, 0, 0);
    EXPECT_TRUE(matchesGoldenImage("afw/golden/hint-background.png", surface, 200, 60));
}

TEST(NinePatch, KeepsCornersAndNeverLeavesTheTarget) {
    const std::unique_ptr<afNinePatch> patch = ninePatchOf(packOf({ninePatchEntry(kStretch)}));
    ASSERT_NE(nullptr, patch);
    const afBitmap& source = patch->getBitmap();
    auto big = afBitmap::createDIB(100, 50);
    patch->renderTo(*big);
    // The corners: 4 x 3 top left, 4 x 3 top right, 4 x 5 below.
    const struct {
        int x, y, width, height;
    } corners[] = {{0, 0, 4, 3}, {34, 0, 4, 3}, {0, 33, 4, 5}, {34, 33, 4, 5}};
    for (const auto& c : corners)
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int tx = c.x ? c.x + 62 : 0, ty = c.y ? c.y + 12 : 0;
                ASSERT_EQ(source.row(c.y + y)[c.x + x], big->row(ty + y)[tx + x]) << c.x << "," << c.y;
            }

    // Targets of every awkward size, inside a sentinel border of one pixel all round.
    LogCapture log;
    for (const SIZE size : {SIZE{2, 2}, SIZE{0, 5}, SIZE{5, 0}, SIZE{37, 37}, SIZE{1, 200}}) {
        const int stride = size.cx + 2;
        std::vector<uint32_t> memory(static_cast<size_t>(stride) * (size.cy + 2), 0xDEADBEEF);
        auto target = afBitmap::overMemory(memory.data() + stride + 1, size.cx, size.cy, stride * 4);
        ASSERT_NE(nullptr, target);
        patch->renderTo(*target);
        for (int y = 0; y < size.cy + 2; ++y)
            for (int x = 0; x < stride; ++x) {
                const bool inside = x >= 1 && x <= size.cx && y >= 1 && y <= size.cy;
                if (!inside)
                    ASSERT_EQ(0xDEADBEEFu, memory[static_cast<size_t>(y) * stride + x]) << size.cx << "x" << size.cy;
                else
                    ASSERT_NE(0xDEADBEEFu, memory[static_cast<size_t>(y) * stride + x]) << "every pixel is drawn";
            }
    }
}

// Counts the changes a drawable reports.
struct Listener : afDrawableListener {
    void onDrawableChanged(afDrawable*) override { ++changes; }
    int changes = 0;
};

TEST(Drawables, NotifyEverySetAndDrawTheirParts) {
    Listener listener;
    afColorDrawable colour(RGB(1, 2, 3));
    colour.setListener(&listener);
    for (int i = 0; i < 2; ++i) {
        colour.setBounds(afRect(1, 1, 5, 5));
        colour.setLevel(3);
        colour.setVisible(true);
    }
    EXPECT_EQ(6, listener.changes) << "unchanged values notify too";
    DibSurface surface(12, 12);
    colour.draw(*afCanvas::fromDC(surface.dc()));
    EXPECT_EQ(16, surface.count(afRect(0, 0, 12, 12), 0x010203));

    // Edges drawn right, left, top, bottom: the top and bottom take the corners.
    const COLORREF top = RGB(255, 0, 0), left = RGB(0, 255, 0), bottom = RGB(0, 0, 255), right = RGB(255, 255, 0);
    afFrameDrawable frame(RGB(9, 9, 9), top, left, bottom, right, afFrameDrawable::EDGE_ALL);
    frame.setBounds(afRect(1, 1, 11, 11));
    frame.draw(*afCanvas::fromDC(surface.dc()));
    const std::tuple<int, int, COLORREF> probes[] = {{1, 1, top},    {10, 1, top},   {1, 10, bottom}, {10, 10, bottom},
                                                     {1, 5, left},   {10, 5, right}, {5, 1, top},     {5, 10, bottom},
                                                     {5, 5, RGB(9, 9, 9)}, {0, 0, RGB(255, 255, 255)}};
    for (const auto& p : probes)
        EXPECT_EQ(DibSurface::pixelOf(std::get<2>(p)), surface.rgb(std::get<0>(p), std::get<1>(p)))
            << std::get<0>(p) << "," << std::get<1>(p);
    afFrameDrawable fillOnly(RGB(7, 7, 7), RGB(255, 0, 0), 0);
    fillOnly.setBounds(afRect(0, 0, 12, 12));
    fillOnly.draw(*afCanvas::fromDC(surface.dc()));
    EXPECT_EQ(144, surface.count(afRect(0, 0, 12, 12), 0x070707));
}

TEST(Drawables, ANinePatchRendersOncePerSizeAndNotWhenEmpty) {
    const std::unique_ptr<afNinePatch> patch = ninePatchOf(packOf({ninePatchEntry(kStretch)}));
    ASSERT_NE(nullptr, patch);
    afDrawableNinePatch drawable(patch.get());
    afRect padding;
    EXPECT_TRUE(drawable.getPadding(&padding));
    EXPECT_EQ(afRect(10, 5, 10, 7), padding);
    DibSurface surface(80, 60, 0x123456);
    const auto canvas = afCanvas::fromDC(surface.dc());
    const std::pair<afRect, int> steps[] = {
        {afRect(0, 0, 0, 0), 0},     {afRect(10, 10, 5, 20), 0}, {afRect(0, 0, 40, 30), 1},
        {afRect(0, 0, 40, 30), 1},   {afRect(20, 20, 60, 50), 1}, {afRect(0, 0, 50, 30), 2},
    };
    for (const auto& step : steps) {
        drawable.setBounds(step.first);
        drawable.draw(*canvas);
        EXPECT_EQ(step.second, drawable.getRenderCount()) << step.first.left << "," << step.first.right;
    }
    EXPECT_EQ(0, surface.count(afRect(0, 0, 50, 30), 0x123456)) << "the image is opaque";

    // As a view's background it gives the view its padding.
    ProbeView view;
    view.setBackground(new afDrawableNinePatch(patch.get()));
    EXPECT_EQ(afRect(10, 5, 10, 7), view.getPadding());
}

} // namespace
