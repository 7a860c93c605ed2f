// A second start while Tessel asks something, with the keyboard alone: whatever the question (a
// message box, Go to line, Find, Replace, Save As, the theme chooser, the bundle editor's), it
// stays in front with the keys in it, Escape answers it, and then the handed-over file opens;
// under the exit's questions the second start hears at once that Tessel is closing, and says so.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tessel_test {
namespace {

using HandOverEndToEnd = TesselCopyTest;

// Whether the question is the foreground window with the keyboard in one of its controls.
bool inFront(HWND question) {
    return ::GetForegroundWindow() == question && ::IsChild(question, threadInputOf(question).hwndFocus);
}

// The system's dialog of the program titled `title`, waited for; null when none came.
HWND systemDialog(TesselRun& tessel, const std::wstring& title) {
    HWND found = nullptr;
    pollFor(
        [&] {
            for (HWND shown : OtherProcess::findTopLevel(L"#32770", tessel.process.processId()))
                if (shown && OtherProcess::windowText(shown) == title)
                    found = shown;
            return found != nullptr || !tessel.process.running();
        },
        WAIT_MS);
    return found;
}

// Bundles > Reload Bundles in the main window, with the keyboard, until it asks about the
// modified entry: its question. The activation the main window takes from the bundle editor may
// come late under Xvfb and close the menu again: a menu that never opened is opened again.
HWND reloadBundlesAsks(TesselRun& tessel) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!tessel.focusEditor())
            return nullptr;
        if (pressChord({VK_MENU, 'B'}) && tessel.hasOpenMenus(1) && pressChord({'R'}))
            if (HWND asked = tessel.questionOffering(L"&Save"))
                return asked;
        pressChord({VK_ESCAPE});
    }
    return nullptr;
}

// Each kind of question, opened with the keyboard; a second start hands a file over while it is
// open; the question comes to the front with the keys in it, and Escape, sent to whatever has
// the keyboard, answers it; then the file opens.
TEST_F(HandOverEndToEnd, UnderEveryKindOfQuestionTheQuestionKeepsTheKeysAndTheFileOpensOnceItIsAnswered) {
    copy.folder.write(L"a.c", "int a;\r\nint b;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    ASSERT_TRUE(typeText(tessel.editor(), L" "));
    ASSERT_TRUE(tessel.hasTitle(L"a.c * - Tessel"));
    const HWND main = tessel.window();
    // Each opens its question from the window or text of the file shown last.
    const std::pair<const char*, std::function<HWND()>> questions[] = {
        {"the message box", [&] {
             return pressChordIn(tessel.window(), {VK_CONTROL, 'W'}) ? tessel.questionOffering(L"&Save") : nullptr;
         }},
        {"Go to line", [&] {
             return tessel.focusEditor() && pressChordIn(tessel.editor(), {VK_CONTROL, 'G'})
                        ? tessel.dialogTitled(L"Go to line")
                        : nullptr;
         }},
        {"Find", [&] { return tessel.openDialog(tessel.editor(), 'F', L"Find"); }},
        {"Replace", [&] { return tessel.openDialog(tessel.editor(), 'H', L"Replace"); }},
        {"Save As", [&] {
             return pressChordIn(tessel.window(), {VK_CONTROL, VK_SHIFT, 'S'}) ? systemDialog(tessel, L"Save As")
                                                                               : nullptr;
         }},
        {"the theme chooser", [&] { return tessel.openThemeChooser(); }},
        {"the bundle editor's question", [&] {
             const HWND bundleEditor = tessel.showBundleEditor();
             const HWND entry = bundleEditor ? tessel.openFirstGrammar(bundleEditor) : nullptr;
             return entry && typeText(entry, L" ") ? reloadBundlesAsks(tessel) : nullptr;
         }},
    };
    int handed = 0;
    for (const auto& kind : questions) {
        // The modified a.c in front, as the first question needs it.
        ASSERT_TRUE(tessel.hasTitle(handed == 0 ? L"a.c * - Tessel" : L"b" + std::to_wstring(handed) + L".txt - Tessel"));
        const HWND question = kind.second();
        ASSERT_TRUE(question) << kind.first << " never opened";
        EXPECT_FALSE(::IsWindowEnabled(main)) << kind.first;

        const std::wstring name = L"b" + std::to_wstring(++handed) + L".txt";
        copy.folder.write(name, "b\r\n");
        OtherProcess second(copy.program(), name, copy.folder.path);
        ASSERT_EQ(0, second.exitCode(WAIT_MS)) << kind.first << ": the hand-over was not taken";
        ASSERT_TRUE(pollFor([&] { return inFront(question); }, WAIT_MS))
            << kind.first << " lost the front to " << ::GetForegroundWindow() << " (the main window is " << main << ")";
        ASSERT_TRUE(pressChord({VK_ESCAPE}));
        ASSERT_TRUE(pollFor([&] { return !::IsWindow(question) || !::IsWindowVisible(question); }, WAIT_MS))
            << kind.first << " took no keys";
        EXPECT_TRUE(tessel.hasTitle(name + L" - Tessel")) << "the file handed over under " << kind.first;
    }
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "a.c was not asked about";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "the entry was not asked about";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "hand-over-close");
}

// A second start naming a folder: the box that says it cannot be opened comes up in front of the
// main window with the keys in it, each time, and Enter answers it.
TEST_F(HandOverEndToEnd, TheBoxASecondStartBringsIsInFrontWithTheKeys) {
    copy.folder.write(L"a.txt", "a\r\n");
    ASSERT_TRUE(::CreateDirectoryW((copy.folder / L"sub").c_str(), nullptr));
    TesselRun tessel(copy, L"a.txt");
    ASSERT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
    for (int start = 0; start < 5; ++start) {
        ASSERT_TRUE(tessel.focusEditor());
        OtherProcess second(copy.program(), L"sub", copy.folder.path);
        ASSERT_EQ(0, second.exitCode(WAIT_MS)) << "the hand-over was not taken";
        const HWND box = tessel.questionOffering(L"OK");
        ASSERT_TRUE(box) << "nothing said the folder cannot be opened";
        ASSERT_TRUE(pollFor([&] { return inFront(box); }, WAIT_MS))
            << "start " << start << ": the box is behind " << ::GetForegroundWindow();
        ASSERT_TRUE(pressChord({VK_RETURN}));
        ASSERT_TRUE(pollFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, WAIT_MS)) << "start " << start;
    }
    EXPECT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
}

// Alt+F4 with a modified file: under its "Save changes" question, a hand-over is answered within
// 2 s that Tessel is closing, and a second start says so at once (its box answered with Enter).
// Cancel then keeps Tessel open, the file not opened.
TEST_F(HandOverEndToEnd, AHandOverDuringTheExitsQuestionsIsAnsweredAtOnceThatTesselIsClosing) {
    copy.folder.write(L"a.txt", "a\r\n");
    copy.folder.write(L"n.txt", "n\r\n");
    TesselRun tessel(copy, L"a.txt");
    ASSERT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
    ASSERT_TRUE(typeText(tessel.editor(), L"x"));
    ASSERT_TRUE(tessel.hasTitle(L"a.txt * - Tessel"));
    const HWND main = tessel.window();
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_MENU, VK_F4}));
    const HWND question = tessel.questionOffering(L"&Save");
    ASSERT_TRUE(question) << "the exit asked nothing";

    // As a second start sends its command line.
    const std::wstring line = L"\"Tessel.exe\" \"" + (copy.folder / L"n.txt") + L"\"" + std::wstring(1, L'\0');
    COPYDATASTRUCT data = {0, static_cast<DWORD>(line.size() * sizeof(wchar_t)), const_cast<wchar_t*>(line.data())};
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 2000,
                                      &answer))
        << "no answer within 2 s";
    EXPECT_EQ(2u, answer) << "not told that Tessel is closing";

    OtherProcess second(copy.program(), L"n.txt", copy.folder.path);
    HWND said = nullptr;
    ASSERT_TRUE(pollFor(
        [&] { return (said = OtherProcess::findTopLevel(L"afMessageBox", second.processId()).front()) != nullptr; },
        WAIT_MS))
        << "the second start said nothing";
    ASSERT_TRUE(pressChordIn(said, {VK_RETURN}));
    EXPECT_EQ(1, second.exitCode(WAIT_MS)) << "the second start did not end as one that opened nothing";

    ASSERT_TRUE(::IsWindow(question) && ::IsWindowVisible(question));
    ASSERT_TRUE(pressChordIn(question, {VK_ESCAPE}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(question) || !::IsWindowVisible(question); }, WAIT_MS));
    EXPECT_TRUE(tessel.process.running());
    EXPECT_TRUE(tessel.hasTitle(L"a.txt * - Tessel")) << "n.txt opened";
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'}));
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
}

} // namespace
} // namespace tessel_test
