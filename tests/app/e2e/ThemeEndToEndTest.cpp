// The looks of Tessel.exe as a user picks and edits them, with the shipped bundles only: the
// theme chooser of the View menu, and the bundle editor's tree while nodes open and close and
// the bundles load again. Read back from the windows' pixels and from what their controls
// answer another process.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

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

// Opens View > Select Theme... (the menu's only line) and waits for its window.
HWND openThemeChooser(TesselRun& tessel) {
    if (!pressChordIn(tessel.window(), {VK_MENU, 'V'}) || !tessel.hasOpenMenus(1) || !pressChord({VK_RETURN}))
        return nullptr;
    HWND chooser = nullptr;
    pollFor([&] { return (chooser = tessel.process.findWindow(L"ActionSelectWindow")) != nullptr; }, WAIT_MS);
    return chooser;
}

TEST_F(ThemeEndToEnd, TheChooserListsTheShippedThemesTheOneInForceMarkedAndThePickColoursTheText) {
    copy.folder.write(L"a.c", "int a;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    HWND chooser = openThemeChooser(tessel);
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
    chooser = openThemeChooser(tessel);
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
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_F4}));
    HWND shown = nullptr;
    ASSERT_TRUE(pollFor(
        [&] {
            shown = OtherProcess::findTopLevel(L"TesselBundleEditor", tessel.process.processId()).front();
            return shown && ::IsWindowVisible(shown);
        },
        WAIT_MS))
        << "F4 showed no bundle editor";
    const HWND tree = OtherProcess::findChild(shown, L"SysTreeView32");
    ASSERT_TRUE(tree);
    const int rowHeight = static_cast<int>(::SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rowHeight, 0);
    // Waits until the tree has the rows and shows them cleanly; the capture is kept.
    Capture seen;
    const auto showsRows = [&](const TreeRows& wanted, const Capture* same) {
        return pollFor(
            [&] {
                if (!(rowsOf(tree) == wanted))
                    return false;
                seen = Capture::of(tree);
                if (!paintedClean(seen, static_cast<int>(wanted.expanded.size()), rowHeight))
                    return false;
                return !same || same->pixels == seen.pixels;
            },
            WAIT_MS, 20);
    };

    // The six shipped bundles, C selected.
    ASSERT_TRUE(pressChordIn(tree, {VK_HOME}));
    const TreeRows closed = {std::vector<bool>(6, false), 0};
    ASSERT_TRUE(showsRows(closed, nullptr)) << "the first paint; " << keepCapture(seen, "tree-closed");
    const Capture closedLook = seen;

    // C and its Grammars opened (C, C++ below), Grammars selected: eleven rows.
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_RIGHT})
        ASSERT_TRUE(pressChord({key}));
    const TreeRows open = {{true, true, false, false, false, false, false, false, false, false, false}, 1};
    ASSERT_TRUE(showsRows(open, nullptr)) << "after opening; " << keepCapture(seen, "tree-open");
    const Capture openLook = seen;

    // Bundles > Reload Bundles: the bundles go and come back as new nodes, opened as they were.
    const LPARAM firstRoot = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_MENU, 'B'}));
    ASSERT_TRUE(tessel.hasOpenMenus(1)) << "Alt+B opened no menu";
    ASSERT_TRUE(pressChord({'R'}));
    ASSERT_TRUE(pollFor(
        [&] {
            const LPARAM root = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
            return root && root != firstRoot;
        },
        WAIT_MS))
        << "the bundles were not loaded again";
    ASSERT_TRUE(activate(shown));
    EXPECT_TRUE(showsRows(open, &openLook)) << "after the reload; " << keepCapture(seen, "tree-reloaded");

    // Closed again, C selected: as it first looked, no old row left behind.
    ASSERT_TRUE(pressChordIn(tree, {VK_LEFT}));
    ASSERT_TRUE(pressChord({VK_UP}));
    ASSERT_TRUE(pressChord({VK_LEFT}));
    EXPECT_TRUE(showsRows(closed, &closedLook)) << "after closing; " << keepCapture(seen, "tree-closed-again");
}

} // namespace
} // namespace tessel_test
