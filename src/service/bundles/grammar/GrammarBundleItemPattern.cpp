#include "service/bundles/grammar/GrammarBundleItemPattern.h"

#include "service/bundles/BundleEntryValidator.h"

#include "service/base/error/ErrorList.h"

#include "pel/log/Log.h"
#include "pel/text/NumberText.h"
#include "pel/text/search/RegEx.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/StringValue.h"

namespace tessel {

namespace {

pel::ListValue* newPatternList(const GrammarBundleItemPattern::Children& children) {
    pel::ListValue* list = pel::ListValue::create();
    for (const auto& child : children) {
        pel::DictionaryValue* dval = pel::DictionaryValue::create();
        child->writePattern(dval);
        list->append(dval);
    }
    return list;
}

} // namespace

const pel::AbstractDictionaryValue* GrammarBundleItemPattern::patternDictionary(const pel::Value& value,
                                                                                ErrorList* o_errors) {
    if (value.type == pel::Value::TYPE_DICTIONARY)
        return static_cast<const pel::AbstractDictionaryValue*>(&value);
    pel::log_printf(pel::LOG_ERROR, GrammarBundleItemPattern::LOG_SOURCE,
                    L"The `%s` property should be `%s` but is `%s`.", L"patterns", L"Dictionary",
                    pel::Value::typeName(value.type));
    if (o_errors)
        BundleEntryValidator::expectType(o_errors, value, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID);
    return nullptr;
}

GrammarBundleItemPattern::GrammarBundleItemPattern(GrammarBundleItemPattern* parent, int32_t index,
                                                   const std::wstring& key)
    : m_index(index), m_key(key), m_parent(parent) {}

GrammarBundleItemPattern::~GrammarBundleItemPattern() = default;

void GrammarBundleItemPattern::reset() { clear(); }

void GrammarBundleItemPattern::clear() {
    m_injectGroup.reset();
    m_children.clear();
}

const std::wstring& GrammarBundleItemPattern::getPath() const {
    if (m_path.empty()) {
        std::wstring path;
        if (m_parent)
            path = m_parent->getPath() + L" > ";
        path += m_name.empty() ? L"<unnamed>" : m_name;
        if (!m_key.empty())
            path += L"#" + m_key;
        path += L"#" + std::to_wstring(m_index);
        m_path = std::move(path);
    }
    return m_path;
}

void GrammarBundleItemPattern::readName(const pel::AbstractDictionaryValue& dval) {
    m_name.clear();
    if (!dval.getString(L"name", &m_name))
        dval.getString(L"scope_name", &m_name);
}

bool GrammarBundleItemPattern::readPattern(const pel::AbstractDictionaryValue& dval, bool root, ErrorList* o_errors) {
    m_kind = KIND_INVALID;
    m_path.clear();
    if (dval.hasKeyOfType(L"begin", pel::Value::TYPE_REGEXP) && dval.hasKeyOfType(L"end", pel::Value::TYPE_REGEXP)) {
        if (readBeginEnd(dval, o_errors))
            m_kind = KIND_BEGIN_END;
    } else if (dval.hasKeyOfType(L"match", pel::Value::TYPE_REGEXP)) {
        readName(dval);
        if (readRegExp(L"match", dval, &m_match, &m_matchWritten) && readCaptures(L"captures", dval, &m_captures))
            m_kind = KIND_MATCH;
    } else if (dval.hasKeyOfType(L"include", pel::Value::TYPE_STRING)) {
        if (readInclude(dval, o_errors))
            m_kind = KIND_INCLUDE;
    } else if (const pel::ListValue* list = dval.findList(L"patterns")) {
        readName(dval);
        if (root && m_name.empty()) {
            // A grammar is known by its name; without one it stays empty.
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"The `%s` property not found.", L"name");
            return false;
        }
        m_kind = root ? KIND_ROOT : KIND_GROUP;
        readPatternList(*list, o_errors);
    }
    if (m_kind == KIND_INVALID)
        return false;
    getPath(); // cached now: the compile thread reads it later
    return true;
}

bool GrammarBundleItemPattern::readBeginEnd(const pel::AbstractDictionaryValue& dval, ErrorList* o_errors) {
    readName(dval);
    m_contentName.clear();
    dval.getString(L"content_name", &m_contentName);
    bool ok = readRegExp(L"begin", dval, &m_begin, &m_beginWritten);
    ok = readRegExp(L"end", dval, &m_end, &m_endWritten) && ok;
    ok = readCaptures(L"captures", dval, &m_captures) && ok;
    ok = readCaptures(L"begin_captures", dval, &m_beginCaptures) && ok;
    ok = readCaptures(L"end_captures", dval, &m_endCaptures) && ok;
    if (!ok)
        return false;
    // "captures" is the default of both; the own maps override it per index.
    m_beginCaptures.insert(m_captures.begin(), m_captures.end());
    m_endCaptures.insert(m_captures.begin(), m_captures.end());
    if (const pel::ListValue* list = dval.findList(L"patterns"))
        readPatternList(*list, o_errors);
    return true;
}

bool GrammarBundleItemPattern::readInclude(const pel::AbstractDictionaryValue& dval, ErrorList* o_errors) {
    std::wstring include;
    dval.getString(L"include", &include);
    if (include.size() < 2) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"The `%s` property was empty.", L"include");
        return false;
    }
    m_includeTarget.clear();
    if (include == L"$self") {
        m_includeKind = INCLUDE_SELF;
    } else if (include == L"$base") {
        m_includeKind = INCLUDE_BASE;
    } else if (include[0] == L'#') {
        m_includeKind = INCLUDE_REPOSITORY;
        m_includeTarget = include.substr(1);
    } else {
        m_includeKind = INCLUDE_GRAMMAR;
        m_includeTarget = include;
    }
    m_injectGroup.reset();
    const pel::ListValue* inject = dval.findList(L"inject");
    if (!inject)
        return true;
    m_injectGroup = std::make_unique<GrammarBundleItemPattern>(this, 0, std::wstring());
    m_injectGroup->m_kind = KIND_GROUP;
    for (const pel::Value* element : *inject) {
        const pel::AbstractDictionaryValue* entry = patternDictionary(*element, o_errors);
        const pel::ListValue* patterns = entry ? entry->findList(L"patterns") : nullptr;
        if (!patterns)
            continue;
        auto group = std::make_unique<GrammarBundleItemPattern>(m_injectGroup.get(), 0, std::wstring());
        group->m_kind = KIND_GROUP;
        group->readPatternList(*patterns, o_errors);
        m_injectGroup->m_children.push_back(std::move(group));
    }
    return true;
}

void GrammarBundleItemPattern::readPatternList(const pel::ListValue& list, ErrorList* o_errors) {
    m_children.clear();
    int32_t index = 0;
    for (const pel::Value* element : list) {
        const int32_t position = index++;
        const pel::AbstractDictionaryValue* dval = patternDictionary(*element, o_errors);
        if (!dval)
            continue;
        auto child = std::make_unique<GrammarBundleItemPattern>(this, position, std::wstring());
        if (child->readPattern(*dval, false, o_errors))
            m_children.push_back(std::move(child));
    }
}

bool GrammarBundleItemPattern::readCaptures(const wchar_t* key, const pel::AbstractDictionaryValue& dval,
                                            CaptureMap* o_captures) {
    o_captures->clear();
    const pel::Value* value = dval.find(key);
    if (!value)
        return true;
    if (value->type != pel::Value::TYPE_DICTIONARY) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"The `%s` property should be `%s` but is `%s`.", key,
                        L"dictionary", pel::Value::typeName(value->type));
        return false;
    }
    for (const pel::DictionaryMember& member : static_cast<const pel::AbstractDictionaryValue*>(value)->members()) {
        unsigned int index = 0;
        std::wstring name;
        const pel::Value* capture = member.value();
        if (pel::parseUnsigned(&index, member.key()) && capture->type == pel::Value::TYPE_DICTIONARY &&
            static_cast<const pel::AbstractDictionaryValue*>(capture)->getString(L"name", &name) && !name.empty())
            (*o_captures)[index] = name;
    }
    return true;
}

bool GrammarBundleItemPattern::readRegExp(const wchar_t* key, const pel::AbstractDictionaryValue& dval,
                                          RegExSource* o_source, std::wstring* o_written) {
    *o_source = RegExSource();
    o_written->clear();
    const auto* value = static_cast<const pel::RegExpValue*>(dval.findTyped(key, pel::Value::TYPE_REGEXP));
    if (!value || value->pattern.empty()) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"The `%s` property not found.", key);
        return false;
    }
    o_source->options = value->options;
    std::wstring escaped;
    const bool escapes = pel::RegEx::fixHexEscapes(value->pattern, &escaped);
    if (escapes)
        pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Incorrect Unicode escape sequence used at /%s/%s.",
                        value->pattern.c_str(), value->options.c_str());
    if (pel::RegEx::fixClassForms(escaped, &o_source->pattern) || escapes)
        *o_written = value->pattern;
    return true;
}

bool GrammarBundleItemPattern::writePattern(pel::AbstractDictionaryValue* o_dval) const {
    if (m_kind == KIND_INVALID)
        return false;
    if (!m_name.empty() || m_kind == KIND_ROOT)
        o_dval->setValue(L"name", pel::StringValue::create(m_name));
    switch (m_kind) {
    case KIND_MATCH:
        writeRegExp(o_dval, L"match", m_match, m_matchWritten);
        writeCaptures(o_dval, L"captures", m_captures);
        break;
    case KIND_BEGIN_END:
        writeRegExp(o_dval, L"begin", m_begin, m_beginWritten);
        writeRegExp(o_dval, L"end", m_end, m_endWritten);
        if (!m_contentName.empty())
            o_dval->setValue(L"content_name", pel::StringValue::create(m_contentName));
        writeCaptures(o_dval, L"captures", m_captures);
        writeCaptures(o_dval, L"begin_captures", m_beginCaptures);
        writeCaptures(o_dval, L"end_captures", m_endCaptures);
        break;
    case KIND_INCLUDE: {
        static const wchar_t* const PREFIX[] = {L"", L"$base", L"$self", L"", L"#"};
        o_dval->setValue(L"include", pel::StringValue::create(PREFIX[m_includeKind] + m_includeTarget));
        // The injections go back too, so that a grammar written from its tree reads as it was.
        if (m_injectGroup) {
            pel::ListValue* inject = pel::ListValue::create();
            for (const auto& group : m_injectGroup->m_children) {
                pel::DictionaryValue* entry = pel::DictionaryValue::create();
                entry->setValue(L"patterns", newPatternList(group->m_children));
                inject->append(entry);
            }
            o_dval->setValue(L"inject", inject);
        }
        break;
    }
    default:
        break;
    }
    if (m_kind == KIND_ROOT || ((m_kind == KIND_GROUP || m_kind == KIND_BEGIN_END) && !m_children.empty()))
        o_dval->setValue(L"patterns", newPatternList(m_children));
    return true;
}

void GrammarBundleItemPattern::writeRegExp(pel::AbstractDictionaryValue* o_dval, const wchar_t* key,
                                           const RegExSource& source, const std::wstring& written) {
    o_dval->setValue(key, pel::RegExpValue::create(written.empty() ? source.pattern : written, source.options));
}

void GrammarBundleItemPattern::writeCaptures(pel::AbstractDictionaryValue* o_dval, const wchar_t* key,
                                             const CaptureMap& captures) {
    if (captures.empty())
        return;
    pel::DictionaryValue* dval = pel::DictionaryValue::create();
    for (const auto& capture : captures) {
        pel::DictionaryValue* entry = pel::DictionaryValue::create();
        entry->setValue(L"name", pel::StringValue::create(capture.second));
        dval->setValue(std::to_wstring(capture.first), entry);
    }
    o_dval->setValue(key, dval);
}

} // namespace tessel
