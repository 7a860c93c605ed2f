#pragma once
// A grammar entry: the root of its pattern tree (named by the grammar's top-level scope name),
// the repository of named patterns that "#key" includes refer to, the file extensions it claims
// and its folding markers. Read from the entry's dictionary, written back to one, and made new
// from the grammar template.

#include "service/bundles/BundleItem.h"
#include "service/bundles/grammar/GrammarBundleItemPattern.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessel {

class GrammarBundleItemAction;

class GrammarBundleItem : public GrammarBundleItemPattern, public BundleItem {
public:
    using Repository = std::unordered_map<std::wstring, std::unique_ptr<GrammarBundleItemPattern>>;

    GrammarBundleItem();
    ~GrammarBundleItem() override;

    pel::Symbol getTypeSymbol() const override { return pel::Symbol(GrammarBundleItemPattern::TYPE_SYMBOL); }
    // Patterns, then the repository.
    void reset() override;

    // A new grammar: the template with the title and the scope name "source.<title as symbol>".
    void initContent(const std::wstring& title) override;
    const BundleEntryTraits& getTraits() const override;
    // Replaces the tree with the one the dictionary describes. A root that does not read (no
    // "patterns", no name) leaves an empty grammar; a pattern that does not read is dropped.
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;
    void writeValue(pel::AbstractDictionaryValue* o_val) const override;

    const Repository& getRepository() const { return m_repository; }
    // Lower case.
    const std::vector<std::wstring>& getFileTypes() const { return m_fileTypes; }
    const RegExSource& getFoldingStartMarker() const { return m_foldingStartMarker; }
    const RegExSource& getFoldingEndMarker() const { return m_foldingEndMarker; }
    // Set by the grammar manager while the grammar is installed; null otherwise.
    GrammarBundleItemAction* getLanguageAction() const { return m_languageAction; }
    void setLanguageAction(GrammarBundleItemAction* action) { m_languageAction = action; }

private:
    void readRepository(const pel::AbstractDictionaryValue& value, ErrorList* o_errors);

    Repository m_repository;
    std::vector<std::wstring> m_fileTypes;
    RegExSource m_foldingStartMarker;
    RegExSource m_foldingEndMarker;
    GrammarBundleItemAction* m_languageAction = nullptr;
};

} // namespace tessel
