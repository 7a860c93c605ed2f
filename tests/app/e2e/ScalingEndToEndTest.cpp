// Tessel.exe at the screen's scaling, whatever it is: the suite runs in the main run at 96 DPI and
// again at 120, 144 and 192 DPI in a prefix of its own (tests/scripts/scaled-e2e.sh). Every text
// of the dialogs, the questions, the status strip and the bundle editor's problem list shows
// whole (drawn again by the driver in the same font and found on the screen, and fitting its
// control's client rectangle); wrapped rows show every character; the gutter's numbers stand in
// the text's font on its baseline; the tab list opens below its button; the right Alt is Alt; and
// the system caret stands where the text ends.

#include "app/e2e/ScreenText.h"
#include "app/e2e/TabStrip.h"
#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace tessel_test {
namespace {

constexpr uint32_t TEXT_INK = 0x1F1F1F; // the shipped theme's foreground

// Sizes as the program has them, which declares itself aware of the DPI: a driver that is not
// has the sizes it gives and reads scaled by the system. Declared before the program's first
// window or size is asked for, as the process starts.
const bool DPI_AWARE = ::SetProcessDPIAware() != FALSE;

class ScalingEndToEnd : public TesselCopyTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(DPI_AWARE) << "the driver could not declare itself aware of the DPI";
        TesselCopyTest::SetUp();
    }

    // The main window of the next start placed at the screen's top left, `width` x `height`
    // pixels, as the session of the user folder says (a driver's SetWindowPos of another
    // program's window is scaled by Wine at other scalings than 96 DPI).
    void placeMainWindow(int width, int height) {
        copy.folder.write(L"user-1\\config\\session.tsConfig",
                          std::string(TesselCopy::VERSION_ENTRY) + "app : { windows : { main : { left : 0 top : 0 right : " +
                              std::to_string(width) + " bottom : " + std::to_string(height) + " state : 1 } } } }\r\n");
    }
    // Waits until the main window has that size.
    static testing::AssertionResult hasSize(TesselRun& tessel, int width, int height) {
        RECT frame = {};
        if (pollFor(
                [&] {
                    return ::GetWindowRect(tessel.window(), &frame) && frame.right - frame.left == width &&
                           frame.bottom - frame.top == height;
                },
                WAIT_MS))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the window is " << frame.right - frame.left << " x "
                                           << frame.bottom - frame.top << ", not " << width << " x " << height;
    }
    // The text, as the file of that name, opened in a main window of `width` x `height` pixels
    // with its editor holding the keys; the rows' pitch (the caret's height) goes to o_pitch.
    testing::AssertionResult startSized(std::unique_ptr<TesselRun>& o_run, const std::wstring& name,
                                        const std::wstring& text, int width, int height, LONG* o_pitch) {
        copy.folder.write(name, std::string(text.begin(), text.end()));
        placeMainWindow(width, height);
        o_run.reset(new TesselRun(copy, name));
        RECT caret = {};
        if (!o_run->hasTitle(name + L" - Tessel"))
            return testing::AssertionFailure() << "the file did not open";
        const testing::AssertionResult sized = hasSize(*o_run, width, height);
        if (!sized)
            return sized;
        const testing::AssertionResult focused = o_run->focusEditor();
        if (!focused)
            return focused;
        if (!shownCaret(o_run->editor(), &caret))
            return testing::AssertionFailure() << "no caret shown";
        *o_pitch = caret.bottom - caret.top;
        return testing::AssertionSuccess();
    }
};

// The text's ink in the rows of the editor's capture, the caret's column left out: it blinks.
int textInk(const Capture& capture, HWND editor, LONG top, LONG bottom) {
    const RECT rows = {0, top, capture.width, bottom};
    const RECT caret = caretOf(editor);
    RECT blinking = {};
    return capture.count(rows, TEXT_INK, 8) -
           (::IntersectRect(&blinking, &rows, &caret) ? capture.count(blinking, TEXT_INK, 8) : 0);
}

// The child windows of the dialog that show a text: its buttons and check boxes.
BOOL CALLBACK considerCaptioned(HWND child, LPARAM context) {
    if (::IsWindowVisible(child) &&
        (OtherProcess::hasClass(child, L"afControlButton") || OtherProcess::hasClass(child, L"afControlCheckBox")))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
    return TRUE;
}
std::vector<HWND> captionedChildren(HWND dialog) {
    std::vector<HWND> found;
    ::EnumChildWindows(dialog, &considerCaptioned, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Every button's and check box's text fits its control, and every one of `texts` (the dialog's
// windowless captions too) shows whole in it; `message`, its wrapped message, too.
void expectWholeTexts(HWND dialog, const std::vector<std::wstring>& texts, const std::string& name,
                      const std::wstring& message = L"") {
    const LOGFONTW font = messageFont();
    ASSERT_TRUE(pollFor([&] { return ::IsWindowVisible(dialog) && !captionedChildren(dialog).empty(); }, WAIT_MS));
    for (HWND child : captionedChildren(dialog)) {
        const bool box = OtherProcess::hasClass(child, L"afControlCheckBox");
        EXPECT_TRUE(textFits(child, font, box ? ::GetSystemMetrics(SM_CXMENUCHECK) : 0)) << name;
    }
    // Drawn once shown: what is found is waited for.
    const auto expectShown = [&](const std::wstring& text, Setting setting) {
        Capture capture;
        const TextInk ink = inkOfText(withoutMnemonics(text), font, setting);
        if (!pollFor([&] { return findText(capture = Capture::of(dialog), ink); }, WAIT_MS, 50))
            ADD_FAILURE() << showsWhole(capture, text, font, name, nullptr, setting).message();
    };
    for (const std::wstring& text : texts)
        expectShown(text, Setting::DRAWN);
    if (!message.empty())
        expectShown(message, Setting::PLACED);
}

// The text's ink in the rows of the capture above `bottom`: every glyph once, wherever the lines
// break.
int inkAbove(const Capture& capture, int bottom, uint32_t colour) {
    return capture.count(RECT{0, 0, capture.width, bottom}, colour, 0);
}

// Find, Replace, Go to line and the question before a tab with a long name closes: every caption,
// field label, option and button shows whole, and the question's text (a name without a blank,
// wider than the box) is broken inside the name rather than cut: all its ink is there, inside
// the box.
TEST_F(ScalingEndToEnd, TheDialogsAndAQuestionShowEveryTextWhole) {
    const std::wstring name = L"TheQuickBrownFoxJumpsOverTheLazyDogTheQuickBrownFoxJumpsOverTheLazyDogTheQuickBrownFox.txt";
    copy.folder.write(name, "text\r\n");
    TesselRun tessel(copy, name);
    ASSERT_TRUE(tessel.hasTitle(name + L" - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());

    HWND find = tessel.openDialog(tessel.editor(), 'F', L"Find");
    ASSERT_TRUE(find) << "Ctrl+F opened no Find dialog";
    expectWholeTexts(find, {L"Fi&nd what:", L"Match &case", L"&Whole word", L"Regular e&xpression", L"&Search in:",
                            L"&Find Next", L"Cancel"},
                     "find");
    ASSERT_TRUE(pressChordIn(find, {VK_ESCAPE}));
    ASSERT_TRUE(closes(find));

    HWND replace = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_TRUE(replace) << "Ctrl+H opened no Replace dialog";
    expectWholeTexts(replace, {L"Fi&nd what:", L"Re&place with:", L"Match &case", L"&Whole word",
                               L"Regular e&xpression", L"&Search in:", L"&Find Next", L"&Replace", L"Replace &All",
                               L"Cancel"},
                     "replace");
    ASSERT_TRUE(pressChordIn(replace, {VK_ESCAPE}));
    ASSERT_TRUE(closes(replace));

    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, 'G'}));
    HWND line = tessel.dialogTitled(L"Go to line");
    ASSERT_TRUE(line) << "Ctrl+G opened no Go to line dialog";
    expectWholeTexts(line, {L"OK", L"Cancel"}, "goto", L"Line number: (1 - 2)");
    ASSERT_TRUE(pressChordIn(line, {VK_ESCAPE}));
    ASSERT_TRUE(closes(line));

    // Changed, then closed: the question names the file.
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(typeKeys(L"x"));
    ASSERT_TRUE(tessel.hasTitle(name + L" * - Tessel"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
    HWND question = tessel.questionOffering(L"&Save");
    ASSERT_TRUE(question) << "closing asked nothing";
    expectWholeTexts(question, {L"&Save", L"Do&n't Save", L"Cancel"}, "question");
    const std::wstring asked = L"Save changes to `" + name + L"` before closing?";
    const TextInk whole = inkOfText(asked, messageFont(), Setting::PLACED);
    RECT button = {};
    ::GetWindowRect(captionedChildren(question).front(), &button);
    ::ScreenToClient(question, reinterpret_cast<POINT*>(&button));
    // The band above the buttons holds the message alone, in the label's colour.
    const uint32_t text = ::GetSysColor(COLOR_WINDOWTEXT);
    const uint32_t ink = ((text & 0xFF) << 16) | (text & 0xFF00) | ((text >> 16) & 0xFF);
    Capture capture;
    int shown = 0;
    pollFor([&] { return (shown = inkAbove(capture = Capture::of(question), button.top, ink)) >= whole.count(); }, WAIT_MS,
            50);
    EXPECT_NEAR(whole.count(), shown, whole.count() / 100 + 4)
        << "the message's ink, every glyph once, at " << screenDpi() << " DPI; " << keepCapture(capture, "question-text");
    int rightmost = -1;
    for (int y = 0; y < button.top; ++y)
        for (int x = 0; x < capture.width; ++x)
            if (capture.at(x, y) == ink)
                rightmost = std::max(rightmost, x);
    EXPECT_LT(rightmost, capture.width - 2) << "the message runs to the box's edge; " << keepCapture(capture, "question-edge");
    EXPECT_TRUE(tessel.answer({VK_ESCAPE}));
}

// The status strip at the bottom: each label and value whole ("Language:" set apart from its
// value by a blank, as the other labels are), the bar as tall as its text. The tab list (») opens
// its menu below its button, inside the work area and the window.
TEST_F(ScalingEndToEnd, TheStatusStripShowsEveryItemWholeAndTheTabListOpensBelowItsButton) {
    copy.folder.write(L"strip.txt", "words\r\n");
    TesselRun tessel(copy, L"strip.txt");
    ASSERT_TRUE(tessel.hasTitle(L"strip.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const LOGFONTW font = messageFont();
    Capture capture;
    // The language comes once the bundles are in; the bar, once the window is laid out.
    const TextInk language = inkOfText(L"Plain Text", font);
    HWND status = nullptr;
    ASSERT_TRUE(pollFor(
        [&] { return findText(capture = Capture::of(status = statusBarOf(tessel.window())), language); }, WAIT_MS, 50))
        << showsWhole(capture, L"Plain Text", font, "strip").message();
    for (const wchar_t* text : {L"Line:", L"Char:", L"1", L"Language:", L"ANSI", L"CR+LF", L"Tabs (4)"})
        EXPECT_TRUE(showsWhole(capture, text, font, "strip"));
    POINT label = {}, value = {};
    const TextInk labelInk = inkOfText(L"Language:", font), blank = inkOfText(L" ", font);
    ASSERT_TRUE(findText(capture, labelInk, &label) && findText(capture, language, &value));
    EXPECT_GE((value.x + language.bounds.left) - (label.x + labelInk.bounds.right), blank.width)
        << "\"Language:\" and its value run together; " << keepCapture(capture, "strip-gap");

    // The list of tabs, by its button at the strip's right end.
    const HWND strip = stripOf(tessel.window());
    ASSERT_TRUE(strip);
    POINT button = {};
    const TextInk mark = inkOfText(L"\u00BB", font);
    ASSERT_TRUE(findText(Capture::of(strip), mark, &button)) << showsWhole(Capture::of(strip), L"\u00BB", font, "tabs").message();
    RECT marked = {button.x + mark.bounds.left, button.y + mark.bounds.top, button.x + mark.bounds.right,
                   button.y + mark.bounds.bottom};
    ::MapWindowPoints(strip, nullptr, reinterpret_cast<POINT*>(&marked), 2);
    ASSERT_TRUE(activate(tessel.window()));
    ASSERT_TRUE(clickAt({(marked.left + marked.right) / 2, (marked.top + marked.bottom) / 2}));
    ASSERT_TRUE(tessel.hasOpenMenus(1)) << "the button opened no menu";
    HWND menu = nullptr;
    for (HWND shown : OtherProcess::findTopLevel(L"#32768", tessel.process.processId()))
        if (shown && ::IsWindowVisible(shown))
            menu = shown;
    ASSERT_TRUE(menu);
    RECT opened = {}, work = {}, window = {};
    ::GetWindowRect(menu, &opened);
    ::GetWindowRect(tessel.window(), &window);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(opened.top, marked.bottom) << "the menu opens below its button";
    EXPECT_TRUE(opened.left >= work.left && opened.top >= work.top && opened.right <= work.right &&
                opened.bottom <= work.bottom)
        << "the menu lies inside the work area";
    EXPECT_LE(opened.right, window.right) << "the menu stays inside the window";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    EXPECT_TRUE(tessel.hasOpenMenus(0));
}

// View > Select Theme...: the filter's hint stands off the field's edge, the themes' names whole.
TEST_F(ScalingEndToEnd, TheThemeChooserKeepsItsFilterOffItsFrame) {
    copy.folder.write(L"theme.txt", "words\r\n");
    TesselRun tessel(copy, L"theme.txt");
    ASSERT_TRUE(tessel.hasTitle(L"theme.txt - Tessel"));
    const HWND chooser = tessel.openThemeChooser();
    ASSERT_TRUE(chooser) << "View > Select Theme... showed no chooser";
    const HWND filter = OtherProcess::findChild(chooser, L"Edit");
    ASSERT_TRUE(filter);
    const LOGFONTW font = messageFont();
    const TextInk hint = inkOfText(L"Type to filter", font);
    Capture capture;
    POINT at = {};
    ASSERT_TRUE(pollFor([&] { return findText(capture = Capture::of(filter), hint, &at); }, WAIT_MS, 50))
        << showsWhole(capture, L"Type to filter", font, "chooser-filter").message();
    EXPECT_GE(capture.width - (at.x + hint.bounds.right), 2)
        << "the hint touches the field's right edge; " << keepCapture(capture, "chooser-filter");
    RECT field = {}, client = {};
    ::GetWindowRect(filter, &field);
    ::MapWindowPoints(nullptr, chooser, reinterpret_cast<POINT*>(&field), 2);
    ::GetClientRect(chooser, &client);
    EXPECT_TRUE(field.left > client.left && field.top > client.top && field.right < client.right)
        << "the field lies off the chooser's frame";
    EXPECT_TRUE(showsWhole(Capture::of(chooser), L"Tessel Light", font, "chooser"));
    ASSERT_TRUE(pressChordIn(chooser, {VK_ESCAPE}));
    EXPECT_TRUE(closes(chooser));
}

// The bundle editor's problem list under an entry's text: room for several rows of its font, its
// headers and the problem's line number whole.
TEST_F(ScalingEndToEnd, TheProblemListShowsSeveralRowsAndItsLineColumnWhole) {
    copy.folder.write(L"p.c", "int p;\r\n");
    TesselRun tessel(copy, L"p.c");
    HWND bundleEditor = nullptr, entry = nullptr;
    ASSERT_TRUE(openCGrammar(tessel, &bundleEditor, &entry));
    // A line that does not read, after the entry's first: saving lists it with its line, 2.
    ASSERT_TRUE(clickInto(entry));
    ASSERT_TRUE(tessel.hasFocus(entry));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChord({VK_END}));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(typeKeys(L": :"));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    const HWND list = OtherProcess::findChild(bundleEditor, L"SysListView32");
    ASSERT_TRUE(list);
    ASSERT_TRUE(pollFor([&] { return ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, WAIT_MS))
        << "no problem was listed";
    EXPECT_GE(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 5) << "rows the list has room for at " << screenDpi()
                                                                    << " DPI";
    const LOGFONTW font = messageFont();
    Capture capture;
    const TextInk number = inkOfText(L"2", font);
    ASSERT_TRUE(pollFor([&] { return findText(capture = Capture::of(list), number); }, WAIT_MS, 50))
        << showsWhole(capture, L"2", font, "problems").message();
    EXPECT_TRUE(showsWhole(capture, L"Line", font, "problems"));
    EXPECT_TRUE(showsWhole(capture, L"Problem", font, "problems"));
}

// Word wrap in a view narrower than thirty characters (a 64-pixel font in an 800 x 600 window, at
// every scaling): the rows break at the view's width and show every character, without a blank
// row, also after End and after typing; and End on a row whose last blank reaches the edge puts
// the system caret at that row's end, where the typing goes.
TEST_F(ScalingEndToEnd, WrappedRowsShowEveryCharacterAndTheCaretEndsARow) {
    const int points = ::MulDiv(48, 96, screenDpi());
    copy.folder.write(L"user-1\\config\\preferences.tsConfig",
                      std::string(TesselCopy::VERSION_ENTRY) + "app.editor.font : { names : [ 'DejaVu Sans Mono' ] size : " +
                          std::to_string(points) +
                          " } app.editor.face : { word_wrap : true gutter_line_numbers : false } }\r\n");
    const std::wstring sentence = L"The quick brown fox jumps over the lazy dog and keeps on running far";
    std::unique_ptr<TesselRun> run;
    LONG pitch = 0;
    ASSERT_TRUE(startSized(run, L"wrap.txt", sentence, 800, 600, &pitch));
    TesselRun& tessel = *run;
    const HWND editor = tessel.editor();
    const LOGFONTW font = editorFont(points);
    // Where a line's first row starts: the caret of the file just opened.
    const RECT home = caretOf(editor);

    // Every character once, on rows that follow one another from the top.
    const auto showsAll = [&](const std::wstring& text, const std::string& step) {
        const int expected = inkOfText(text, font).count();
        Capture capture;
        int shown = 0;
        pollFor(
            [&] {
                capture = Capture::of(editor);
                return (shown = textInk(capture, editor, 0, capture.height)) == expected;
            },
            WAIT_MS, 50);
        EXPECT_EQ(expected, shown) << step << " at " << screenDpi() << " DPI; "
                                            << keepCapture(capture, "wrap-" + step);
        int last = -1;
        for (int row = 0; (row + 1) * pitch <= capture.height; ++row)
            if (capture.count(RECT{0, row * pitch, capture.width, (row + 1) * pitch}, TEXT_INK, 8) > pitch)
                last = row;
        for (int row = 0; row < last; ++row)
            EXPECT_GT(capture.count(RECT{0, row * pitch, capture.width, (row + 1) * pitch}, TEXT_INK, 8), pitch)
                << "row " << row << " is blank before row " << last << " (" << step << "); "
                << keepCapture(capture, "wrap-" + step);
        EXPECT_GT(last, 1) << "the sentence takes several rows (" << step << ")";
    };
    showsAll(sentence, "opened");
    // End of the text: the view does not scroll sideways.
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_END}));
    showsAll(sentence, "end");
    ASSERT_TRUE(typeKeys(L" away from here"));
    showsAll(sentence + L" away from here", "typed");

    // "x x x ..." ends a row in a blank past the edge when a row holds an odd number of columns,
    // "yy y y ..." when it holds an even number: End on the first row of each puts the caret at
    // that row's end.
    std::wstring odd, even = L"y";
    for (int i = 0; i < 30; ++i) {
        odd += L"x ";
        even += L"y ";
    }
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'A'}));
    ASSERT_TRUE(typeKeys(odd));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(typeKeys(even));
    RECT client = {};
    ::GetClientRect(editor, &client);
    for (int line : {1, 2}) {
        if (line == 1) {
            ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_HOME}));
        } else {
            ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, 'G'}));
            HWND go = tessel.dialogTitled(L"Go to line");
            ASSERT_TRUE(go && activate(go));
            const std::vector<HWND> fields = fieldsOf(go);
            ASSERT_FALSE(fields.empty());
            ASSERT_TRUE(tessel.hasFocus(fields[0]));
            ASSERT_TRUE(retype(fields[0], L"2"));
            ASSERT_TRUE(pressChord({VK_RETURN}));
            ASSERT_TRUE(closes(go));
            ASSERT_TRUE(tessel.hasFocus(editor));
        }
        RECT start = {};
        // The caret typing left at the second line's last row has moved to the line's start.
        ASSERT_TRUE(pollFor(
            [&] {
                start = caretOf(editor);
                return start.left == home.left && (line == 1 ? start.top == home.top : start.top > home.top);
            },
            WAIT_MS))
            << "line " << line << " did not start at the caret, which is at " << start.left << ", " << start.top;
        ASSERT_TRUE(pressChord({VK_END}));
        RECT end = {};
        EXPECT_TRUE(pollFor([&] { return (end = caretOf(editor)).left > client.right / 2; }, WAIT_MS))
            << "End on line " << line << "'s first row left the system caret at " << end.left << " in "
            << client.right << " pixels at " << screenDpi() << " DPI";
        EXPECT_EQ(start.top, end.top) << "the caret stays on the row it ends (line " << line << "); "
                                      << keepCapture(Capture::of(editor), "wrap-end-" + std::to_string(line));
    }
}

// The gutter's numbers in the editor's font, on the text's baseline, at a small and a large size:
// the "2" of the second line's number and the "2" of its text stand on one row.
TEST_F(ScalingEndToEnd, TheGutterSetsTheNumbersInTheTextsFontOnItsBaseline) {
    for (int points : {5, 48}) {
        SCOPED_TRACE(points);
        copy.folder.write(L"user-1\\config\\preferences.tsConfig",
                          std::string(TesselCopy::VERSION_ENTRY) +
                              "app.editor.font : { names : [ 'DejaVu Sans Mono' ] size : " + std::to_string(points) +
                              " } }\r\n");
        copy.folder.write(L"numbers.txt", "1\r\n2\r\n3\r\n");
        TesselRun tessel(copy, L"numbers.txt");
        ASSERT_TRUE(tessel.hasTitle(L"numbers.txt - Tessel"));
        ASSERT_TRUE(tessel.focusEditor());
        const HWND editor = tessel.editor();
        // The caret at the start of the text, right of the gutter once it is laid out.
        RECT caret = {};
        ASSERT_TRUE(pollFor([&] { return (caret = caretOf(editor)).bottom > caret.top && caret.left > 0; }, WAIT_MS));
        const TextInk two = inkOfText(L"2", editorFont(points));
        Capture capture, gutter, text;
        POINT inGutter = {}, inText = {};
        const bool found = pollFor(
            [&] {
                capture = Capture::of(editor);
                gutter = capture.part(RECT{0, 0, caret.left, capture.height});
                text = capture.part(RECT{caret.left, 0, capture.width, capture.height});
                return findText(gutter, two, &inGutter) && findText(text, two, &inText);
            },
            WAIT_MS, 50);
        EXPECT_TRUE(found) << "the number 2 in the gutter and the 2 of the text, in the text's font at " << screenDpi()
                           << " DPI; " << keepCapture(capture, "gutter-" + std::to_string(points));
        if (found) {
            EXPECT_EQ(inText.y, inGutter.y) << "on the text's baseline; " << keepCapture(capture, "gutter-baseline");
        }
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
    }
}

// The right Alt alone is Alt for the bindings: Right Alt+Down adds a caret below (the letter
// typed then goes to both lines), Right Alt+Shift+U offers its choice of inflections.
TEST_F(ScalingEndToEnd, TheRightAltKeyRunsAltBindings) {
    copy.folder.write(L"alt.txt", "ab\r\ncd\r\n");
    TesselRun tessel(copy, L"alt.txt");
    ASSERT_TRUE(tessel.hasTitle(L"alt.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_RMENU, VK_DOWN}));
    ASSERT_TRUE(typeKeys(L"2"));
    EXPECT_EQ("2ab\r\n2cd\r\n", savedText(tessel, L"alt.txt", "ab\r\ncd\r\n")) << shownQuestion(tessel, "right-alt");

    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_RMENU, VK_SHIFT, 'U'}));
    HWND chooser = nullptr;
    EXPECT_TRUE(pollFor([&] { return (chooser = tessel.process.findWindow(L"ActionSelectWindow")) != nullptr; }, WAIT_MS))
        << "Right Alt+Shift+U offered no choice";
    if (chooser) {
        ASSERT_TRUE(pressChordIn(chooser, {VK_ESCAPE}));
        EXPECT_TRUE(closes(chooser));
    }
}

// In a window of 200 x 150 pixels at 96 DPI (as large on the screen at the other scalings, where
// the window's frame alone grows past 200 pixels): a wrapped line breaks at the view's width and
// shows every character, and every item of the status strip shows whole inside the window, the
// encoding's reached by a click.
using NarrowWindowEndToEnd = ScalingEndToEnd;

TEST_F(NarrowWindowEndToEnd, WrapsAtTheViewsWidthAndKeepsTheStatusStripInReach) {
    writeFace(copy, "word_wrap : true gutter_line_numbers : false");
    // Two rows however the words fall, from twelve characters a row up.
    const std::wstring sentence = L"Narrow rows wrap every word.";
    std::unique_ptr<TesselRun> run;
    LONG pitch = 0;
    ASSERT_TRUE(
        startSized(run, L"n.txt", sentence, ::MulDiv(200, screenDpi(), 96), ::MulDiv(150, screenDpi(), 96), &pitch));
    TesselRun& tessel = *run;
    const HWND editor = tessel.editor();
    const RECT caret = caretOf(editor);
    // The view may hold a row and a part: the first row, then the last one (scrolled into view
    // by Ctrl+End, which puts the caret on it), hold every character between them.
    const auto rowInk = [&](Capture& o_capture, LONG top) {
        o_capture = Capture::of(editor);
        return textInk(o_capture, editor, top, top + pitch);
    };
    // Read once two looks agree: the rows are painted.
    const auto settledInk = [&](Capture& o_capture, LONG top) {
        int previous = -1, now = 0;
        pollFor(
            [&] {
                now = rowInk(o_capture, top);
                const bool settled = now > 0 && now == previous;
                previous = now;
                return settled;
            },
            WAIT_MS, 50);
        return now;
    };
    Capture first, last;
    const int firstInk = settledInk(first, 0);
    ASSERT_TRUE(pressChordIn(editor, {VK_CONTROL, VK_END}));
    RECT end = {};
    ASSERT_TRUE(pollFor([&] { return (end = caretOf(editor)).left > caret.left; }, WAIT_MS)) << "Ctrl+End moved no caret";
    const int lastInk = settledInk(last, end.top);
    EXPECT_EQ(inkOfText(sentence, editorFont(10)).count(), firstInk + lastInk)
        << "every character of the wrapped line on its two rows; " << keepCapture(first, "narrow-first") << ", "
        << keepCapture(last, "narrow-last");

    const LOGFONTW font = messageFont();
    const TextInk encoding = inkOfText(L"ANSI", font);
    POINT at = {};
    Capture capture;
    HWND status = nullptr;
    ASSERT_TRUE(pollFor(
        [&] { return findText(capture = Capture::of(status = statusBarOf(tessel.window())), encoding, &at); }, WAIT_MS,
        50))
        << showsWhole(capture, L"ANSI", font, "narrow-strip").message();
    for (const wchar_t* text : {L"Line:", L"Char:", L"Language:", L"Plain Text", L"CR+LF", L"Tabs (4)"})
        EXPECT_TRUE(showsWhole(capture, text, font, "narrow-strip"));
    RECT bar = {}, window = {};
    ::GetWindowRect(status, &bar);
    ::GetWindowRect(tessel.window(), &window);
    EXPECT_LE(bar.right, window.right);
    EXPECT_LE(bar.bottom, window.bottom);
    POINT click = {at.x + (encoding.bounds.left + encoding.bounds.right) / 2,
                   at.y + (encoding.bounds.top + encoding.bounds.bottom) / 2};
    ::ClientToScreen(status, &click);
    ASSERT_TRUE(activate(tessel.window()));
    ASSERT_TRUE(clickAt(click));
    EXPECT_TRUE(tessel.hasOpenMenus(1)) << "the encoding's menu did not open";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
}

} // namespace
} // namespace tessel_test
