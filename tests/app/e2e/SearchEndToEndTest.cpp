// Find and replace in Tessel.exe through its dialog, driven with the keyboard as a user does:
// Ctrl+H, the text and the replacement typed, "Match case" ticked by its mnemonic, Enter for
// Replace All; what it did is read back from the saved file. The texts hold emoji, letters
// outside the BMP and line breaks, which searches must take whole.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

namespace tessel_test {
namespace {

using SearchEndToEnd = TesselCopyTest;

// Replace All through Ctrl+H with the texts typed, ticking "Regular expression" first when asked
// (the dialogs keep the box as it was left); true once the dialog closed.
testing::AssertionResult replaceAll(TesselRun& tessel, const std::wstring& find, const std::wstring& with,
                                    bool tickRegex) {
    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    if (!dialog)
        return testing::AssertionFailure() << "Ctrl+H showed no Replace dialog";
    if (!typeValues(dialog, find, with.c_str()))
        return testing::AssertionFailure() << "the texts were not typed";
    if (tickRegex && !pressChordIn(dialog, {VK_MENU, 'X'}))
        return testing::AssertionFailure() << "Regular expression was not ticked";
    if (!pressChord({VK_RETURN}) || !pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS))
        return testing::AssertionFailure() << "the dialog stayed";
    return testing::AssertionSuccess();
}

// Each character of each line in brackets, as "(.)" replaced by "[$1]" gives it: UTF-8 lines
// ending in CR LF.
std::string bracketed(const std::string& lines) {
    std::string out;
    for (size_t at = 0; at < lines.size();) {
        if (lines.compare(at, 2, "\r\n") == 0) {
            out += "\r\n";
            at += 2;
            continue;
        }
        size_t end = at + 1;
        while (end < lines.size() && (static_cast<unsigned char>(lines[end]) & 0xC0) == 0x80)
            ++end;
        out += "[" + lines.substr(at, end - at) + "]";
        at = end;
    }
    return out;
}

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
    ASSERT_TRUE(replaceAll(tessel, L"(a|b)*z", L"X", true));
    // Still a regular expression (the dialog keeps the box ticked): its group goes in.
    ASSERT_TRUE(replaceAll(tessel, L"b(z)", L"Y$1", false));
    EXPECT_EQ("Yz Yz " + std::string(10000, 'a') + "z\r\n", savedText(tessel, L"f.txt", old));
}

// A regular expression's "." takes a whole emoji and no line break: "o.*" replaces the rest of
// each line only, "\w" takes a letter outside the BMP, "W.W.W" joins no lines, "(.)" brackets
// every character whole and no line break, and the file saves. An escape the engine does not
// know keeps the dialog open.
TEST_F(SearchEndToEnd, ARegularExpressionReplacesWholeCharactersWithinLines) {
    const std::string old = u8"😀😀😀\r\nline one\r\nline two\r\nline three\r\nab\r\ncd\r\n\U0001D400 x\r\n";
    copy.folder.write(L"u.txt", old);
    TesselRun tessel(copy, L"u.txt");
    ASSERT_TRUE(tessel.hasTitle(L"u.txt - Tessel"));
    ASSERT_TRUE(replaceAll(tessel, L"o.*", L"X", true));
    ASSERT_TRUE(replaceAll(tessel, L"\\w+\\b", L"W", false));
    const std::string words = u8"😀😀😀\r\nW W\r\nW W\r\nW W\r\nW\r\nW\r\nW W\r\n";
    EXPECT_EQ(words, savedText(tessel, L"u.txt", old));

    // Nothing across lines: nothing changes.
    ASSERT_TRUE(replaceAll(tessel, L"W.W.W", L"J", false));
    // The unknown escape is refused: the dialog stays open with its field selected.
    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(typeValues(dialog, L"\\X", L"x"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(typeKeys(L"y"));
    EXPECT_TRUE(pollFor([&] { return !::IsWindow(dialog) || OtherProcess::windowText(fieldsOf(dialog)[0]) == L"y"; },
                        WAIT_MS));
    ASSERT_TRUE(::IsWindow(dialog)) << "the pattern was taken";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS));

    ASSERT_TRUE(replaceAll(tessel, L"(.)", L"[$1]", false));
    EXPECT_EQ(bracketed(words), savedText(tessel, L"u.txt", words));
}

// Without Match case, letters outside the BMP find their other case, as letters inside it do,
// in plain text and in a regular expression.
TEST_F(SearchEndToEnd, IgnoringCaseFindsLettersOutsideTheBmpInTheOtherCase) {
    const std::string old = u8"\U00010400\U00010401 \U00010428\U00010429 \u00e9clair \u00c9CLAIR\r\n";
    copy.folder.write(L"d.txt", old);
    TesselRun tessel(copy, L"d.txt");
    ASSERT_TRUE(tessel.hasTitle(L"d.txt - Tessel"));
    ASSERT_TRUE(replaceAll(tessel, L"\U00010428\U00010429", L"x", false));
    ASSERT_TRUE(replaceAll(tessel, L"\u00c9CLAIR", L"y", false));
    const std::string plain = "x x y y\r\n";
    ASSERT_EQ(plain, savedText(tessel, L"d.txt", old));
    ASSERT_TRUE(replaceAll(tessel, L"x", L"\U00010400", false));
    ASSERT_TRUE(replaceAll(tessel, L"\U00010428(\\s)", L"[$1]", true));
    EXPECT_EQ("[ ][ ]y y\r\n", savedText(tessel, L"d.txt", plain));
}

} // namespace
} // namespace tessel_test
