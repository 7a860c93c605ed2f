#include "editor/EditorBundles.h"

#include "bundles/BundleManager.h"
#include "service/bundles/grammar/GrammarBundleItem.h"

namespace tessel {

namespace {

EditorBundles* s_bundles = nullptr;

} // namespace

std::vector<BundleEntry*> BundleManagerEditorBundles::getEntriesOfType(uint32_t type) {
    return m_bundles.getEntriesOfType(type);
}

void BundleManagerEditorBundles::getLanguageList(std::vector<GrammarBundleItemManager::Language>& o_list) {
    m_grammars.getLanguageList(o_list);
}

EditorBundles* getEditorBundles() { return s_bundles; }

void setEditorBundles(EditorBundles* bundles) { s_bundles = bundles; }

std::wstring languageTitle(const std::wstring& grammarName) {
    std::vector<GrammarBundleItemManager::Language> languages;
    if (s_bundles)
        s_bundles->getLanguageList(languages);
    for (const GrammarBundleItemManager::Language& language : languages)
        if (language.grammar && language.grammar->getName() == grammarName)
            return language.title;
    return L"NULL";
}

} // namespace tessel
