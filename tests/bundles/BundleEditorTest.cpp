// The bundle editor's window over counting type managers: its tree, the tree's commands, and the
// questions before open entries close (with texts that stand in for the editor widget).

#include "bundles/ui/BundleEditor.h"

#include "bundles/BundleManager.h"
#include "bundles/ui/BundleEntryEditor.h"

#include "afw/control/afControlTabs.h"
#include "afw/dialog/afQuestion.h"
#include "afw/tree/afControlTree.h"
#include "afw/tree/afControlTreeItem.h"
#include "afw/window/afWindow.h"
#include "pel/files/file_io/FileIO.h"
#include "service/bundles/BundleError.h"

#include "FakeEntryText.h"
#include "support/LogCapture.h"
#include "ManagerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::CountingManager;
using tessel_test::uuidText;

namespace {

using T = BundleEntryTraits;
const std::wstring WEB = uuidText(1, 1), ALPHA = uuidText(1, 2);
std::wstring G(uint32_t n) { return uuidText(2, n); }
pel::UUID uuid(const std::wstring& text) { return pel::UUID::fromString(text); }

class BundleEditorTest : public tessel_test::ManagerFixture {
protected:
    void SetUp() override {
        BundleTree::putBundle(1, L"Web", WEB);
        BundleTree::putEntry(1, L"Web", WEB, T::grammar(), L"HTML", G(1));
        BundleTree::putEntry(1, L"Web", WEB, T::grammar(), L"CSS", G(2));
        BundleTree::putEntry(1, L"Web", WEB, T::snippet(), L"Tag", G(3));
        BundleTree::putBundle(1, L"alpha", ALPHA);
        BundleTree::putEntry(1, L"alpha", ALPHA, T::theme(), L"Dark", G(4));
        setUp();
        loadAll();
        for (CountingManager* type : {&grammars(), &snippets()})
            type->editorFactory = &BundleEntrySourceEditor::create;
        editor = manager->getEditor();
        editor->setVisible(true);
        setQuestionHook([this](const std::wstring& text, const std::vector<QuestionButton>&) {
            questions.push_back(text);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected question";
                return afWindow::RESULT_CANCEL;
            }
            const uint32_t answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
    }
    void TearDown() override { setQuestionHook(nullptr); }

    // The tree as text: each node, its children in braces, siblings split by "|".
    std::wstring tree(afControlTreeItem* first = nullptr, bool top = true) const {
        afControlTree& view = *editor->getTree();
        std::wstring text;
        for (afControlTreeItem* node = top ? view.getRoot() : first; node; node = view.getNextSibling(node)) {
            if (!text.empty())
                text += L"|";
            text += view.getItemText(node);
            if (afControlTreeItem* child = view.getFirstChild(node))
                text += L"{" + tree(child, false) + L"}";
        }
        return text;
    }
    std::wstring menu(const std::wstring& path) const {
        std::wstring text;
        for (const BundleEditor::MenuLine& line : editor->getContextMenu(editor->findNode(path)))
            text += (text.empty() ? L"" : L"|") + line.title + (line.enabled ? L"" : L"(off)");
        return text;
    }
    void run(const std::wstring& path, const std::wstring& title) {
        afControlTreeItem* node = editor->findNode(path);
        for (const BundleEditor::MenuLine& line : editor->getContextMenu(node))
            if (line.title == title)
                return editor->runCommand(node, line);
        ADD_FAILURE() << "no such line";
    }

    // The expanded nodes' paths and the selected one's, after a "|".
    std::wstring openNodes() const {
        afControlTree& view = *editor->getTree();
        std::wstring text;
        for (afControlTreeItem* node = view.getRoot(); node; node = view.getNextItem(node))
            if (view.isItemExpanded(node))
                text += view.getItemPath(node) + L" ";
        return text + L"|" + view.getItemPath(view.getSelectedItem());
    }

    tessel_test::FakeEntryTexts texts;
    BundleEditor* editor = nullptr;
    std::vector<std::wstring> questions;
    std::vector<uint32_t> answers;
};

TEST_F(BundleEditorTest, TheTreeGroupsEachBundlesEntriesAndMarksWhatIsDisabled) {
    ASSERT_TRUE(editor->isShown());
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{CSS|HTML}|Snippets{Tag}}", tree());
    EXPECT_EQ(L"New Grammar|New Theme|New Snippet|New Preferences|Disable", menu(L"Web\\Grammars\\HTML"));
    EXPECT_EQ(L"New Grammar|New Theme|New Snippet|New Preferences", menu(L"Web\\Grammars"));

    run(L"Web\\Grammars\\HTML", L"Disable");
    EXPECT_EQ(nullptr, manager->findEntry(uuid(G(1))));
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{CSS|HTML (disabled)}|Snippets{Tag}}", tree());
    EXPECT_EQ(L"New Grammar|New Theme|New Snippet|New Preferences|Enable", menu(L"Web\\Grammars\\HTML (disabled)"));
    EXPECT_FALSE(editor->activateNode(editor->findNode(L"Web\\Grammars\\HTML (disabled)")));
    // A disabled bundle shows alone; nothing can be made in it.
    EXPECT_TRUE(editor->disable(uuid(ALPHA)));
    EXPECT_EQ(L"alpha (disabled)|Web{Grammars{CSS|HTML (disabled)}|Snippets{Tag}}", tree());
    EXPECT_EQ(L"New Grammar(off)|New Theme(off)|New Snippet(off)|New Preferences(off)|Enable",
              menu(L"alpha (disabled)"));

    // Enabling loads everything anew.
    run(L"Web\\Grammars\\HTML (disabled)", L"Enable");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
    EXPECT_EQ(L"alpha (disabled)|Web{Grammars{CSS|HTML}|Snippets{Tag}}", tree());
    EXPECT_TRUE(questions.empty());
}

TEST_F(BundleEditorTest, EntriesOpenOnceInTabsAndModifiedOnesAreAskedAboutBeforeTheyClose) {
    EXPECT_FALSE(editor->activateNode(editor->findNode(L"Web\\Grammars")));
    ASSERT_TRUE(editor->activateNode(editor->findNode(L"Web\\Grammars\\CSS")));
    tessel_test::FakeEntryText* css = texts.last;
    EXPECT_NE(std::wstring::npos, css->text.find(L"CSS")) << "the entry's text";
    ASSERT_TRUE(editor->activateNode(editor->findNode(L"Web\\Snippets\\Tag")));
    ASSERT_TRUE(editor->activateNode(editor->findNode(L"Web\\Grammars\\CSS")));
    EXPECT_EQ(2, editor->getTabs()->getCount()) << "an open entry is activated, not opened again";
    EXPECT_EQ(&editor->getEditors()[0]->getEntry(), editor->getActiveEditor() ? &editor->getActiveEditor()->getEntry() : nullptr);

    css->type(L"{ title: \"CSS\" }");
    wchar_t caption[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 64;
    ::SendMessageW(editor->getTabs()->getHandle(), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(L"CSS *", caption);

    // Cancel keeps both; disabling the bundle asks too, and Cancel keeps it installed.
    answers = {afWindow::RESULT_CANCEL, afWindow::RESULT_CANCEL};
    EXPECT_FALSE(editor->closeAllItems());
    EXPECT_FALSE(editor->disable(uuid(WEB)));
    EXPECT_TRUE(manager->findBundle(uuid(WEB)));
    EXPECT_EQ(2u, editor->getEditors().size());
    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ(L"Save changes to `CSS` before closing?", questions[0]);
    // Don't Save closes them all; the unmodified one is not asked about.
    answers = {BundleEditor::RESULT_DONT_SAVE};
    EXPECT_TRUE(editor->closeAllItems());
    EXPECT_EQ(3u, questions.size());
    EXPECT_TRUE(editor->getEditors().empty());
    EXPECT_EQ(0, editor->getTabs()->getCount());

    // The toggle hides the window and shows it again with its tree.
    manager->getEditor()->close(afWindow::RESULT_OK);
    EXPECT_FALSE(editor->isShown());
    editor->setVisible(true);
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{CSS|HTML}|Snippets{Tag}}", tree());
}

// A save that failed (a file stands where the entry's folder in the changes layer goes) leaves
// nothing in the way of the next: asked to save as the tabs close, it fails again with that
// save's error alone, and once the way is clear it writes the entry and drops the error.
TEST_F(BundleEditorTest, ASaveAfterAFailedOneWritesTheEntryOnceItCan) {
    ASSERT_TRUE(editor->activateNode(editor->findNode(L"Web\\Grammars\\CSS")));
    tessel_test::FakeEntryText* css = texts.last;
    BundleEntryEditor& opened = *editor->getActiveEditor();
    BundleEntry& entry = opened.getEntry();
    const std::wstring inTheWay = BundleTree::folder(BundleEntryRepository::T_Changes, L"Web", WEB);
    BundleTree::put(inTheWay, L"not a folder");
    css->type(L"{ title: \"CSS\", scope: \"source.css.mine\" }");

    EXPECT_FALSE(editor->save(opened));
    EXPECT_TRUE(opened.isModified() && entry.isModified());
    ASSERT_EQ(1u, entry.getErrors().getTagCount(BundleError::TAG_SAVE));
    ErrorList saveErrors;
    entry.getErrors().getErrorsWithTags(pel::Tags<unsigned int>(BundleError::TAG_SAVE), &saveErrors);
    const std::wstring said = saveErrors.getFirst()->getMessage();
    EXPECT_EQ(0u, said.find(L"Cannot save `" + opened.getFilePath() + L"`: ")) << said;
    EXPECT_TRUE(std::any_of(opened.getProblems().begin(), opened.getProblems().end(),
                            [&](const BundleEntryEditor::ProblemRow& row) { return row.second == said; }))
        << "the failed write shows under the text";
    answers = {BundleEditor::RESULT_SAVE};
    EXPECT_FALSE(editor->closeAllItems());
    ASSERT_EQ(1u, editor->getEditors().size());
    EXPECT_EQ(1u, entry.getErrors().getTagCount(BundleError::TAG_SAVE));

    ASSERT_TRUE(pel::FileIO::deleteFile(inTheWay.c_str()));
    const BundleEntryPtr kept(&entry);
    answers = {BundleEditor::RESULT_SAVE};
    EXPECT_TRUE(editor->closeAllItems());
    EXPECT_TRUE(editor->getEditors().empty());
    EXPECT_EQ(2u, questions.size());
    EXPECT_EQ(0u, kept->getErrors().getTagCount(BundleError::TAG_SAVE));
    EXPECT_FALSE(kept->isModified());
    const std::wstring written = kept->getSource()->getPath(BundleEntryRepository::T_Changes).getDevicePath();
    EXPECT_NE(std::wstring::npos, BundleTree::savedText(written).find(L"source.css.mine"));
}

// A reload, an enabled item (which loads everything anew) and a new entry's first save each fill
// the tree again, over a moment without bundles: what the user had open stays open.
TEST_F(BundleEditorTest, TheExpandedNodesAndTheSelectionOutliveEveryRefillOfTheTree) {
    afControlTree& view = *editor->getTree();
    for (const wchar_t* path : {L"Web", L"Web\\Grammars", L"alpha"})
        view.expandItem(editor->findNode(path), true);
    view.selectItem(editor->findNode(L"Web\\Grammars\\HTML"));
    const std::wstring opened = L"\\alpha \\Web \\Web\\Grammars |\\Web\\Grammars\\HTML";
    ASSERT_EQ(opened, openNodes());

    ASSERT_TRUE(manager->reload());
    EXPECT_EQ(0, view.getItemCount()) << "the bundles are gone while they load";
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{CSS|HTML}|Snippets{Tag}}", tree());
    EXPECT_EQ(opened, openNodes()) << "after a reload";
    EXPECT_FALSE(view.isShowingEmpty());

    run(L"Web\\Snippets\\Tag", L"Disable");
    view.selectItem(editor->findNode(L"Web\\Grammars\\HTML"));
    run(L"Web\\Snippets\\Tag (disabled)", L"Enable");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
    EXPECT_EQ(opened, openNodes()) << "after an item was enabled";

    // A new grammar joins the tree with its first save; the node it was made from stays open.
    grammars().editorFactory = &BundleEntrySourceEditor::create;
    run(L"Web\\Grammars\\HTML", L"New Grammar");
    ASSERT_EQ(1u, editor->getEditors().size());
    BundleEntryEditor& made = *editor->getEditors()[0];
    view.selectItem(editor->findNode(L"Web\\Grammars\\HTML"));
    texts.last->type(L"{ title: \"New Grammar\" }");
    ASSERT_TRUE(editor->save(made));
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{CSS|HTML|New Grammar}|Snippets{Tag}}", tree());
    EXPECT_EQ(opened, openNodes()) << "after a new entry was saved";
}

} // namespace

// Grammar files made broken, emptied and replaced by bytes of no text: a load leaves them out,
// names each in the log with what Tessel does without it, and the tree lists them; opened, each
// shows its file's text and its problems, its line among them, and a save writes nothing over
// the file. Mended, the next load installs it.
TEST_F(BundleEditorTest, AnEntryWhoseFileCannotBeReadIsLeftOutNamedAndListedWithItsProblems) {
    const std::wstring broken = L"{ title: 'Broken \u00e9'\n  patterns: [ { match: /a/ } }";
    std::wstring noise;
    for (int i = 0; i < 64; ++i)
        noise += static_cast<wchar_t>((i * 151 + 7) % 256);
    const std::wstring brokenPath = BundleTree::putEntry(1, L"Web", WEB, T::grammar(), L"Broken", G(5), broken);
    const std::wstring emptyPath = BundleTree::putFile(1, L"Web", WEB, T::grammar(),
                                                       L"Empty." + G(6) + L"." + T::grammar().extension, L"");
    BundleTree::putFile(1, L"Web", WEB, T::grammar(), L"Noise." + G(7) + L"." + T::grammar().extension, noise);
    tessel_test::LogCapture log;
    loadAll();
    for (const std::wstring& left : {G(5), G(6), G(7)}) {
        EXPECT_EQ(nullptr, manager->findEntry(uuid(left)));
        BundleEntry* entry = manager->findLeftOut(uuid(left));
        ASSERT_TRUE(entry);
        EXPECT_FALSE(entry->isReadable());
    }
    pel::WorkString<> emptyFile;
    ASSERT_TRUE(pel::FileIO::getFullPath(emptyPath.c_str(), &emptyFile));
    EXPECT_TRUE(log.contains(L"Bundles: `" + std::wstring(emptyFile.c_str()) +
                             L"` cannot be read: File is empty. Tessel leaves the grammar `Empty` out."))
        << "the empty file is not in the log";
    EXPECT_TRUE(log.contains(L"Tessel leaves the grammar `Noise` out."));
    EXPECT_TRUE(log.contains(L"Tessel leaves the grammar `Broken` out."));
    EXPECT_EQ(L"alpha{Themes{Dark}}|Web{Grammars{Broken (cannot be read)|CSS|Empty (cannot be read)|HTML|Noise (cannot "
              L"be read)}|Snippets{Tag}}",
              tree());

    ASSERT_TRUE(editor->activateNode(editor->findNode(L"Web\\Grammars\\Broken (cannot be read)")));
    BundleEntryEditor& opened = *editor->getActiveEditor();
    EXPECT_EQ(broken, texts.last->text) << "the file's own text";
    const auto shows = [&](const std::wstring& line, const std::wstring& part) {
        return std::any_of(opened.getProblems().begin(), opened.getProblems().end(),
                           [&](const BundleEntryEditor::ProblemRow& row) {
                               return row.first == line && row.second.find(part) != std::wstring::npos;
                           });
    };
    EXPECT_TRUE(shows(L"2", L"")) << "no problem at the broken line";
    EXPECT_TRUE(shows(L"", L"Tessel leaves the grammar `Broken` out until its file can be read: mend `"))
        << "what Tessel does without it";
    EXPECT_FALSE(editor->save(opened));
    EXPECT_EQ(std::string(broken.begin(), broken.end()), BundleTree::bytes(brokenPath)) << "the user's text was lost";

    // Mended outside, and loaded again.
    answers = {BundleEditor::RESULT_DONT_SAVE};
    BundleTree::put(brokenPath, L"{ title: 'Broken' }");
    loadAll();
    EXPECT_NE(nullptr, manager->findEntry(uuid(G(5))));
    EXPECT_EQ(nullptr, manager->findLeftOut(uuid(G(5))));
    EXPECT_NE(std::wstring::npos, tree().find(L"Broken|CSS|Empty (cannot be read)"));
}
