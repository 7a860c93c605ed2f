#pragma once
// Where the editor's grammar and snippet choosers and the status strip's language menu read the
// installed bundles: the entries of a type and the languages. The application installs a source
// over its BundleManager and grammar manager; until one is installed the choosers offer nothing
// and every language shows as "NULL".

#include "bundles/GrammarBundleItemManager.h"
#include "service/bundles/BundleEntry.h"

#include <vector>

namespace tessel {

class BundleManager;

class EditorBundles {
public:
    virtual ~EditorBundles() = default;
    // The installed entries of a type (BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_SNIPPET).
    virtual std::vector<BundleEntry*> getEntriesOfType(uint32_t type) = 0;
    // The languages by title, each with its grammar and the action that sets it.
    virtual void getLanguageList(std::vector<GrammarBundleItemManager::Language>& o_list) = 0;
};

// The application's source: the two managers, which must outlive it while it is installed.
class BundleManagerEditorBundles : public EditorBundles {
public:
    BundleManagerEditorBundles(BundleManager& bundles, GrammarBundleItemManager& grammars)
        : m_bundles(bundles), m_grammars(grammars) {}
    std::vector<BundleEntry*> getEntriesOfType(uint32_t type) override;
    void getLanguageList(std::vector<GrammarBundleItemManager::Language>& o_list) override;

private:
    BundleManager& m_bundles;
    GrammarBundleItemManager& m_grammars;
};

// The installed source (not owned; null: none), and installing one (null: none again).
EditorBundles* getEditorBundles();
void setEditorBundles(EditorBundles* bundles);

// The title of the language whose grammar has the scope name; "NULL" when none has.
std::wstring languageTitle(const std::wstring& grammarName);

} // namespace tessel
