#include "service/bundles/grammar/GrammarBundleItem.h"

#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"

#include "pel/base/Assert.h"
#include "pel/text/Inflector.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/StringValue.h"

#include <algorithm>

namespace tessel {

namespace {

void readMarker(const pel::AbstractDictionaryValue& value, const wchar_t* key, RegExSource* o_marker) {
    if (const auto* marker = static_cast<const pel::RegExpValue*>(value.findTyped(key, pel::Value::TYPE_REGEXP)))
        *o_marker = {marker->pattern, marker->options};
}

void writeMarker(pel::AbstractDictionaryValue* o_val, const wchar_t* key, const RegExSource& marker) {
    if (!marker.pattern.empty())
        o_val->setValue(key, pel::RegExpValue::create(marker.pattern, marker.options));
}

} // namespace

GrammarBundleItem::GrammarBundleItem() : GrammarBundleItemPattern(nullptr, 0, std::wstring()) {}

GrammarBundleItem::~GrammarBundleItem() = default;

void GrammarBundleItem::reset() {
    GrammarBundleItemPattern::reset();
    m_repository.clear();
}

void GrammarBundleItem::initContent(const std::wstring& title) {
    PEL_ASSERT(!title.empty());
    std::wstring symbol;
    pel::Inflector::toSymbol(title, &symbol);
    BundleEntryTemplates::fill(*this, BundleEntryTemplates::GRAMMAR, title, L"source." + symbol, PEL_FILE, __LINE__);
}

const BundleEntryTraits& GrammarBundleItem::getTraits() const { return BundleEntryTraits::grammar(); }

void GrammarBundleItem::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    BundleItem::readValue(value, o_errors);
    reset();
    setName(std::wstring());
    setKind(KIND_ROOT);
    m_fileTypes.clear();
    m_foldingStartMarker = RegExSource();
    m_foldingEndMarker = RegExSource();
    if (!readPattern(value, true, o_errors) || getKind() != KIND_ROOT) {
        // An empty grammar, without a name to be found by: the root is a group of patterns.
        clear();
        setName(std::wstring());
        setKind(KIND_ROOT);
        return;
    }
    readMarker(value, L"folding_start_marker", &m_foldingStartMarker);
    readMarker(value, L"folding_end_marker", &m_foldingEndMarker);
    if (const pel::ListValue* list = value.findList(L"file_types")) {
        for (const pel::Value* element : *list) {
            std::wstring type;
            if (!element->getString(&type))
                continue;
            pel::Inflector::toLower(&type);
            m_fileTypes.push_back(type);
        }
    }
    readRepository(value, o_errors);
}

void GrammarBundleItem::readRepository(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    m_repository.clear();
    const pel::AbstractDictionaryValue* repository = value.findDictionary(L"repository");
    if (!repository)
        return;
    int32_t index = 0;
    for (const pel::DictionaryMember& member : repository->members()) {
        auto pattern = std::make_unique<GrammarBundleItemPattern>(this, index++, member.key());
        const pel::AbstractDictionaryValue* entry = patternDictionary(*member.value(), o_errors);
        if (entry && pattern->readPattern(*entry, false, o_errors))
            m_repository[member.key()] = std::move(pattern);
    }
}

void GrammarBundleItem::writeValue(pel::AbstractDictionaryValue* o_val) const {
    BundleItem::writeValue(o_val);
    writePattern(o_val);
    pel::ListValue* types = pel::ListValue::create();
    for (const std::wstring& type : m_fileTypes)
        types->append(pel::StringValue::create(type));
    o_val->setValue(L"file_types", types);
    writeMarker(o_val, L"folding_start_marker", m_foldingStartMarker);
    writeMarker(o_val, L"folding_end_marker", m_foldingEndMarker);
    // In key order, so that a written grammar reads the same every time.
    std::vector<const Repository::value_type*> entries;
    for (const auto& entry : m_repository)
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    pel::DictionaryValue* repository = pel::DictionaryValue::create();
    for (const auto* entry : entries) {
        pel::DictionaryValue* dval = pel::DictionaryValue::create();
        entry->second->writePattern(dval);
        repository->setValue(entry->first, dval);
    }
    o_val->setValue(L"repository", repository);
}

} // namespace tessel
