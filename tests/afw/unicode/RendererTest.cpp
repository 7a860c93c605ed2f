// The renderer draws into a 32-bit DIB: golden images of whole lines, and probes of the marks,
// boxes, fills and clipping it promises. The test font is 8 pixels a character and 15 high.

#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/Golden.h"
#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"
#include "afw/unicode/afUnicodeRenderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numeric>

using tessel_test::DibSurface;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00C000, kBlue = 0x0000FF, kMagenta = 0xFF00FF,
                   kDark = 0x202020, kYellow = 0xFFFF00;
// The packed form (red in the low byte, opaque) of a 0xRRGGBB colour, and its floats.
constexpr uint32_t packed(uint32_t rgb) {
    return 0xFF000000 | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16);
}
void toFloats(uint32_t rgb, float alpha, float* colour) {
    for (int i = 0; i < 3; ++i)
        colour[i] = ((rgb >> (16 - 8 * i)) & 0xFF) / 255.0f;
    colour[3] = alpha;
}

// Styles by id: 0 plain black text, 1 blue on yellow, 2 green text, 3 bold dark text.
struct Styles : afUnicodeStyleProvider {
    afUnicodeStyle& styleFor(uint16_t id) override { return styles[id < 4 ? id : 0]; }
    afUnicodeStyle styles[4] = {{packed(0), packed(kWhite), 0, 0},
                                {packed(kBlue), packed(kYellow), 0, 0},
                                {packed(kGreen), packed(kWhite), 0, 0},
                                {packed(kDark), packed(kWhite), 0, AF_FONT_BOLD}};
};

// A highlight layer of one background; the tests set its marks.
struct Layer : tessel::TextHighlighter {
    explicit Layer(uint32_t rgb, float alpha = 1.0f) {
        tessel::HighlightStyle style;
        toFloats(rgb, alpha, style.background);
        setStyle(style);
    }
    void update(int, tessel::LineAttributes&, int, int) override {}
};

int s_textOuts = 0;
HRESULT WINAPI countTextOut(HDC dc, SCRIPT_CACHE* cache, int x, int y, UINT options, const RECT* clip,
                            const SCRIPT_ANALYSIS* analysis, const WCHAR* reserved, int reserved2, const WORD* glyphs,
                            int count, const int* advances, const int* justify, const GOFFSET* offsets) {
    ++s_textOuts;
    return afSystemUniscribe().textOut(dc, cache, x, y, options, clip, analysis, reserved, reserved2, glyphs, count,
                                       advances, justify, offsets);
}

class RendererTest : public testing::Test {
protected:
    RendererTest() {
        layout.setStyleProvider(&styles);
        const uint32_t colours[AF_PAINT_COLOURS] = {kDark, kWhite, kRed, kGreen, kBlue, kMagenta, 0};
        float record[AF_PAINT_COLOURS * 4];
        for (int i = 0; i < AF_PAINT_COLOURS; ++i)
            toFloats(colours[i], 1.0f, record + 4 * i);
        renderer.setPaintColours(record);
    }

    bool lay(const std::wstring& text, uint16_t style = 0) {
        tessel_test::fillRecord(data, text, layout.getTabSize());
        data.lineBackground = packed(kWhite);
        std::fill(data.attributes.entries.begin(), data.attributes.entries.end(), style);
        return layout.process(data);
    }
    // Marks the entries [first, last) with a layer's bit as a range (or, inner, as the second mask).
    void mark(int first, int last, const Layer& layer, bool inner = false) {
        data.attributes.entries.resize(std::max<size_t>(data.attributes.entries.size(), last));
        for (int i = first; i < last; ++i)
            data.attributes.entries[i] |= layer.getBit() << (inner ? 24 : 16);
    }
    // Draws the subline at (left, top) of the surface (a new one unless drawing further down),
    // clipped at clipRight.
    DibSurface& draw(int subline, int left = 0, int top = 0, int clipRight = 600) {
        if (top == 0)
            surface.reset(new DibSurface(600, 60, 0x123456));
        auto canvas = afCanvas::fromDC(surface->dc());
        ::SetTextAlign(surface->dc(), TA_BASELINE | TA_UPDATECP);
        const RECT rect = {left, top, 600, top + 15}, clip = {0, top, clipRight, top + 15};
        const float overlay[4] = {0, 0, 0, 0};
        renderer.drawSubline(*canvas, data, subline, rect, clip, overlay, true);
        EXPECT_EQ(static_cast<UINT>(TA_BASELINE | TA_UPDATECP), ::GetTextAlign(surface->dc())) << "put back";
        return *surface;
    }
    // Columns in [from, to) holding a pixel of the colour, or (other) of any other colour.
    int columns(int from, int to, uint32_t colour, bool other = false) const {
        int found = 0;
        for (int x = from; x < to; ++x) {
            const int same = surface->count({x, 0, x + 1, 15}, colour);
            found += other ? same < 15 : same > 0;
        }
        return found;
    }
    struct Probe {
        int x, y;
        uint32_t colour;
    };
    void expectPixels(std::initializer_list<Probe> probes, const char* what = "") const {
        for (const Probe& probe : probes)
            EXPECT_EQ(probe.colour, surface->rgb(probe.x, probe.y)) << what << " at " << probe.x << ", " << probe.y;
    }

    Styles styles;
    afUnicode layout{tessel_test::testFontSet()};
    afUnicodeRenderer renderer{layout};
    afUnicodeData data;
    std::unique_ptr<DibSurface> surface;
};

} // namespace

TEST_F(RendererTest, GoldenLines) {
    Layer selection(0x3399FF, 0.4f);
    layout.addClient(&selection);
    const std::wstring styled = L"int main(void) { return 0x1F; } // \x07 done\t";
    ASSERT_TRUE(lay(styled));
    // The comment's style runs to the end of the text: one entry further would be written past
    // the attributes the record holds.
    const int end = static_cast<int>(styled.size());
    for (auto range : {std::vector<int>{0, 3, 3}, {17, 23, 3}, {24, 28, 1}, {32, end, 2}})
        std::fill(data.attributes.entries.begin() + range[0], data.attributes.entries.begin() + range[1], range[2]);
    ASSERT_TRUE(layout.process(data));
    mark(4, 14, selection);
    renderer.setWhitespaceMarks(false, false, true);
    EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/styled-line.png", draw(0), 400, 15));

    ASSERT_TRUE(lay(L"ab \x05e9\x05dc\x05d5\x05dd 123 cd \x0633\x0644\x0627\x0645 \x0639\x0644\x064a\x0643\x0645 x"));
    mark(4, 12, selection);
    EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/mixed-direction.png", draw(0), 300, 15));

    renderer.setIndentGuides(true);
    renderer.setWhitespaceMarks(true, true, true);
    layout.setWrapWidth(240);
    ASSERT_TRUE(lay(L"\t\tif (value) { call(first, second, third); } // and a comment"));
    for (int k = 0; k < data.sublineCount(); ++k)
        draw(k, 0, 15 * k);
    EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/wrapped-line.png", *surface, 260, 60));
}

TEST_F(RendererTest, TabsAndBlanksGetTheirMarksOnlyInTheZonesAskedFor) {
    renderer.setWhitespaceMarks(true, true, true);
    ASSERT_TRUE(lay(L"a\tb  "));
    draw(0);
    // The tab runs from 8 to 32; its arrow runs at half the line height to 29, with a head.
    EXPECT_EQ(21, surface->count({8, 7, 29, 8}, kRed));
    expectPixels({{27, 5, kRed}, {28, 6, kRed}, {28, 8, kRed}, {27, 9, kRed}, {30, 7, kWhite}}, "the head");
    // The blanks after b (40..48, 48..56) get five-pixel plus signs at their centres.
    for (int c : {44, 52})
        expectPixels({{c, 7, kRed}, {c - 1, 7, kRed}, {c + 1, 7, kRed}, {c, 6, kRed}, {c, 8, kRed}, {c + 1, 8, kWhite}},
                     "a plus");

    renderer.setWhitespaceMarks(false, false, true);
    ASSERT_TRUE(lay(L"  a\t "));
    draw(0);
    EXPECT_EQ(0, columns(0, 16, kRed)) << "leading blanks stay bare";
    EXPECT_EQ(kRed, surface->rgb(36, 7)) << "the trailing blank after the tab";
    EXPECT_GT(columns(24, 32, kRed), 5) << "the trailing tab";
}

TEST_F(RendererTest, ControlBoxesAndInnerFills) {
    ASSERT_TRUE(lay(L"a\x07"));
    draw(0);
    // The box covers 8..24; one pixel wider on each side below the top row and above the bottom one.
    expectPixels({{8, 0, kDark}, {23, 14, kDark}, {7, 0, kWhite}, {7, 1, kDark}, {24, 14, kWhite}, {24, 13, kDark}});
    EXPECT_GT(surface->count({8, 1, 24, 14}, kWhite), 10) << "\"07\" in the view's background";

    // The inner fill leaves two pixels of the main one at the leading edge, on either side.
    Layer main(kBlue), inner(kGreen);
    layout.addClient(&main);
    layout.addClient(&inner);
    for (const wchar_t* text : {L"abc", L"\x05e9\x05dc\x05d5\x05dd"}) {
        ASSERT_TRUE(lay(text));
        mark(0, data.lineLength, main);
        mark(0, data.lineLength, inner, true);
        draw(0);
        const int right = data.totalWidth, lead = text[0] == L'a' ? 0 : right - 2;
        expectPixels({{lead, 0, kBlue}, {lead + 1, 14, kBlue}, {lead == 0 ? 2 : 0, 0, kGreen},
                      {lead == 0 ? right - 1 : right - 3, 0, kGreen}, {right, 0, kWhite}});
    }
}

TEST_F(RendererTest, ControlBoxesSideBySideLeaveEveryCodeAndGlyphWhole) {
    // A run of NULs, as in a binary file: every box looks as a lone one does, its code included
    // ("0C0C00" when a box's fill covered the last column of the code before it).
    auto cellOf = [&](int left, int width) {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 15; ++y)
            for (int x = left; x < left + width; ++x)
                pixels.push_back(surface->rgb(x, y));
        return pixels;
    };
    ASSERT_TRUE(lay(std::wstring(1, L'\0')));
    const int cell = data.totalWidth;
    draw(0);
    const std::vector<uint32_t> alone = cellOf(0, cell);
    ASSERT_TRUE(lay(std::wstring(6, L'\0')));
    draw(0);
    for (int k = 0; k < 6; ++k) {
        const std::vector<uint32_t> box = cellOf(k * cell, cell);
        const int differing =
            std::inner_product(alone.begin(), alone.end(), box.begin(), 0, std::plus<>(), std::not_equal_to<>());
        EXPECT_EQ(0, differing) << "pixels of box " << k << " that differ from a lone one";
    }

    // Glyphs that fill their cells keep their edges beside a box; the box keeps its rounded
    // corners outside them.
    ASSERT_TRUE(lay(L"\x2588\x07\x2588"));
    const int box = data.items[1].width;
    draw(0);
    EXPECT_EQ(13, surface->count({7, 1, 8, 14}, 0)) << "the last column of the block before the box";
    EXPECT_EQ(13, surface->count({8 + box, 1, 9 + box, 14}, 0)) << "the first column of the block after it";
    expectPixels({{8, 0, kDark}, {7 + box, 14, kDark}});
}

TEST_F(RendererTest, VirtualSpaceMarginAndWrapMarks) {
    Layer selection(kYellow);
    layout.addClient(&selection);
    layout.setWrapWidth(240);
    ASSERT_TRUE(lay(std::wstring(40, L'x')));
    ASSERT_EQ(2, data.sublineCount());
    mark(35, 43, selection); // three columns past the end
    renderer.setRightMargin(250);
    draw(0);
    EXPECT_EQ(0, columns(240, 300, kYellow)) << "virtual space belongs to the last subline";
    EXPECT_EQ(15, surface->count({250, 0, 251, 15}, kBlue)) << "the margin line";
    EXPECT_EQ(0, columns(0, 300, kMagenta)) << "no wrap mark on the first subline";
    draw(0, 0, 0, 250);
    EXPECT_EQ(0, surface->count({250, 0, 251, 15}, kBlue)) << "a margin at the clip edge is not drawn";

    // The last subline holds 10 characters from its origin (16): text to 96, virtual space to 120.
    draw(1);
    expectPixels({{100, 0, kYellow}, {119, 14, kYellow}, {120, 0, kWhite}});
    // The continuation's "L" hook: down at x = 8 to half the height, then a space width right.
    EXPECT_EQ(7, surface->count({8, 0, 9, 7}, kMagenta));
    EXPECT_EQ(8, surface->count({8, 7, 16, 8}, kMagenta));
    EXPECT_EQ(0, surface->count({8, 8, 9, 15}, kMagenta));
}

TEST_F(RendererTest, RightToLeftRunsEndAtTheirRightEdge) {
    ASSERT_TRUE(lay(L"\x05e9\x05dc\x05d5\x05dd"));
    draw(0);
    const int right = data.totalWidth;
    EXPECT_GT(columns(right - 8, right, kWhite, true), 2) << "ink reaches the run's right end";
    EXPECT_GT(columns(0, 8, kWhite, true), 2) << "and its left end";
    EXPECT_EQ(0, columns(right + 1, 600, kWhite, true));
}

TEST_F(RendererTest, NothingStartsPastTheClipEdgeAndLongRunsAreNotWalked) {
    renderer.setWhitespaceMarks(true, true, true);
    ASSERT_TRUE(lay(L"aaaa bbbb cccc dddd", 1));
    draw(0, 0, 0, 80);
    EXPECT_EQ(kYellow, surface->rgb(79, 0));
    EXPECT_EQ(0, surface->count({80, 0, 600, 15}, kYellow));
    EXPECT_EQ(0, columns(80, 600, kWhite, true));

    tessel_test::UniscribeSeam seam;
    seam.table().textOut = &countTextOut;
    std::wstring words;
    while (words.size() < 32000)
        words += L"abc ";
    ASSERT_TRUE(lay(words));
    s_textOuts = 0;
    draw(0, -16000, 0, 200);
    EXPECT_LT(s_textOuts, 20) << "only the groups the clip band shows";
    EXPECT_GT(columns(0, 200, kWhite, true), 50);
    EXPECT_EQ(0, columns(200, 600, kWhite, true));
}

TEST_F(RendererTest, EmptyAndFailedLinesShowOnlyTheBackgroundAndTheGuides) {
    renderer.setIndentGuides(true);
    for (bool fail : {false, true}) {
        ASSERT_TRUE(lay(L"        x"));
        data.text = fail ? L"xx" : L"";
        data.attributes.entries.resize(fail ? 1 : 0);
        EXPECT_EQ(!fail, layout.process(data));
        draw(0);
        std::map<uint32_t, int> colours;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 100; ++x)
                ++colours[surface->rgb(x, y)];
        EXPECT_EQ((std::map<uint32_t, int>{{kWhite, 1500 - 30}, {kGreen, 30}}), colours) << fail;
        EXPECT_EQ(15, surface->count({32, 0, 33, 15}, kGreen)) << "guides at columns 0 and 4";
    }
}
