#include "components/SearchManager.h"

#include <gtest/gtest.h>

namespace {

class FakeEditor : public SearchSubscriber {
public:
    bool ssOnAction(const tessel::SearchActionRecord&, uint32_t, bool) override { return true; }
    int getSearchText(uint32_t, std::wstring&) override { return 1; }
    void focus() override {}
};

void registerBoth(SearchManager& manager, FakeEditor& editor) {
    EXPECT_TRUE(manager.addScope(SearchManager::SCOPE_DOCUMENT, L"Current document", &editor));
    EXPECT_TRUE(manager.addScope(SearchManager::SCOPE_SELECTION, L"Current selection", &editor));
}

TEST(SearchManager, RemovingAnEditorLeavesOnlyTheOthersScopesAndTargets) {
    SearchManager manager;
    FakeEditor first, second;
    EXPECT_FALSE(manager.isRegistered(&first));
    registerBoth(manager, first);
    registerBoth(manager, second);
    registerBoth(manager, second); // again: still one scope each
    EXPECT_EQ(4u, manager.getScopes().size());
    EXPECT_EQ((std::vector<std::wstring>{L"Current document", L"Current selection"}), manager.getScopeTitles());
    EXPECT_TRUE(manager.setScopeTarget(SearchManager::SCOPE_DOCUMENT, &first, true));
    EXPECT_TRUE(manager.setScopeTarget(SearchManager::SCOPE_SELECTION, &first, true));
    EXPECT_TRUE(manager.setScopeTarget(SearchManager::SCOPE_SELECTION, &second, true));
    EXPECT_EQ(&second, manager.getTarget(SearchManager::SCOPE_SELECTION));
    // The older target stepping down leaves the newer one in place.
    EXPECT_TRUE(manager.setScopeTarget(SearchManager::SCOPE_SELECTION, &first, false));
    EXPECT_EQ(&second, manager.getTarget(SearchManager::SCOPE_SELECTION));

    manager.removeScopes(&first);
    EXPECT_FALSE(manager.isRegistered(&first));
    EXPECT_TRUE(manager.isRegistered(&second));
    ASSERT_EQ(2u, manager.getScopes().size());
    for (const SearchManager::Scope& scope : manager.getScopes())
        EXPECT_EQ(&second, scope.subscriber);
    EXPECT_EQ(nullptr, manager.getTarget(SearchManager::SCOPE_DOCUMENT)) << "the removed editor's target went with it";
    EXPECT_FALSE(manager.setScopeTarget(SearchManager::SCOPE_DOCUMENT, &first, true)) << "a removed subscriber";
    EXPECT_EQ(nullptr, manager.getTarget(SearchManager::SCOPE_DOCUMENT));
    EXPECT_FALSE(manager.addScope(SearchManager::SCOPE_DOCUMENT, L"Current document", nullptr));
}

} // namespace
