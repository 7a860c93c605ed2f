// How Tessel.exe shows text as the user's preferences say: wrapping at the right margin, and
// the theme picked in the chooser of the View menu, kept for the next start; and how it shows
// control characters. Read back from the pixels of the editor window and the preferences file.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessel_test {
namespace {

constexpr const char* DARK = "30000001-0000-0000-0000-00000000000d";

// The runs of the colour along row y: [left, right) each.
std::vector<std::pair<int, int>> runsAlong(const Capture& capture, int y, uint32_t colour) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < capture.width; ++x) {
        if (Capture::distance(capture.at(x, y), colour) > 8)
            continue;
        if (runs.empty() || runs.back().second != x)
            runs.emplace_back(x, x);
        runs.back().second = x + 1;
    }
    return runs;
}

using FaceEndToEnd = TesselCopyTest;

TEST_F(FaceEndToEnd, WordWrapAtTheMarginOfThePreferencesBreaksALongLineEveryFortyColumns) {
    writeFace(copy, "word_wrap : true boundary : 40 boundary_break : true gutter_line_numbers : false");
    std::string line;
    for (int i = 0; i < 10; ++i)
        line += "0123456789";
    copy.folder.write(L"long.txt", line);
    TesselRun tessel(copy, L"long.txt");
    ASSERT_TRUE(tessel.hasTitle(L"long.txt - Tessel"));
    // 100 characters: 40, 40 and 20 on three rows.
    Capture capture;
    std::vector<Band> bands;
    ASSERT_TRUE(showsRows(tessel.editor(), 3, capture, bands, "wrap"));
    const double w = characterWidth();
    for (const auto& row : {std::make_pair(0, 40), std::make_pair(1, 40), std::make_pair(2, 20)}) {
        const Band& band = bands[row.first];
        const double columns = (band.right - band.left + 1) / w;
        EXPECT_GT(columns, row.second - 1) << "row " << row.first << "; " << keepCapture(capture, "wrap");
        EXPECT_LE(columns, row.second) << "row " << row.first << "; " << keepCapture(capture, "wrap");
        EXPECT_EQ(bands[0].left, band.left) << "each row starts at the text's left edge";
    }
}

// Every line's number can be read in the gutter, not only the caret line's and every tenth:
// each row of the number column holds ink that stands out from its background.
TEST_F(FaceEndToEnd, TheGutterShowsTheNumberOfEveryLine) {
    std::string text;
    for (int line = 1; line <= 12; ++line)
        text += "line\r\n";
    copy.folder.write(L"numbers.txt", text);
    TesselRun tessel(copy, L"numbers.txt");
    ASSERT_TRUE(tessel.hasTitle(L"numbers.txt - Tessel"));
    const HWND editor = tessel.editor();
    // The rows of text give the row pitch and where the text starts: the number column lies
    // left of it.
    Capture capture;
    std::vector<Band> bands;
    ASSERT_TRUE(showsRows(editor, 12, capture, bands, "gutter"));
    const int pitch = bands[1].top - bands[0].top, textLeft = bands[0].left;
    ASSERT_GT(pitch, 0);
    const auto inkOfRow = [&](int index) {
        const RECT numbers = {0, index * pitch, textLeft - 3, (index + 1) * pitch};
        const uint32_t ground = capture.commonest(numbers);
        return (numbers.right - numbers.left) * pitch - capture.count(numbers, ground, 40);
    };
    // Rows 2 to 12: ordinary numbers, and 10 in the tenth line's colour.
    int faint = 0;
    const bool shown = pollFor(
        [&] {
            capture = Capture::of(editor);
            faint = 0;
            for (int index = 1; index < 12; ++index)
                faint += inkOfRow(index) < 5;
            return faint == 0;
        },
        WAIT_MS, 20);
    EXPECT_TRUE(shown) << faint << " rows of numbers without ink; the capture is in " << keepCapture(capture, "gutter");
}

TEST_F(FaceEndToEnd, TheThemePickedInTheChooserColoursTheEditorAndIsKeptForTheNextStart) {
    // A bundle of the user's with a theme of black ground.
    const std::wstring bundle = L"user-1\\bundles\\Looks.30000001-0000-0000-0000-000000000001.tsBundle";
    ::CreateDirectoryW((copy.folder / L"user-1\\bundles").c_str(), nullptr);
    ::CreateDirectoryW((copy.folder / bundle).c_str(), nullptr);
    ::CreateDirectoryW((copy.folder / (bundle + L"\\themes")).c_str(), nullptr);
    copy.folder.write(bundle + L"\\info.30000001-0000-0000-0000-000000000001.tsInfo", "{ title: 'Looks' }");
    copy.folder.write(bundle + L"\\themes\\Dark." + std::wstring(DARK, DARK + 36) + L".tsTheme",
                      "{ title: 'Dark' settings: [ { settings: { background: '#000000' foreground: '#FFFFFF' "
                      "line_highlight: '#000000' } } ] }");
    copy.folder.write(L"a.c", "int a;\r\n");
    const auto ground = [](HWND editor) {
        const Capture capture = Capture::of(editor);
        return capture.commonest(RECT{0, capture.height / 2, capture.width, capture.height});
    };
    {
        TesselRun tessel(copy, L"a.c");
        ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
        ASSERT_TRUE(pressChordIn(tessel.window(), {VK_MENU, 'V'}));
        ASSERT_TRUE(tessel.hasOpenMenus(1)) << "Alt+V opened no menu";
        ASSERT_TRUE(pressChord({VK_RETURN})); // "Select Theme...", its only line
        HWND chooser = nullptr;
        ASSERT_TRUE(pollFor([&] { return (chooser = tessel.process.findWindow(L"ActionSelectWindow")) != nullptr; },
                            WAIT_MS))
            << "no chooser";
        ASSERT_TRUE(activate(chooser));
        ASSERT_TRUE(typeKeys(L"dark")); // the filter leaves the one row
        ASSERT_TRUE(pressChord({VK_RETURN}));
        uint32_t seen = 0;
        EXPECT_TRUE(pollFor([&] { return (seen = ground(tessel.editor())) == 0x000000; }, WAIT_MS, 20))
            << "the ground stayed #" << std::hex << seen;
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS));
    }
    TesselRun again(copy, L"a.c");
    ASSERT_NE(nullptr, again.editor());
    uint32_t seen = 0;
    EXPECT_TRUE(pollFor([&] { return (seen = ground(again.editor())) == 0x000000; }, WAIT_MS, 20))
        << "the next start's ground is #" << std::hex << seen;
}

TEST_F(FaceEndToEnd, EveryBoxOfARunOfNulsShowsItsCodeAsALoneOneDoes) {
    writeFace(copy, "gutter_line_numbers : false");
    // A lone NUL, blanks, then six NULs, as a binary file holds them.
    copy.folder.write(L"nuls.txt", std::string("\xEF\xBB\xBFx") + '\0' + "    " + std::string(6, '\0') + "\r\n");
    TesselRun tessel(copy, L"nuls.txt");
    ASSERT_TRUE(tessel.hasTitle(L"nuls.txt - Tessel"));
    const HWND editor = tessel.editor();
    ASSERT_NE(nullptr, editor);
    // The boxes fill whole rows of the line; their top row holds only the boxes' cells: the lone
    // one, and the six of the run in one stretch.
    Capture capture;
    std::vector<Band> bands;
    std::vector<std::pair<int, int>> cells;
    const bool shown = pollFor(
        [&] {
            bands = inkBands(capture = Capture::of(editor), TEXT_INK);
            cells = bands.empty() ? cells : runsAlong(capture, bands[0].top, TEXT_INK);
            return cells.size() == 2 && cells[1].second - cells[1].first == 6 * (cells[0].second - cells[0].first);
        },
        WAIT_MS, 20);
    ASSERT_TRUE(shown) << "no lone box and run of six; the capture is in " << keepCapture(capture, "nuls");
    const int width = cells[0].second - cells[0].first;
    for (int k = 0; k < 6; ++k) {
        int differing = 0;
        for (int y = bands[0].top; y <= bands[0].bottom; ++y)
            for (int x = 0; x < width; ++x)
                differing += capture.at(cells[0].first + x, y) != capture.at(cells[1].first + k * width + x, y);
        EXPECT_EQ(0, differing) << "pixels of box " << k << " that differ from the lone one; the capture is in "
                                << keepCapture(capture, "nuls");
    }
}

} // namespace
} // namespace tessel_test
