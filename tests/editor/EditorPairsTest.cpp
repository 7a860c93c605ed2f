// Paired characters typed through WM_CHAR: inserting, stepping over and wrapping, pairs out of
// their scope or uninstalled, undo and redo of a pair with its span, the pair's names.

#include "EditorKeyTestSupport.h"
#include "bundles/preferences/PairedCharacterAction.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::PairedCharacterAction;

namespace {

class EditorPairsTest : public EditorKeyTest {
protected:
    void TearDown() override {
        removePairs();
        EditorKeyTest::TearDown();
    }
    void addPair(wchar_t open, wchar_t close, const wchar_t* selector = L"ui.editor", bool block = false) {
        for (PairedCharacterAction* action : tessel::registerPairedCharacter(selector, {open, close, block}))
            pairs.push_back(action);
    }
    void removePairs() {
        for (afAction* action : pairs)
            afUnregisterAction(afApp::getActionRegistry(), action);
        pairs.clear();
    }
    void type(const std::wstring& characters) { typeKeys(characters); }
    int32_t caretOffset() { return controller->getCaretOffset(); }
    // What is typed, the text after it and where the caret stands then.
    struct Step {
        const wchar_t* typed;
        const wchar_t* text;
        int32_t caret;
    };
    void typeSteps(const std::vector<Step>& steps) {
        for (size_t i = 0; i < steps.size(); ++i) {
            type(steps[i].typed);
            EXPECT_EQ(steps[i].text, text()) << "step " << i;
            EXPECT_EQ(steps[i].caret, caretOffset()) << "step " << i;
        }
    }

    std::vector<afAction*> pairs;
};

// The close action steps over only right before the inserted partner (also after text typed
// inside, and after undo and redo, which bring the pair's span back with its text); quotes
// step over their partner and elsewhere open a pair.
TEST_F(EditorPairsTest, TheClosingCharacterStepsOverTheInsertedPartner) {
    attach(L"");
    addPair(L'(', L')');
    addPair(L'"', L'"');
    typeSteps({{L"(", L"()", 1},         {L"a", L"(a)", 2},          {L")", L"(a)", 3},
               {L")", L"(a))", 4},       {L"((", L"(a))(())", 6},    {L"))", L"(a))(())", 8},
               {L"\"", L"(a))(())\"\"", 9}, {L"\"", L"(a))(())\"\"", 10}, {L"\"", L"(a))(())\"\"\"\"", 11}});
    load(L"");
    type(L"(");
    // Through the controller: a consumed key would swallow the next typed character.
    controller->undo();
    EXPECT_EQ(L"(", text()) << "one undo takes the closing character only";
    controller->redo();
    type(L")");
    EXPECT_EQ(L"()", text());
    EXPECT_EQ(2, caretOffset()) << "redo brought the pair's span back";
}

TEST_F(EditorPairsTest, SelectedRangesAreWrappedAndStaySelected) {
    attach(L"abc def");
    addPair(L'(', L')');
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        tessel::DocumentController::SelectionChange bracket(*controller);
        controller->getSelection().applyRanges({{0, 3, 1}, {7, 4, 2}}); // the second backward
    }
    type(L"(");
    EXPECT_EQ(L"(abc) (def)", text());
    const std::vector<tessel::SelectionRange>& ranges = controller->getSelection().getRanges();
    ASSERT_EQ(2u, ranges.size());
    EXPECT_EQ(std::make_pair(1, 4), std::make_pair(ranges[0].start, ranges[0].end));
    EXPECT_EQ(std::make_pair(10, 7), std::make_pair(ranges[1].start, ranges[1].end));
    controller->undo();
    EXPECT_EQ(L"abc def", text()) << "one undo step";
}

TEST_F(EditorPairsTest, OutOfScopeOrUninstalledPairsTypePlainCharacters) {
    attach(L"");
    addPair(L'(', L')', L"source.c");
    type(L"()");
    EXPECT_EQ(L"()", text());
    EXPECT_EQ(2, caretOffset()) << "both typed";
    removePairs();
    addPair(L'(', L')');
    removePairs();
    type(L"(");
    EXPECT_EQ(L"()(", text()) << "the triggers left with the actions";
    addPair(L'{', L'}', L"source.c", true);
    const auto* open = static_cast<PairedCharacterAction*>(pairs[0]);
    EXPECT_EQ(L"document.context.char_pair.block.7b7d source.c", open->getName());
    EXPECT_EQ(L"document.context.char_pair.block.7b7d", open->spanName());
    EXPECT_EQ(L"<PairedCharacterAction>", open->getTitle());
    EXPECT_EQ(PairedCharacterAction::TYPE, open->getType());
}

// Quotes whose selector leaves out what they enclose (strings, as the shipped languages' do):
// typed before the closing quote they inserted they still step over it; anywhere else inside
// those quotes, around other pairs too, they are text; out of them they pair again.
TEST_F(EditorPairsTest, QuotesLeftOutOfTheirInsidesStillStepOverTheirPartner) {
    attach(L"");
    addPair(L'"', L'"', L"ui.editor - document.context.char_pair.2222");
    addPair(L'(', L')');
    typeSteps({{L"\"", L"\"\"", 1},          {L"ab", L"\"ab\"", 3},        {L"\"", L"\"ab\"", 4},
               {L"\"", L"\"ab\"\"\"", 5},      {L"(", L"\"ab\"\"()\"", 6},   {L"\"", L"\"ab\"\"(\")\"", 7},
               {L")", L"\"ab\"\"(\")\"", 8},   {L"\"", L"\"ab\"\"(\")\"", 9}, {L"\"", L"\"ab\"\"(\")\"\"\"", 10}});
    // Inside the quotes, before another character than the closing one.
    type(L"x");
    press(VK_LEFT);
    type(L"\"");
    EXPECT_EQ(L"\"ab\"\"(\")\"\"\"x\"", text());
}

TEST_F(EditorPairsTest, BackspaceAndEnterInAFreshPair) {
    attach(L"");
    controller->setIndentation(4, true);
    addPair(L'(', L')');
    type(L"(");
    press(VK_BACK);
    EXPECT_EQ(L"", text()) << "Backspace took both";
    type(L"(");
    press(VK_RETURN);
    EXPECT_EQ(L"(\n    \n)", text());
    EXPECT_EQ(1, caret().line);
    EXPECT_EQ(4, caret().lineOffset);
}

} // namespace
