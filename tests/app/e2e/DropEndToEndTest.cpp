// Drops on Tessel.exe from another program: a drag source of the tests' own
// (drag_source_helper) drags a file list or text out of a window of its own and drops it on the
// tab strip or in the editor. What the source was told comes back as its exit code (a source
// told "move" deletes its own copy); what the editor took, as the bytes saved.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <oleidl.h>

#include <string>

namespace tessel_test {
namespace {

class DropEndToEnd : public TesselCopyTest {
protected:
    // Drags what the arguments after the keys and effects name ("files PATH", "text TEXT") to
    // the screen point and drops it there, with Shift held or not; the effect the source was
    // told (DROPEFFECT_*), or the helper's code for a cancelled or failed drag.
    long dropFrom(POINT at, bool shift, DWORD allowed, const std::wstring& what) {
        OtherProcess source(programFolder() + L"drag_source_helper.exe",
                            std::to_wstring(at.x) + L" " + std::to_wstring(at.y) + (shift ? L" shift " : L" - ") +
                                std::to_wstring(allowed) + L" " + what);
        return source.exitCode(WAIT_MS);
    }
    static std::wstring files(const std::wstring& path) { return L"files \"" + path + L"\""; }

    // Waits until the layout has put the tab strip above the editor, and answers a point of the
    // strip right of the one tab, above the editor.
    testing::AssertionResult stripPoint(TesselRun& tessel, POINT* o_point) {
        RECT editor = {};
        POINT client = {0, 0};
        if (!pollFor(
                [&] {
                    client = {0, 0};
                    return ::GetWindowRect(tessel.editor(), &editor) && ::ClientToScreen(tessel.window(), &client) &&
                           editor.top - client.y > 8;
                },
                WAIT_MS))
            return testing::AssertionFailure() << "no tab strip above the editor";
        *o_point = {editor.left + (editor.right - editor.left) * 2 / 3, (client.y + editor.top) / 2};
        return testing::AssertionSuccess();
    }
};

TEST_F(DropEndToEnd, FilesDroppedOnTheTabStripOpenAndTheSourceIsToldCopyWhateverTheKeys) {
    copy.folder.write(L"a.c", "int a;\r\n");
    copy.folder.write(L"b.c", "int b;\r\n");
    copy.folder.write(L"c.c", "int c;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
    POINT strip = {};
    ASSERT_TRUE(stripPoint(tessel, &strip));
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(DROPEFFECT_COPY, dropFrom(strip, false, all, files(copy.folder / L"b.c")))
        << "copy, move and link allowed";
    EXPECT_TRUE(tessel.hasTitle(L"b.c - Tessel"));
    ASSERT_TRUE(stripPoint(tessel, &strip));
    EXPECT_EQ(DROPEFFECT_COPY, dropFrom(strip, true, all, files(copy.folder / L"c.c"))) << "Shift held";
    EXPECT_TRUE(tessel.hasTitle(L"c.c - Tessel"));
    ASSERT_TRUE(stripPoint(tessel, &strip));
    EXPECT_EQ(DROPEFFECT_COPY, dropFrom(strip, false, DROPEFFECT_COPY, files(copy.folder / L"a.c"))) << "copy only";
    EXPECT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
    std::string kept;
    EXPECT_TRUE(copy.folder.tryRead(L"b.c", &kept) && kept == "int b;\r\n");
}

TEST_F(DropEndToEnd, TextLandsWhereItIsDroppedLeavesTheSelectionAndIsCopiedUnlessShiftIsHeld) {
    const std::string old = "alpha beta gamma\r\ndelta epsilon\r\n";
    copy.folder.write(L"t.txt", old);
    TesselRun tessel(copy, L"t.txt");
    ASSERT_TRUE(tessel.hasTitle(L"t.txt - Tessel"));
    TextGrid grid;
    ASSERT_TRUE(readTextGrid(tessel, &grid));
    // "beta" selected by a double click on it: the caret goes behind it.
    ASSERT_TRUE(doubleClickAt(grid.at(8, 0)));
    ASSERT_TRUE(pollFor([&] { return caretOf(grid.editor).left >= grid.start.left + 9.5 * grid.width; }, WAIT_MS))
        << "the double click selected nothing";
    // Far right of the second line: its end.
    const POINT end = grid.at(60, 1);
    EXPECT_EQ(DROPEFFECT_COPY, dropFrom(end, false, DROPEFFECT_COPY | DROPEFFECT_MOVE, L"text NEW"));
    const std::string dropped = savedText(tessel, L"t.txt", old);
    EXPECT_EQ("alpha beta gamma\r\ndelta epsilonNEW\r\n", dropped);
    EXPECT_EQ(DROPEFFECT_MOVE, dropFrom(end, true, DROPEFFECT_COPY | DROPEFFECT_MOVE, L"text MORE")) << "Shift held";
    EXPECT_EQ("alpha beta gamma\r\ndelta epsilonNEWMORE\r\n", savedText(tessel, L"t.txt", dropped));
}

} // namespace
} // namespace tessel_test
