#include "components/SearchDialog.h"

#include "components/SearchManager.h"

#include "afw/control/afControlButton.h"
#include "afw/control/afControlCheckBox.h"
#include "afw/control/afControlComboBox.h"
#include "afw/control/afControlEdit.h"
#include "afw/control/afLabel.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindow.h"
#include "components/OwnerWindowTest.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tessel_test;

namespace {

class Target : public SearchSubscriber {
public:
    bool ssOnAction(const tessel::SearchActionRecord&, uint32_t, bool) override { return false; }
    int getSearchText(uint32_t, std::wstring&) override { return 0; }
    void focus() override {}
};

class SearchDialogTest : public OwnerWindowTest {
protected:
    void releaseDialog() override { dialog.reset(); }
    void open(SearchDialog::Mode mode, const tessel::SearchParameters& values) {
        dialog.reset(SearchDialog::create(&owner, mode, values, scopes));
    }
    static void type(afControlEdit* edit, const wchar_t* text) {
        ::SendMessageW(edit->getHandle(), EM_SETSEL, 0, -1);
        for (; *text; ++text)
            ::PostMessageW(edit->getHandle(), WM_CHAR, *text, 1);
    }

    // A runner that notes each command with the find text it got and answers `answer`.
    void runWith(const SearchOutcome& answer) {
        dialog->setRunner([this, answer](SearchCommand command, const tessel::SearchParameters& values) {
            ran.emplace_back(command, values.findText);
            return answer;
        });
    }
    void click(SearchCommand command) {
        afControlButton* button = dialog->getCommandButton(command);
        ASSERT_NE(nullptr, button);
        button->click();
        tessel_test::dispatchPending();
    }

    std::unique_ptr<SearchDialog> dialog;
    std::vector<std::pair<SearchCommand, std::wstring>> ran;
    const SearchDialog::ScopeList scopes = {{SearchManager::SCOPE_DOCUMENT, L"Current document"},
                                            {SearchManager::SCOPE_SELECTION, L"Current selection"}};
};

TEST(SearchDialogScopes, EachScopeIsListedOnceInTheOrderFirstRegistered) {
    SearchManager manager;
    Target first, second;
    for (Target* target : {&first, &second}) {
        manager.addScope(SearchManager::SCOPE_SELECTION, L"Current selection", target);
        manager.addScope(SearchManager::SCOPE_DOCUMENT, L"Current document", target);
    }
    const SearchDialog::ScopeList expected = {{SearchManager::SCOPE_SELECTION, L"Current selection"},
                                              {SearchManager::SCOPE_DOCUMENT, L"Current document"}};
    EXPECT_EQ(expected, SearchDialog::scopesOf(&manager));
    EXPECT_TRUE(SearchDialog::scopesOf(nullptr).empty());
}

TEST_F(SearchDialogTest, TheFieldsShowTheValuesAndWhatTheUserSetsComesBack) {
    tessel::SearchParameters values;
    values.findText = L"local";
    values.replaceText = L"remote";
    values.wholeWord = true;
    values.scope = SearchManager::SCOPE_SELECTION;
    open(SearchDialog::REPLACE, values);
    EXPECT_EQ(L"Replace", dialog->getText());
    EXPECT_EQ(L"local", dialog->getFindEdit()->getText());
    EXPECT_EQ(L"remote", dialog->getReplaceEdit()->getText());
    EXPECT_FALSE(dialog->getMatchCaseBox()->isChecked());
    EXPECT_TRUE(dialog->getWholeWordBox()->isChecked());
    EXPECT_FALSE(dialog->getRegexBox()->isChecked());
    EXPECT_EQ(1, dialog->getScopeBox()->getSelection());

    type(dialog->getFindEdit(), L"lo(c)al");
    type(dialog->getReplaceEdit(), L"$1");
    dialog->getMatchCaseBox()->toggle();
    dialog->getWholeWordBox()->toggle();
    dialog->getRegexBox()->toggle();
    dialog->getScopeBox()->setSelection(0);
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_EQ(afWindow::RESULT_OK, dialog->showModal()) << "Enter takes Replace All";
    const tessel::SearchParameters& got = dialog->getValues();
    EXPECT_EQ(L"lo(c)al", got.findText);
    EXPECT_EQ(L"$1", got.replaceText);
    EXPECT_TRUE(got.matchCase);
    EXPECT_FALSE(got.wholeWord);
    EXPECT_TRUE(got.regex);
    EXPECT_EQ(SearchManager::SCOPE_DOCUMENT, got.scope.getHash());
}

TEST_F(SearchDialogTest, TheFindDialogHasNoReplacementAndEscapeCancelsKeepingTheText) {
    tessel::SearchParameters values;
    values.scope = 0x1234; // none of the scopes: the first is chosen
    open(SearchDialog::FIND, values);
    EXPECT_EQ(L"Find", dialog->getText());
    EXPECT_EQ(nullptr, dialog->getReplaceEdit());
    EXPECT_EQ(0, dialog->getScopeBox()->getSelection());
    type(dialog->getFindEdit(), L"x");
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    EXPECT_EQ(L"x", dialog->getValues().findText);
    EXPECT_EQ(SearchManager::SCOPE_DOCUMENT, dialog->getValues().scope.getHash());
}

} // namespace

namespace {

using Ran = std::vector<std::pair<SearchCommand, std::wstring>>;

// The replace dialog's Find Next and Replace run with the values shown and leave it open,
// saying in it what they did; Replace All, the default, runs and closes it.
TEST_F(SearchDialogTest, TheReplaceDialogsFindNextAndReplaceRunWhileItStaysOpen) {
    tessel::SearchParameters values;
    values.findText = L"a";
    open(SearchDialog::REPLACE, values);
    SearchOutcome notFound;
    notFound.message = L"Not found";
    runWith(notFound);
    const int32_t height = dialog->getClientRect().height();
    click(SearchCommand::FIND_NEXT);
    EXPECT_EQ(L"Not found", dialog->getMessage());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return dialog->getClientRect().height() > height; }))
        << "the dialog did not grow to show the message";
    EXPECT_GT(dialog->getTextLabel()->getFrame().height(), 0);
    click(SearchCommand::REPLACE);
    EXPECT_NE(nullptr, dialog->getHandle()) << "Replace closed the dialog";
    EXPECT_EQ((Ran{{SearchCommand::FIND_NEXT, L"a"}, {SearchCommand::REPLACE, L"a"}}), ran);

    runWith(SearchOutcome());
    click(SearchCommand::FIND_NEXT);
    EXPECT_EQ(L"", dialog->getMessage()) << "a match found says nothing";
    type(dialog->getFindEdit(), L"b");
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_EQ(afWindow::RESULT_OK, dialog->showModal()) << "Enter takes Replace All, which closes";
    EXPECT_EQ((Ran{{SearchCommand::FIND_NEXT, L"a"}, {SearchCommand::REPLACE, L"a"}, {SearchCommand::FIND_NEXT, L"a"},
                   {SearchCommand::REPLACE_ALL, L"b"}}),
              ran);
}

// Values the runner refuses keep the dialog open with the reason in it, whatever the command:
// the find dialog's Find Next would close it otherwise.
TEST_F(SearchDialogTest, ARefusedPatternKeepsTheDialogOpenSayingWhy) {
    tessel::SearchParameters values;
    values.findText = L"count_words(";
    values.regex = true;
    open(SearchDialog::FIND, values);
    EXPECT_EQ(nullptr, dialog->getCommandButton(SearchCommand::REPLACE));
    SearchOutcome refused;
    refused.message = L"The regular expression is not valid: missing )";
    refused.refused = true;
    runWith(refused);
    // Enter runs Find Next, which the runner refuses; Escape then cancels the dialog still open.
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    EXPECT_EQ((Ran{{SearchCommand::FIND_NEXT, L"count_words("}}), ran);

    open(SearchDialog::REPLACE, values);
    runWith(refused);
    click(SearchCommand::REPLACE_ALL);
    EXPECT_EQ(refused.message, dialog->getMessage());
    EXPECT_TRUE(::IsWindow(dialog->getHandle())) << "Replace All closed the dialog";

    // Without a runner each command closes it.
    open(SearchDialog::REPLACE, values);
    ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(afWindow::RESULT_OK, dialog->showModal());
}

// A view for a failure message: its text and its rectangle.
std::string describe(afView* view, const afRect& rect) {
    std::wstring text;
    if (const auto* label = dynamic_cast<afLabel*>(view))
        text = label->getText();
    else if (!view->isVirtual())
        text = static_cast<afViewPlatform*>(view)->getText();
    return "\"" + std::string(text.begin(), text.end()) + "\" (" + std::to_string(rect.left) + "," +
           std::to_string(rect.top) + " - " + std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ")";
}

// What the user sees of the dialog: its controls (their windows) and its windowless leaves
// (labels), each visible one with its rectangle in the dialog's client coordinates.
void collectLeaves(afWindow& dialog, afView* view, std::vector<std::pair<afView*, afRect>>& o_leaves) {
    if (!view->isVisible())
        return;
    if (!view->isVirtual()) {
        RECT shown;
        ::GetWindowRect(static_cast<afViewPlatform*>(view)->getHandle(), &shown);
        ::MapWindowPoints(nullptr, dialog.getHandle(), reinterpret_cast<POINT*>(&shown), 2);
        o_leaves.emplace_back(view, afRect(shown));
        return;
    }
    if (view->getChildCount() > 0) {
        for (int i = 0; i < view->getChildCount(); ++i)
            collectLeaves(dialog, view->getChildAt(i), o_leaves);
        return;
    }
    afRect frame = view->getFrame();
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    dialog.offsetDescendantRect(view->getParent(), frame);
    o_leaves.emplace_back(view, frame);
}

// Checks the dialog's layout as shown: no control or label overlaps another (the message
// included), each label is as tall as its text needs at its width, and all lie inside the client
// area.
void expectEveryViewWhole(SearchDialog& dialog) {
    std::vector<std::pair<afView*, afRect>> leaves;
    collectLeaves(dialog, dialog.getContentView(), leaves);
    const afRect client = dialog.getClientRect();
    EXPECT_TRUE(std::any_of(leaves.begin(), leaves.end(),
                            [&](const auto& leaf) { return leaf.first == dialog.getTextLabel(); }))
        << "the message is not laid out";
    HDC dc = ::GetDC(dialog.getHandle());
    for (size_t i = 0; i < leaves.size(); ++i) {
        const afRect& a = leaves[i].second;
        EXPECT_TRUE(a.left >= client.left && a.top >= client.top && a.right <= client.right &&
                    a.bottom <= client.bottom)
            << describe(leaves[i].first, a) << " leaves the client area";
        if (auto* label = dynamic_cast<afLabel*>(leaves[i].first)) {
            RECT needed = {0, 0, a.width(), 0};
            HGDIOBJ previous = ::SelectObject(dc, label->getFont());
            ::DrawTextW(dc, label->getText().c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            ::SelectObject(dc, previous);
            EXPECT_GE(a.height(), needed.bottom) << describe(label, a) << " is cut";
        }
        for (size_t j = i + 1; j < leaves.size(); ++j) {
            const afRect& b = leaves[j].second;
            const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
            EXPECT_FALSE(overlap) << describe(leaves[i].first, a) << " overlaps " << describe(leaves[j].first, b);
        }
    }
    ::ReleaseDC(dialog.getHandle(), dc);
}

// The dialog under the timer's check, and whether the check ran.
SearchDialog* s_checked = nullptr;
bool s_checkRan = false;

// Once the dialog shows its message and its layout is done, checks it and closes it.
void CALLBACK checkOnceShown(HWND, UINT, UINT_PTR timer, DWORD) {
    SearchDialog& dialog = *s_checked;
    if (dialog.getMessage().empty() || dialog.isValidationPosted())
        return;
    ::KillTimer(nullptr, timer);
    expectEveryViewWhole(dialog);
    s_checkRan = true;
    dialog.close(afWindow::RESULT_CANCEL);
}

// A message shown takes room of its own, in the dialog as the user has it (shown modally, Enter
// pressed in the field), in both dialogs and with a message long enough to wrap.
TEST_F(SearchDialogTest, TheMessageTakesItsOwnRoomAndEveryLabelStaysWhole) {
    for (const SearchDialog::Mode mode : {SearchDialog::FIND, SearchDialog::REPLACE}) {
        for (const wchar_t* message : {L"The regular expression is not valid: mismatched parenthesis",
                                       L"The regular expression is not valid: a message long enough to need more "
                                       L"than one line of this dialog, however wide its fields are made"}) {
            tessel::SearchParameters values;
            values.findText = L"(ab";
            values.regex = true;
            open(mode, values);
            SearchOutcome refused;
            refused.message = message;
            refused.refused = true;
            runWith(refused);
            s_checked = dialog.get();
            s_checkRan = false;
            // The timer's message comes only when no other waits, so after the layout's.
            const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &checkOnceShown);
            ::PostMessageW(dialog->getFindEdit()->getHandle(), WM_KEYDOWN, VK_RETURN, 1);
            EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
            ::KillTimer(nullptr, timer);
            EXPECT_TRUE(s_checkRan) << "the message was never shown";
            dialog.reset();
        }
    }
}

} // namespace
