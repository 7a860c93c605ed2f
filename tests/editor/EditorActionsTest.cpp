// The editor actions on their keys: Go To Line through its dialog (answered from inside its
// modal loop), Show Scope, and the grammar and snippet choosers scripted through the
// replaceable chooser.

#include "EditorBundlesTestSupport.h"
#include "EditorKeyTestSupport.h"
#include "afw/action/afActionChooser.h"
#include "afw/control/afControlEdit.h"
#include "components/Hint.h"
#include "components/StringDialog.h"

#include <future>
#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    auto* dialog = dynamic_cast<StringDialog*>(afViewPlatform::getWidget(window));
    if (dialog)
        *reinterpret_cast<StringDialog**>(found) = dialog;
    return dialog ? FALSE : TRUE;
}

class EditorActionsTest : public EditorKeyTest {
protected:
    void SetUp() override {
        EditorKeyTest::SetUp();
        bundles.reset(new FakeBundles(controller));
        probe.build();
    }
    void TearDown() override {
        afSetActionChooser(nullptr);
        ::DestroyWindow(probe.getHandle());
        bundles.reset();
        EditorKeyTest::TearDown();
    }
    // Ctrl+G; the probe, posted until the dialog's loop runs, notes what it shows, lets a worker
    // take the document lock, types the input over the selected text and presses Enter (null:
    // Escape).
    void goToLine(const wchar_t* input) {
        shown.clear();
        probe.onMessage = [this, input](UINT) {
            StringDialog* dialog = nullptr;
            ::EnumThreadWindows(::GetCurrentThreadId(), &findDialog, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) {
                ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
                return;
            }
            DWORD from = 0, to = 0;
            HWND edit = dialog->getEdit()->getHandle();
            ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
            std::future<void> worker = std::async(std::launch::async, [&] {
                document->lock();
                document->unlock();
            });
            const bool unlocked = worker.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
            shown = {dialog->getLabel(), dialog->getTitle(), dialog->getInputText(),
                     std::to_wstring(from) + L"-" + std::to_wstring(to), unlocked ? L"unlocked" : L"locked"};
            if (input)
                ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(input));
            setKeyboardKeys({}); // Ctrl of Ctrl+G let go
            ::PostMessageW(edit, WM_KEYDOWN, input ? VK_RETURN : VK_ESCAPE, 1);
        };
        ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
        press('G', {VK_CONTROL});
    }
    // The next chooser picks the title (empty: cancels) and notes the titles offered.
    void chooseWith(const std::wstring& title) {
        afSetActionChooser([this, title](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
            afActionChoice choice;
            choice.result = pel::crc32Literal(title.empty() ? "cancel" : "ok");
            for (offered.clear(); offered.size() < candidates.size();) {
                if (candidates[offered.size()].action->getTitle() == title)
                    choice.row = static_cast<int>(offered.size());
                offered.push_back(candidates[offered.size()].action->getTitle());
            }
            return choice;
        });
    }
    size_t actionCount() const { return afApp::getActionRegistry()->getActions().size(); }

    std::vector<std::wstring> shown;
    Recording<afTestWindow> probe;
    std::unique_ptr<FakeBundles> bundles;
    std::vector<std::wstring> offered;
};

TEST_F(EditorActionsTest, GoToLineMovesOnlyForANumberInRange) {
    attach(numberedLines(50));
    const struct {
        const wchar_t* input;
        int32_t line, offset;
    } cases[] = {{L"0", 4, 2},  {L"", 4, 2},       {L"51", 4, 2},   {L"abc", 4, 2},
                 {L"-1", 4, 2}, {nullptr, 4, 2}, {L"50", 49, 0}, {L"12abc", 11, 0}};
    for (const auto& c : cases) {
        place(4, 2);
        goToLine(c.input);
        EXPECT_EQ((std::vector<std::wstring>{L"Line number: (1 - 50)", L"Go to line", L"5", L"0-1", L"unlocked"}),
                  shown);
        EXPECT_EQ(std::make_pair(c.line, c.offset), std::make_pair(caret().line, caret().lineOffset))
            << (c.input ? c.input : L"(cancel)");
    }
    EXPECT_LE(editor->getTop().line, 11);
    EXPECT_GE(editor->getBottom().line, 11) << "the caret's line is shown";
}

TEST_F(EditorActionsTest, ShowScopeListsOneLinePerSegment) {
    attach(L"text");
    press('P', {VK_CONTROL});
    tessel::ScopePath scope;
    controller->getCaretScope(scope);
    std::vector<std::wstring> segments;
    for (size_t i = 0; i < scope.size(); ++i)
        segments.emplace_back(scope.segment(i).text, scope.segment(i).length);
    EXPECT_FALSE(segments.empty());
    EXPECT_EQ(segments, editor->getHintPopup()->getLines());
    EXPECT_TRUE(::IsWindowVisible(editor->getHintPopup()->getHandle()));
}

TEST_F(EditorActionsTest, TheChoosersOfferTheirEntriesAndApplyThePickedOne) {
    attach(L"");
    bundles->addGrammar(L"Python", L"source.python");
    bundles->addGrammar(L"C", L"source.c");
    bundles->addGrammar(L"Awk", L"source.awk");
    // Without a grammar the caret's scope is the root scope "none".
    bundles->addSnippet(L"{title: 'Tag' scope: 'none' content: '<$1>$0'}");
    bundles->addSnippet(L"{title: 'Python' scope: 'source.python' content: 'def'}");
    bundles->addSnippet(L"{title: 'Anywhere' content: 'any'}");
    const size_t before = actionCount();
    chooseWith(L"");
    press('G', {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(L"", controller->getGrammarName()) << "cancelled";
    chooseWith(L"Tag");
    press(VK_SPACE, {VK_CONTROL});
    EXPECT_EQ((std::vector<std::wstring>{L"Anywhere", L"Tag"}), offered);
    EXPECT_EQ(L"<>", text());
    EXPECT_EQ(1, controller->getCaretOffset()) << "on the first tab stop";
    chooseWith(L"Python");
    press('G', {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ((std::vector<std::wstring>{L"Awk", L"C", L"Python"}), offered);
    EXPECT_EQ(L"source.python", controller->getGrammarName());
    EXPECT_EQ(before, actionCount()) << "the choosers' actions are gone";
}

} // namespace
