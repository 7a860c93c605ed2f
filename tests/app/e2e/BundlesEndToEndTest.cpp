// The shipped bundles in Tessel.exe as a user meets them: tab triggers typed into a C file, the
// "&Bundles" menu walked with the keyboard. Keys go through SendInput, so the program's own key
// handling sees them, in order; what they did is read back from the saved file.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace tessel_test {
namespace {

using BundlesEndToEnd = TesselCopyTest;

// The C bundle's "main()" snippet, its first stop typed over with "void" and its last with "x++;".
const char* const MAIN_EXPANDED = "int main(void)\r\n{\r\n\tx++;\r\n\treturn 0;\r\n}";

TEST_F(BundlesEndToEnd, ATabTriggerExpandsItsSnippetAndTabMovesToTheNextStop) {
    const std::string old = "\r\nint x;\r\n";
    copy.folder.write(L"snip.c", old);
    TesselRun tessel(copy, L"snip.c");
    ASSERT_TRUE(tessel.colouredAndFocused());
    // The caret starts on the empty first line. "void" replaces the selected first stop only
    // when the caret sits there; the second Tab goes to the body.
    ASSERT_TRUE(typeKeys(L"main"));
    ASSERT_TRUE(pressChord({VK_TAB}));
    ASSERT_TRUE(typeKeys(L"void"));
    ASSERT_TRUE(pressChord({VK_TAB}));
    ASSERT_TRUE(typeKeys(L"x++;"));
    EXPECT_EQ(MAIN_EXPANDED + old, savedText(tessel, L"snip.c", old)) << shownQuestion(tessel, "snip-saved");

    // Outside its language the word stays a word: Tab indents after it.
    copy.folder.write(L"plain.txt", "");
    TesselRun other(copy, L"plain.txt"); // handed to the running instance
    ASSERT_TRUE(tessel.hasTitle(L"plain.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor()) << "the new tab's editor takes the keys";
    ASSERT_TRUE(typeKeys(L"main"));
    ASSERT_TRUE(pressChord({VK_TAB}));
    EXPECT_EQ("main\t", savedText(tessel, L"plain.txt", "")) << shownQuestion(tessel, "plain-saved");
}

TEST_F(BundlesEndToEnd, TheBundlesMenuListsTheShippedBundlesAndItsSnippetLinesInsert) {
    const std::string old = "\r\nint y;\r\n";
    copy.folder.write(L"menu.c", old);
    TesselRun tessel(copy, L"menu.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_MENU, 'B'}));
    ASSERT_TRUE(tessel.hasOpenMenus(1)) << "Alt+B opened no menu";
    // "&Bundle Editor", "&Reload Bundles", a separator, then the bundles by title: C,
    // JavaScript, JSON, Markdown, Plain Text and Tessel, each a submenu.
    ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChord({VK_DOWN}));
    for (int bundle = 0; bundle < 6; ++bundle) {
        if (bundle > 0) {
            ASSERT_TRUE(pressChord({VK_DOWN}));
        }
        ASSERT_TRUE(pressChord({VK_RIGHT}));
        ASSERT_TRUE(tessel.hasOpenMenus(2)) << "line " << bundle + 3 << " opened no submenu";
        ASSERT_TRUE(pressChord({VK_LEFT}));
        ASSERT_TRUE(tessel.hasOpenMenus(1));
    }
    // The sixth is the last line: three lines down wraps round to C again, whose submenu holds
    // its grammars C and C++, a separator, then its snippets "for", "include" and "main()".
    for (int line = 0; line < 3; ++line)
        ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChord({VK_RIGHT}));
    ASSERT_TRUE(tessel.hasOpenMenus(2)) << "the sixth bundle was not the last line";
    ASSERT_TRUE(pressChord({VK_UP})); // wraps to "main()"
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(tessel.hasOpenMenus(0));
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(typeKeys(L"void"));
    ASSERT_TRUE(pressChord({VK_TAB}));
    ASSERT_TRUE(typeKeys(L"x++;"));
    EXPECT_EQ(MAIN_EXPANDED + old, savedText(tessel, L"menu.c", old)) << shownQuestion(tessel, "menu-saved");
}

TEST_F(BundlesEndToEnd, F4ShowsTheBundleEditorsTreeAndEnterThereOpensAnEntryInATab) {
    copy.folder.write(L"tree.c", "int z;\r\n");
    TesselRun tessel(copy, L"tree.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    const HWND shown = tessel.showBundleEditor();
    ASSERT_TRUE(shown) << "F4 showed no bundle editor";
    HWND tree = OtherProcess::findChild(shown, L"SysTreeView32");
    ASSERT_TRUE(tree);
    // The six shipped bundles at the top level.
    int bundles = 0;
    for (LPARAM item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item;
         item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, item))
        ++bundles;
    EXPECT_EQ(6, bundles);
    EXPECT_EQ(nullptr, OtherProcess::findChild(shown, TesselRun::EDITOR)) << "no entry is open yet";

    EXPECT_TRUE(tessel.openFirstGrammar(shown)) << "Enter opened no editor";
    HWND tabs = OtherProcess::findChild(shown, L"SysTabControl32");
    ASSERT_TRUE(tabs);
    EXPECT_EQ(1, ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));

    // F4 there hides it again.
    ASSERT_TRUE(pressChordIn(shown, {VK_F4}));
    EXPECT_TRUE(pollFor([&] { return !::IsWindowVisible(shown); }, WAIT_MS)) << "F4 left the bundle editor shown";

    // Shown again with the entry, Tessel closed: it ends cleanly, with nothing to ask.
    ASSERT_EQ(shown, tessel.showBundleEditor());
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "quit-with-entry");
}

} // namespace
} // namespace tessel_test
