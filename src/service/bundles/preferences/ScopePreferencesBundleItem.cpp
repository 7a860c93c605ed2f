#include "service/bundles/preferences/ScopePreferencesBundleItem.h"

#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"

#include "pel/base/Assert.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/StringValue.h"

namespace tessel {

namespace {

const wchar_t* const BLOCK = L"block";

bool readPair(const pel::Value& element, PairedCharacter* o_pair) {
    if (element.type != pel::Value::TYPE_LIST)
        return false;
    const auto& list = static_cast<const pel::ListValue&>(element);
    std::wstring open;
    std::wstring close;
    if (list.size() < 2 || !list.get(0)->getString(&open) || !list.get(1)->getString(&close) ||
        (open.size() != 1 && close.size() != 1))
        return false;
    o_pair->open = open.empty() ? L'\0' : open[0];
    o_pair->close = close.empty() ? L'\0' : close[0];
    o_pair->block = false;
    std::wstring further;
    for (size_t i = 2; i < list.size(); ++i)
        if (list.get(i)->type == pel::Value::TYPE_STRING && list.get(i)->getString(&further) && further == BLOCK)
            o_pair->block = true;
    return true;
}

} // namespace

ScopePreferencesBundleItem::ScopePreferencesBundleItem() = default;

ScopePreferencesBundleItem::~ScopePreferencesBundleItem() = default;

void ScopePreferencesBundleItem::initContent(const std::wstring& title) {
    BundleEntryTemplates::fill(*this, BundleEntryTemplates::PREFERENCES, title, std::wstring(), PEL_FILE, __LINE__);
}

const BundleEntryTraits& ScopePreferencesBundleItem::getTraits() const { return BundleEntryTraits::preferences(); }

void ScopePreferencesBundleItem::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    m_scope.clear();
    m_pairs.clear();
    BundleItem::readValue(value, o_errors);
    value.getString(L"scope", &m_scope);
    const pel::AbstractDictionaryValue* settings = value.findDictionary(L"settings");
    const pel::ListValue* pairs = settings ? settings->findList(L"pairs") : nullptr;
    if (!pairs)
        return;
    PairedCharacter pair;
    for (const pel::Value* element : *pairs)
        if (element && readPair(*element, &pair))
            m_pairs.push_back(pair);
}

void ScopePreferencesBundleItem::writeValue(pel::AbstractDictionaryValue* o_val) const {
    BundleItem::writeValue(o_val);
    o_val->setValue(L"scope", pel::StringValue::create(m_scope));
    pel::DictionaryValue* settings = pel::DictionaryValue::create();
    o_val->setValue(L"settings", settings);
    if (m_pairs.empty())
        return;
    pel::ListValue* pairs = pel::ListValue::create();
    settings->setValue(L"pairs", pairs);
    for (const PairedCharacter& pair : m_pairs) {
        pel::ListValue* element = pel::ListValue::create();
        element->append(pel::StringValue::create(std::wstring(1, pair.open)));
        element->append(pel::StringValue::create(std::wstring(1, pair.close)));
        if (pair.block)
            element->append(pel::StringValue::create(BLOCK));
        pairs->append(element);
    }
}

} // namespace tessel
