// The looks of Tessel.exe as a user picks and edits them, with the shipped bundles only: the
// theme chooser of the View menu, the bundle editor's tree while nodes open and close and the
// bundles load again, and a document's colours while a grammar is changed and the change
// undone. Read back from the windows' pixels and from what their controls answer another
// process.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace tessel_test {
namespace {

using ThemeEndToEnd = TesselCopyTest;

// The system's window colour as the captures read it (0x00RRGGBB).
uint32_t windowColour() {
    const COLORREF colour = ::GetSysColor(COLOR_WINDOW);
    return static_cast<uint32_t>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

// The pixels of the rectangle that differ from the colour.
int othersThan(const Capture& capture, RECT rect, uint32_t colour) {
    int found = 0;
    for (int y = std::max<int>(rect.top, 0); y < rect.bottom && y < capture.height; ++y)
        for (int x = std::max<int>(rect.left, 0); x < rect.right && x < capture.width; ++x)
            found += capture.at(x, y) != colour;
    return found;
}

// The chooser's rows, split evenly over its list's height, each told by whether its mark column
// (left of the title) holds anything but the row's ground.
std::vector<bool> markedRows(const Capture& list, int rows) {
    const int height = list.height / rows, mark = ::GetSystemMetrics(SM_CXMENUCHECK);
    std::vector<bool> marked;
    for (int row = 0; row < rows; ++row) {
        const RECT band = {0, row * height, list.width, (row + 1) * height};
        const RECT column = {4, band.top, 4 + mark, band.bottom};
        marked.push_back(othersThan(list, column, list.commonest(band)) > 0);
    }
    return marked;
}

TEST_F(ThemeEndToEnd, TheChooserListsTheShippedThemesTheOneInForceMarkedAndThePickColoursTheText) {
    copy.folder.write(L"a.c", "int a;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    HWND chooser = tessel.openThemeChooser();
    ASSERT_TRUE(chooser) << "no chooser";
    EXPECT_EQ(L"Select Theme", OtherProcess::windowText(chooser));
    // "None" and "Tessel Light", the shipped one in force: marked, and no other.
    HWND list = OtherProcess::findChild(chooser, L"afControlLister");
    ASSERT_TRUE(list);
    std::vector<bool> marked;
    Capture rows;
    const bool listed = pollFor(
        [&] {
            rows = Capture::of(list);
            if (rows.height < 2 * 16)
                return false;
            marked = markedRows(rows, 2);
            return marked == std::vector<bool>{false, true};
        },
        WAIT_MS, 20);
    EXPECT_TRUE(listed) << rows.height << " pixels of rows; the capture is in " << keepCapture(rows, "theme-rows");

    // Up to "None", which has no rules: the keywords lose their blue.
    ASSERT_TRUE(activate(chooser));
    ASSERT_TRUE(pressChord({VK_UP}));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    const HWND editor = tessel.editor();
    EXPECT_TRUE(pollFor([&] { return Capture::of(editor).count(TesselRun::KEYWORD_BLUE, 8) == 0; }, WAIT_MS, 20))
        << "the keywords stayed blue";

    // Typing narrows the rows to the shipped theme again.
    chooser = tessel.openThemeChooser();
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(activate(chooser));
    ASSERT_TRUE(typeKeys(L"light"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    EXPECT_TRUE(tessel.showsKeywords()) << "the shipped theme did not come back";
}

// The bundle editor's tree seen from outside: each visible row, top to bottom, with whether it
// is expanded, and the place of the selected one.
struct TreeRows {
    std::vector<bool> expanded;
    int selected = -1;
    bool operator==(const TreeRows& other) const { return expanded == other.expanded && selected == other.selected; }
};

TreeRows rowsOf(HWND tree) {
    TreeRows rows;
    const LPARAM caret = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    for (LPARAM item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0); item;
         item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, item)) {
        if (item == caret)
            rows.selected = static_cast<int>(rows.expanded.size());
        rows.expanded.push_back((::SendMessageW(tree, TVM_GETITEMSTATE, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0);
    }
    return rows;
}

int bundlesIn(HWND tree) {
    int count = 0;
    for (LPARAM item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item;
         item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, item))
        ++count;
    return count;
}

// Whether the tree shows its rows on the window colour and nothing else: ink on the first row,
// and only the window colour right of the rows' texts (from three fifths of the width) and below
// the last row. Old rows' text, a placeholder or an unpainted band would show there.
bool paintedClean(const Capture& capture, int rows, int rowHeight) {
    const int bottom = rows * rowHeight, right = capture.width * 3 / 5;
    return capture.height > bottom && othersThan(capture, RECT{0, 0, right, rowHeight}, windowColour()) > 0 &&
           othersThan(capture, RECT{right, 0, capture.width, bottom}, windowColour()) == 0 &&
           othersThan(capture, RECT{0, bottom, capture.width, capture.height}, windowColour()) == 0;
}

TEST_F(ThemeEndToEnd, TheBundleTreeRepaintsWhatChangesAndKeepsItsOpenNodesAcrossAReload) {
    copy.folder.write(L"tree.c", "int z;\r\n");
    TesselRun tessel(copy, L"tree.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    const HWND shown = tessel.showBundleEditor();
    ASSERT_TRUE(shown) << "F4 showed no bundle editor";
    const HWND tree = OtherProcess::findChild(shown, L"SysTreeView32");
    ASSERT_TRUE(tree);
    const int rowHeight = static_cast<int>(::SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rowHeight, 0);
    // Waits until the tree has the rows and shows them cleanly, its top rows as in `same` (when
    // given); the last capture is kept, and what was wrong with it.
    Capture seen;
    std::string wrong;
    const auto showsRows = [&](const TreeRows& wanted, const Capture* same, int sameRows) {
        return pollFor(
            [&] {
                const TreeRows rows = rowsOf(tree);
                if (!(rows == wanted)) {
                    wrong = std::to_string(rows.expanded.size()) + " rows, row " + std::to_string(rows.selected) +
                            " selected";
                    return false;
                }
                seen = Capture::of(tree);
                if (!paintedClean(seen, static_cast<int>(wanted.expanded.size()), rowHeight)) {
                    wrong = "more than the window colour beside or below the rows";
                    return false;
                }
                if (!same)
                    return true;
                int differing = 0;
                for (size_t at = 0; at < static_cast<size_t>(sameRows * rowHeight) * seen.width; ++at)
                    differing +=
                        at >= seen.pixels.size() || at >= same->pixels.size() || seen.pixels[at] != same->pixels[at];
                wrong = std::to_string(differing) + " pixels of the top rows differ";
                return differing == 0;
            },
            WAIT_MS, 20);
    };

    // The six shipped bundles, C selected.
    ASSERT_TRUE(pressChordIn(tree, {VK_HOME}));
    const TreeRows closed = {std::vector<bool>(6, false), 0};
    ASSERT_TRUE(showsRows(closed, nullptr, 0))
        << "the first paint: " << wrong << "; " << keepCapture(seen, "tree-closed");
    const Capture closedLook = seen;

    // C and its Grammars opened (C, C++ below), Grammars selected: eleven rows.
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_RIGHT})
        ASSERT_TRUE(pressChord({key}));
    const TreeRows open = {{true, true, false, false, false, false, false, false, false, false, false}, 1};
    ASSERT_TRUE(showsRows(open, nullptr, 0)) << "after opening: " << wrong << "; " << keepCapture(seen, "tree-open");
    const Capture openLook = seen;

    // A bundle of the user's, then Bundles > Reload Bundles: the bundles go and come back, the
    // new one last, opened and selected as they were.
    const std::wstring zeta = L"user-1\\bundles\\Zeta.30000002-0000-0000-0000-000000000001.tsBundle";
    ::CreateDirectoryW((copy.folder / L"user-1\\bundles").c_str(), nullptr);
    ::CreateDirectoryW((copy.folder / zeta).c_str(), nullptr);
    copy.folder.write(zeta + L"\\info.30000002-0000-0000-0000-000000000001.tsInfo", "{ title: 'Zeta' }");
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_MENU, 'B'}));
    ASSERT_TRUE(tessel.hasOpenMenus(1)) << "Alt+B opened no menu";
    ASSERT_TRUE(pressChord({'R'}));
    ASSERT_TRUE(pollFor([&] { return bundlesIn(tree) == 7; }, WAIT_MS))
        << "the bundles were not loaded again";
    ASSERT_TRUE(activate(shown));
    TreeRows reopened = open;
    reopened.expanded.push_back(false);
    EXPECT_TRUE(showsRows(reopened, &openLook, 11))
        << "after the reload: " << wrong << "; " << keepCapture(seen, "tree-reloaded") << " and "
        << keepCapture(openLook, "tree-open");

    // Closed again, C selected: as it first looked, no old row left behind.
    ASSERT_TRUE(pressChordIn(tree, {VK_LEFT}));
    ASSERT_TRUE(pressChord({VK_UP}));
    ASSERT_TRUE(pressChord({VK_LEFT}));
    TreeRows reclosed = closed;
    reclosed.expanded.push_back(false);
    EXPECT_TRUE(showsRows(reclosed, &closedLook, 6))
        << "after closing: " << wrong << "; " << keepCapture(seen, "tree-closed-again") << " and "
        << keepCapture(closedLook, "tree-closed");
}

// The places of the pixels in the colour on the rows above `bottom`: the shape of the text
// drawn in it there.
std::vector<size_t> inkOf(const Capture& capture, uint32_t colour, int bottom) {
    std::vector<size_t> places;
    const size_t end = std::min(capture.pixels.size(), static_cast<size_t>(std::max(bottom, 0)) * capture.width);
    for (size_t at = 0; at < end; ++at)
        if (Capture::distance(capture.pixels[at], colour) <= 8)
            places.push_back(at);
    return places;
}

TEST_F(ThemeEndToEnd, AGrammarChangeUndoneLeavesTheStringsAsTheyWere) {
    constexpr uint32_t STRING_RED = 0xA31515, COMMENT_GREEN = 0x5E7A3A; // the shipped theme's
    constexpr int UNCOVERED = 100; // the document's rows the bundle editor leaves in sight
    copy.folder.write(L"v.json", "[\"some words\"]\r\n");
    TesselRun tessel(copy, L"v.json");
    const HWND document = tessel.editor();
    ASSERT_TRUE(document);
    std::vector<size_t> upright;
    const auto inkNow = [&](uint32_t colour) { return inkOf(Capture::of(document), colour, UNCOVERED); };
    ASSERT_TRUE(pollFor([&] { return (upright = inkNow(STRING_RED)).size() > 20; }, WAIT_MS, 20))
        << "the string was never red";

    // The bundle editor below the document's first rows, its JSON grammar open.
    const HWND shown = tessel.showBundleEditor();
    ASSERT_TRUE(shown) << "F4 showed no bundle editor";
    RECT text = {};
    ::GetWindowRect(document, &text);
    ::SetWindowPos(shown, nullptr, text.left, text.top + UNCOVERED + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const HWND tree = OtherProcess::findChild(shown, L"SysTreeView32");
    ASSERT_TRUE(tree);
    ASSERT_TRUE(pressChordIn(tree, {VK_HOME})); // C, then JavaScript, JSON: its Grammars, its JSON
    for (WORD key : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN})
        ASSERT_TRUE(pressChord({key}));
    HWND grammar = nullptr;
    ASSERT_TRUE(pollFor([&] { return (grammar = OtherProcess::findChild(shown, TesselRun::EDITOR)) != nullptr; },
                        WAIT_MS))
        << "the grammar did not open";
    RECT box = {};
    ASSERT_TRUE(pollFor([&] { return ::GetWindowRect(grammar, &box) && box.right > box.left && box.bottom > box.top; },
                        WAIT_MS))
        << "the grammar's text was never laid out";
    ASSERT_TRUE(activate(shown));
    ASSERT_TRUE(clickAt({(box.left + box.right) / 2, (box.top + box.bottom) / 2}));
    ASSERT_TRUE(tessel.hasFocus(grammar));

    // Its strings named as comments, pasted over the whole text and saved: their text green (and
    // italic).
    std::string shipped;
    ASSERT_TRUE(copy.folder.tryRead(L"bundles\\JSON.fbd9bc1c-36c2-42f4-91e0-b2dfc7b6613b.tsBundle\\grammars\\"
                                    L"JSON.d5cdaecf-99c6-4725-a36f-d400777f8d14.tsGrammar",
                                    &shipped));
    std::wstring changed(shipped.begin(), shipped.end());
    const std::wstring name = L"\"string.quoted.double.json\"";
    ASSERT_NE(std::wstring::npos, changed.find(name));
    changed.replace(changed.find(name), name.size(), L"\"comment.json\"");
    ASSERT_TRUE(copyToClipboard(changed));
    for (WORD letter : {'A', 'V', 'S'})
        ASSERT_TRUE(pressChordIn(grammar, {VK_CONTROL, letter}));
    ASSERT_TRUE(pollFor([&] { return inkNow(COMMENT_GREEN).size() > 20; }, WAIT_MS, 20))
        << "the strings never turned into comments; " << keepCapture(Capture::of(document), "json-comments");

    // Undone and saved again: red (the quotes were, as punctuation of a string), and upright as
    // before.
    ASSERT_TRUE(pressChordIn(grammar, {VK_CONTROL, 'Z'}));
    ASSERT_TRUE(pressChordIn(grammar, {VK_CONTROL, 'S'}));
    std::vector<size_t> seen;
    EXPECT_TRUE(pollFor([&] { return (seen = inkNow(STRING_RED)) == upright; }, WAIT_MS, 20))
        << seen.size() << " red pixels where " << upright.size() << " were; "
        << keepCapture(Capture::of(document), "json-undone");
}

} // namespace
} // namespace tessel_test
