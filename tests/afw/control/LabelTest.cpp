#include "afw/control/afLabel.h"
#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using Spec = afViewMeasureSpec;

namespace {

// A parent that hears every layout request of its child, with its reason.
class ReasonLog : public ProbeView {
public:
    void requestLayout(const wchar_t* reason) override {
        reasons.push_back(reason);
        clearFlags(FLAG_LAYOUT_REQUESTED);
    }
    std::vector<std::wstring> reasons;
};

// Counts the focus requests that reach it.
class FocusProbe : public ProbeView {
public:
    void requestFocus() override { ++focused; }
    int focused = 0;
};

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afCreateStockResources();
    }
    // The text's size in the font, as bare DrawTextW measures it.
    static SIZE textSize(const std::wstring& text, HFONT font, UINT format, int limit = 0) {
        DibSurface surface(4, 4);
        const auto canvas = afCanvas::fromDC(surface.dc());
        canvas->selectFont(font);
        return canvas->measureText(text.c_str(), static_cast<int>(text.size()), format, limit);
    }
};

TEST_F(LabelTest, SettersAskForLayoutsWithTheirReasonsAndStylesPickFontAndColour) {
    ReasonLog parent;
    auto* label = new afLabel(nullptr);
    parent.addView(label);
    parent.reasons.clear();
    FocusProbe buddy;
    label->setText(L"&File");
    label->setText(L"&File");
    label->setFont(afGetStockFont(AF_FONT_MESSAGE_BOLD));
    label->setWrapMode(afLabel::WRAP_WORDS);
    label->setIcon(nullptr, 3);
    label->setAlignment(afLayout::GRAVITY_RIGHT);
    label->setBuddy(&buddy);
    label->setVisualStyle(afLabel::STYLE_HINT);
    const std::vector<std::wstring> expected = {L"afLabel::setText",    L"afLabel::setFont", L"afLabel::setWrapMode",
                                                L"afLabel::setIcon",    L"afLabel::setFont",
                                                L"afLabel::setVisualStyle"};
    EXPECT_EQ(expected, parent.reasons) << "an equal text, the alignment and the buddy ask for none";

    const std::tuple<int, int, int> styles[] = {{0, AF_FONT_MESSAGE_LARGE, 29}, {1, AF_FONT_MESSAGE_LARGE, 28},
                                                {2, AF_FONT_MESSAGE, 28},       {3, AF_FONT_MESSAGE, 6},
                                                {4, AF_FONT_MESSAGE, 30},       {9, AF_FONT_MESSAGE, 30}};
    for (const auto& s : styles) {
        label->setVisualStyle(std::get<0>(s));
        EXPECT_EQ(afGetStockFont(std::get<1>(s)), label->getFont()) << std::get<0>(s);
        EXPECT_EQ(std::get<2>(s), label->getColourIndex()) << std::get<0>(s) << ": other styles change nothing";
    }
    EXPECT_EQ(9, label->getVisualStyle());
}

TEST_F(LabelTest, MnemonicsAndTheBuddy) {
    afLabel label(nullptr);
    const std::pair<const wchar_t*, wchar_t> mnemonics[] = {
        {L"&File", L'F'}, {L"Save &as", L'A'}, {L"End&", 0}, {L"Fish && &chips", L'&'}, {L"plain", 0}};
    for (const auto& m : mnemonics) {
        label.setText(m.first);
        EXPECT_EQ(m.second, label.getMnemonic()) << m.first;
        EXPECT_EQ(m.second != 0, label.hasMnemonic(m.second)) << m.first;
    }
    afMouseEvent up;
    EXPECT_TRUE(label.onMouseUp(up)) << "taken without a buddy too";
    FocusProbe buddy;
    label.setBuddy(&buddy);
    EXPECT_TRUE(label.onMouseUp(up));
    EXPECT_TRUE(label.onMnemonic(L'&'));
    label.requestFocus();
    EXPECT_EQ(3, buddy.focused);
}

TEST_F(LabelTest, MeasuresIconAndTextAndWrapsWithinTheSpec) {
    const afIcon icon = solidIcon(16, 0x3060C0);
    const HFONT font = afGetStockFont(AF_FONT_MESSAGE);
    const std::wstring text = L"Bundles are folders of grammars, snippets and commands that users may edit";
    const SIZE line = textSize(text, font, DT_SINGLELINE);
    afLabel label(nullptr);
    label.setText(text);
    label.setIcon(&icon, 8);
    label.measure(Spec::make(0, Spec::UNSPECIFIED), Spec::make(0, Spec::UNSPECIFIED));
    EXPECT_EQ(21 + line.cx, label.getMeasuredWidth()) << "the fixed 5, not the gap";
    const int lineHeight = std::max<int>(16, line.cy);
    EXPECT_EQ(lineHeight, label.getMeasuredHeight());

    label.setWrapMode(afLabel::WRAP_WORDS);
    label.setPadding(3);
    const SIZE wrapped = textSize(text, font, DT_WORDBREAK, 179);
    ASSERT_GT(wrapped.cy, line.cy) << "the text takes several lines at 179 pixels";
    const std::tuple<uint32_t, int, int> specs[] = {
        {Spec::exactly(200), 200, wrapped.cy + 6},           // 200 - 16 - 5, padding not taken off
        {Spec::make(8, Spec::UNSPECIFIED), 21 + line.cx + 6, lineHeight + 6}, // the scroll layout's margins
        {Spec::atMost(20), 20, lineHeight + 6},                                // the icon leaves no room
    };
    for (const auto& s : specs) {
        label.measure(std::get<0>(s), Spec::make(0, Spec::UNSPECIFIED));
        EXPECT_EQ(std::get<1>(s), label.getMeasuredWidth()) << std::hex << std::get<0>(s);
        EXPECT_EQ(std::get<2>(s), label.getMeasuredHeight()) << std::hex << std::get<0>(s);
    }
}

TEST_F(LabelTest, DrawsAsBareDrawTextDoesWithTheFlagsOfEachModeAndAlignment) {
    const afIcon icon = solidIcon(16, 0x3060C0);
    const HFONT font = afGetStockFont(AF_FONT_MESSAGE_LARGE);
    const std::wstring text = L"C:\\Program Files\\Tessel\\Bundles\\&Markdown.bundle\\Syntaxes";
    const struct {
        int wrap, alignment;
        bool withIcon;
        UINT flags;
    } cases[] = {
        {0, 0x13, false, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS},
        {0, 0x01, true, DT_SINGLELINE | DT_CENTER | DT_WORD_ELLIPSIS},
        {1, 0x15, false, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_PATH_ELLIPSIS},
        {0, 0x12, true, DT_SINGLELINE | DT_VCENTER},
        {2, 0x15, true, DT_WORDBREAK},
    };
    for (const auto& c : cases) {
        afLabel label(nullptr);
        label.setText(text);
        label.setVisualStyle(afLabel::STYLE_TITLE);
        label.setWrapMode(c.wrap);
        label.setAlignment(c.alignment);
        label.setPadding(2, 3, 4, 5);
        if (c.withIcon)
            label.setIcon(&icon, 8);
        label.setFrame(afRect(0, 0, 180, 60));
        DibSurface drawn(180, 60), bare(180, 60);
        label.draw(*afCanvas::fromDC(drawn.dc()), nullptr);

        // The icon at the content's left, centred in it (in wrap mode 2 in its top 16 rows),
        // and the text 16 + 8 pixels to the right of the content's left.
        RECT box = {2, 3, 176, 55};
        if (c.withIcon) {
            const int bottom = c.wrap == 2 ? box.top + 16 : box.bottom;
            ::DrawIconEx(bare.dc(), box.left, box.top + ((bottom - 16 - box.top) >> 1), icon.getHandle(), 16, 16, 0,
                         nullptr, DI_NORMAL);
            box.left += 24;
        }
        HGDIOBJ previous = ::SelectObject(bare.dc(), font);
        ::SetBkMode(bare.dc(), TRANSPARENT);
        ::SetTextColor(bare.dc(), afGetStockColour(29));
        ::DrawTextW(bare.dc(), text.c_str(), static_cast<int>(text.size()), &box, c.flags);
        ::SelectObject(bare.dc(), previous);
        int differ = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 180; ++x)
                differ += drawn.rgb(x, y) != bare.rgb(x, y);
        EXPECT_EQ(0, differ) << c.wrap << " " << c.alignment;
    }
}

} // namespace
