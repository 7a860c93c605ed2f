#pragma once
// A theme entry: its DocumentTheme, made anew from each value the entry reads, and shared with
// the stylers that colour documents with it.

#include "service/bundles/BundleItem.h"

#include <memory>

namespace tessel {

class DocumentTheme;

class ThemeBundleItem : public BundleItem {
public:
    ThemeBundleItem();
    ~ThemeBundleItem() override;

    void initContent(const std::wstring& title) override;
    const BundleEntryTraits& getTraits() const override;
    // A new theme from the value; what cannot be read keeps the defaults (a "settings" that is
    // missing or no list keeps them all). Nothing the theme throws leaves: it becomes an error
    // of severity 3 in o_errors, the theme keeping what it read.
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;

    // Never null.
    const std::shared_ptr<DocumentTheme>& getTheme() const { return m_theme; }

private:
    std::shared_ptr<DocumentTheme> m_theme;
};

} // namespace tessel
