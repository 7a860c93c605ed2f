// The bundle editor's entries beside the main window's loops: whatever window a question or
// dialog belongs to, it holds the whole program; a closed entry's editor leaves its lists at once
// and is freed from the main loop, after the dialog of its text that was open; Reload Bundles
// under an entry's question is refused; the exit asks about a tab modified under the bundle
// editor's question; a search dialog whose entry closed searches nothing. Preferences entries
// open, are saved as the user's change and are made from their template. The shell's objects,
// the entries' editors among them, are trapped: one touched after it was freed faults at once.

#include "BundleEditorShell.h"

#include "components/SearchManager.h"

#include "afw/control/afControlTabs.h"
#include "afw/core/afMainLoop.h"
#include "afw/window/afWindow.h"
#include "pel/base/FreedAccessTrap.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/document/Document.h"
#include "service/document/search/SearchParameters.h"

#include <functional>
#include <vector>

using namespace tessel;

namespace {

const wchar_t* const C_PAIRS_CHANGES =
    L"user\\bundles\\.changes\\C.ca7c7879-290a-4d12-bb27-750ec80d09b2.tsBundle\\preferences\\"
    L"C Pairs.f7eb934c-c6a1-4e82-86fb-2bfb5bfcc24e.tsPreferences";

std::function<void()>& pendingInDialog() {
    static std::function<void()> work;
    return work;
}
void CALLBACK runInDialog(HWND, UINT, UINT_PTR id, DWORD) {
    // A timer fires in whichever loop takes it: the work waits for the dialog's.
    if (!afMainLoop::innermostModal())
        return;
    ::KillTimer(nullptr, id);
    std::function<void()> work;
    work.swap(pendingInDialog());
    if (work)
        work();
}
// Runs the work inside the loop of the next dialog, which it is given; the dialog ends after it.
void inNextDialog(std::function<void(afWindow& dialog)> work) {
    pendingInDialog() = [work] {
        auto* dialog = dynamic_cast<afWindow*>(afViewPlatform::getWidget(afMainLoop::innermostModal()));
        ASSERT_TRUE(dialog);
        work(*dialog);
        dialog->close(afWindow::RESULT_CANCEL);
    };
    ::SetTimer(nullptr, 0, 10, &runInDialog);
}

class BundleEditorLoopShellTest : public tessel_test::BundleEditorShell {
protected:
    // The entry editor with its text's view, controller and document, to be looked at once they
    // may be freed.
    static std::vector<const void*> partsOf(BundleEntryEditor& entry) {
        DocumentController& text = textOf(entry);
        return {&entry, viewOf(entry), &text, &text.getDocument()};
    }
    static bool freed(const std::vector<const void*>& parts, bool freed) {
        for (const void* part : parts)
            if (pel::FreedAccessTrap::isFreed(part) != freed)
                return false;
        return true;
    }
    // Every window of the program disabled but the question's own.
    bool held() const {
        return !::IsWindowEnabled(window->getHandle()) && !::IsWindowEnabled(editor->getWindow()->getHandle());
    }
    bool free() const {
        return ::IsWindowEnabled(window->getHandle()) && ::IsWindowEnabled(editor->getWindow()->getHandle());
    }
    // Each question answered by `answer`, which may act first.
    void answerWith(std::function<uint32_t(const std::wstring&)> answer) {
        setQuestionHook([this, answer](const std::wstring& text, const std::vector<QuestionButton>&) {
            questions.push_back(text);
            return answer(text);
        });
    }
    // Whether the reload that ran has ended.
    bool loaded() { return tessel_test::pumpUntil([&] { return !bundles->isLoading(); }); }
};

// A question of the bundle editor, a dialog of an entry's text and a question of the main window
// each disable both windows while they run, and enable them again as they end.
TEST_F(BundleEditorLoopShellTest, AQuestionOrDialogOfEitherWindowHoldsBothUntilItEnds) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    typeAfter(*grammar, L"name: \"source.c\"", L" ");
    bool heldUnder = false;
    answerWith([&](const std::wstring&) {
        heldUnder = held();
        return afWindow::RESULT_CANCEL;
    });
    EXPECT_FALSE(editor->closeEditor(*grammar));
    EXPECT_TRUE(heldUnder) << "the main window took input under the bundle editor's question";
    EXPECT_TRUE(free());

    heldUnder = false;
    ASSERT_TRUE(focus(*grammar));
    inNextDialog([&](afWindow& dialog) {
        heldUnder = held() && ::IsWindowEnabled(dialog.getHandle()) && ::GetActiveWindow() == dialog.getHandle();
    });
    ASSERT_TRUE(press(*grammar, L"Ctrl+G")) << "no Go to line";
    EXPECT_TRUE(heldUnder) << "the main window took input under the dialog of an entry's text";
    EXPECT_TRUE(free());

    heldUnder = false;
    type(L"y");
    EXPECT_FALSE(window->closeTab(*window->getActivePage()));
    EXPECT_TRUE(heldUnder) << "the bundle editor took input under the main window's question";
    EXPECT_TRUE(free());
    EXPECT_EQ(2u, questions.size());
}

// Reload Bundles runs inside the loop of an entry's Go to line dialog (as whatever that loop
// dispatches may run it): the entry leaves the bundle editor at once, and its editor, text,
// controller and document are freed only once the dialog has ended and the main loop runs.
TEST_F(BundleEditorLoopShellTest, AnEntryClosedUnderADialogOfItsTextIsFreedOnlyOnceTheDialogHasEnded) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::vector<const void*> parts = partsOf(*grammar);
    ASSERT_TRUE(focus(*grammar));
    bool closed = false;
    inNextDialog([&](afWindow&) {
        run(L"bundles.reload");
        closed = editor->getEditors().empty() && editor->getTabs()->getCount() == 0;
        EXPECT_TRUE(freed(parts, false)) << "freed under the dialog";
    });
    ASSERT_TRUE(press(*grammar, L"Ctrl+G"));
    EXPECT_TRUE(closed) << "the entry stayed open";
    EXPECT_TRUE(freed(parts, false)) << "freed under the code that ran the dialog";
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return freed(parts, true); })) << "never freed";
    ASSERT_TRUE(loaded());
    EXPECT_TRUE(editor->findNode(L"C\\Grammars\\C")) << "the bundles came back";
}

// Reload Bundles again under the save question of the first: the second is refused, and the
// first closes both entries once answered.
TEST_F(BundleEditorLoopShellTest, ReloadBundlesUnderAnEntrysSaveQuestionIsRefused) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* c = openEntry(L"C\\Grammars\\C");
    BundleEntryEditor* js = openEntry(L"JavaScript\\Grammars\\JavaScript");
    ASSERT_TRUE(c && js);
    const std::vector<const void*> cParts = partsOf(*c), jsParts = partsOf(*js);
    typeAfter(*c, L"name: \"source.c\"", L" ");
    answerWith([&](const std::wstring&) {
        if (questions.size() == 1)
            run(L"bundles.reload");
        return BundleEditor::RESULT_DONT_SAVE;
    });
    run(L"bundles.reload");
    EXPECT_EQ(std::vector<std::wstring>{L"Save changes to `C` before closing?"}, questions);
    EXPECT_TRUE(editor->getEditors().empty());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return freed(cParts, true) && freed(jsParts, true); }));
    ASSERT_TRUE(loaded());
    EXPECT_TRUE(free());
}

// The window's close asks about the modified entry; under that question the C file's tab is
// typed into. The exit closes every tab without asking, so that tab is asked about before it;
// Cancel there keeps Tessel open, and the entry answered Don't Save with it, as it was.
TEST_F(BundleEditorLoopShellTest, TheExitAsksAboutATabModifiedUnderAnEntrysQuestion) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::vector<const void*> parts = partsOf(*grammar);
    typeAfter(*grammar, L"name: \"source.c\"", L" ");
    answerWith([&](const std::wstring&) {
        if (questions.size() > 1)
            return afWindow::RESULT_CANCEL;
        type(L"q");
        return BundleEditor::RESULT_DONT_SAVE;
    });
    EXPECT_FALSE(window->canClose());
    EXPECT_EQ((std::vector<std::wstring>{L"Save changes to `C` before closing?", L"Save changes to `k.c` before closing?"}),
              questions);
    EXPECT_EQ(L"qint x;\n", activeText());
    EXPECT_FALSE(window->isClosing());
    tessel_test::dispatchPending();
    ASSERT_TRUE(freed(parts, false)) << "the entry answered Don't Save went with a close that was cancelled";
    EXPECT_EQ(std::vector<BundleEntryEditor*>{grammar}, editor->getEditors());
    EXPECT_TRUE(grammar->isModified());
    // Asked again, each answer stands for what it was given for: the entry and the tab.
    answerWith([](const std::wstring&) { return MainWindow::RESULT_DONT_SAVE; });
    EXPECT_TRUE(window->canClose());
    EXPECT_EQ((std::vector<std::wstring>{L"Save changes to `C` before closing?", L"Save changes to `k.c` before closing?",
                                         L"Save changes to `k.c` before closing?", L"Save changes to `C` before closing?"}),
              questions);
}

// Replace All in the Replace dialog of an entry that Reload Bundles closed meanwhile: nothing
// is replaced, in the entry or in the document behind the bundle editor.
TEST_F(BundleEditorLoopShellTest, TheSearchDialogOfAnEntryThatClosedSearchesNothing) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int title;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::vector<const void*> parts = partsOf(*grammar);
    ASSERT_TRUE(focus(*grammar));
    SearchOutcome outcome;
    setSearchHook([&](bool, SearchParameters& io_values, const SearchRunner& runner) {
        run(L"bundles.reload");
        EXPECT_TRUE(editor->getEditors().empty());
        io_values.findText = L"title";
        io_values.replaceText = L"";
        outcome = runner(SearchCommand::REPLACE_ALL, io_values);
        return false;
    });
    ASSERT_TRUE(press(*grammar, L"Ctrl+H"));
    EXPECT_EQ(L"int title;\n", activeText());
    EXPECT_EQ(L"The text this search was opened for is closed.", outcome.message);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return freed(parts, true); }));
    ASSERT_TRUE(loaded());
}

// The shipped C pairs open in the source editor; a pair added there and saved goes into the
// user's changes and pairs in C at once. A new preferences entry from the C bundle's menu is made
// from its template and, saved, pairs too.
TEST_F(BundleEditorLoopShellTest, PreferencesEntriesOpenAreSavedAndAreMadeFromTheirTemplate) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* pairs = openEntry(L"C\\Preferences\\C Pairs");
    ASSERT_TRUE(pairs) << "the C pairs did not open";
    EXPECT_EQ(BUNDLE_TYPE_PREFERENCES, pairs->getEntry().getTypeId());
    EXPECT_EQ(L"source.jasmine", textOf(*pairs).getGrammarName());
    typeAfter(*pairs, L"[ \"[\" \"]\" ]", L"\n\t\t\t[ \"<\" \">\" ]");
    run(L"bundles.item.save");
    EXPECT_FALSE(pairs->isModified());
    EXPECT_TRUE(pairs->getProblems().empty()) << narrow(pairs->getProblems()[0].second);
    EXPECT_NE(std::wstring::npos, readWide(C_PAIRS_CHANGES).find(L"\">\"")) << "not in the user's changes";
    // Typed into the C file, where the keys go once a click put the focus there.
    Editor* cFile = window->getActivePage()->editor;
    cFile->requestFocus();
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return ::GetFocus() == cFile->getHandle(); }));
    ::SendMessageW(cFile->getHandle(), WM_CHAR, L'<', 1);
    EXPECT_EQ(L"<>int x;\n", activeText());

    bool made = false;
    for (const BundleEditor::MenuLine& line : editor->getContextMenu(editor->findNode(L"C")))
        if (line.title == L"New Preferences") {
            editor->runCommand(editor->findNode(L"C"), line);
            made = true;
        }
    ASSERT_TRUE(made) << "no \"New Preferences\" line";
    BundleEntryEditor* fresh = editor->getActiveEditor();
    ASSERT_TRUE(fresh && fresh != pairs) << "the new entry did not open";
    EXPECT_EQ(L"New Preferences", fresh->getEntry().getTitle());
    replaceIn(*fresh, L"scope: \"source\"", L"scope: \"source.c\"");
    typeAfter(*fresh, L"pairs: [", L"\n\t\t\t[ \"`\" \"`\" ]");
    ASSERT_TRUE(editor->save(*fresh)) << narrow(fresh->getProblems().empty() ? L"" : fresh->getProblems()[0].second);
    EXPECT_TRUE(fresh->getEntry().isInstalled());
    EXPECT_TRUE(editor->findNode(L"C\\Preferences\\New Preferences")) << "the tree lists it once saved";
    cFile->requestFocus();
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return ::GetFocus() == cFile->getHandle(); }));
    ::SendMessageW(cFile->getHandle(), WM_CHAR, L'`', 1);
    EXPECT_EQ(L"<``>int x;\n", activeText());
}

// The end of the Windows session comes while Go to line of an entry's text is open, and the
// settings saved at its end let the bundle editor go: the entry's editor, text, controller and
// document are freed only once the dialog has ended and the main loop runs, never under the code
// that waits in the dialog.
TEST_F(BundleEditorLoopShellTest, TheSessionsEndInADialogOfAnEntrysTextFreesItOnlyOnceTheDialogEnded) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::vector<const void*> parts = partsOf(*grammar);
    ASSERT_TRUE(focus(*grammar));
    LRESULT ended = -1;
    inNextDialog([&](afWindow&) {
        ended = ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        ::SendMessageW(window->getHandle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(nullptr, bundles->getEditor()) << "the settings were saved with the bundle editor kept";
        EXPECT_TRUE(freed(parts, false)) << "freed under the dialog";
    });
    ASSERT_TRUE(press(*grammar, L"Ctrl+G")) << "no Go to line";
    EXPECT_EQ(TRUE, ended);
    EXPECT_TRUE(freed(parts, false)) << "freed under the code that ran the dialog";
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return freed(parts, true); })) << "never freed";
}

// Reload Bundles from the main window asks about the modified entry in the bundle editor's own
// question; Cancel gives the keyboard back to the main window's text it came from, not to the
// bundle editor that owned the question.
TEST_F(BundleEditorLoopShellTest, CancelOnReloadBundlesQuestionGivesTheKeysBackToTheMainWindowsText) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    typeAfter(*grammar, L"name: \"source.c\"", L" ");
    HWND main = window->getHandle(), text = window->getActivePage()->editor->getHandle();
    ::SetForegroundWindow(main);
    window->getActivePage()->editor->requestFocus();
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return ::GetActiveWindow() == main && ::GetFocus() == text; }));
    // The framework's own box, answered in its loop.
    setQuestionHook(nullptr);
    HWND asked = nullptr;
    inNextDialog([&](afWindow& box) { asked = box.getHandle(); });
    run(L"bundles.reload");
    ASSERT_TRUE(asked) << "nothing was asked";
    EXPECT_EQ(std::vector<BundleEntryEditor*>{grammar}, editor->getEditors());
    EXPECT_TRUE(tessel_test::pumpUntil([&] { return ::GetActiveWindow() == main && ::GetFocus() == text; }))
        << "the active window is " << ::GetActiveWindow() << " (the main window " << main << "), the focus on "
        << ::GetFocus();
}

// A closed entry whose text the searches were aimed at leaves them before its editor goes, and
// nothing of it is left there once it is freed.
TEST_F(BundleEditorLoopShellTest, AClosedEntrysTextLeavesTheSearchesBeforeItsEditorGoes) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::vector<const void*> parts = partsOf(*grammar);
    ASSERT_TRUE(focus(*grammar));
    SearchManager& search = *SearchManager::get();
    const SearchSubscriber* entryText = search.getTarget(SearchManager::SCOPE_DOCUMENT);
    ASSERT_EQ(static_cast<const SearchSubscriber*>(viewOf(*grammar)), entryText);
    ASSERT_TRUE(editor->closeEditor(*grammar));
    EXPECT_NE(entryText, search.getTarget(SearchManager::SCOPE_DOCUMENT));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return freed(parts, true); }));
    EXPECT_NE(entryText, search.getTarget(SearchManager::SCOPE_DOCUMENT));
}

} // namespace
