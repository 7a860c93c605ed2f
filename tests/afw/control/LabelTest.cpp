#include "afw/control/afLabel.h"
#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "pel/text/CharacterBoundaries.h"

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

// Words broken at the blanks where the next would pass the width, each line drawn with its
// characters at the advances the font measures: what wrap mode 2 draws for text of short words.
void drawWords(HDC dc, const std::wstring& text, const RECT& box) {
    std::vector<std::wstring> lines(1);
    size_t start = 0;
    while (start < text.size()) {
        const size_t blank = std::min(text.find(L' ', start), text.size());
        const std::wstring word = text.substr(start, blank + 1 - start);
        SIZE extent = {};
        const std::wstring longer = lines.back() + word.substr(0, word.find_last_not_of(L' ') + 1);
        ::GetTextExtentPoint32W(dc, longer.c_str(), static_cast<int>(longer.size()), &extent);
        if (!lines.back().empty() && extent.cx > box.right - box.left)
            lines.emplace_back();
        lines.back() += word;
        start = blank + 1;
    }
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    int top = box.top;
    for (const std::wstring& line : lines) {
        std::vector<INT> ends(line.size()), advances(line.size());
        SIZE extent = {};
        ::GetTextExtentExPointW(dc, line.data(), static_cast<int>(line.size()), 0, nullptr, ends.data(), &extent);
        for (size_t i = 0; i < line.size(); ++i)
            advances[i] = ends[i] - (i ? ends[i - 1] : 0);
        ::ExtTextOutW(dc, box.left, top, ETO_CLIPPED, &box, line.data(), static_cast<UINT>(line.size()), advances.data());
        top += metrics.tmHeight;
    }
}

TEST_F(LabelTest, DrawsAsBareDrawTextDoesWithTheFlagsOfEachModeAndAlignment) {
    const afIcon icon = solidIcon(16, 0x3060C0);
    const HFONT font = afGetStockFont(AF_FONT_MESSAGE_LARGE);
    const std::wstring path = L"C:\\Program Files\\Tessel\\Bundles\\&Markdown.bundle\\Syntaxes";
    // Wrapped, a text of words that fit breaks at its blanks; its lines are placed at the font's
    // advances (flags 0 below).
    const std::wstring words = L"Bundles hold grammars, snippets and themes";
    const struct {
        int wrap, alignment;
        bool withIcon;
        UINT flags;
    } cases[] = {
        {0, 0x13, false, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS},
        {0, 0x01, true, DT_SINGLELINE | DT_CENTER | DT_WORD_ELLIPSIS},
        {1, 0x15, false, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_PATH_ELLIPSIS},
        {0, 0x12, true, DT_SINGLELINE | DT_VCENTER},
        {2, 0x15, true, 0},
    };
    for (const auto& c : cases) {
        const std::wstring& text = c.wrap == 2 ? words : path;
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
        if (c.flags)
            ::DrawTextW(bare.dc(), text.c_str(), static_cast<int>(text.size()), &box, c.flags);
        else
            drawWords(bare.dc(), text, box);
        ::SelectObject(bare.dc(), previous);
        int differ = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 180; ++x)
                differ += drawn.rgb(x, y) != bare.rgb(x, y);
        EXPECT_EQ(0, differ) << c.wrap << " " << c.alignment;
    }
}

// A word wider than the line (a path, a long file name) is broken inside it, at a character's
// edge, rather than run past the label: every line fits, nothing is lost or doubled, and the
// label is as tall as its lines and draws nothing past its width.
TEST_F(LabelTest, AWordWiderThanTheLineBreaksInsideItAtACharactersEdge) {
    const HFONT font = afGetStockFont(AF_FONT_MESSAGE);
    const std::wstring family = L"\xD83D\xDC68\x200D\xD83D\xDC69\x200D\xD83D\xDC67";
    const std::wstring text = L"Save changes to `C:\\" + std::wstring(60, L'x') + family + L"e\x0301" +
                              std::wstring(40, L'y') + L".txt` before closing?\nA second paragraph";
    DibSurface scratch(4, 4);
    const auto canvas = afCanvas::fromDC(scratch.dc());
    canvas->selectFont(font);
    pel::CharacterBoundaries characters;
    characters.setText(text.data(), static_cast<int32_t>(text.size()));
    for (int width : {160, 61, 9, 1}) {
        SCOPED_TRACE(width);
        const std::vector<std::wstring> lines = afLabel::wrapLines(*canvas, text, width);
        std::wstring joined;
        for (const std::wstring& line : lines) {
            ASSERT_FALSE(line.empty());
            EXPECT_TRUE(characters.isBoundary(static_cast<int32_t>(joined.size()))) << "a line starts with a whole character";
            joined += line;
            const std::wstring shown = line.substr(0, line.find_last_not_of(L' ') + 1);
            const bool oneCharacter = characters.following(static_cast<int32_t>(joined.size() - line.size())) >=
                                      static_cast<int32_t>(joined.size() - line.size() + shown.size());
            if (!oneCharacter) {
                EXPECT_LE(canvas->measureText(shown.c_str(), static_cast<int>(shown.size()), DT_SINGLELINE).cx, width)
                    << "a line wider than the width";
            }
            if (joined.size() < text.size() && text[joined.size()] == L'\n')
                joined += L'\n';
        }
        EXPECT_EQ(text, joined) << "every character on a line, once";
    }
    EXPECT_GE(afLabel::wrapLines(*canvas, text, 160).size(), 5u) << "the long word takes several lines";

    afLabel label(nullptr);
    label.setWrapMode(afLabel::WRAP_WORDS);
    label.setText(text);
    label.measure(Spec::exactly(160), Spec::make(0, Spec::UNSPECIFIED));
    const int height = static_cast<int>(afLabel::wrapLines(*canvas, text, 160).size()) * afLabel::lineSpacing(*canvas);
    EXPECT_EQ(height, label.getMeasuredHeight());
    label.setFrame(afRect(0, 0, 160, height));
    DibSurface drawn(240, height);
    label.draw(*afCanvas::fromDC(drawn.dc()), nullptr);
    EXPECT_GT(drawn.count(RECT{0, 0, 160, height}, DibSurface::pixelOf(afGetStockColour(label.getColourIndex()))), 0);
    EXPECT_EQ(0, drawn.count(RECT{160, 0, 240, height}, DibSurface::pixelOf(afGetStockColour(label.getColourIndex()))))
        << "nothing drawn past the label";
}

} // namespace
