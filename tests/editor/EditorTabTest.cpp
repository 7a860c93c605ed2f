// Tab and Escape in the editor: indenting a selection, tab triggers (the word goes in a new
// undo step, the chooser runs with no document lock held), indentation as the fallback.

#include "EditorKeyTestSupport.h"
#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/support/TestActions.h"
#include "support/WatchedHeap.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

class EditorTabTest : public EditorKeyTest {
protected:
    void SetUp() override {
        EditorKeyTest::SetUp();
        tabs.reset(new afActionInvokerTab(afApp::getActionRegistry()));
        afRegisterInvoker(tabs.get(), afApp::getActionRegistry(), AF_ACTION_KIND_TAB_TRIGGER);
        handler.reset(new CountingHandler(afApp::getActionRegistry()));
        handler->step = [this](afActionEvent& event) {
            if (auto* tab = dynamic_cast<afActionEventTab*>(&event))
                words.push_back(tab->text);
            textsAtRun.push_back(text());
        };
        handler->answer = true;
        ::SetFocus(editor->getHandle());
    }
    void TearDown() override {
        afSetActionChooser(nullptr);
        afRemoveInvoker(afApp::getActionRegistry(), tabs.get());
        tabs.reset();
        handler.reset();
        EditorKeyTest::TearDown();
    }
    void addTrigger(const wchar_t* id, const wchar_t* word, const wchar_t* selector = L"ui.editor") {
        afAction* action = afRegisterAction(afApp::getActionRegistry(),
                                            new CountedAction(handler->getActionContext(), id, selector));
        afAddTabTrigger(word, tabs.get(), action);
    }
    // Two actions under the trigger "fn", the caret after "x = fn".
    void twoTriggersAfterWord() {
        attach(L"");
        addTrigger(L"test.fn.a", L"fn");
        addTrigger(L"test.fn.b", L"fn");
        typeAtEnd(L"x = fn");
    }
    static afActionChoice choice(const char* result, int row) {
        afActionChoice made;
        made.result = pel::crc32Literal(result);
        made.row = row;
        return made;
    }
    void typeAtEnd(const std::wstring& all) {
        load(all);
        controller->setIndentation(4, true);
        place(0, static_cast<int32_t>(all.size()));
    }

    std::unique_ptr<afActionInvokerTab> tabs;
    std::unique_ptr<CountingHandler> handler;
    std::vector<std::wstring> words;
    std::vector<std::wstring> textsAtRun;
};

TEST_F(EditorTabTest, TabIndentsAndShiftTabUnindentsASelection) {
    attach(L"a\nb");
    controller->setIndentation(4, true);
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(1, 1), TextPosition(0, 0), 0, tessel::selection_ids::NORMAL);
    }
    press(VK_TAB);
    EXPECT_EQ(L"    a\n    b", text());
    press(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(L"a\nb", text());
}

TEST_F(EditorTabTest, ATriggerWordGoesInItsOwnUndoStepBeforeItsActionRuns) {
    attach(L"");
    addTrigger(L"test.fn", L"fn");
    typeAtEnd(L"x = fn");
    press(VK_TAB);
    EXPECT_EQ((std::vector<std::wstring>{L"fn"}), words);
    EXPECT_EQ((std::vector<std::wstring>{L"x = "}), textsAtRun) << "the word is gone when the action runs";
    press('Z', {VK_CONTROL});
    EXPECT_EQ(L"x = fn", text());
    typeAtEnd(L"myfn");
    press(VK_TAB);
    EXPECT_EQ(1u, words.size()) << "no trigger inside a word";
    EXPECT_EQ(L"myfn    ", text());
}

TEST_F(EditorTabTest, ATriggerEndingALongLineExpandsAsOnAShortOneFromTheWordBeforeTheCaretAlone) {
    attach(L"");
    addTrigger(L"test.fn", L"fn");
    std::wstring line;
    while (line.size() < (4u << 20))
        line += L"word ";
    typeAtEnd(line + L"x = fn");
    // The fixture's own copy of the text at the run stays out of the count.
    handler->step = [this](afActionEvent& event) { words.push_back(static_cast<afActionEventTab&>(event).text); };
    {
        LargestAllocation largest;
        press(VK_TAB);
        EXPECT_LT(largest.bytes(), 1u << 20) << "the line was copied";
    }
    EXPECT_EQ((std::vector<std::wstring>{L"fn"}), words);
    EXPECT_EQ(line + L"x = ", text());
    // After a letter beyond the basic plane the word starts inside a word: no trigger, a tab.
    const std::wstring inside = line + L"\xD835\xDC00" L"fn";
    typeAtEnd(inside);
    press(VK_TAB);
    EXPECT_EQ(1u, words.size());
    EXPECT_EQ(inside + std::wstring(4 - inside.size() % 4, L' '), text());
}

TEST_F(EditorTabTest, ATriggerBoundToTheLanguageAtTheCaretExpandsThereOnly) {
    attach(L"");
    // The document's own scope, as a grammar names it (a snippet's "source.c").
    const std::wstring language = document->getScopeAt(0)->name();
    ASSERT_FALSE(language.empty());
    addTrigger(L"test.here", L"fn", language.c_str());
    addTrigger(L"test.elsewhere", L"fn", L"source.elsewhere");
    typeAtEnd(L"x = fn");
    press(VK_TAB);
    ASSERT_EQ(1u, handler->ran.size()) << "no chooser: the other language's trigger does not tie";
    EXPECT_EQ(L"test.here", handler->ran[0]->getName());
    EXPECT_EQ(L"x = ", text());
}

TEST_F(EditorTabTest, TheChooserRunsWithTheDocumentUnlocked) {
    twoTriggersAfterWord();
    bool workerLocked = false;
    afSetActionChooser([&](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
        // A loader thread taking the document lock must not wait for the chooser.
        std::future<void> worker = std::async(std::launch::async, [&] {
            document->lock();
            document->unlock();
        });
        workerLocked = worker.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        return choice("ok", candidates.size() == 2 ? 1 : -1);
    });
    press(VK_TAB);
    EXPECT_TRUE(workerLocked) << "the document lock was held across the chooser";
    ASSERT_EQ(1u, handler->ran.size());
    EXPECT_EQ(L"test.fn.b", handler->ran[0]->getName()) << "the chosen one runs";
    EXPECT_EQ(L"x = ", text());
}

TEST_F(EditorTabTest, ACancelledChooserConsumesTab) {
    twoTriggersAfterWord();
    afSetActionChooser([](afViewPlatform*, const std::vector<afActionCandidate>&) { return choice("cancel", -1); });
    press(VK_TAB);
    EXPECT_TRUE(words.empty());
    EXPECT_EQ(L"x = fn", text());
}

} // namespace
