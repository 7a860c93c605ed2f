#include "afw/graphics/afCanvas.h"

#include "afw/graphics/afCanvasBuffer.h"
#include "afw/graphics/afCanvasRegion.h"
#include "afw/support/DibSurface.h"
#include "pel/base/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using tessel_test::DibSurface;

namespace {

// Everything of a DC's state a view could leak into the next one, as text for clear failures.
std::string describeState(HDC dc) {
    std::ostringstream text;
    POINT origin = {}, position = {};
    ::GetViewportOrgEx(dc, &origin);
    ::GetCurrentPositionEx(dc, &position);
    text << ::GetCurrentObject(dc, OBJ_PEN) << " " << ::GetCurrentObject(dc, OBJ_BRUSH) << " "
         << ::GetCurrentObject(dc, OBJ_FONT) << " " << ::GetCurrentObject(dc, OBJ_BITMAP) << std::hex << " colours "
         << ::GetTextColor(dc) << " " << ::GetBkColor(dc) << " " << ::GetDCPenColor(dc) << " "
         << ::GetDCBrushColor(dc) << std::dec << " mode " << ::GetBkMode(dc) << " origin " << origin.x << ","
         << origin.y << " at " << position.x << "," << position.y;
    HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
    RECT box = {};
    if (::GetClipRgn(dc, clip) == 1 && ::GetRgnBox(clip, &box))
        text << " clip " << box.left << "," << box.top << "," << box.right << "," << box.bottom;
    ::DeleteObject(clip);
    return text.str();
}

const afIcon& testIcon() {
    static const afIcon icon = tessel_test::solidIcon(16, 0x3366CC);
    return icon;
}

TEST(Canvas, EndsWithTheDcAsItWasAndEachPrimitivePutsBackWhatItChanges) {
    const std::function<void(afCanvas&)> primitives[] = {
        [](afCanvas& c) { c.fillRect({2, 2, 20, 10}, RGB(255, 0, 0)); },
        [](afCanvas& c) { c.drawLine(0, 0, 30, 20, RGB(0, 0, 255)); },
        [](afCanvas& c) { c.drawLineRight({4, 4, 30, 20}, 0); },
        [](afCanvas& c) { c.drawText(L"Hello", {0, 0, 60, 20}, DT_SINGLELINE, RGB(0, 128, 0)); },
        [](afCanvas& c) { c.measureText(L"Hello world", -1, DT_WORDBREAK, 20); },
        [](afCanvas& c) { c.drawIcon({0, 0, 20, 20}, testIcon(), 0); },
        [](afCanvas& c) { c.drawMenuCheck({0, 0, 30, 30}, RGB(255, 0, 0), RGB(0, 0, 255)); },
        [](afCanvas& c) { c.drawBitmap(*afBitmap::createDIB(4, 4), 1, 1); },
        [](afCanvas& c) { afCanvasBuffer::create(c, {5, 5, 25, 25}, true)->save(); },
    };
    HPEN pen = ::CreatePen(PS_SOLID, 3, RGB(200, 0, 0));
    HFONT font = ::CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma");
    HRGN clip = ::CreateRectRgn(1, 1, 60, 40);
    DibSurface surface(64, 48);
    HDC dc = surface.dc();
    ::SelectObject(dc, pen);
    ::SelectObject(dc, font);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SetBkColor(dc, RGB(4, 5, 6));
    ::SetDCPenColor(dc, RGB(7, 8, 9));
    ::SetViewportOrgEx(dc, 3, 4, nullptr);
    ::MoveToEx(dc, 5, 6, nullptr);
    ::SelectClipRgn(dc, clip);
    const std::string before = describeState(dc);
    {
        auto canvas = afCanvas::fromDC(dc);
        EXPECT_EQ(::GetStockObject(DC_PEN), ::GetCurrentObject(dc, OBJ_PEN));
        EXPECT_EQ(::GetStockObject(DC_BRUSH), ::GetCurrentObject(dc, OBJ_BRUSH));
        const std::string begun = describeState(dc);
        for (size_t i = 0; i < sizeof primitives / sizeof primitives[0]; ++i) {
            primitives[i](*canvas);
            EXPECT_EQ(begun, describeState(dc)) << "primitive " << i;
        }
        // What a view selects on purpose, and a save without its restore.
        canvas->selectFont(static_cast<HFONT>(::GetStockObject(ANSI_FIXED_FONT)));
        canvas->setViewportOrigin({-7, 9});
        afCanvasRegion region(::CreateRectRgn(2, 2, 9, 9));
        canvas->selectClip(&region);
        canvas->save();
        canvas->save();
        canvas->restore();
    }
    EXPECT_EQ(before, describeState(dc));
    ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::SelectObject(dc, ::GetStockObject(SYSTEM_FONT));
    ::DeleteObject(pen);
    ::DeleteObject(font);
    ::DeleteObject(clip);
}

TEST(Canvas, FillsAndEdgeLinesHitExactPixels) {
    DibSurface surface(24, 24);
    {
        auto canvas = afCanvas::fromDC(surface.dc());
        canvas->fillRect({2, 3, 7, 9}, RGB(255, 0, 0));
        const RECT box = {10, 10, 16, 15};
        canvas->drawLineHorizontal(box, RGB(0, 0, 255));
        canvas->drawLineBottom(box, RGB(0, 0, 255));
        canvas->drawLineVertical(box, RGB(0, 255, 0));
        canvas->drawLineRight(box, RGB(0, 255, 0));
    }
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            uint32_t expected = (x >= 2 && x < 7 && y >= 3 && y < 9) ? 0xFF0000 : 0xFFFFFF;
            if ((y == 10 || y == 14) && x >= 10 && x < 16)
                expected = 0x0000FF;
            if ((x == 10 || x == 15) && y >= 10 && y < 15) // the verticals, drawn last, take the corners
                expected = 0x00FF00;
            ASSERT_EQ(expected, surface.rgb(x, y)) << "at " << x << "," << y;
        }
}

TEST(Canvas, MeasuresEmptyTextAsOneLineAndWrappedTextInWholeLines) {
    DibSurface surface(8, 8);
    auto canvas = afCanvas::fromDC(surface.dc());
    const int line = canvas->lineHeight();
    ASSERT_GT(line, 0);
    for (const wchar_t* empty : {static_cast<const wchar_t*>(nullptr), L""}) {
        const SIZE size = canvas->measureText(empty, -1, 0);
        EXPECT_EQ(0, size.cx);
        EXPECT_EQ(line, size.cy);
    }
    const SIZE toNul = canvas->measureText(L"abc", -1, DT_SINGLELINE);
    EXPECT_GT(toNul.cx, 0);
    EXPECT_EQ(toNul.cx, canvas->measureText(L"abc", 3, DT_SINGLELINE).cx);
    EXPECT_EQ(line, toNul.cy);
    const SIZE wrapped = canvas->measureText(L"one two three four five six seven", -1, DT_WORDBREAK, toNul.cx * 2);
    EXPECT_GE(wrapped.cy, 2 * line);
    EXPECT_EQ(0, wrapped.cy % line);
}

TEST(Canvas, PlacesIconsByTheAlignmentFlags) {
    struct Case {
        int flags;
        RECT rect;
        int left, top;
    } cases[] = {
        {0, {20, 20, 30, 40}, 17, 22}, // centred in a narrower rectangle: starts left of it
        {0, {20, 20, 41, 37}, 22, 20}, // odd differences round down
        {AF_ALIGN_LEFT | AF_ALIGN_TOP, {20, 20, 50, 50}, 20, 20},
        {AF_ALIGN_RIGHT | AF_ALIGN_BOTTOM, {20, 20, 50, 50}, 34, 34},
        {0x11, {20, 20, 50, 50}, 27, 27},
    };
    for (const Case& c : cases) {
        DibSurface surface(64, 64);
        afCanvas::fromDC(surface.dc())->drawIcon(c.rect, testIcon(), c.flags);
        EXPECT_EQ(256, surface.count({c.left, c.top, c.left + 16, c.top + 16}, 0x3366CC)) << c.flags;
        EXPECT_EQ(64 * 64 - 256, surface.count({0, 0, 64, 64}, 0xFFFFFF)) << c.flags;
    }
    DibSurface surface(8, 8);
    afCanvas::fromDC(surface.dc())->drawIcon({4, 4, 4, 8}, testIcon(), 0);
    EXPECT_EQ(64, surface.count({0, 0, 8, 8}, 0xFFFFFF)) << "an empty rectangle draws nothing";
}

TEST(Canvas, DrawsMenuChecksAndBlendsBitmaps) {
    DibSurface surface(64, 64);
    const SIZE check = afCanvas::menuCheckSize();
    afCanvas::fromDC(surface.dc())->drawMenuCheck({10, 10, 40, 20 + check.cy}, RGB(255, 0, 0), RGB(0, 0, 255));
    const RECT box = {10, 15, 10 + check.cx, 15 + check.cy}; // vertically centred at the left edge
    EXPECT_GT(surface.count(box, 0xFF0000), 0);
    EXPECT_EQ(check.cx * check.cy, surface.count(box, 0xFF0000) + surface.count(box, 0x0000FF));
    EXPECT_EQ(64 * 64 - check.cx * check.cy, surface.count({0, 0, 64, 64}, 0xFFFFFF));

    auto bitmap = afBitmap::createDIB(2, 1);
    bitmap->row(0)[0] = 0x80404040; // half alpha, premultiplied grey; the second pixel transparent
    afCanvas::fromDC(surface.dc())->drawBitmap(*bitmap, 50, 50);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(0x40 + 0xFF * 0x7F / 0xFF, static_cast<int>((surface.rgb(50, 50) >> shift) & 0xFF), 1);
    EXPECT_EQ(0xFFFFFFu, surface.rgb(51, 50));
}

TEST(Canvas, GivesTheClipRegionOnlyWhenThereIsOne) {
    DibSurface surface(32, 32);
    auto canvas = afCanvas::fromDC(surface.dc());
    EXPECT_EQ(nullptr, canvas->clipRegion());
    afCanvasRegion region(::CreateRectRgn(2, 3, 12, 13));
    canvas->selectClip(&region);
    auto clip = canvas->clipRegion();
    ASSERT_NE(nullptr, clip);
    EXPECT_FALSE(rectNotEqual({2, 3, 12, 13}, clip->bounds()));
    canvas->fillRect({0, 0, 32, 32}, RGB(0, 0, 0));
    EXPECT_EQ(100, surface.count({0, 0, 32, 32}, 0));
    try {
        afCanvasRegion none(nullptr);
        FAIL() << "a null region was taken";
    } catch (const pel::NullPointerException& e) {
        EXPECT_EQ(L"Handle to a region is NULL.", e.message);
    }
}

TEST(CanvasBuffer, CopiesToItsRectangleOnlyWithTheCopyFlag) {
    // A buffer of 32767 x 32767 pixels (4 GB) gets no bitmap: with the flag it draws on the
    // target, clipped; without, nowhere. An empty rectangle draws nowhere either way.
    struct Case {
        RECT rect;
        bool copy, buffered;
        int blue; // pixels of the 40 x 30 target the buffer's fill reaches
    } cases[] = {
        {{10, 5, 30, 25}, false, true, 0},      {{10, 5, 30, 25}, true, true, 20 * 20 - 1},
        {{10, 5, 32777, 32772}, false, false, 0}, {{10, 5, 32777, 32772}, true, false, 30 * 25 - 1},
        {{2, 2, 2, 6}, true, false, 0},
    };
    for (const Case& c : cases) {
        DibSurface surface(40, 30);
        {
            auto target = afCanvas::fromDC(surface.dc());
            auto buffer = afCanvasBuffer::create(*target, c.rect, c.copy);
            EXPECT_EQ(c.buffered, buffer->isBuffered());
            buffer->fillRect({-10, -5, 30, 25}, RGB(0, 0, 255));
            buffer->fillRect({0, 0, 1, 1}, RGB(255, 0, 0));
            if (c.buffered) {
                EXPECT_EQ(40 * 30, surface.count({0, 0, 40, 30}, 0xFFFFFF)) << "nothing before the buffer goes";
            }
        }
        EXPECT_EQ(c.blue, surface.count({0, 0, 40, 30}, 0x0000FF)) << c.rect.right;
        EXPECT_EQ(c.blue ? 0xFF0000u : 0xFFFFFFu, surface.rgb(10, 5)) << c.rect.right;
        EXPECT_EQ(40 * 30 - c.blue - (c.blue ? 1 : 0), surface.count({0, 0, 40, 30}, 0xFFFFFF)) << c.rect.right;
    }
}

TEST(Canvas, LeaksNoGdiObjectOverManyCanvases) {
    // Wine's GDI handle table ends near 65 000 objects, so one leaked object per round shows.
    DibSurface surface(32, 32);
    for (int round = 0; round < 100000; ++round) {
        auto canvas = afCanvas::fromDC(surface.dc());
        canvas->selectFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        afCanvasRegion region(::CreateRectRgn(0, 0, 16, 16));
        canvas->selectClip(&region);
        auto clip = canvas->clipRegion();
        auto buffer = afCanvasBuffer::create(*canvas, {1, 1, 9, 9}, round % 2 == 0);
        buffer->fillRect({0, 0, 4, 4}, RGB(round & 0xFF, 0, 0));
        if (!clip || !buffer->isBuffered()) {
            ADD_FAILURE() << "GDI objects ran out in round " << round;
            break;
        }
    }
    EXPECT_NE(nullptr, afBitmap::createDIB(64, 64));
}

} // namespace
