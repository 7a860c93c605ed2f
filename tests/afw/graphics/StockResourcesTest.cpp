#include "afw/graphics/afStockResources.h"

#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIconList.h"
#include "afw/support/DibSurface.h"
#include "afw/support/HelperPanic.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using tessel_test::solidIcon;

namespace {

// Each test starts without a table and leaves none behind.
class StockResources : public ::testing::Test {
protected:
    void SetUp() override {
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afDestroyStockResources();
    }
    void TearDown() override {
        afDestroyStockResources();
        afSetStockEnvironment({});
    }
};

bool iconAlive(HICON icon) {
    ICONINFO info = {};
    if (!::GetIconInfo(icon, &info))
        return false;
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return true;
}

TEST_F(StockResources, ColoursFollowTheSystemAndTheFixedEntries) {
    EXPECT_EQ(0u, afGetStockColour(4)) << "no table yet";
    afCreateStockResources();
    const int system[AF_STOCK_COLOUR_COUNT] = {10, 2, 12, 1, 15, 20, 16, 18, 9,  17, 13, 14, 11, 3, 19, 24,
                                               23, 4, 29, 7, 0,  21, 15, 20, 22, 16, 5,  -1, 8,  -1, -1};
    for (int index = 0; index < AF_STOCK_COLOUR_COUNT; ++index) {
        if (system[index] >= 0) {
            EXPECT_EQ(::GetSysColor(system[index]), afGetStockColour(index)) << index;
        }
    }
    EXPECT_EQ(0u, afGetStockColour(27));
    EXPECT_EQ(0x993300u, afGetStockColour(29));
    EXPECT_EQ(0x0000CCu, afGetStockColour(30));
}

TEST_F(StockResources, FontsScaleToTheDpiAndFallBackToTahoma) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
    const LOGFONTW& message = metrics.lfMessageFont;
    struct Expected {
        const wchar_t* face; // null: the message font's
        LONG height;         // 0: the message font's own
        LONG weight;         // -1: the message font's own
        bool underline;
    } expected[AF_STOCK_FONT_COUNT] = {
        {nullptr, 0, -1, false},        {nullptr, 0, 700, false},       {nullptr, -12, 0, false},
        {nullptr, 0, -1, true},         {nullptr, -22, 400, false},     {L"Courier New", -17, 0, false},
        {L"MS Shell Dlg 2", -13, 0, false}, {L"MS Shell Dlg 2", -13, 700, false},
    };
    for (bool fallback : {false, true}) {
        afDestroyStockResources();
        afSetStockEnvironment({120, fallback});
        afCreateStockResources();
        // Without the system's message font: "Tahoma" 8 pt in its place.
        const std::wstring face = fallback ? L"Tahoma" : message.lfFaceName;
        const LONG height = fallback ? -13 : message.lfHeight, weight = fallback ? 0 : message.lfWeight;
        for (int index = 0; index < AF_STOCK_FONT_COUNT; ++index) {
            const Expected& e = expected[index];
            const LOGFONTW* font = afGetStockLogFont(index);
            ASSERT_NE(nullptr, font);
            EXPECT_NE(nullptr, afGetStockFont(index)) << index;
            EXPECT_EQ(e.face ? std::wstring(e.face) : face, font->lfFaceName) << index;
            EXPECT_EQ(e.height ? e.height : height, font->lfHeight) << index;
            EXPECT_EQ(e.weight >= 0 ? e.weight : weight, font->lfWeight) << index;
            EXPECT_EQ(e.underline, font->lfUnderline != 0) << index;
        }
    }
}

TEST_F(StockResources, OutOfRangeIndexesAssertAndGiveNeutralValues) {
    afCreateStockResources();
    tessel_test::LogCapture log;
    EXPECT_EQ(nullptr, afGetStockFont(-1));
    EXPECT_EQ(nullptr, afGetStockFont(AF_STOCK_FONT_COUNT));
    EXPECT_EQ(0u, afGetStockColour(AF_STOCK_COLOUR_COUNT));
    EXPECT_EQ(nullptr, afGetStockIcon(AF_STOCK_ICON_COUNT));
    EXPECT_EQ(nullptr, afGetStockCursor(-1).getHandle());
    afSetStockIcon(AF_STOCK_ICON_COUNT, solidIcon(16, 0));
    ASSERT_EQ(6u, log.lines().size());
    for (const auto& line : log.lines())
        EXPECT_NE(std::wstring::npos, line.text.find(L"Assertion failed")) << line.text;
}

TEST_F(StockResources, EveryStockIconLoadsFromTheProgramAtItsSize) {
    afCreateStockResources();
    for (int index = 0; index < AF_STOCK_ICON_COUNT; ++index) {
        const afIcon* icon = afGetStockIcon(index);
        ASSERT_NE(nullptr, icon) << index;
        const int size = afGetStockIconSource(index).size;
        EXPECT_EQ(size, icon->getSize()) << index;
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(icon->getHandle(), &info)) << index;
        BITMAP colour = {};
        ::GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(size, colour.bmWidth) << index;
        EXPECT_EQ(size, colour.bmHeight) << index;
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    // The drawings come through with their alpha: the error disc is red inside, and its
    // corners leave the background as it was.
    for (int index : {AF_STOCK_ICON_ERROR, AF_STOCK_ICON_ERROR_LARGE}) {
        const int size = afGetStockIcon(index)->getSize();
        tessel_test::DibSurface surface(size, size, 0x00FF00);
        afCanvas::fromDC(surface.dc())->drawIcon({0, 0, size, size}, *afGetStockIcon(index), 0);
        EXPECT_EQ(0x00FF00u, surface.rgb(0, 0)) << index;
        EXPECT_EQ(0xD0322Eu, surface.rgb(size / 2, size / 5)) << index;
    }
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_ARROW), afGetStockCursor(AF_CURSOR_ARROW).getHandle());
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_HAND), afGetStockCursor(AF_CURSOR_HAND).getHandle());
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_IBEAM), afGetStockCursor(AF_CURSOR_IBEAM).getHandle());
}

TEST_F(StockResources, ReplacedIconsStayUsableUntilTheTableGoes) {
    afCreateStockResources();
    EXPECT_EQ(nullptr, afGetIcon(0x62CD67B8));
    afRegisterIcon(0x62CD67B8, solidIcon(16, 0x112233));
    const afIcon* first = afGetIcon(0x62CD67B8);
    ASSERT_NE(nullptr, first);
    const HICON firstHandle = first->getHandle();
    afRegisterIcon(0x62CD67B8, solidIcon(16, 0x445566));
    const afIcon* second = afGetIcon(0x62CD67B8);
    EXPECT_NE(firstHandle, second->getHandle());
    EXPECT_EQ(firstHandle, first->getHandle()) << "a borrower's icon is still there";
    EXPECT_TRUE(iconAlive(firstHandle));
    // The icon registered already, once more: nothing changes, nothing is destroyed.
    afRegisterIcon(0x62CD67B8, afIcon(second->getHandle(), 16, true));
    EXPECT_EQ(second, afGetIcon(0x62CD67B8));
    EXPECT_TRUE(iconAlive(second->getHandle()));

    const HICON stock = afGetStockIcon(AF_STOCK_ICON_PIN)->getHandle();
    afSetStockIcon(AF_STOCK_ICON_PIN, solidIcon(16, 0x778899));
    EXPECT_NE(stock, afGetStockIcon(AF_STOCK_ICON_PIN)->getHandle());
    EXPECT_TRUE(iconAlive(stock));
    afDestroyStockResources();
    EXPECT_FALSE(iconAlive(firstHandle));
    EXPECT_FALSE(iconAlive(stock));
}

TEST(IconList, HoldsTheIconsAdded) {
    afIconList list;
    EXPECT_EQ(0, list.add(solidIcon(16, 0xFF0000)));
    EXPECT_EQ(1, list.add(solidIcon(16, 0x0000FF)));
    EXPECT_EQ(2, ::ImageList_GetImageCount(list.getHandle()));
}

// A program without the icon resources, a cursor that does not exist: the program ends through
// the panic, with the texts users would see.
TEST(StockResourcesPanic, MissingResourcesEndTheProgram) {
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"stock-resources", "handler: afIcon::afIcon(resource constructor): Cannot load image from a resource.\n"},
        {L"missing-cursor", "handler: afCursor::afCursor(resource constructor): Cannot load cursor from a resource.\n"},
    };
    for (const auto& c : cases)
        tessel_test::expectHelperPanic(c.first, c.second);
}

// Every size becomes pixels at the DPI the stock fonts are made for: lengths meant for 96 DPI
// and point sizes alike, the editor's fonts too.
TEST_F(StockResources, SizesBecomePixelsAtTheDpiOfTheFonts) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(dpi, afGetScreenDpi()) << "the screen's without a table";
    for (int environment : {96, 120, 144, 192}) {
        afDestroyStockResources();
        afSetStockEnvironment({environment, false});
        afCreateStockResources();
        EXPECT_EQ(environment, afGetScreenDpi());
        EXPECT_EQ(::MulDiv(10, environment, 96), afScaled(10)) << environment;
        EXPECT_EQ(::MulDiv(500, environment, 96), afScaled(500)) << environment;
        EXPECT_EQ(-::MulDiv(10, environment, 72), afFontHeight(10)) << environment;
        EXPECT_EQ(afFontHeight(10), afGetStockLogFont(AF_FONT_FIXED)->lfHeight) << "the fixed font is 10 points";
    }
}

} // namespace
