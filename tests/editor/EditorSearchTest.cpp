// The editor as a search target (the text a search starts with, its two scopes registered once,
// targeted at each focus gain and dropped with the editor) and the wrapper that holds it.

#include "EditorKeyTestSupport.h"
#include "components/SearchManager.h"
#include "editor/EditorWrapper.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::Editor;

namespace {

class EditorSearchTest : public EditorKeyTest {
protected:
    void SetUp() override {
        previous = SearchManager::install(&search);
        EditorKeyTest::SetUp();
    }
    void TearDown() override {
        EditorKeyTest::TearDown();
        SearchManager::install(previous);
    }
    void settle() {
        ASSERT_TRUE(pumpUntil([&] {
            MSG msg;
            return !window->isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }));
    }
    long scopesOf(const SearchSubscriber* subscriber) const {
        return std::count_if(search.getScopes().begin(), search.getScopes().end(),
                             [&](const SearchManager::Scope& scope) { return scope.subscriber == subscriber; });
    }

    SearchManager search;
    SearchManager* previous = nullptr;
};

TEST_F(EditorSearchTest, TheNewestRangeIsTheSearchTextOfTheDocumentScope) {
    std::wstring offered = L"kept";
    EXPECT_EQ(0, editor->getSearchText(Editor::SEARCH_SCOPE_DOCUMENT, offered)) << "no controller";
    attach(L"foo bar");
    EXPECT_EQ(1, editor->getSearchText(Editor::SEARCH_SCOPE_DOCUMENT, offered)) << "nothing selected";
    EXPECT_EQ(L"kept", offered);
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        tessel::DocumentController::SelectionChange bracket(*controller);
        controller->getSelection().applyRanges({{0, 3, 1}, {4, 7, 2}});
    }
    offered.clear();
    EXPECT_EQ(1, editor->getSearchText(Editor::SEARCH_SCOPE_SELECTION, offered));
    EXPECT_EQ(L"", offered);
    EXPECT_EQ(1, editor->getSearchText(Editor::SEARCH_SCOPE_DOCUMENT, offered));
    EXPECT_EQ(L"bar", offered);
}

TEST_F(EditorSearchTest, ScopesAreRegisteredOnceTargetedAtEachFocusAndDroppedWithTheEditor) {
    attach(L"text");
    Editor* other = Editor::create(window.get(), Editor::BORDER_NONE);
    for (Editor* focused : {other, static_cast<Editor*>(editor), other}) {
        ::SetFocus(focused->getHandle());
        EXPECT_EQ(focused, search.getTarget(Editor::SEARCH_SCOPE_DOCUMENT));
        EXPECT_EQ(focused, search.getTarget(Editor::SEARCH_SCOPE_SELECTION));
    }
    EXPECT_EQ(2, scopesOf(editor));
    EXPECT_EQ(2, scopesOf(other));
    EXPECT_EQ((std::vector<std::wstring>{L"Current document", L"Current selection"}), search.getScopeTitles());
    delete other;
    EXPECT_EQ(0, scopesOf(other));
    EXPECT_EQ(nullptr, search.getTarget(Editor::SEARCH_SCOPE_DOCUMENT));
}

TEST_F(EditorSearchTest, TheWrapperPutsItsStripAboveAnEditorFillingTheRest) {
    auto* wrapper = new tessel::EditorWrapper(window.get());
    window->setContentView(wrapper);
    settle();
    ASSERT_EQ(2, wrapper->getChildCount());
    EXPECT_EQ(wrapper->getStrip(), wrapper->getChildAt(0));
    EXPECT_EQ(wrapper->getEditor(), wrapper->getChildAt(1));
    EXPECT_EQ(0, wrapper->getStrip()->getFrame().height()) << "empty";
    RECT client;
    ::GetClientRect(window->getHandle(), &client);
    EXPECT_EQ(afRect(0, 0, client.right, client.bottom), wrapper->getEditor()->getFrame());
    EXPECT_TRUE(::IsWindowVisible(wrapper->getEditor()->getHandle()));
    wrapper->requestFocus();
    EXPECT_EQ(wrapper->getEditor()->getHandle(), ::GetFocus());
}

} // namespace
