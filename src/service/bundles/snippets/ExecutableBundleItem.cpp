#include "service/bundles/snippets/ExecutableBundleItem.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/StringValue.h"

namespace tessel {

const wchar_t* const ExecutableBundleItem::KEY_TAB_TRIGGER = L"tab_trigger";
const wchar_t* const ExecutableBundleItem::KEY_SHORTCUT = L"shortcut";
const wchar_t* const ExecutableBundleItem::KEY_KEY_EQUIVALENT = L"key_equivalent";
const wchar_t* const ExecutableBundleItem::KEY_SCOPE = L"scope";
const wchar_t* const ExecutableBundleItem::KEY_CONTENT = L"content";

namespace {

std::wstring stringAt(const pel::AbstractDictionaryValue& value, const wchar_t* key) {
    std::wstring text;
    value.getString(key, &text);
    return text;
}

} // namespace

ExecutableBundleItem::ExecutableBundleItem() = default;

void ExecutableBundleItem::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    BundleItem::readValue(value, o_errors);
    m_tabTrigger = stringAt(value, KEY_TAB_TRIGGER);
    m_shortcut = stringAt(value, value.hasKey(KEY_SHORTCUT) ? KEY_SHORTCUT : KEY_KEY_EQUIVALENT);
    m_scope = stringAt(value, KEY_SCOPE);
    std::wstring content = stringAt(value, KEY_CONTENT);
    if (content != m_content) {
        m_content = std::move(content);
        onContentChanged();
    }
}

void ExecutableBundleItem::writeValue(pel::AbstractDictionaryValue* o_val) const {
    BundleItem::writeValue(o_val);
    const std::pair<const wchar_t*, const std::wstring*> fields[] = {
        {KEY_TAB_TRIGGER, &m_tabTrigger}, {KEY_SHORTCUT, &m_shortcut}, {KEY_SCOPE, &m_scope}, {KEY_CONTENT, &m_content}};
    for (const auto& field : fields)
        if (!field.second->empty())
            o_val->setValue(field.first, pel::StringValue::create(*field.second));
}

void ExecutableBundleItem::onContentChanged() {}

} // namespace tessel
