// The find and replace dialogs of Tessel.exe as a user meets them, driven with the keyboard:
// the scope they show and search, a pattern across lines, a selection taken as a regular
// expression, a pattern that does not compile, Find Next and Replace one match at a time, and
// their keys in the bundle editor's entries. What they did is read back from the dialog's fields
// and from the saved file.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

namespace tessel_test {
namespace {

// Where the program's keys go now, for failure messages.
std::string keysGo(TesselRun& tessel) {
    const GUITHREADINFO info = threadInputOf(tessel.window());
    wchar_t focus[64] = {}, active[64] = {};
    ::GetClassNameW(info.hwndFocus, focus, 64);
    ::GetClassNameW(info.hwndActive, active, 64);
    return " (the keys go to " + TesselRun::narrow(focus) + (::IsWindowVisible(info.hwndFocus) ? "" : ", hidden,") +
           " in " + TesselRun::narrow(active) + "; " + std::to_string(tessel.openMenus()) + " menus open; the window: " +
           keepCapture(Capture::of(tessel.window()), "keys") + ")";
}

class FindReplaceEndToEnd : public TesselCopyTest {
protected:
    // The file written with the text and opened by a start of its own, its editor holding the
    // keys (a failure is added when it does not come to that).
    TesselRun& start(const std::wstring& name, const std::string& text) {
        copy.folder.write(name, text);
        m_run.reset(new TesselRun(copy, name));
        EXPECT_TRUE(m_run->hasTitle(name + L" - Tessel"));
        EXPECT_TRUE(m_run->focusEditor());
        return *m_run;
    }
    // Saves with Ctrl+S and reads the file once the title says it is saved: a read while the
    // program puts its new file in place would make that save fail under Wine.
    std::string saved(TesselRun& tessel, const std::wstring& name) {
        if (!pressChordIn(tessel.window(), {VK_CONTROL, 'S'}))
            return "(Ctrl+S was not sent)";
        const testing::AssertionResult done = tessel.hasTitle(name + L" - Tessel");
        std::string bytes;
        if (done && copy.folder.tryRead(name, &bytes))
            return bytes;
        std::string why = std::string("(not saved: ") + done.message();
        for (HWND box : OtherProcess::findTopLevel(L"afMessageBox", tessel.process.processId()))
            if (box)
                why += ", a question: " + keepCapture(Capture::of(box), "question");
        return why + ")";
    }

private:
    std::unique_ptr<TesselRun> m_run;
};

// What the dialog's find field ("Edit", the first) and scope list ("ComboBox") show.
std::wstring findField(HWND dialog) {
    return OtherProcess::windowText(OtherProcess::findChild(dialog, L"Edit"));
}
// The list keeps its items' texts in the program's memory: the chosen one is read through a
// block of memory there.
std::wstring scopeShown(HWND dialog) {
    HWND list = OtherProcess::findChild(dialog, WC_COMBOBOXEXW);
    DWORD_PTR index = 0;
    if (!list || !::SendMessageTimeoutW(list, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &index) ||
        static_cast<LRESULT>(index) < 0)
        return L"(no scope chosen)";
    struct Item {
        COMBOBOXEXITEMW item;
        wchar_t text[128];
    };
    Item local = {};
    local.item.mask = CBEIF_TEXT;
    local.item.iItem = static_cast<INT_PTR>(index);
    local.item.cchTextMax = 127;
    DWORD_PTR answered = 0;
    const bool read =
        sendThroughProgramMemory(list, CBEM_GETITEMW, 0, local,
                                 [](Item& block, Item* remote) { block.item.pszText = remote->text; }, &answered) &&
        answered;
    return read ? std::wstring(local.text) : L"(the chosen scope could not be read)";
}

// The visible editors of the main window: the active tab's, and for a moment while tabs
// change the one going.
BOOL CALLBACK countEditor(HWND child, LPARAM counted) {
    if (::IsWindowVisible(child) && OtherProcess::hasClass(child, TesselRun::EDITOR))
        ++*reinterpret_cast<size_t*>(counted);
    return TRUE;
}
size_t visibleEditors(TesselRun& tessel) {
    size_t count = 0;
    ::EnumChildWindows(tessel.window(), &countEditor, reinterpret_cast<LPARAM>(&count));
    return count;
}

// After a Replace All in a selection over lines, the next dialog opened with nothing selected
// shows the whole document, in the same file or another, and searches it.
TEST_F(FindReplaceEndToEnd, TheScopeShownIsChosenAgainAtEachOpeningAndIsTheOneSearched) {
    TesselRun& tessel = start(L"r.c", "one\r\none\r\none\r\n");
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_DOWN})); // the first line, into the second
    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog) << "Ctrl+H showed no Replace dialog";
    EXPECT_EQ(L"Current selection", scopeShown(dialog));
    ASSERT_TRUE(typeValues(dialog, L"one", L"1"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));
    EXPECT_EQ("1\r\none\r\none\r\n", saved(tessel, L"r.c"));

    dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"Current document", scopeShown(dialog)) << "nothing is selected";
    ASSERT_TRUE(typeValues(dialog, L"one", L"2"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));
    EXPECT_EQ("1\r\n2\r\n2\r\n", saved(tessel, L"r.c"));

    // In another file, after a Replace All in a selection here.
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_DOWN}));
    dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    ASSERT_EQ(L"Current selection", scopeShown(dialog));
    ASSERT_TRUE(typeValues(dialog, L"1", L"0"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));
    copy.folder.write(L"s.c", "one\r\none\r\n");
    TesselRun other(copy, L"s.c"); // handed to the running instance
    ASSERT_TRUE(tessel.hasTitle(L"s.c - Tessel"));
    ASSERT_TRUE(pollFor([&] { return visibleEditors(tessel) == 1; }, WAIT_MS)) << "the first tab's editor stayed";
    ASSERT_TRUE(tessel.focusEditor());
    dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"Current document", scopeShown(dialog));
    ASSERT_TRUE(typeValues(dialog, L"one", L"3"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));
    EXPECT_EQ("3\r\n3\r\n", saved(tessel, L"s.c")) << keysGo(tessel);
}

// A pattern across lines finds its text in a file of CR LF lines, also after a Replace All in a
// selection of other lines.
TEST_F(FindReplaceEndToEnd, ARegularExpressionAcrossLinesFindsItsText) {
    const std::string old = "#include <stdio.h>\r\nint count_words(const char *s) {\r\n    int n = 0;\r\n    return n;\r\n}\r\n";
    TesselRun& tessel = start(L"w.c", old);
    ASSERT_FALSE(HasFailure());
    for (int line = 0; line < 3; ++line)
        ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_DOWN})); // "    return n;" into the last line
    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(typeValues(dialog, L"n", L"n"));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));

    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, VK_HOME}));
    dialog = tessel.openDialog(tessel.editor(), 'F', L"Find");
    ASSERT_NE(nullptr, dialog) << "Ctrl+F showed no Find dialog";
    ASSERT_TRUE(typeValues(dialog, L"\\{\\n\\s+int"));
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'X'})); // Regular expression
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog));
    // The match is selected: typing replaces it.
    ASSERT_TRUE(typeText(tessel.editor(), L"X"));
    EXPECT_EQ("#include <stdio.h>\r\nint count_words(const char *s) X n = 0;\r\n    return n;\r\n}\r\n",
              saved(tessel, L"w.c"));
}

// In regular-expression mode the text taken from a selection is escaped and finds that text; a
// pattern that does not compile keeps the dialog open, its field selected for mending.
TEST_F(FindReplaceEndToEnd, ASelectionIsFoundInRegularExpressionModeAndABadPatternKeepsTheDialog) {
    const std::string old = "count_words(\r\ncount_words(b);\r\n";
    TesselRun& tessel = start(L"e.c", old);
    ASSERT_FALSE(HasFailure());
    // The mode is kept from one dialog to the next, also a cancelled one.
    HWND dialog = tessel.openDialog(tessel.editor(), 'F', L"Find");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'X'}));
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    ASSERT_TRUE(closes(dialog));

    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, VK_HOME}));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_SHIFT, VK_END})); // "count_words(", within its line
    dialog = tessel.openDialog(tessel.editor(), 'F', L"Find");
    ASSERT_NE(nullptr, dialog);
    std::wstring shown;
    EXPECT_TRUE(pollFor([&] { return (shown = findField(dialog)) == L"count_words\\("; }, WAIT_MS))
        << TesselRun::narrow(shown) << keysGo(tessel);
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(closes(dialog)) << "the pattern was refused";
    ASSERT_TRUE(typeText(tessel.editor(), L"X"));
    EXPECT_EQ("count_words(\r\nXb);\r\n", saved(tessel, L"e.c")) << "the next one was found";

    dialog = tessel.openDialog(tessel.editor(), 'F', L"Find");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(typeValues(dialog, L"count_words("));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    // Refused, the dialog stays with its field selected: what is typed next replaces it.
    ASSERT_TRUE(typeKeys(L"y"));
    EXPECT_TRUE(pollFor([&] { return !::IsWindow(dialog) || findField(dialog) == L"y"; }, WAIT_MS));
    ASSERT_TRUE(::IsWindow(dialog)) << "the dialog closed";
    EXPECT_EQ(L"y", findField(dialog));
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    ASSERT_TRUE(closes(dialog));
}

// The replace dialog's Find Next selects a match and Replace replaces the selected one and
// selects the next, the dialog staying open for more.
TEST_F(FindReplaceEndToEnd, TheReplaceDialogReplacesOneMatchAtATime) {
    const std::string old = "a1 a2 a3\r\n";
    TesselRun& tessel = start(L"o.c", old);
    ASSERT_FALSE(HasFailure());
    HWND dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(typeValues(dialog, L"a", L"bb"));
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'F'})); // Find Next: the first
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'R'})); // Replace it, selecting the second
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'R'})); // and that one, selecting the third
    // Into the field again: the dialog is still open.
    ASSERT_TRUE(pressChordIn(dialog, {VK_MENU, 'N'}));
    ASSERT_TRUE(pressChord({VK_END}));
    ASSERT_TRUE(typeKeys(L"c"));
    EXPECT_TRUE(pollFor([&] { return !::IsWindow(dialog) || findField(dialog) == L"ac"; }, WAIT_MS))
        << TesselRun::narrow(findField(dialog)) << " " << keepCapture(Capture::of(dialog), "replace-dialog");
    ASSERT_TRUE(::IsWindow(dialog)) << "the dialog closed";
    ASSERT_TRUE(pressChord({VK_ESCAPE}));
    ASSERT_TRUE(closes(dialog));
    ASSERT_TRUE(typeText(tessel.editor(), L"X"));
    EXPECT_EQ("bb1 bb2 X3\r\n", saved(tessel, L"o.c"));
}

// Ctrl+F and Ctrl+H open their dialogs in the text of an entry of the bundle editor, over the
// bundle editor's window.
TEST_F(FindReplaceEndToEnd, FindAndReplaceOpenInTheBundleEditorsEntries) {
    copy.folder.write(L"b.c", "int z;\r\n");
    TesselRun tessel(copy, L"b.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    HWND bundleEditor = tessel.showBundleEditor();
    ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
    HWND entry = tessel.openFirstGrammar(bundleEditor);
    ASSERT_TRUE(entry) << "Enter opened no entry";
    // Clicked once laid out, it takes the keys.
    ASSERT_TRUE(clickInto(entry));
    ASSERT_TRUE(tessel.hasFocus(entry));

    for (const auto& key : {std::make_pair(WORD('F'), L"Find"), std::make_pair(WORD('H'), L"Replace")}) {
        HWND dialog = tessel.openDialog(entry, key.first, key.second);
        ASSERT_NE(nullptr, dialog) << "Ctrl+" << char(key.first) << " showed no dialog in the entry";
        EXPECT_EQ(bundleEditor, ::GetWindow(dialog, GW_OWNER)) << "over the bundle editor";
        ASSERT_TRUE(pressChord({VK_ESCAPE}));
        ASSERT_TRUE(closes(dialog));
        ASSERT_TRUE(tessel.hasFocus(entry)) << "the entry has the keys again";
    }
}

} // namespace
} // namespace tessel_test
