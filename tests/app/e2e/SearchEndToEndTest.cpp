// Find and replace in Tessel.exe through its dialog, driven with the keyboard as a user does:
// Ctrl+H, the text and the replacement typed, "Match case" ticked by its mnemonic, Enter for
// Replace All; what it did is read back from the saved file.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

namespace tessel_test {
namespace {

using SearchEndToEnd = TesselCopyTest;

TEST_F(SearchEndToEnd, ReplaceAllMatchingCaseLeavesTheOtherCaseAndOnlyTheSelectedLines) {
    const std::string old = "local Local\r\nlocal\r\nlocal\r\n";
    copy.folder.write(L"r.c", old);
    TesselRun tessel(copy, L"r.c");
    ASSERT_TRUE(tessel.hasTitle(L"r.c - Tessel"));

    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog) << "Ctrl+H showed no Replace dialog";
    ASSERT_TRUE(typeKeys(L"local"));
    ASSERT_TRUE(pressChord({VK_TAB})); // to the replacement
    ASSERT_TRUE(typeKeys(L"here"));
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'C'})); // Match case
    ASSERT_TRUE(pressChord({VK_RETURN}));    // Replace All
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS)) << "the dialog stayed";
    EXPECT_EQ("here Local\r\nhere\r\nhere\r\n", savedText(tessel, L"r.c", old));

    // Within a selection over two lines: the first line stays as it is.
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_DOWN}));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_END}));
    dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(pressChordIn(dialog, {VK_CONTROL, 'A'}));
    ASSERT_TRUE(typeKeys(L"here"));
    ASSERT_TRUE(pressChord({VK_TAB}));
    ASSERT_TRUE(pressChordIn(dialog, {VK_CONTROL, 'A'}));
    ASSERT_TRUE(typeKeys(L"there"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS));
    EXPECT_EQ("here Local\r\nthere\r\nthere\r\n", savedText(tessel, L"r.c", "here Local\r\nhere\r\nhere\r\n"));
}

// A regular expression that would overflow the engine's stack on the long run of "a" stops
// Replace All before it replaces anything: the two matches before the run are still there for
// the next Replace All.
TEST_F(SearchEndToEnd, AReplaceAllThatFailsReplacesNothing) {
    const std::string old = "bz bz " + std::string(10000, 'a') + "z\r\n";
    copy.folder.write(L"f.txt", old);
    TesselRun tessel(copy, L"f.txt");
    ASSERT_TRUE(tessel.hasTitle(L"f.txt - Tessel"));
    const auto replaceAll = [&](const wchar_t* find, const wchar_t* with, bool tickRegex) {
        HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
        ASSERT_NE(nullptr, dialog) << "Ctrl+H showed no Replace dialog";
        ASSERT_TRUE(pressChordIn(dialog, {VK_CONTROL, 'A'}));
        ASSERT_TRUE(typeKeys(find));
        ASSERT_TRUE(pressChord({VK_TAB}));
        ASSERT_TRUE(pressChordIn(dialog, {VK_CONTROL, 'A'}));
        ASSERT_TRUE(typeKeys(with));
        if (tickRegex) {
            ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'X'})); // Regular expression
        }
        ASSERT_TRUE(pressChord({VK_RETURN}));
        ASSERT_TRUE(pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS)) << "the dialog stayed";
    };
    replaceAll(L"(a|b)*z", L"X", true);
    // Still a regular expression (the dialog keeps the box ticked): its group goes in.
    replaceAll(L"b(z)", L"Y$1", false);
    EXPECT_EQ("Yz Yz " + std::string(10000, 'a') + "z\r\n", savedText(tessel, L"f.txt", old));
}

} // namespace
} // namespace tessel_test
