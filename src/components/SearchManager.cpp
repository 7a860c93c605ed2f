#include "components/SearchManager.h"

#include <algorithm>

namespace {

SearchManager* g_installed = nullptr;

} // namespace

SearchManager* SearchManager::get() {
    return g_installed;
}

SearchManager* SearchManager::install(SearchManager* manager) {
    SearchManager* previous = g_installed;
    g_installed = manager;
    return previous;
}

bool SearchManager::isRegistered(const SearchSubscriber* subscriber) const {
    return subscriber && std::any_of(m_scopes.begin(), m_scopes.end(),
                                     [&](const Scope& scope) { return scope.subscriber == subscriber; });
}

bool SearchManager::addScope(uint32_t id, const std::wstring& title, SearchSubscriber* subscriber) {
    if (!subscriber)
        return false;
    for (const Scope& scope : m_scopes)
        if (scope.id == id && scope.subscriber == subscriber)
            return true;
    m_scopes.push_back({id, title, subscriber});
    return true;
}

bool SearchManager::setScopeTarget(uint32_t id, SearchSubscriber* subscriber, bool active) {
    const bool known = std::any_of(m_scopes.begin(), m_scopes.end(), [&](const Scope& scope) {
        return scope.id == id && scope.subscriber == subscriber;
    });
    if (!known)
        return false;
    const auto target =
        std::find_if(m_targets.begin(), m_targets.end(), [&](const Target& entry) { return entry.id == id; });
    if (active) {
        if (target != m_targets.end())
            target->subscriber = subscriber;
        else
            m_targets.push_back({id, subscriber});
    } else if (target != m_targets.end() && target->subscriber == subscriber) {
        // Only the current target steps down: an editor losing the focus after another one
        // gained it leaves the newer target alone.
        m_targets.erase(target);
    }
    return true;
}

void SearchManager::removeScopes(const SearchSubscriber* subscriber) {
    m_scopes.erase(std::remove_if(m_scopes.begin(), m_scopes.end(),
                                  [&](const Scope& scope) { return scope.subscriber == subscriber; }),
                   m_scopes.end());
    m_targets.erase(std::remove_if(m_targets.begin(), m_targets.end(),
                                   [&](const Target& target) { return target.subscriber == subscriber; }),
                    m_targets.end());
}

SearchSubscriber* SearchManager::getTarget(uint32_t id) const {
    for (const Target& target : m_targets)
        if (target.id == id)
            return target.subscriber;
    return nullptr;
}

std::vector<std::wstring> SearchManager::getScopeTitles() const {
    std::vector<std::wstring> titles;
    for (const Scope& scope : m_scopes)
        if (std::find(titles.begin(), titles.end(), scope.title) == titles.end())
            titles.push_back(scope.title);
    return titles;
}
