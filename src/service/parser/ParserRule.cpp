#include "service/parser/ParserRule.h"

#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

namespace {

// Back-reference numbers from here on are dropped: a group number is one 16-bit unit.
constexpr uint32_t FIRST_DROPPED_REFERENCE = 65536;

// Error texts in the log are cut to this many characters.
constexpr size_t MAX_ERROR_TEXT = 90;

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Characters that would give document text a meaning in the completed end pattern.
bool needsEscape(wchar_t c) {
    switch (c) {
    case L'\\': case L'+': case L'(': case L')': case L'*': case L'?': case L'[': case L']': case L'-':
    case L'<': case L'>': case L'{': case L'}': case L'^': case L'$': case L'.': case L'|': case L'#':
        return true;
    default:
        return c == L' ' || (c >= L'\t' && c <= L'\r');
    }
}

} // namespace

std::atomic<int32_t> ParserRule::s_live{0};

ParserRule::ParserRule() { s_live.fetch_add(1, std::memory_order_acq_rel); }

ParserRule::~ParserRule() { s_live.fetch_sub(1, std::memory_order_acq_rel); }

bool pushPattern(ParserRule& rule, const RegExSource& source, uint32_t subRuleNumber, PatternCache* cache) {
    if (std::find(rule.alternatives.begin(), rule.alternatives.end(), subRuleNumber) != rule.alternatives.end())
        return true;
    pel::RegExOptions options;
    pel::RegEx::parseOptions(source.options.c_str(), &options);
    CompiledPattern own;
    CompiledPattern& compiled = cache ? (*cache)[std::to_wstring(options.options) + L':' + source.pattern] : own;
    if (!compiled.regex) {
        compiled.regex = compileGrammarPattern(source.pattern, options);
        // Only a pattern the engine took is read further: its nesting is then within the
        // engine's parse depth limit, which bounds the readers' recursion too.
        if (compiled.regex->isCompiled()) {
            compiled.firstChars = PatternFirstChars(source.pattern, options.options);
            PatternLiterals literals(source.pattern, options.options);
            if (!literals.none())
                compiled.literals = std::make_shared<const PatternLiterals>(std::move(literals));
        }
    }
    if (!compiled.regex->isCompiled()) {
        pel::RegExErrorInfo error;
        compiled.regex->getErrorInfo(&error);
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"pushPattern: Error compiling the pattern of rule %u: `%s`\n",
                        subRuleNumber, error.message.substr(0, MAX_ERROR_TEXT).c_str());
        return false;
    }
    rule.alternatives.push_back(subRuleNumber);
    rule.patterns.push_back(compiled.regex);
    rule.firstChars.push_back(compiled.firstChars);
    rule.literals.push_back(compiled.literals);
    rule.patternsAnchored = rule.patternsAnchored || patternUsesG(source.pattern);
    return false;
}

std::unique_ptr<pel::RegEx> compileGrammarPattern(const std::wstring& pattern, pel::RegExOptions options) {
    std::wstring escaped;
    const bool rewritten = pel::RegEx::fixHexEscapes(pattern, &escaped);
    return pel::RegEx::create(rewritten ? escaped : pattern, options, pel::RegExEncoding::UTF8);
}

bool patternUsesG(const std::wstring& pattern) {
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != L'\\')
            continue;
        if (pattern[i + 1] == L'G')
            return true;
        ++i; // the escaped character starts nothing
    }
    return false;
}

std::unique_ptr<DynamicEndSource> convertEndPattern(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    bool references = false;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = text[i];
        if (c != L'\\' || i + 1 >= n) {
            out += c;
            continue;
        }
        if (!isDigit(text[i + 1])) {
            out += c;
            out += text[++i];
            continue;
        }
        uint32_t number = 0;
        while (i + 1 < n && isDigit(text[i + 1])) {
            number = std::min<uint32_t>(number * 10 + static_cast<uint32_t>(text[i + 1] - L'0'), FIRST_DROPPED_REFERENCE);
            ++i;
        }
        references = true;
        if (number < FIRST_DROPPED_REFERENCE) {
            out += L'\0';
            out += static_cast<wchar_t>(number);
        }
    }
    if (!references)
        return nullptr;
    auto source = std::make_unique<DynamicEndSource>();
    source->text = std::move(out);
    source->anchored = patternUsesG(text) ? 1 : 0;
    return source;
}

void setEndPattern(ParserRule& rule, const RegExSource& source) {
    rule.dynamicEnd = convertEndPattern(source.pattern);
    rule.endPattern.reset();
    rule.endAnchored = false;
    pel::RegExOptions options;
    pel::RegEx::parseOptions(source.options.c_str(), &options);
    if (rule.dynamicEnd) {
        rule.dynamicEnd->options = options.options;
        return;
    }
    std::unique_ptr<pel::RegEx> compiled = compileGrammarPattern(source.pattern, options);
    if (compiled->isCompiled()) {
        rule.endPattern = std::move(compiled);
        rule.endAnchored = patternUsesG(source.pattern);
    }
}

std::wstring expandDynamicEnd(const DynamicEndSource& source, const std::vector<std::wstring>& captures) {
    std::wstring out;
    out.reserve(source.text.size() + 16);
    const std::wstring& text = source.text;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\0' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const size_t group = text[++i];
        if (group >= captures.size())
            continue;
        for (wchar_t c : captures[group]) {
            if (needsEscape(c))
                out += L'\\';
            out += c;
        }
    }
    return out;
}

std::unique_ptr<pel::RegEx> compileDynamicEnd(const DynamicEndSource& source, const std::wstring& expanded) {
    pel::RegExOptions options;
    options.options = source.options;
    std::unique_ptr<pel::RegEx> compiled = compileGrammarPattern(expanded, options);
    return compiled->isCompiled() ? std::move(compiled) : nullptr;
}

std::unique_ptr<pel::RegEx> compileDynamicEnd(const DynamicEndSource& source, const std::vector<std::wstring>& captures) {
    return compileDynamicEnd(source, expandDynamicEnd(source, captures));
}

} // namespace tessel
