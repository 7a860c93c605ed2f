#include "service/bundles/grammar/GrammarBundleItemValidator.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"
#include "pel/text/search/RegEx.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"

#include <algorithm>

namespace tessel {

namespace {

// Oniguruma's "invalid backref number/name": an end expression that refers to groups of its
// begin match, completed when the file is parsed.
constexpr int INVALID_BACKREF = -208;

const wchar_t* const NAME_MESSAGE = L"Name must not be empty and must only contain uppercase and lowercase "
                                    L"characters, numbers, hash, dot and underscore.";

const pel::RegEx& namePattern() {
    static const std::unique_ptr<pel::RegEx> pattern = pel::RegEx::create(L"^([0-9A-Za-z\\._#\\+]+)$");
    return *pattern;
}

void report(ErrorList* io_errors, uint32_t severity, const std::wstring& message, const pel::Value* value) {
    std::shared_ptr<BundleError> error = makeBundleError(BundleError::TAG_READ, severity, message);
    if (value)
        error->setPosition(*value);
    io_errors->add(error);
}

// A key inside a pattern: its findings carry the tag of the top-level key they sit under.
BundleEntryKey key(const wchar_t* text) { return BundleEntryKey(text, pel::Tags<unsigned int>()); }

// The place of offset `at` of the pattern text, counted from `start`.
pel::TextPosition advance(pel::TextPosition start, const std::wstring& text, int at) {
    const size_t end = std::min(static_cast<size_t>(std::max(at, 0)), text.size());
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == L'\n') {
            ++start.line;
            start.column = 0;
        } else {
            ++start.column;
        }
        ++start.offset;
    }
    return start;
}

// The findings of one top-level key, tagged with it and added to the entry's list.
class Section {
public:
    Section(ErrorList* io_errors, const char* key) : m_target(io_errors), m_tag(pel::crc32Literal(key)) {}
    ~Section() {
        for (const ErrorList::ErrorPtr& error : m_errors.getErrors())
            error->addTag(m_tag);
        m_target->merge(m_errors);
    }
    ErrorList* errors() { return &m_errors; }
    BundleEntryKey key(const wchar_t* text) const { return BundleEntryKey(text, m_tag); }
    uint32_t tag() const { return m_tag; }

private:
    ErrorList* m_target;
    uint32_t m_tag;
    ErrorList m_errors;
};

} // namespace

GrammarBundleItemValidator::GrammarBundleItemValidator() { namePattern(); }

GrammarBundleItemValidator::~GrammarBundleItemValidator() = default;

bool GrammarBundleItemValidator::validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const {
    PEL_CHECK_PTR(io_errors);
    PEL_CHECK_PTR(dval);
    ErrorList local;
    BundleEntryValidator::validate(dval, &local);
    const pel::Value* value = nullptr;
    {
        Section name(&local, "name");
        if (requireKey(name.errors(), *dval, name.key(L"name"), &value, BundleError::SEVERITY_INVALID) &&
            expectType(name.errors(), *value, pel::Value::TYPE_STRING, BundleError::SEVERITY_INVALID))
            // The whole text: "$" also matches before a line feed.
            checkFormat(name.errors(), *value, namePattern(), name.tag(), NAME_MESSAGE, true);
    }
    if ((value = dval->find(L"file_types")) != nullptr) {
        Section types(&local, "file_types");
        if (expectType(types.errors(), *value, pel::Value::TYPE_LIST, BundleError::SEVERITY_INVALID))
            for (const pel::Value* element : *static_cast<const pel::ListValue*>(value))
                expectType(types.errors(), *element, pel::Value::TYPE_STRING, BundleError::SEVERITY_INVALID);
    }
    {
        Section patterns(&local, "patterns");
        if (requireKey(patterns.errors(), *dval, patterns.key(L"patterns"), &value, BundleError::SEVERITY_IGNORED))
            checkPatternList(patterns.errors(), *value);
    }
    if ((value = dval->find(L"repository")) != nullptr) {
        Section repository(&local, "repository");
        if (expectType(repository.errors(), *value, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID)) {
            for (const pel::DictionaryMember& member : static_cast<const pel::AbstractDictionaryValue*>(value)->members()) {
                const pel::Value& entry = *member.value();
                if (!expectType(repository.errors(), entry, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID))
                    continue;
                const auto& pattern = static_cast<const pel::AbstractDictionaryValue&>(entry);
                if (checkBeginEnd(repository.errors(), pattern) == Check::NOT_APPLICABLE)
                    checkMatch(repository.errors(), pattern);
            }
        }
    }
    io_errors->merge(local);
    return !hasProblems(local);
}

void GrammarBundleItemValidator::checkPatternList(ErrorList* io_errors, const pel::Value& value) {
    if (!expectType(io_errors, value, pel::Value::TYPE_LIST, BundleError::SEVERITY_INVALID))
        return;
    for (const pel::Value* element : static_cast<const pel::ListValue&>(value)) {
        if (!expectType(io_errors, *element, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID))
            continue;
        const auto& pattern = static_cast<const pel::AbstractDictionaryValue&>(*element);
        if (checkBeginEnd(io_errors, pattern) == Check::NOT_APPLICABLE)
            checkMatch(io_errors, pattern);
    }
}

GrammarBundleItemValidator::Check GrammarBundleItemValidator::checkBeginEnd(ErrorList* io_errors,
                                                                            const pel::AbstractDictionaryValue& dval) {
    if (!dval.hasKey(L"begin") && !dval.hasKey(L"end"))
        return Check::NOT_APPLICABLE;
    int groups[2] = {-1, -1};
    const wchar_t* const keys[2] = {L"begin", L"end"};
    for (int i = 0; i < 2; ++i) {
        const pel::Value* value = nullptr;
        if (requireKey(io_errors, dval, key(keys[i]), &value, BundleError::SEVERITY_IGNORED) &&
            expectType(io_errors, *value, pel::Value::TYPE_REGEXP, BundleError::SEVERITY_INVALID))
            groups[i] = tryCompile(io_errors, *value, i == 1);
    }
    warnIgnored(io_errors, dval, key(L"match"));
    if (groups[0] >= 0)
        checkCaptures(io_errors, dval, L"begin_captures", groups[0]);
    if (groups[1] >= 0)
        checkCaptures(io_errors, dval, L"end_captures", groups[1]);
    if (groups[0] >= 0 || groups[1] >= 0)
        checkCaptures(io_errors, dval, L"captures", std::max(groups[0], groups[1]));
    if (const pel::Value* patterns = dval.find(L"patterns"))
        checkPatternList(io_errors, *patterns);
    return Check::DONE;
}

GrammarBundleItemValidator::Check GrammarBundleItemValidator::checkMatch(ErrorList* io_errors,
                                                                         const pel::AbstractDictionaryValue& dval) {
    const pel::Value* value = dval.find(L"match");
    if (!value)
        return Check::NOT_APPLICABLE;
    if (expectType(io_errors, *value, pel::Value::TYPE_REGEXP, BundleError::SEVERITY_INVALID)) {
        const int groups = tryCompile(io_errors, *value, false);
        if (groups >= 0)
            checkCaptures(io_errors, dval, L"captures", groups);
    }
    for (const wchar_t* ignored : {L"begin_captures", L"end_captures", L"patterns"})
        warnIgnored(io_errors, dval, key(ignored));
    return Check::DONE;
}

void GrammarBundleItemValidator::checkCaptures(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                               const wchar_t* captureKey, int groupCount) {
    const pel::Value* value = dval.find(captureKey);
    if (!value || !expectType(io_errors, *value, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID))
        return;
    for (const pel::DictionaryMember& member : static_cast<const pel::AbstractDictionaryValue*>(value)->members()) {
        const pel::Value& capture = *member.value();
        int index = 0;
        if (!pel::parseInt(&index, member.key()))
            report(io_errors, BundleError::SEVERITY_INVALID, L"Capture group index must be a number.", &capture);
        else if (index < 0)
            report(io_errors, BundleError::SEVERITY_INVALID, L"Capture group index must be greater than 0.", &capture);
        else if (index > groupCount)
            report(io_errors, BundleError::SEVERITY_IGNORED,
                   L"Capture group index does not match the regular expression.", &capture);
        const pel::Value* name = nullptr;
        if (expectType(io_errors, capture, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID) &&
            requireKey(io_errors, static_cast<const pel::AbstractDictionaryValue&>(capture), key(L"name"), &name,
                       BundleError::SEVERITY_INVALID))
            expectType(io_errors, *name, pel::Value::TYPE_STRING, BundleError::SEVERITY_INVALID);
    }
}

int GrammarBundleItemValidator::tryCompile(ErrorList* io_errors, const pel::Value& value, bool endExpression) {
    const auto& source = static_cast<const pel::RegExpValue&>(value);
    pel::RegExOptions options;
    pel::RegEx::parseOptions(source.options.c_str(), &options);
    std::wstring escaped, pattern;
    pel::RegEx::fixHexEscapes(source.pattern, &escaped);
    pel::RegEx::fixClassForms(escaped, &pattern);
    const std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(pattern, options);
    if (regex->isCompiled())
        return regex->getCaptureCount();
    pel::RegExErrorInfo info;
    const bool r = regex->getErrorInfo(&info);
    PEL_SOFT_ASSERT(r == true);
    if (endExpression && info.code == INVALID_BACKREF)
        return -1;
    std::shared_ptr<BundleError> error =
        makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID, L"Syntax error: `" + info.message + L"`");
    if (value.range.hasRange) {
        const pel::TextPosition start = value.range.innerBegin;
        error->setPosition(advance(start, pattern, info.begin), advance(start, pattern, info.end));
    }
    error->setRange(advance(pel::TextPosition(), pattern, info.begin), advance(pel::TextPosition(), pattern, info.end));
    io_errors->add(error);
    return -1;
}

} // namespace tessel
