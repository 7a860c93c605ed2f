// The bundle editor's entries and questions beside the main window, as a user meets them in
// Tessel.exe: Reload Bundles with an entry open, a dialog of an entry's text open while the main
// window is reached, and the exit under an entry's question.

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

// Bundles > Reload Bundles in the main window, with the keyboard.
bool reloadBundles(TesselRun& tessel) {
    return pressChordIn(tessel.window(), {VK_MENU, 'B'}) && tessel.hasOpenMenus(1) && pressChord({'R'}) &&
           tessel.hasOpenMenus(0);
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

    ASSERT_TRUE(reloadBundles(tessel)) << "the menu line was not reached";
    ASSERT_TRUE(pollFor([&] { return entryTabs(bundleEditor) == 0 && treeBundles(bundleEditor) == 6; }, WAIT_MS))
        << "the reload never ended: " << entryTabs(bundleEditor) << " entries, " << treeBundles(bundleEditor)
        << " bundles";

    OtherProcess second(copy.program(), L"second.txt", copy.folder.path);
    EXPECT_EQ(0, second.exitCode(WAIT_MS));
    EXPECT_TRUE(tessel.hasTitle(L"second.txt - Tessel")) << "the second start's file never opened";
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "reload-close");
}

} // namespace
} // namespace tessel_test
