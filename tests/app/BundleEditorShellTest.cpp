// The bundle editor in the running application, over the shipped bundles and the real managers:
// an edited grammar saved colours the open documents and leaves only its change in the user's
// folder, a style a grammar or theme change takes away leaves them at once, a new snippet from
// its template expands by its trigger once saved, unsaved entries are asked about before the
// window closes, and the program's exit with an entry's text shown frees that text once.

#include "BundleEditorShell.h"

#include "bundles/snippets/SnippetManager.h"
#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEntryEditor.h"
#include "components/SearchManager.h"
#include "editor/Editor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afKeyCombination.h"
#include "afw/support/TestViews.h"
#include "afw/tree/afControlTree.h"
#include "pel/base/FreedAccessTrap.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/document/controller/SelectionRange.h"
#include "service/parser/base/DocumentStyler.h"

#include <algorithm>

using namespace tessel;

namespace {

const pel::UUID C_BUNDLE = pel::UUID::fromString(L"ca7c7879-290a-4d12-bb27-750ec80d09b2");
const pel::UUID C_GRAMMAR = pel::UUID::fromString(L"b5f92fac-c83d-4f9d-8dd4-2c2120833577");
const wchar_t* const C_CHANGES =
    L"user\\bundles\\.changes\\C.ca7c7879-290a-4d12-bb27-750ec80d09b2.tsBundle\\grammars\\"
    L"C.b5f92fac-c83d-4f9d-8dd4-2c2120833577.tsGrammar";

using BundleEditorShellTest = tessel_test::BundleEditorShell;

TEST_F(BundleEditorShellTest, ASavedGrammarColoursOpenDocumentsAndTheUserFolderKeepsOnlyTheChange) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int frobnicate;\r\n"));
    EXPECT_EQ(std::wstring::npos, scopeAt(4).find(L"keyword")) << narrow(scopeAt(4));
    // The tree's C grammar opens in a tab, as Jasmine text.
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    EXPECT_EQ(C_GRAMMAR, grammar->getEntry().getUUID());
    EXPECT_EQ(L"source.jasmine", textOf(*grammar).getGrammarName());
    EXPECT_FALSE(grammar->isModified());

    typeAfter(*grammar, L"|return|goto", L"|frobnicate");
    EXPECT_TRUE(grammar->isModified());
    run(L"bundles.item.save");
    EXPECT_FALSE(grammar->isModified());
    EXPECT_TRUE(grammar->getProblems().empty()) << narrow(grammar->getProblems()[0].second);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return scopeAt(4).find(L"keyword.control.c") != std::wstring::npos; }))
        << "the word was never coloured: " << narrow(scopeAt(4));

    // The user's changes layer holds the changed member (the repository with the new keyword);
    // the others inherit the shipped file's, which is as it was.
    const std::wstring changes = readWide(C_CHANGES);
    EXPECT_NE(std::wstring::npos, changes.find(L"frobnicate")) << narrow(changes);
    for (const wchar_t* inherited : {L"name: inherit", L"file_types: inherit", L"patterns: inherit"})
        EXPECT_NE(std::wstring::npos, changes.find(inherited)) << narrow(inherited);
    EXPECT_EQ(std::wstring::npos, changes.find(L"\"source.c\"")) << narrow(changes);
    EXPECT_EQ(std::string::npos,
              base.read(L"root\\bundles\\C.ca7c7879-290a-4d12-bb27-750ec80d09b2.tsBundle\\grammars\\"
                        L"C.b5f92fac-c83d-4f9d-8dd4-2c2120833577.tsGrammar")
                  .find("frobnicate"));

    // A text that does not read is not taken: its problem shows with its line, the grammar
    // keeps colouring.
    const std::wstring at = L"name: \"source.c\"";
    const size_t line = lineOf(*grammar, at);
    typeAfter(*grammar, at, L"\n\t: :");
    run(L"bundles.item.save");
    EXPECT_TRUE(grammar->isModified());
    ASSERT_FALSE(grammar->getProblems().empty());
    EXPECT_EQ(std::to_wstring(line + 1), grammar->getProblems()[0].first) << narrow(grammar->getProblems()[0].second);
    EXPECT_NE(std::wstring::npos, scopeAt(4).find(L"keyword.control.c"));

    // Closing the window asks about the unsaved entry: Cancel keeps the window and the entry,
    // Don't Save lets both go; the saved change stays.
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_FALSE(window->canClose());
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Save changes to `C` before closing?", questions[0]);
    EXPECT_EQ(1u, editor->getEditors().size());
    answers.push_back(BundleEditor::RESULT_DONT_SAVE);
    EXPECT_TRUE(window->canClose());
    EXPECT_TRUE(editor->getEditors().empty());
    EXPECT_NE(std::wstring::npos, readWide(C_CHANGES).find(L"frobnicate"));
}

// A brace typed too early ends the entry there: what follows would not be read, so the save is
// refused at the first of it rather than dropping it.
TEST_F(BundleEditorShellTest, TextAfterTheEntrysClosingBraceIsNotSavedAway) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    const std::wstring at = L"name: \"source.c\"";
    const size_t line = lineOf(*grammar, at);
    typeAfter(*grammar, at, L"\n}");
    run(L"bundles.item.save");
    EXPECT_TRUE(grammar->isModified());
    ASSERT_EQ(1u, grammar->getProblems().size());
    EXPECT_EQ(std::to_wstring(line + 2), grammar->getProblems()[0].first) << narrow(grammar->getProblems()[0].second);
    EXPECT_NE(std::wstring::npos, grammar->getProblems()[0].second.find(L"not part of the entry"));
    std::string unused;
    EXPECT_FALSE(base.tryRead(C_CHANGES, &unused)) << "nothing was written";
}

// Quotes typed into an entry's Jasmine as into the program's languages: one that closes a string
// at the end of its line, and one in a comment typed at the end of a line above others, each
// stay as typed, and the entry passes its check.
TEST_F(BundleEditorShellTest, QuotesTypedAtTheEndOfAnEntrysLinesStayAsTyped) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* snippet = openEntry(L"C\\Snippets\\#include <...>");
    ASSERT_TRUE(snippet);
    replaceIn(*snippet, L"tab_trigger: \"inc\"", L"tab_trigger: \"inc");
    DocumentController& controller = textOf(*snippet);
    Editor* text = static_cast<BundleEntryTextEditor*>(snippet->getText())->getEditor();
    ::SetFocus(text->getHandle());
    typeAtEndOf(controller, text->getHandle(), static_cast<int32_t>(lineOf(*snippet, L"tab_trigger")) - 1, L"\"");
    typeAtEndOf(controller, text->getHandle(), static_cast<int32_t>(lineOf(*snippet, L"title")) - 1,
                L" // it is 12\" wide");
    std::wstring typed;
    controller.getText(&typed);
    EXPECT_NE(std::wstring::npos, typed.find(L"\n\ttab_trigger: \"inc\"\n")) << narrow(typed);
    EXPECT_NE(std::wstring::npos, typed.find(L"\"#include <...>\" // it is 12\" wide\n")) << narrow(typed);
    EXPECT_TRUE(editor->save(*snippet)) << narrow(snippet->getProblems().empty() ? L"" : snippet->getProblems()[0].second);
}

// The program ends with an entry's text shown, changed: the exit closes the documents before the
// bundle editor goes, and the entry's text goes with its editor, freed once.
TEST_F(BundleEditorShellTest, TheExitWithAnEntrysTextShownFreesItWithItsEditor) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    typeAfter(*grammar, L"name: \"source.c\"", L" ");
    const DocumentController& text = textOf(*grammar);
    const void* parts[] = {&text, &text.getDocument(), &document->getDocument()};
    for (const void* part : parts)
        EXPECT_FALSE(pel::FreedAccessTrap::isFreed(part));
    stop();
    for (const void* part : parts)
        EXPECT_TRUE(pel::FreedAccessTrap::isFreed(part));
}

TEST_F(BundleEditorShellTest, ANewSnippetFromItsTemplateExpandsByItsTriggerOnceSaved) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    afControlTreeItem* cBundle = editor->findNode(L"C");
    ASSERT_TRUE(cBundle);
    bool ran = false;
    for (const BundleEditor::MenuLine& line : editor->getContextMenu(cBundle))
        if (line.title == L"New Snippet") {
            editor->runCommand(cBundle, line);
            ran = true;
        }
    ASSERT_TRUE(ran) << "no \"New Snippet\" line";
    BundleEntryEditor* snippet = editor->getActiveEditor();
    ASSERT_TRUE(snippet);
    EXPECT_EQ(BUNDLE_TYPE_SNIPPET, snippet->getEntry().getTypeId());
    EXPECT_EQ(L"New Snippet", snippet->getEntry().getTitle());
    EXPECT_FALSE(snippet->getEntry().isInstalled());

    typeAfter(*snippet, L"content: \"", L"frob($1)");
    typeAfter(*snippet, L"scope: \"", L"source.c");
    typeAfter(*snippet, L"tab_trigger: \"", L"frob");
    ASSERT_TRUE(editor->save(*snippet)) << narrow(snippet->getProblems().empty() ? L"" : snippet->getProblems()[0].second);
    BundleEntry& entry = snippet->getEntry();
    EXPECT_TRUE(entry.isInstalled());
    EXPECT_EQ(BundleEntryRepository::T_Changes, entry.getSource()->getTopPath()->storage);
    EXPECT_TRUE(editor->findNode(L"C\\Snippets\\New Snippet")) << "the tree lists it once saved";

    // In the C document: the word, then Tab.
    Editor* text = window->getActivePage()->editor;
    for (wchar_t c : std::wstring(L"frob"))
        ::SendMessageW(text->getHandle(), WM_CHAR, c, 1);
    // Keys go through the loop, as the program's do.
    ::PostMessageW(text->getHandle(), WM_KEYDOWN, VK_TAB, 1);
    ::PostMessageW(text->getHandle(), WM_KEYUP, VK_TAB, 0xC0000001);
    ASSERT_TRUE(tessel_test::pumpApp([&] {
        MSG message;
        return !::PeekMessageW(&message, text->getHandle(), 0, 0, PM_NOREMOVE);
    }));
    std::wstring expanded;
    document->getText(&expanded);
    EXPECT_EQ(L"frob()int x;\n", expanded);
    EXPECT_EQ(5, document->getCaretOffset()) << "the caret waits in the parentheses";
}

// A grammar change and its undo, each saved: the JSON strings turn into comments (green, italic)
// and back (red, upright) in the open document; no italic stays behind. The editor's layout of
// the line is what the user sees: it must match one made afresh.
TEST_F(BundleEditorShellTest, AStyleAGrammarOrThemeChangeTakesAwayLeavesTheOpenDocumentsAtOnce) {
    ASSERT_NO_FATAL_FAILURE(
        startWithShippedBundles(L"v.json", "[\"some words\"]\r\n", 3, L"string.quoted.double.json"));
    LineCache& lines = *window->getActivePage()->editor->getLineCache();
    // The font the editor's layout of line 0 gives the string's text now, and the one a layout
    // made afresh gives it.
    const auto fontOfString = [&]() -> const afFontEntry* {
        const afUnicodeData* data = lines.getLayout(0);
        for (const afUnicodeItem& item : data ? data->items : std::vector<afUnicodeItem>())
            if (item.first <= 3 && 3 < item.first + item.count)
                return item.font;
        return nullptr;
    };
    const auto freshFontOfString = [&] {
        lines.dropAll();
        return fontOfString();
    };
    const afFontEntry* upright = freshFontOfString();
    ASSERT_TRUE(upright);
    const auto shows = [&](const std::wstring& scope, bool italic) {
        return tessel_test::pumpUntil([&] {
            if (scopeAt(3).find(scope) == std::wstring::npos)
                return false;
            const ScopeStyle style = document->getDocument().getStyler().styleAt(
                document->getDocument().getStyler().getStyle(*document->getDocument().getScopeAt(3)));
            return ((style.fontStyle & FONT_STYLE_ITALIC) != 0) == italic && (fontOfString() != upright) == italic;
        });
    };

    // The entry at the path opened, the text changed and saved.
    const auto change = [&](const wchar_t* path, const std::wstring& from, const std::wstring& to) {
        BundleEntryEditor* opened = openEntry(path);
        ASSERT_TRUE(opened);
        BundleEntryEditor& entry = *opened;
        replaceIn(entry, from, to);
        run(L"bundles.item.save");
        ASSERT_TRUE(entry.getProblems().empty()) << narrow(entry.getProblems()[0].second);
    };
    const std::wstring string = L"\"string.quoted.double.json\"", comment = L"\"comment.json\"";
    ASSERT_NO_FATAL_FAILURE(change(L"JSON\\Grammars\\JSON", string, comment));
    ASSERT_TRUE(shows(L"comment.json", true)) << "the strings never turned into italic comments";

    ASSERT_TRUE(textOf(*editor->getActiveEditor()).undo());
    run(L"bundles.item.save");
    EXPECT_TRUE(shows(L"string.quoted.double.json", false)) << "the strings stayed italic";
    EXPECT_EQ(upright, fontOfString());
    EXPECT_EQ(upright, freshFontOfString());

    // The same through the theme: comments that are no longer italic in it are upright at once.
    ASSERT_NO_FATAL_FAILURE(change(L"JSON\\Grammars\\JSON", string, comment));
    ASSERT_TRUE(shows(L"comment.json", true));
    ASSERT_NO_FATAL_FAILURE(change(L"Tessel\\Themes\\Tessel Light", L"foreground: \"#5E7A3A\" font_style: \"italic\"",
                                   L"foreground: \"#5E7A3A\""));
    EXPECT_TRUE(shows(L"comment.json", false)) << "the comments stayed italic";
}

// Ctrl+F and Ctrl+H work in an entry's text as in a document's: their dialog searches the
// entry, not the document behind the bundle editor.
TEST_F(BundleEditorShellTest, FindAndReplaceKeysSearchTheEntrysText) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    DocumentController& entry = textOf(*grammar);
    ASSERT_TRUE(focus(*grammar));
    // The dialog takes its text from the entry's selection.
    const std::wstring name = L"name: \"source.c\"";
    std::wstring all;
    entry.getText(&all);
    {
        DocumentController::Lock lock(entry, DocumentController::LOCK_EDIT);
        entry.getSelection().setOffsets(static_cast<int32_t>(all.find(L"source.c")),
                                        static_cast<int32_t>(all.find(L"source.c") + 8), selection_ids::NORMAL);
    }
    SearchParameters values;
    values.findText = name;
    values.scope = SearchManager::SCOPE_DOCUMENT;
    searches.push_back(values);
    ASSERT_TRUE(press(*grammar, L"Ctrl+F")) << "nothing took the key";
    ASSERT_EQ(1u, shownSearches.size());
    EXPECT_EQ(L"source.c", shownSearches[0].findText);
    {
        DocumentController::Lock lock(entry, DocumentController::LOCK_READ);
        const Selection& selection = entry.getSelection();
        EXPECT_EQ(static_cast<int32_t>(all.find(name)), entry.positionToOffset(selection.getAnchor()));
        EXPECT_EQ(static_cast<int32_t>(all.find(name) + name.size()), entry.positionToOffset(selection.getCaret()));
    }

    values.replaceText = L"name: \"source.cc\"";
    searches.push_back(values);
    ASSERT_TRUE(press(*grammar, L"Ctrl+H"));
    ASSERT_EQ(2u, shownSearches.size());
    entry.getText(&all);
    EXPECT_NE(std::wstring::npos, all.find(L"name: \"source.cc\""));
    EXPECT_TRUE(grammar->isModified());
    std::wstring behind;
    document->getText(&behind);
    EXPECT_EQ(L"int x;\n", behind) << "the document behind is not searched";
}

} // namespace
