// The fonts the tests draw with are those the Wine prefix carries, whatever the host has
// installed, and text in Han, Kana and Hangul draws as glyphs rather than as the box of a missing
// one: in the editor's layout through its fallback face ("MS Gothic", the last name of the
// shell's default list) and in GDI text through Tahoma's font links.

#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TextLayout.h"
#include "afw/unicode/afUnicodeRenderer.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

using tessel_test::DibSurface;

namespace {

// Families of the prefix: Debian's DejaVu, Liberation and WenQuanYi faces, the editor's CJK
// fallback name, and Wine's own fonts.
const wchar_t* const kPrefixFamilies[] = {L"DejaVu ",   L"Liberation ", L"WenQuanYi ", L"MS Gothic", L"Tahoma",
                                          L"Courier",   L"Fixedsys",    L"MS Sans Serif", L"MS Serif", L"Small Fonts",
                                          L"System",    L"Marlett",     L"Symbol",       L"Webdings", L"Wingdings"};

bool carriedByThePrefix(const std::wstring& family) {
    for (const wchar_t* known : kPrefixFamilies)
        if (family.compare(0, std::wcslen(known), known) == 0)
            return true;
    return false;
}

int CALLBACK collectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM families) {
    if (font->lfFaceName[0] != L'@')
        reinterpret_cast<std::set<std::wstring>*>(families)->insert(font->lfFaceName);
    return 1;
}

// The family GDI picks for a face name (substitutes and fallbacks resolved).
std::wstring familyDrawnFor(const wchar_t* face) {
    HFONT font = ::CreateFontW(-13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, face);
    HDC screen = ::GetDC(nullptr);
    HGDIOBJ previous = ::SelectObject(screen, font);
    std::vector<char> metrics(::GetOutlineTextMetricsW(screen, 0, nullptr));
    std::wstring family = L"(no outline font)";
    if (!metrics.empty() && ::GetOutlineTextMetricsW(screen, static_cast<UINT>(metrics.size()),
                                                     reinterpret_cast<OUTLINETEXTMETRICW*>(metrics.data())))
        family = reinterpret_cast<const wchar_t*>(
            metrics.data() + reinterpret_cast<uintptr_t>(reinterpret_cast<OUTLINETEXTMETRICW*>(metrics.data())->otmpFamilyName));
    ::SelectObject(screen, previous);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(font);
    return family;
}

// The pixels of each column range, as text: a drawing's cells compare by their content.
std::vector<std::string> cells(const DibSurface& surface, const std::vector<std::pair<int, int>>& ranges, int height) {
    std::vector<std::string> result;
    for (const auto& range : ranges) {
        std::string cell;
        for (int y = 0; y < height; ++y)
            for (int x = range.first; x < range.second; ++x)
                cell += surface.rgb(x, y) == 0xFFFFFF ? '.' : '#';
        result.push_back(cell);
    }
    return result;
}

struct BlackOnWhite : afUnicodeStyleProvider {
    afUnicodeStyle& styleFor(uint16_t) override { return style; }
    afUnicodeStyle style = {0xFF000000, 0xFFFFFFFF, 0, 0};
};

// The line laid out in the font set and drawn black on white; the cells of its characters.
std::vector<std::string> drawnCells(afFontSet* set, const std::wstring& text) {
    BlackOnWhite styles;
    afUnicode layout(set);
    layout.setStyleProvider(&styles);
    afUnicodeRenderer renderer(layout);
    afUnicodeData data;
    tessel_test::fillRecord(data, text, layout.getTabSize());
    data.lineBackground = 0xFFFFFFFF;
    EXPECT_TRUE(layout.process(data));
    const int height = layout.getLineHeight();
    DibSurface surface(600, height, 0xFFFFFF);
    auto canvas = afCanvas::fromDC(surface.dc());
    const RECT rect = {0, 0, 600, height};
    const float overlay[4] = {0, 0, 0, 0};
    renderer.drawSubline(*canvas, data, 0, rect, rect, overlay, true);
    std::vector<std::pair<int, int>> ranges;
    for (int i = 0; i < static_cast<int>(text.size()); ++i)
        ranges.emplace_back(layout.getX(data, i, false, 0), layout.getX(data, i + 1, false, 0));
    return cells(surface, ranges, height);
}

// Each cell holds ink, no two cells are alike, and none is the box.
void expectGlyphsNotBoxes(const std::vector<std::string>& drawn, const std::string& box, const char* what) {
    const std::set<std::string> distinct(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn.size(), distinct.size()) << what << ": two characters drew alike, as missing ones do";
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_NE(std::string::npos, drawn[i].find('#')) << what << ": character " << i << " drew nothing";
        EXPECT_NE(box, drawn[i]) << what << ": character " << i << " drew the box of a missing glyph";
    }
}

const std::wstring kJapanese = L"\u65e5\u672c\u8a9e\u306e\u304b\u306a\u30ab\ud55c\uae00"; // also two Hangul

} // namespace

TEST(PrefixFontsTest, NoFontOfTheHostReachesThePrefixAndTheStockFacesAreItsOwn) {
    std::set<std::wstring> families;
    LOGFONTW all = {};
    all.lfCharSet = DEFAULT_CHARSET;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &all, collectFamily, reinterpret_cast<LPARAM>(&families), 0);
    ::ReleaseDC(nullptr, screen);
    for (const std::wstring& family : families)
        EXPECT_TRUE(carriedByThePrefix(family))
            << "the family \"" << std::string(family.begin(), family.end())
            << "\" is not one the prefix carries: a font of the host reached it (scripts/setup.sh removes those)";

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
    const wchar_t* message = metrics.lfMessageFont.lfFaceName;
    for (const wchar_t* face : {L"Courier New", L"Tahoma", L"MS Shell Dlg 2", message}) {
        const std::wstring drawn = familyDrawnFor(face);
        EXPECT_TRUE(carriedByThePrefix(drawn)) << std::string(drawn.begin(), drawn.end());
    }
    EXPECT_EQ(1u, families.count(L"MS Gothic")) << "the editor's face for Han, Kana and Hangul";
}

TEST(PrefixFontsTest, HanKanaAndHangulDrawAsGlyphsInTheEditorAndInDialogText) {
    afFontSet* set = afUnicodeFontManager::instance().getFontSet({L"DejaVu Sans Mono", L"MS Gothic"}, 10);
    const std::string box = drawnCells(set, L"\ue000").front(); // in no font of the set
    expectGlyphsNotBoxes(drawnCells(set, kJapanese), box, "the editor's layout");

    // GDI text in the message font, one character at a time.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    const auto gdiCell = [&](wchar_t character) {
        DibSurface surface(40, 20, 0xFFFFFF);
        HGDIOBJ previous = ::SelectObject(surface.dc(), font);
        ::TextOutW(surface.dc(), 0, 0, &character, 1);
        ::SelectObject(surface.dc(), previous);
        return cells(surface, {{0, 40}}, 20).front();
    };
    std::vector<std::string> drawn;
    for (wchar_t character : kJapanese)
        drawn.push_back(gdiCell(character));
    expectGlyphsNotBoxes(drawn, gdiCell(L'\ue000'), "GDI text in the message font");
    ::DeleteObject(font);
}
