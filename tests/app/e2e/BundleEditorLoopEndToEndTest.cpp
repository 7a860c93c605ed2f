// The bundle editor's entries and questions beside the main window, as a user meets them in
// Tessel.exe: a dialog of an entry's text open while the main window is reached, keys typed into
// the main window under an entry's question as Tessel closes, and Reload Bundles with an entry
// open.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace tessel_test {
namespace {

using BundleEditorLoopEndToEnd = TesselCopyTest;

// The bundle editor's open entries: the tabs beside its tree.
int entryTabs(HWND bundleEditor) {
    HWND tabs = OtherProcess::findChild(bundleEditor, L"SysTabControl32");
    return tabs ? static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) : -1;
}

// The installed bundles at the top of the bundle editor's tree.
int treeBundles(HWND bundleEditor) {
    HWND tree = OtherProcess::findChild(bundleEditor, L"SysTreeView32");
    int bundles = 0;
    for (LPARAM item = tree ? ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) : 0; item;
         item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, item))
        ++bundles;
    return bundles;
}

// Bundles > Reload Bundles in the main window, with the keyboard, until the bundle editor's
// entries have closed and its tree is whole again. The activation the main window takes from the
// bundle editor may come late under Xvfb and close the menu again: a menu that never opened is
// opened again, and an R that went into the document is undone first.
testing::AssertionResult reloadBundles(TesselRun& tessel, HWND bundleEditor, const std::wstring& title) {
    const auto reloaded = [&] { return entryTabs(bundleEditor) == 0 && treeBundles(bundleEditor) == 6; };
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 3 * WAIT_MS) {
        if (!tessel.focusEditor())
            return testing::AssertionFailure() << "the main window's text never took the keys";
        if (!pressChord({VK_MENU, 'B'}) || !tessel.hasOpenMenus(1) || !pressChord({'R'}) || !tessel.hasOpenMenus(0)) {
            pressChord({VK_ESCAPE});
            continue;
        }
        if (pollFor([&] { return reloaded() || tessel.title() != title; }, WAIT_MS) && reloaded())
            return testing::AssertionSuccess();
        if (pressChord({VK_CONTROL, 'Z'}) && !tessel.hasTitle(title))
            return testing::AssertionFailure() << "the document kept what went into it";
    }
    return testing::AssertionFailure() << "the reload never ended: " << entryTabs(bundleEditor) << " entries, "
                                       << treeBundles(bundleEditor) << " bundles";
}

// What the program's log (UTF-16, in the user folder) says of loop counts the main loop had to
// give back: frames of window procedures that never ended. Empty when it says nothing.
std::wstring abandonedFrames(const TesselCopy& copy, const std::wstring& user) {
    const std::wstring log = programLog(copy, user);
    const size_t at = log.find(L"never ended");
    if (at == std::wstring::npos)
        return std::wstring();
    const size_t line = log.rfind(L'\n', at) + 1;
    return log.substr(line, log.find(L'\n', at) - line);
}

// The middle of the window on the screen.
POINT middleOf(HWND window) {
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    return {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
}

// The window of the program's thread that holds the keyboard focus, null when none does.
HWND focusOf(HWND window) {
    return threadInputOf(window).hwndFocus;
}

// Go to line in an entry's text: the main window and the bundle editor take no input while it is
// open (a click into the main window and Alt+B for its Bundles menu, to reload the bundles, go
// nowhere; the keys typed next go to the dialog), and both are given back once it ends.
TEST_F(BundleEditorLoopEndToEnd, GoToLineInAnEntryHoldsTheMainWindowUntilItEnds) {
    copy.folder.write(L"g.c", "int g;\r\n");
    TesselRun tessel(copy, L"g.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    const HWND main = tessel.window();
    const HWND bundleEditor = tessel.showBundleEditor();
    ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
    const HWND entry = tessel.openFirstGrammar(bundleEditor);
    ASSERT_TRUE(entry) << "Enter opened no editor";
    ASSERT_TRUE(clickInto(entry));
    ASSERT_TRUE(tessel.hasFocus(entry));
    ASSERT_TRUE(pressChord({VK_CONTROL, 'G'}));
    const HWND dialog = tessel.dialogTitled(L"Go to line");
    ASSERT_TRUE(dialog) << "Ctrl+G showed no dialog";
    EXPECT_FALSE(::IsWindowEnabled(main)) << "the main window takes input under the dialog";
    EXPECT_FALSE(::IsWindowEnabled(bundleEditor));

    ASSERT_TRUE(clickAt(middleOf(tessel.editor())));
    ASSERT_TRUE(pressChord({VK_MENU, 'B'}));
    const HWND field = OtherProcess::findChild(dialog, L"Edit");
    ASSERT_TRUE(field);
    ASSERT_TRUE(typeKeys(L"2"));
    EXPECT_TRUE(pollFor([&] { return OtherProcess::windowText(field) == L"2"; }, WAIT_MS))
        << "the keys went elsewhere: the field holds \"" << TesselRun::narrow(OtherProcess::windowText(field)) << "\"";
    EXPECT_EQ(0u, tessel.openMenus()) << "the main window's menu opened under the dialog";
    EXPECT_EQ(1, entryTabs(bundleEditor));

    ASSERT_TRUE(pressChordIn(dialog, {VK_ESCAPE}));
    ASSERT_TRUE(closes(dialog));
    EXPECT_TRUE(pollFor([&] { return ::IsWindowEnabled(main) && ::IsWindowEnabled(bundleEditor); }, WAIT_MS))
        << "not given back";
    EXPECT_TRUE(tessel.hasTitle(L"g.c - Tessel")) << "the keys reached the document";
    EXPECT_EQ(1, entryTabs(bundleEditor));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "goto-close");
    EXPECT_EQ(L"", abandonedFrames(copy, user));
}

// The close box with a modified entry asks about it; a click into the main window and keys
// typed there meanwhile reach the question, not the document, and Don't Save ends Tessel with
// the document as it was.
TEST_F(BundleEditorLoopEndToEnd, KeysTypedIntoTheMainWindowUnderAnEntrysQuestionReachTheQuestion) {
    copy.folder.write(L"w.c", "int w;\r\n");
    copy.folder.write(L"e2.txt", "kept\r\n");
    TesselRun tessel(copy, L"w.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    ASSERT_TRUE(tessel.handOver(copy, L"e2.txt"));
    const HWND main = tessel.window();
    const HWND bundleEditor = tessel.showBundleEditor();
    ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
    const HWND entry = tessel.openFirstGrammar(bundleEditor);
    ASSERT_TRUE(entry) << "Enter opened no editor";
    ASSERT_TRUE(typeText(entry, L" "));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    const HWND question = tessel.question();
    ASSERT_TRUE(question) << "the modified entry was not asked about";
    EXPECT_FALSE(::IsWindowEnabled(main)) << "the main window takes input under the question";
    ASSERT_TRUE(pollFor([&] { return ::IsChild(question, focusOf(question)) != FALSE; }, WAIT_MS));
    const HWND before = focusOf(question);

    ASSERT_TRUE(clickAt(middleOf(tessel.editor())));
    ASSERT_TRUE(typeKeys(L"qqq"));
    // Tab moves on to the question's next button, after the keys typed before it.
    ASSERT_TRUE(pressChord({VK_TAB}));
    EXPECT_TRUE(pollFor([&] { return focusOf(question) != before && ::IsChild(question, focusOf(question)); }, WAIT_MS))
        << "the keys went elsewhere";
    EXPECT_EQ(L"e2.txt - Tessel", tessel.title());
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'}));
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "question-keys");
    EXPECT_EQ(L"", abandonedFrames(copy, user));
    EXPECT_EQ("kept\r\n", copy.folder.read(L"e2.txt"));
}

// An entry open and unmodified, Reload Bundles closes it: the close box and a second start's
// file work afterwards as before.
TEST_F(BundleEditorLoopEndToEnd, AfterReloadBundlesClosedAnEntryASecondStartsFileOpensAndTheWindowCloses) {
    copy.folder.write(L"r.c", "int r;\r\n");
    copy.folder.write(L"second.txt", "second\r\n");
    TesselRun tessel(copy, L"r.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    const HWND bundleEditor = tessel.showBundleEditor();
    ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
    ASSERT_TRUE(tessel.openFirstGrammar(bundleEditor)) << "Enter opened no editor";
    ASSERT_EQ(1, entryTabs(bundleEditor));

    ASSERT_TRUE(reloadBundles(tessel, bundleEditor, L"r.c - Tessel")) << shownQuestion(tessel, "reload");

    EXPECT_TRUE(tessel.handOver(copy, L"second.txt")) << "the second start's file never opened";
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "reload-close");
    EXPECT_EQ(L"", abandonedFrames(copy, user)) << "a window procedure's frame was abandoned";
}

} // namespace
} // namespace tessel_test
