#pragma once
// The search scopes the search user interface offers ("Current document", "Current selection")
// and which subscriber each one targets now. Editors register their scopes and activate them
// when they take the focus, and remove them all when they go, so no scope ever names a deleted
// subscriber. One manager is installed for the process (the shell's; tests install their own).

#include "components/SearchSubscriber.h"

#include <cstdint>
#include <string>
#include <vector>

class SearchManager {
public:
    static constexpr uint32_t SCOPE_DOCUMENT = 0xD92B7198;  // "Current document"
    static constexpr uint32_t SCOPE_SELECTION = 0xD1168153; // "Current selection"

    struct Scope {
        uint32_t id;
        std::wstring title;
        SearchSubscriber* subscriber;
    };

    // The installed manager, or null; install returns the previous one (the caller keeps
    // ownership of both).
    static SearchManager* get();
    static SearchManager* install(SearchManager* manager);

    SearchManager() = default;
    SearchManager(const SearchManager&) = delete;
    SearchManager& operator=(const SearchManager&) = delete;

    // Whether the subscriber has a scope here.
    bool isRegistered(const SearchSubscriber* subscriber) const;
    // A null subscriber is refused (false); the same id and subscriber twice keep one scope.
    bool addScope(uint32_t id, const std::wstring& title, SearchSubscriber* subscriber);
    // Makes the subscriber the scope's target (active) or stops it being the target (not
    // active). Refused (false) when the subscriber has no scope of that id.
    bool setScopeTarget(uint32_t id, SearchSubscriber* subscriber, bool active);
    // Drops every scope and target that names the subscriber.
    void removeScopes(const SearchSubscriber* subscriber);

    // The scope's current target; null when none.
    SearchSubscriber* getTarget(uint32_t id) const;
    const std::vector<Scope>& getScopes() const { return m_scopes; }
    // The scope titles, each once, in the order first registered: what a scope chooser lists.
    std::vector<std::wstring> getScopeTitles() const;

private:
    struct Target {
        uint32_t id;
        SearchSubscriber* subscriber;
    };

    std::vector<Scope> m_scopes;
    std::vector<Target> m_targets;
};
