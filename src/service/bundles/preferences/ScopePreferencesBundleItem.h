#pragma once
// A scope-preferences entry: a scope selector and the character pairs that typing completes
// there ("pairs": [ "(" ")" ], [ "{" "}" "block" ], ...).

#include "service/bundles/BundleItem.h"

#include <string>
#include <vector>

namespace tessel {

struct PairedCharacter {
    wchar_t open = 0;
    wchar_t close = 0;
    bool block = false;

    bool operator==(const PairedCharacter& other) const {
        return open == other.open && close == other.close && block == other.block;
    }
};

class ScopePreferencesBundleItem : public BundleItem {
public:
    ScopePreferencesBundleItem();
    ~ScopePreferencesBundleItem() override;

    void initContent(const std::wstring& title) override;
    const BundleEntryTraits& getTraits() const override;
    // The scope and the pairs anew. A pair element that is no list of two strings, or whose
    // strings both have other than one character, is skipped; "block" among its further
    // elements makes it a block pair.
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;
    // "scope", and "settings" holding "pairs" only when there are pairs.
    void writeValue(pel::AbstractDictionaryValue* o_val) const override;

    const std::wstring& getScope() const { return m_scope; }
    const std::vector<PairedCharacter>& getPairs() const { return m_pairs; }

private:
    std::wstring m_scope;
    std::vector<PairedCharacter> m_pairs;
};

} // namespace tessel
