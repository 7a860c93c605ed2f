#pragma once
// The base of items that run in the editor: a tab trigger, a keyboard shortcut, the scope
// selector where they apply and their content (a snippet's text).

#include "service/bundles/BundleItem.h"

#include <string>

namespace tessel {

class ExecutableBundleItem : public BundleItem {
public:
    static const wchar_t* const KEY_TAB_TRIGGER;    // "tab_trigger"
    static const wchar_t* const KEY_SHORTCUT;       // "shortcut"
    static const wchar_t* const KEY_KEY_EQUIVALENT; // "key_equivalent", read when "shortcut" is absent
    static const wchar_t* const KEY_SCOPE;          // "scope"
    static const wchar_t* const KEY_CONTENT;        // "content"

    // Each field from its key's string; a key that is absent or no string leaves the field
    // empty, so a key removed from the entry stops binding its trigger or shortcut. A changed
    // content calls onContentChanged.
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;
    // Each field that is not empty.
    void writeValue(pel::AbstractDictionaryValue* o_val) const override;

    const std::wstring& getTabTrigger() const { return m_tabTrigger; }
    const std::wstring& getShortcut() const { return m_shortcut; }
    const std::wstring& getScope() const { return m_scope; }
    const std::wstring& getContent() const { return m_content; }

protected:
    ExecutableBundleItem();
    virtual void onContentChanged();

private:
    std::wstring m_tabTrigger;
    std::wstring m_shortcut;
    std::wstring m_scope;
    std::wstring m_content;
};

} // namespace tessel
