// Owner drawing of menu lines into a 32-bit DIB, classic and themed (Wine's default theme,
// chosen through the visual-styles test hook), probed by pixels and against golden images.

#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/menu/afMenu.h"
#include "afw/support/Golden.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

constexpr int kWidth = 220;
constexpr uint32_t kRed = 0xFF0000;

class MenuDrawTest : public WindowTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        afWindowsUX::resetForTesting(GetParam() ? afWindowsUX::FORCE_THEMED : afWindowsUX::FORCE_CLASSIC);
        if (GetParam()) {
            HTHEME theme = afWindowsUX::OpenThemeData(afWindowsUX::getInstance(), nullptr, L"MENU");
            ASSERT_NE(nullptr, theme) << "Wine's theme has the MENU class";
            afWindowsUX::CloseThemeData(afWindowsUX::getInstance(), theme);
        }
        afRegisterIcon(AF_ACTION_KIND_TAB_TRIGGER, solidIcon(16, kRed));
        menu = afMenu::createPopup(L"popup");
    }
    void TearDown() override { afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM); }

    afMenuItem* item(const wchar_t* title, const wchar_t* key = L"", const wchar_t* word = L"") {
        afMenuItem* made = menu->addItem(new afMenuItem(title));
        made->setKeyText(key);
        made->setTabText(word);
        return made;
    }
    // Measures the line and draws it at the top of a fresh surface; the line's height.
    int draw(DibSurface& surface, afMenuNode* node, UINT state = 0, int top = 0) {
        MEASUREITEMSTRUCT measure = {ODT_MENU, 0, node->getId(), 0, 0, reinterpret_cast<ULONG_PTR>(node)};
        EXPECT_TRUE(node->getParent()->measureItem(nullptr, measure));
        DRAWITEMSTRUCT drawn = {ODT_MENU, 0, node->getId(), ODA_DRAWENTIRE, state, nullptr, surface.dc(),
                                {0, top, kWidth, top + static_cast<int>(measure.itemHeight)},
                                reinterpret_cast<ULONG_PTR>(node)};
        EXPECT_TRUE(node->getParent()->drawItem(nullptr, drawn));
        return static_cast<int>(measure.itemHeight);
    }
    // Pixels of the rectangle that differ from the colour.
    static int differing(const DibSurface& surface, const RECT& rect, uint32_t colour) {
        return (rect.right - rect.left) * (rect.bottom - rect.top) - surface.count(rect, colour);
    }
    // The darkest pixel's channel sum in the rectangle.
    static int darkest(const DibSurface& surface, const RECT& rect) {
        int found = 3 * 255;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) {
                const uint32_t p = surface.rgb(x, y);
                found = std::min<int>(found, (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF));
            }
        return found;
    }

    std::unique_ptr<afMenu> menu;
};

TEST_P(MenuDrawTest, LinesShowStatesMarksAndColumns) {
    afMenuItem* plain = item(L"Open", L"Ctrl+O");
    DibSurface normal(kWidth, 40), hot(kWidth, 40), disabled(kWidth, 40);
    const int height = draw(normal, plain);
    draw(hot, plain, ODS_SELECTED);
    draw(disabled, plain, ODS_DISABLED);
    const uint32_t background = normal.rgb(kWidth - 2, 1);
    EXPECT_NE(background, hot.rgb(kWidth - 2, 1)) << "a hot line's background";
    const RECT title = {22, 0, 80, height};
    EXPECT_LT(darkest(normal, title), darkest(disabled, title)) << "disabled text is lighter";

    // The key text ends near the right edge, before the arrow column.
    int right = 0;
    for (int x = kWidth / 2; x < kWidth; ++x)
        if (differing(normal, {x, 0, x + 1, height}, background))
            right = x;
    EXPECT_GE(right, kWidth - 16 - 12);
    EXPECT_LT(right, kWidth - 16);

    // Check marks only with hasCheckMark; a radio bullet is not a check.
    DibSurface unchecked(kWidth, 40), checked(kWidth, 40), radio(kWidth, 40);
    const RECT gutter = {0, 0, 22, height};
    draw(unchecked, plain);
    plain->setCheckMark(true);
    draw(checked, plain);
    plain->setRadio(true);
    draw(radio, plain);
    EXPECT_EQ(0, differing(unchecked, gutter, unchecked.rgb(1, 1))) << "no check";
    EXPECT_GT(differing(checked, gutter, checked.rgb(1, 1)), 0) << "a check";
    int differ = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 22; ++x)
            differ += checked.rgb(x, y) != radio.rgb(x, y);
    EXPECT_GT(differ, 0) << "the bullet differs from the check";

    // The trigger icon sits left of the trigger word.
    DibSurface trigger(kWidth, 40);
    draw(trigger, item(L"Tag", L"", L"fn"));
    int iconRight = -1, wordLeft = kWidth;
    const uint32_t behind = trigger.rgb(kWidth - 2, 1);
    for (int x = 80; x < kWidth - 16; ++x)
        for (int y = 0; y < height; ++y) {
            const uint32_t p = trigger.rgb(x, y);
            if (p == kRed)
                iconRight = std::max(iconRight, x);
            else if (p != behind)
                wordLeft = std::min(wordLeft, x);
        }
    ASSERT_GE(iconRight, 0) << "the registered trigger icon is drawn";
    EXPECT_LT(iconRight, wordLeft);

    // A submenu's arrow lies in the last 16 pixels.
    DibSurface sub(kWidth, 40), leaf(kWidth, 40);
    draw(sub, menu->addMenu(afMenu::createPopup(L"More").release()));
    draw(leaf, item(L"More"));
    differ = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (sub.rgb(x, y) != leaf.rgb(x, y)) {
                EXPECT_GE(x, kWidth - 16);
                ++differ;
            }
    EXPECT_GT(differ, 0) << "an arrow";
}

// A line with an icon of its own, as a language's line has.
class IconItem : public afMenuItem {
public:
    IconItem(const wchar_t* title, uint32_t icon) : afMenuItem(title), m_icon(icon) {}
    uint32_t getIcon() const override { return m_icon; }

private:
    uint32_t m_icon;
};

TEST_P(MenuDrawTest, ACheckedLineWithAnIconShowsItIsChecked) {
    constexpr uint32_t kIcon = 0x1C0BA11;
    afRegisterIcon(kIcon, solidIcon(16, kRed));
    afMenuItem* line = menu->addItem(new IconItem(L"C", kIcon));
    DibSurface unchecked(kWidth, 40), checked(kWidth, 40);
    const int height = draw(unchecked, line);
    line->setCheckMark(true);
    draw(checked, line);
    int differ = 0, red = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 22; ++x) {
            differ += checked.rgb(x, y) != unchecked.rgb(x, y);
            red += checked.rgb(x, y) == kRed;
        }
    EXPECT_GT(differ, 0) << "the check is hidden under the icon";
    EXPECT_EQ(16 * 16, red) << "the icon is drawn whole";
}

TEST_P(MenuDrawTest, SixLinesMatchTheGoldenImage) {
    item(L"&Open", L"Ctrl+O");
    item(L"Snippet", L"", L"fn");
    item(L"Word wrap")->setCheckMark(true);
    afMenuItem* mode = item(L"Mode");
    menu->setItemStates(mode, true, true);
    menu->addSeparator();
    menu->addMenu(afMenu::createPopup(L"More").release());
    DibSurface surface(kWidth, 200);
    int top = 0;
    for (size_t i = 0; i < menu->getChildren().size(); ++i)
        top += draw(surface, menu->getChildren()[i], i == 0 ? ODS_SELECTED : i == 3 ? ODS_DISABLED : 0, top);
    ASSERT_LE(top, 200);
    EXPECT_TRUE(matchesGoldenImage(GetParam() ? "afw/golden/menu-themed.png" : "afw/golden/menu-classic.png", surface,
                                   kWidth, top));

    if (!GetParam()) {
        // The classic separator: an etched line from left + 21 to right - 5 at mid-height.
        DibSurface line(kWidth, 40);
        const int height = draw(line, menu->getChildren()[4]);
        const uint32_t background = line.rgb(1, 1);
        const RECT middle[] = {{0, height / 2 - 1, 21, height / 2 + 1}, {21, height / 2 - 1, kWidth - 5, height / 2 + 1},
                               {kWidth - 5, height / 2 - 1, kWidth, height / 2 + 1}};
        EXPECT_EQ(0, differing(line, middle[0], background));
        EXPECT_EQ(0, differing(line, middle[2], background));
        for (int x = 21; x < kWidth - 5; ++x)
            ASSERT_GT(differing(line, {x, middle[1].top, x + 1, middle[1].bottom}, background), 0) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, MenuDrawTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Themed" : "Classic"; });

} // namespace
