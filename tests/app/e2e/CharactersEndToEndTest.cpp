// Characters of every length in Tessel.exe as a user meets them: one longer than the editor's
// piece of a long line with text after it (a letter with 40,000 accents, a chain of 12,000 emoji
// joined by ZWJ), stepped over and typed after; a column of carets made with Alt+Down over lines
// where its column falls inside a flag, a family or an emoji, Backspace at it; and the save
// refused for half of a character, in the words of the log that keeps its reason. What happened
// is read back from the saved bytes and the program's log.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessel_test {
namespace {

using CharactersEndToEnd = TesselCopyTest;

const std::string ACUTE = "\xCC\x81";                  // U+0301, a combining mark
const std::string MAN = "\xF0\x9F\x91\xA8";            // U+1F468
const std::string WOMAN = "\xF0\x9F\x91\xA9";          // U+1F469
const std::string ZWJ = "\xE2\x80\x8D";                // U+200D
const std::string FRANCE = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
const std::string FAMILY = MAN + ZWJ + WOMAN + ZWJ + "\xF0\x9F\x91\xA7";
const std::string SMILE = "\xF0\x9F\x98\x80";

std::string repeated(const std::string& unit, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

// A character longer than a piece with text after it on its line: Right from the line's start
// steps over it, End and Ctrl+End with Up reach their places, and what is typed there is saved
// there; the program runs on, and its log tells of no failure of the view. Before, the view read a
// record of the line that had no widths, and Tessel ended.
TEST_F(CharactersEndToEnd, ACharacterLongerThanAPieceIsSteppedOverAndTypedAfter) {
    const std::string marked = "x" + repeated(ACUTE, 40000);
    const std::string old = marked + "y\nnext";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"marks.txt", old, tessel));
    const HWND editor = tessel->editor();
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChordIn(editor, {VK_RIGHT}));
    ASSERT_TRUE(activate(editor) && typeKeys(L"1"));
    ASSERT_TRUE(pressChordIn(editor, {VK_END}));
    ASSERT_TRUE(activate(editor) && typeKeys(L"2"));
    const std::string typed = savedText(*tessel, L"marks.txt", old);
    EXPECT_EQ(marked + "1y2\nnext", typed);
    // Up twice from the end: on a line's character, wherever the column lands.
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_END}));
    ASSERT_TRUE(pressChordIn(editor, {VK_UP}));
    ASSERT_TRUE(pressChordIn(editor, {VK_UP}));
    ASSERT_TRUE(activate(editor) && typeKeys(L"3"));
    const std::string third = savedText(*tessel, L"marks.txt", typed);
    const size_t at = third.find('3');
    ASSERT_NE(std::string::npos, at) << "the program ran on: " << tessel->process.running();
    EXPECT_EQ(typed, third.substr(0, at) + third.substr(at + 1));
    EXPECT_TRUE(at == 0 || at >= marked.size()) << "typed inside the letter's accents, at byte " << at;

    // A chain of 12,000 emoji joined by ZWJ, then a letter: End after the letter.
    const std::string chain = MAN + repeated(ZWJ + WOMAN, 11999);
    const std::string joined = chain + "y\nnext";
    ASSERT_TRUE(startFocused(copy, L"chain.txt", joined, tessel));
    ASSERT_TRUE(pressChordIn(tessel->editor(), {VK_END}));
    ASSERT_TRUE(activate(tessel->editor()) && typeKeys(L"2"));
    EXPECT_EQ(chain + "y2\nnext", savedText(*tessel, L"chain.txt", joined));
    EXPECT_TRUE(tessel->process.running());
    const std::wstring log = userLog(copy, user);
    EXPECT_EQ(std::wstring::npos, log.find(L"Editor::endUpdate() failed")) << "the view failed as it painted";
}

// Ctrl+Home, Right, Alt+Down twice over a line that starts with a flag (or a family) where the
// column falls inside it: Backspace takes the letter before each caret and nothing at the flag's
// line, whose caret stands at its start; pressed again it joins no line, and what is typed then
// lands at every caret. Before, the caret at the line's start took the line break before it.
TEST_F(CharactersEndToEnd, BackspaceAtAColumnOfCaretsJoinsNoLines) {
    for (const std::string& first : {FRANCE, FAMILY}) {
        const std::string old = "xab\r\n" + first + "hi\r\nyab";
        std::unique_ptr<TesselRun> tessel;
        ASSERT_TRUE(startFocused(copy, L"column.txt", old, tessel));
        const HWND editor = tessel->editor();
        ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
        ASSERT_TRUE(pressChordIn(editor, {VK_RIGHT}));
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
        ASSERT_TRUE(pressChordIn(editor, {VK_BACK}));
        const std::string once = savedText(*tessel, L"column.txt", old);
        EXPECT_EQ("ab\r\n" + first + "hi\r\nab", once);
        ASSERT_TRUE(pressChordIn(editor, {VK_BACK}));
        ASSERT_TRUE(activate(editor) && typeKeys(L"Q"));
        EXPECT_EQ("Qab\r\nQ" + first + "hi\r\nQab", savedText(*tessel, L"column.txt", once));
    }
}

// Ctrl+Home, Right, Alt+Down three times over an emoji, a letter with its accent and a flag:
// every caret stays a caret (the flag's at its start, where the column falls inside it), and
// Backspace takes the character before each. Before, the flag's caret went after the flag, the
// rectangle's corners differed by a column, and Backspace took the character after each caret.
TEST_F(CharactersEndToEnd, AColumnOfCaretsOverWideCharactersStaysCarets) {
    const std::string old = "xab\r\n" + SMILE + "cd\r\ne" + ACUTE + "fg\r\n" + FRANCE + "hi";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"carets.txt", old, tessel));
    const HWND editor = tessel->editor();
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChordIn(editor, {VK_RIGHT}));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pressChordIn(editor, {VK_MENU, VK_DOWN}));
    ASSERT_TRUE(pressChordIn(editor, {VK_BACK}));
    EXPECT_EQ("ab\r\ncd\r\nfg\r\n" + FRANCE + "hi", savedText(*tessel, L"carets.txt", old));
}

// The log's line for the save refused last; empty while there is none written whole.
std::wstring refusedSave(TesselCopy& copy, const std::wstring& user) {
    const std::wstring log = userLog(copy, user);
    const size_t at = log.rfind(L"was not saved: ");
    if (at == std::wstring::npos)
        return std::wstring();
    const size_t end = log.find_first_of(L"\r\n", at);
    return end == std::wstring::npos ? std::wstring() : log.substr(at, end - at);
}

// Half of an emoji pasted into a UTF-8 file, then Ctrl+S: the save is refused, and its reason
// (which the log keeps as the message shows it) says in one thought what the character is, where
// it stands and that UTF-16 is the one encoding that stores it.
TEST_F(CharactersEndToEnd, ASaveRefusedForHalfACharacterSaysUtf16AloneStoresIt) {
    const std::string old = "emoji " + SMILE + " end\r\nab";
    std::unique_ptr<TesselRun> tessel;
    ASSERT_TRUE(startFocused(copy, L"half.txt", old, tessel));
    ASSERT_TRUE(pressChordIn(tessel->editor(), {VK_CONTROL, VK_END}));
    ASSERT_TRUE(copyToClipboard(L"\xD83D"));
    ASSERT_TRUE(pressChordIn(tessel->editor(), {VK_CONTROL, 'V'}));
    ASSERT_TRUE(tessel->hasTitle(L"half.txt * - Tessel"));
    ASSERT_TRUE(pressChordIn(tessel->window(), {VK_CONTROL, 'S'}));
    ASSERT_NE(nullptr, tessel->question()) << "no message came";
    std::wstring reason;
    EXPECT_TRUE(pollFor([&] { return !(reason = refusedSave(copy, user)).empty(); }, WAIT_MS))
        << "the log tells no refused save";
    EXPECT_EQ(L"was not saved: The document cannot be saved to '" + copy.folder / L"half.txt" +
                  L"' in UTF-8 Plain: it holds half of a character, the unpaired surrogate U+D83D at line 2, "
                  L"character 3, which no encoding but UTF-16 stores (UTF-16 keeps the unit as it is). Delete it, "
                  L"or choose UTF-16.",
              reason);
    EXPECT_TRUE(tessel->answer({VK_RETURN}));
    EXPECT_EQ(old, copy.folder.read(L"half.txt")) << "the file stays as it was";
}

} // namespace
} // namespace tessel_test
