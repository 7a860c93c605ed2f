// The renderer draws into a 32-bit DIB: golden images of whole lines, and probes of the marks,
// boxes, fills and clipping it promises. The test font is 8 pixels a character and 15 high.

#include "afw/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/Golden.h"
#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"
#include "afw/unicode/afUnicodeRenderer.h"

#include <gtest/gtest.h>

#include <map>

using tessel_test::DibSurface;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00C000, kBlue = 0x0000FF, kMagenta = 0xFF00FF,
                   kDark = 0x202020, kYellow = 0xFFFF00;
// The packed form (red in the low byte, opaque) of a 0xRRGGBB colour.
constexpr uint32_t packed(uint32_t rgb) {
    return 0xFF000000 | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16);
}

// Styles by id: 0 plain black text, 1 blue on yellow, 2 green text, 3 bold dark text.
class Styles : public afUnicodeStyleProvider {
public:
    afUnicodeStyle& styleFor(uint16_t id) override { return m_styles[id < 4 ? id : 0]; }

private:
    afUnicodeStyle m_styles[4] = {{packed(0), packed(kWhite), 0, 0},
                                  {packed(kBlue), packed(kYellow), 0, 0},
                                  {packed(kGreen), packed(kWhite), 0, 0},
                                  {packed(kDark), packed(kWhite), 0, AF_FONT_BOLD}};
};

// A highlight layer of one background; it marks nothing itself (the tests set the marks).
class Layer : public tessel::TextHighlighter {
public:
    explicit Layer(uint32_t rgb, float alpha = 1.0f) {
        tessel::HighlightStyle style;
        style.background[0] = (rgb >> 16) / 255.0f;
        style.background[1] = ((rgb >> 8) & 0xFF) / 255.0f;
        style.background[2] = (rgb & 0xFF) / 255.0f;
        style.background[3] = alpha;
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
        for (int i = 0; i < AF_PAINT_COLOURS; ++i) {
            record[4 * i] = (colours[i] >> 16) / 255.0f;
            record[4 * i + 1] = ((colours[i] >> 8) & 0xFF) / 255.0f;
            record[4 * i + 2] = (colours[i] & 0xFF) / 255.0f;
            record[4 * i + 3] = 1.0f;
        }
        renderer.setPaintColours(record);
    }

    bool lay(const std::wstring& text, std::vector<uint16_t> styleIds = {}) {
        tessel_test::fillRecord(data, text, layout.getTabSize());
        data.lineBackground = packed(kWhite);
        for (size_t i = 0; i < styleIds.size() && i < text.size(); ++i)
            data.attributes.entries[i] = styleIds[i];
        return layout.process(data);
    }
    // Marks the entries [first, last) with a layer's bit as a range (or, inner, as the second mask).
    void mark(int first, int last, const Layer& layer, bool inner = false) {
        if (data.attributes.entries.size() < static_cast<size_t>(last))
            data.attributes.entries.resize(last, 0);
        for (int i = first; i < last; ++i)
            data.attributes.entries[i] |= layer.getBit() << (inner ? 24 : 16);
    }
    // Draws the subline at (left, top) of the surface, clipped at clipRight.
    void draw(DibSurface& surface, int subline, int left = 0, int top = 0, int clipRight = -1) {
        auto canvas = afCanvas::fromDC(surface.dc());
        const RECT rect = {left, top, 600, top + layout.getLineHeight()};
        const RECT clip = {0, top, clipRight < 0 ? 600 : clipRight, top + layout.getLineHeight()};
        const float overlay[4] = {0, 0, 0, 0};
        renderer.drawSubline(*canvas, data, subline, rect, clip, overlay, true);
    }
    tessel_test::Image image(const DibSurface& surface, int width, int height) const {
        tessel_test::Image result{width, height, {}};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                result.pixels.push_back(surface.rgb(x, y));
        return result;
    }
    // Columns in [from, to) of rows [top, bottom) with a pixel of the colour.
    static int columnsWith(const DibSurface& surface, uint32_t colour, int from, int to, int top = 0, int bottom = 15) {
        int found = 0;
        for (int x = from; x < to; ++x)
            found += surface.count({x, top, x + 1, bottom}, colour) > 0;
        return found;
    }
    struct Probe {
        int x, y;
        uint32_t colour;
    };
    static void expectPixels(const DibSurface& surface, std::initializer_list<Probe> probes, const char* what = "") {
        for (const Probe& probe : probes)
            EXPECT_EQ(probe.colour, surface.rgb(probe.x, probe.y)) << what << " at " << probe.x << ", " << probe.y;
    }
    static int inkColumns(const DibSurface& surface, int from, int to) {
        int found = 0;
        for (int x = from; x < to; ++x)
            found += surface.count({x, 0, x + 1, 15}, kWhite) < 15;
        return found;
    }

    Styles styles;
    afUnicode layout{tessel_test::testFontSet()};
    afUnicodeRenderer renderer{layout};
    afUnicodeData data;
};

} // namespace

TEST_F(RendererTest, GoldenLines) {
    Layer selection(0x3399FF, 0.4f);
    layout.addClient(&selection);
    {
        const std::wstring text = L"int main(void) { return 0x1F; } // \x07 done\t";
        std::vector<uint16_t> ids(text.size(), 0);
        std::fill_n(ids.begin(), 3, 3);
        std::fill_n(ids.begin() + 17, 6, 3);
        std::fill_n(ids.begin() + 24, 4, 1);
        std::fill(ids.begin() + 32, ids.end(), 2);
        ASSERT_TRUE(lay(text, ids));
        mark(4, 14, selection);
        renderer.setWhitespaceMarks(false, false, true);
        DibSurface surface(400, 15);
        draw(surface, 0);
        EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/styled-line.png", image(surface, 400, 15)));
    }
    {
        ASSERT_TRUE(lay(L"ab \x05e9\x05dc\x05d5\x05dd 123 cd \x0633\x0644\x0627\x0645 \x0639\x0644\x064a\x0643\x0645 x"));
        mark(4, 12, selection);
        DibSurface surface(300, 15);
        draw(surface, 0);
        EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/mixed-direction.png", image(surface, 300, 15)));
    }
    {
        renderer.setIndentGuides(true);
        renderer.setWhitespaceMarks(true, true, true);
        layout.setWrapWidth(1);
        ASSERT_TRUE(lay(L"\t\tif (value) { call(first, second, third); } // and a comment"));
        DibSurface surface(260, 15 * data.sublineCount());
        for (int k = 0; k < data.sublineCount(); ++k)
            draw(surface, k, 0, 15 * k);
        EXPECT_TRUE(tessel_test::matchesGoldenImage("afw/unicode/golden/wrapped-line.png",
                                                    image(surface, 260, 15 * data.sublineCount())));
    }
}

TEST_F(RendererTest, TabsAndBlanksGetTheirMarksOnlyInTheZonesAskedFor) {
    renderer.setWhitespaceMarks(true, true, true);
    ASSERT_TRUE(lay(L"a\tb  "));
    DibSurface surface(100, 15);
    draw(surface, 0);
    // The tab runs from 8 to 32; its arrow runs at half the line height to 29, with a head.
    for (int x = 8; x < 29; ++x)
        EXPECT_EQ(kRed, surface.rgb(x, 7)) << x;
    expectPixels(surface, {{27, 5, kRed}, {28, 6, kRed}, {28, 8, kRed}, {27, 9, kRed}, {30, 7, kWhite}}, "the head");
    // The blanks after b (40..48, 48..56) get five-pixel plus signs at their centres.
    for (int c : {44, 52})
        expectPixels(surface, {{c, 7, kRed}, {c - 1, 7, kRed}, {c + 1, 7, kRed}, {c, 6, kRed}, {c, 8, kRed},
                               {c + 1, 8, kWhite}}, "a plus");

    renderer.setWhitespaceMarks(false, false, true);
    ASSERT_TRUE(lay(L"  a\t "));
    DibSurface trailing(100, 15);
    draw(trailing, 0);
    EXPECT_EQ(0, columnsWith(trailing, kRed, 0, 16)) << "leading blanks stay bare";
    EXPECT_EQ(kRed, trailing.rgb(36, 7)) << "the trailing blank after the tab";
    EXPECT_GT(columnsWith(trailing, kRed, 24, 32), 5) << "the trailing tab";
}

TEST_F(RendererTest, ControlCharactersShowTheirCodeInvertedInARoundedBox) {
    ASSERT_TRUE(lay(L"a\x07"));
    DibSurface surface(40, 15);
    draw(surface, 0);
    // The box covers 8..24; one pixel wider on each side below the top row and above the bottom one.
    expectPixels(surface, {{8, 0, kDark}, {23, 14, kDark}, {7, 0, kWhite}, {7, 1, kDark}, {24, 14, kWhite},
                           {24, 13, kDark}});
    EXPECT_GT(surface.count({8, 1, 24, 14}, kWhite), 10) << "\"07\" in the view's background";
}

TEST_F(RendererTest, InnerFillsLeaveTheLeadingTwoPixelsOnEitherSide) {
    Layer main(kBlue), inner(kGreen);
    layout.addClient(&main);
    layout.addClient(&inner);
    ASSERT_TRUE(lay(L"abc"));
    mark(0, 3, main);
    mark(0, 3, inner, true);
    DibSurface ltr(60, 15);
    draw(ltr, 0);
    expectPixels(ltr, {{0, 0, kBlue}, {1, 14, kBlue}, {2, 0, kGreen}, {23, 0, kGreen}, {24, 0, kWhite}});

    ASSERT_TRUE(lay(L"\x05e9\x05dc\x05d5\x05dd"));
    mark(0, 4, main);
    mark(0, 4, inner, true);
    DibSurface rtl(60, 15);
    draw(rtl, 0);
    const int right = data.totalWidth;
    expectPixels(rtl, {{0, 0, kGreen}, {right - 3, 0, kGreen}, {right - 2, 0, kBlue}, {right - 1, 14, kBlue},
                       {right, 0, kWhite}});
}

TEST_F(RendererTest, VirtualSpaceMarginAndWrapMarks) {
    Layer selection(kYellow);
    layout.addClient(&selection);
    layout.setWrapWidth(1);
    ASSERT_TRUE(lay(std::wstring(40, L'x')));
    ASSERT_EQ(2, data.sublineCount());
    mark(35, 43, selection); // three columns past the end
    renderer.setRightMargin(250);
    DibSurface first(300, 15), last(300, 15);
    draw(first, 0);
    draw(last, 1);
    EXPECT_EQ(0, columnsWith(first, kYellow, 240, 300)) << "virtual space belongs to the last subline";
    // The last subline holds 10 characters from its origin (16): text to 96, virtual space to 120.
    expectPixels(last, {{100, 0, kYellow}, {119, 14, kYellow}, {120, 0, kWhite}});
    EXPECT_EQ(15, first.count({250, 0, 251, 15}, kBlue)) << "the margin line";
    // The continuation's "L" hook: down at x = 8 to half the height, then a space width right.
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(kMagenta, last.rgb(8, y)) << y;
    for (int x = 8; x < 16; ++x)
        EXPECT_EQ(kMagenta, last.rgb(x, 7)) << x;
    EXPECT_NE(kMagenta, last.rgb(8, 10));
    EXPECT_EQ(0, columnsWith(first, kMagenta, 0, 300)) << "no mark on the first subline";

    DibSurface clipped(300, 15);
    draw(clipped, 0, 0, 0, 250);
    EXPECT_EQ(0, clipped.count({250, 0, 251, 15}, kBlue)) << "a margin at the clip edge is not drawn";
}

TEST_F(RendererTest, RightToLeftRunsEndAtTheirRightEdgeAndTheAlignmentIsRestored) {
    ASSERT_TRUE(lay(L"\x05e9\x05dc\x05d5\x05dd"));
    DibSurface surface(80, 15);
    ::SetTextAlign(surface.dc(), TA_BASELINE | TA_UPDATECP);
    draw(surface, 0, 10);
    EXPECT_EQ(static_cast<UINT>(TA_BASELINE | TA_UPDATECP), ::GetTextAlign(surface.dc()));
    const int right = 10 + data.totalWidth;
    EXPECT_GT(inkColumns(surface, right - 8, right), 2) << "ink reaches the run's right end";
    EXPECT_EQ(0, inkColumns(surface, right + 1, 80));
    EXPECT_EQ(0, inkColumns(surface, 0, 10));
}

TEST_F(RendererTest, NothingStartsPastTheClipEdgeAndLongRunsAreNotWalked) {
    renderer.setWhitespaceMarks(true, true, true);
    ASSERT_TRUE(lay(L"aaaa bbbb cccc dddd", std::vector<uint16_t>(19, 1)));
    DibSurface surface(200, 15);
    draw(surface, 0, 0, 0, 80);
    EXPECT_EQ(kYellow, surface.rgb(79, 0));
    EXPECT_EQ(0, surface.count({80, 0, 200, 15}, kYellow));
    EXPECT_EQ(0, inkColumns(surface, 80, 200));

    tessel_test::UniscribeSeam seam;
    seam.table().textOut = &countTextOut;
    std::wstring words;
    while (words.size() < 32000)
        words += L"abc ";
    ASSERT_TRUE(lay(words));
    s_textOuts = 0;
    DibSurface wide(600, 15);
    draw(wide, 0, -16000, 0, 200);
    EXPECT_LT(s_textOuts, 20) << "only the groups the clip band shows";
    EXPECT_GT(inkColumns(wide, 0, 200), 50);
    EXPECT_EQ(0, inkColumns(wide, 200, 600));
}

TEST_F(RendererTest, EmptyAndFailedLinesShowOnlyTheBackgroundAndTheGuides) {
    renderer.setIndentGuides(true);
    for (bool fail : {false, true}) {
        ASSERT_TRUE(lay(L"        x"));
        data.text = fail ? L"xx" : L"";
        data.attributes.entries.resize(fail ? 1 : 0);
        EXPECT_EQ(!fail, layout.process(data));
        DibSurface surface(100, 15, 0x123456);
        draw(surface, 0);
        std::map<uint32_t, int> colours;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 100; ++x)
                ++colours[surface.rgb(x, y)];
        EXPECT_EQ((std::map<uint32_t, int>{{kWhite, 1500 - 30}, {kGreen, 30}}), colours) << fail;
        EXPECT_EQ(15, surface.count({32, 0, 33, 15}, kGreen)) << "guides at columns 0 and 4";
    }
}
