#include "components/SearchDialog.h"

#include "components/SearchManager.h"

#include "afw/control/afControlCheckBox.h"
#include "afw/control/afControlComboBox.h"
#include "afw/control/afControlEdit.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindow.h"
#include "components/OwnerWindowTest.h"

#include <gtest/gtest.h>

#include <memory>

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

    std::unique_ptr<SearchDialog> dialog;
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
