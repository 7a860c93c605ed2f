#include "editor/EditorTestSupport.h"

#include "afw/graphics/afWindowsUX.h"
#include "afw/support/DibSurface.h"
#include "afw/support/Golden.h"
#include "service/document/controller/Selection.h"

using namespace tessel;
using namespace tessel_test;

namespace {

constexpr COLORREF CURRENT = RGB(0xE0, 0xE0, 0xFF);

class EditorPaintTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        themes.setTheme(makeTheme(L"{settings: {background: \"#FFFFFF\" foreground: \"#000000\" "
                                  L"line_highlight: \"#E0E0FF\" area_background: \"#D0D0D0\" "
                                  L"selection: \"#80C0FF\" invisibles: \"#C04040\"}}"));
        resize(WIDTH, 28 * lineHeight + lineHeight / 2);
    }
    void putCaret(const TextPosition& anchor, const TextPosition& caret) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        controller->getSelection().set(caret, anchor, 0, selection_ids::NORMAL);
    }
    // Pixels of a colour in the number column of a row.
    int numberPixels(const DibSurface& surface, int row, COLORREF colour) {
        const RECT numbers = {22, row * lineHeight, editor->getGutterWidth() - 2 - 1, (row + 1) * lineHeight};
        return surface.count(numbers, DibSurface::pixelOf(colour));
    }
    std::wstring sample() {
        std::wstring text;
        for (int i = 1; i <= 25; ++i)
            text += L"line " + std::to_wstring(i) + (i == 6 ? L"\tafter a tab" : L"") + (i == 7 ? L" bell \x07 here" : L"") +
                    (i < 25 ? L"\n" : L"");
        return text;
    }
};

TEST_F(EditorPaintTest, RowsGutterAndCurrentLine) {
    attach(sample());
    putCaret(TextPosition(4, 1), TextPosition(4, 1));
    document->setLineMarker(2, L"bookmark", 0, 0);
    const auto surface = print();
    const int gutter = editor->getGutterWidth();
    const int right = clientWidth - 2;
    auto at = [&](int x, int row) { return surface->rgb(x, row * lineHeight + 1); };
    EXPECT_EQ(0xFFFFFFu, at(right, 0)) << "text background";
    EXPECT_EQ(DibSurface::pixelOf(CURRENT), at(right, 4)) << "the caret's line";
    EXPECT_EQ(0xFFFFFFu, at(right, 22)) << "below the text";
    EXPECT_EQ(DibSurface::pixelOf(editor->getGutterColour(Editor::NUMBER_BACKGROUND)), at(1, 0));
    EXPECT_EQ(DibSurface::pixelOf(editor->getGutterColour(Editor::NUMBER_BACKGROUND_CURRENT)), at(1, 4));
    EXPECT_EQ(DibSurface::pixelOf(editor->getGutterColour(Editor::SEPARATOR)), at(gutter - 3, 0));
    for (int row : {0, 4, 22})
        EXPECT_EQ(DibSurface::pixelOf(CURRENT), at(gutter - 1, row)) << "the gap on row " << row;
    EXPECT_GT(numberPixels(*surface, 9, editor->getGutterColour(Editor::NUMBER_TEXT_TENTH)), 0) << "10";
    EXPECT_GT(numberPixels(*surface, 4, editor->getGutterColour(Editor::NUMBER_TEXT_CURRENT)), 0) << "5";
    EXPECT_GT(numberPixels(*surface, 0, editor->getGutterColour(Editor::NUMBER_TEXT)), 0) << "1";
    for (int row = 25; (row + 1) * lineHeight <= clientHeight; ++row)
        for (int colour : {Editor::NUMBER_TEXT, Editor::NUMBER_TEXT_TENTH, Editor::NUMBER_TEXT_CURRENT})
            if (editor->getGutterColour(colour) != editor->getGutterColour(Editor::NUMBER_BACKGROUND)) {
                EXPECT_EQ(0, numberPixels(*surface, row, editor->getGutterColour(colour))) << "no digits past the end";
            }

    // One copy to the window per row the dirty band meets.
    ::UpdateWindow(editor->getHandle());
    const uint64_t copied = editor->getRowsCopied();
    const RECT band = {0, 3 * lineHeight, clientWidth, 6 * lineHeight};
    ::InvalidateRect(editor->getHandle(), &band, FALSE);
    ::UpdateWindow(editor->getHandle());
    EXPECT_EQ(copied + 3, editor->getRowsCopied());
}

TEST_F(EditorPaintTest, AWrappedLineShowsItsNumberAndBookmarkOnce) {
    attach(L"short\n" + std::wstring(300, L'w') + L"\nend");
    document->setLineMarker(1, L"bookmark", 0, 0);
    setPreset([](FacePreset& p) { p.wordWrap = true; });
    putCaret(TextPosition(1, 1), TextPosition(1, 1));
    ASSERT_GT(editor->getLineCache()->getSubLineCount(1, true), 1);
    const auto surface = print();
    const RECT marker1 = {6, lineHeight, 22, 2 * lineHeight};
    const RECT marker2 = {6, 2 * lineHeight, 22, 3 * lineHeight};
    const uint32_t background = DibSurface::pixelOf(editor->getGutterColour(Editor::NUMBER_BACKGROUND_CURRENT));
    EXPECT_LT(surface->count(marker1, background), 16 * lineHeight) << "the bookmark on the first row";
    EXPECT_EQ(16 * lineHeight, surface->count(marker2, background)) << "none on the continuation";
    EXPECT_GT(numberPixels(*surface, 1, editor->getGutterColour(Editor::NUMBER_TEXT_CURRENT)), 0);
    EXPECT_EQ(0, numberPixels(*surface, 2, editor->getGutterColour(Editor::NUMBER_TEXT_CURRENT)));
    EXPECT_EQ(DibSurface::pixelOf(CURRENT), surface->rgb(clientWidth - 2, 2 * lineHeight + 1)) << "every row is current";
}

TEST_F(EditorPaintTest, GoldenRenders) {
    const struct {
        const char* file;
        std::function<void()> setUp;
    } renders[] = {
        {"editor/golden/numbers.png",
         [&] {
             attach(sample());
             document->setLineMarker(2, L"bookmark", 0, 0);
             putCaret(TextPosition(4, 5), TextPosition(5, 3));
         }},
        {"editor/golden/wrapped-centred.png",
         [&] {
             attach(L"\tindented with  marks   \n\t\t" + std::wstring(120, L'w') + L" tail \n  end  ");
             setPreset([](FacePreset& p) {
                 p.wordWrap = p.boundaryBreak = p.center = p.boundaryShow = true;
                 p.boundary = 40;
                 p.showIndentGuides = p.showWhitespaceBefore = p.showWhitespaceInside = p.showWhitespaceAfter = true;
                 p.sublinesAlign = true;
             });
         }},
        {"editor/golden/scrolled.png",
         [&] {
             attach(sample());
             setPreset([](FacePreset& p) { p.gutterLineNumbers = false; });
             editor->setWidestColumns(40);
             editor->scrollTo(3, 0, 0, true);
         }},
    };
    for (const auto& r : renders) {
        r.setUp();
        const auto surface = print();
        EXPECT_TRUE(matchesGoldenImage(r.file, *surface, clientWidth, clientHeight, 8));
        editor->attachController(nullptr);
        controller->setFacePreset(FacePreset());
    }
}

TEST_F(EditorPaintTest, DetachedPaintsNothing) {
    const auto surface = print();
    EXPECT_EQ(0x123456u, surface->rgb(clientWidth / 2, 10));
}

// ---- the themed border

HTHEME WINAPI fakeOpen(HWND, LPCWSTR) {
    return reinterpret_cast<HTHEME>(0x5150);
}
HRESULT WINAPI fakeClose(HTHEME) {
    return S_OK;
}
HRESULT WINAPI fakeContent(HTHEME, HDC, int, int, const RECT* bounds, RECT* o_content) {
    *o_content = *bounds;
    ::InflateRect(o_content, -3, -3);
    return S_OK;
}
HRESULT WINAPI fakeBackground(HTHEME, HDC, int, int, const RECT*, const RECT*) {
    return S_OK;
}
BOOL WINAPI fakeTransparent(HTHEME, int, int) {
    return FALSE;
}
FARPROC resolveFake(const char* name) {
    const std::pair<const char*, void*> fakes[] = {
        {"OpenThemeData", reinterpret_cast<void*>(&fakeOpen)},
        {"CloseThemeData", reinterpret_cast<void*>(&fakeClose)},
        {"GetThemeBackgroundContentRect", reinterpret_cast<void*>(&fakeContent)},
        {"DrawThemeBackground", reinterpret_cast<void*>(&fakeBackground)},
        {"IsThemeBackgroundPartiallyTransparent", reinterpret_cast<void*>(&fakeTransparent)}};
    for (const auto& fake : fakes)
        if (std::string(name) == fake.first)
            return reinterpret_cast<FARPROC>(fake.second);
    return nullptr;
}

TEST_F(EditorPaintTest, TheThemedBorderSitsInsideTheContentRectangle) {
    const struct {
        afWindowsUX::Decision decision;
        LONG inset;
    } cases[] = {{afWindowsUX::FORCE_THEMED, 4}, {afWindowsUX::FORCE_CLASSIC, 1}};
    for (const auto& c : cases) {
        afWindowsUX::resetForTesting(c.decision);
        afWindowsUX::setResolverForTesting(&resolveFake);
        Editor* bordered = Editor::create(window.get(), Editor::BORDER_LINE);
        bordered->setFrame(afRect(0, 0, 200, 100));
        RECT outer, client;
        ::GetWindowRect(bordered->getHandle(), &outer);
        ::GetClientRect(bordered->getHandle(), &client);
        ::MapWindowPoints(bordered->getHandle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_EQ(c.inset, client.left - outer.left) << c.decision;
        EXPECT_EQ(c.inset, client.top - outer.top) << c.decision;
        afWindowsUX::setResolverForTesting(nullptr);
        delete bordered;
    }
    afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM);
}

} // namespace
