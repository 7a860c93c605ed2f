#pragma once
// One compiled grammar rule, as the grammar compiler builds it and the line matcher runs it: a
// scope name, the capture rules of its begin (or match) and end expressions, the content rule of
// a begin/end pattern, its sub-rules' patterns (each compiled by itself, in their order) and its
// end expression, static or completed from the begin match (back-references). Rules are made on the compile thread and
// deleted on the main thread; once their set is installed they are only read.
//
// A root rule (the grammar's own) is what a Document is coloured by.

#include "service/base/RegExSource.h"
#include "service/parser/PatternFirstChars.h"
#include "service/parser/PatternLiterals.h"
#include "service/parser/base/DocumentGrammar.h"

#include "pel/text/search/RegEx.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessel {

class GrammarRuleSet;

// An end pattern that refers to groups of its begin match: each back-reference is a 0 unit
// followed by the group's number as one unit, to be filled with the group's text.
struct DynamicEndSource {
    std::wstring text;
    uint32_t options = pel::RegExOptions::CAPTURE_GROUP;
    // The pattern uses \G, which holds only at the matcher's anchor.
    uint8_t anchored = 0;
};

class ParserRule : public DocumentGrammar {
public:
    ParserRule();
    virtual ~ParserRule();
    ParserRule(const ParserRule&) = delete;
    ParserRule& operator=(const ParserRule&) = delete;

    // Rules alive in the process.
    static int32_t liveCount() { return s_live.load(std::memory_order_acquire); }

    uint16_t rootRuleNumber() const override { return ruleNumber; }
    const wchar_t* rootScopeName() const override { return scope.c_str(); }

    bool hasEnd() const { return endPattern != nullptr || dynamicEnd != nullptr; }
    // The set the rule was added to (rules are found by number there), or none.
    const GrammarRuleSet* ruleSet() const { return m_ruleSet; }

    std::wstring name;  // the display path of its pattern
    std::wstring scope; // given to the scope records it opens or marks; may be empty
    // The rule that carries a begin/end pattern's content name, or none.
    ParserRule* contentRule = nullptr;
    // Group number -> capture rule (a scope and a number of its own).
    std::map<uint32_t, ParserRule*> beginCaptures;
    std::map<uint32_t, ParserRule*> endCaptures;
    std::unique_ptr<pel::RegEx> endPattern;
    std::unique_ptr<DynamicEndSource> dynamicEnd;
    uint16_t ruleNumber = 0;
    // The sub-rule number of each alternative, in push order.
    std::vector<uint32_t> alternatives;
    // Each alternative's pattern, in the same order: what the matcher searches as a set. A
    // pattern that several rules have is compiled once and shared.
    std::vector<std::shared_ptr<const pel::RegEx>> patterns;
    // The characters each of them can begin a match with.
    std::vector<PatternFirstChars> firstChars;
    // The strings of which a line must hold one for each of them to match there: none where a
    // pattern asks for nothing.
    std::vector<std::shared_ptr<const PatternLiterals>> literals;
    // Some alternative uses \G.
    bool patternsAnchored = false;
    bool endAnchored = false;

private:
    friend bool addRuleToGrammarRuleSet(GrammarRuleSet& set, ParserRule* rule);

    const GrammarRuleSet* m_ruleSet = nullptr;
    static std::atomic<int32_t> s_live;
};

// The patterns one rule-set build has compiled, by their option letters and text: each is
// compiled once, however many rules have it.
struct CompiledPattern {
    std::shared_ptr<const pel::RegEx> regex;
    PatternFirstChars firstChars;
    std::shared_ptr<const PatternLiterals> literals;
};
using PatternCache = std::unordered_map<std::wstring, CompiledPattern>;

// Adds the source's pattern as the alternative of sub-rule subRuleNumber. True when the sub-rule
// is an alternative already (nothing happens); otherwise false, whether the pattern went in or,
// not compiling, was logged and left out.
bool pushPattern(ParserRule& rule, const RegExSource& source, uint32_t subRuleNumber, PatternCache* cache = nullptr);

// The converted form of an end pattern that holds back-references (a backslash and decimal
// digits; a number of 65536 or more is dropped), or none when it holds none. Every other escape
// stays as written, so "\\1" is a backslash and a "1", and "\." a dot.
std::unique_ptr<DynamicEndSource> convertEndPattern(const std::wstring& text);
// Gives the rule its end: converted when it holds back-references, else compiled now.
void setEndPattern(ParserRule& rule, const RegExSource& source);

// The converted pattern with each back-reference replaced by its group's text (captures[n], none
// when out of range), every character that could change the expression's shape escaped.
std::wstring expandDynamicEnd(const DynamicEndSource& source, const std::vector<std::wstring>& captures);
std::unique_ptr<pel::RegEx> compileDynamicEnd(const DynamicEndSource& source, const std::wstring& expanded);
std::unique_ptr<pel::RegEx> compileDynamicEnd(const DynamicEndSource& source, const std::vector<std::wstring>& captures);

// Whether a pattern uses \G (an escaped backslash starts nothing).
bool patternUsesG(const std::wstring& pattern);

// A grammar pattern compiled as the line matcher runs it, over the UTF-8 form of a line, each byte
// escape "\xHH" read as the code point U+00HH.
std::unique_ptr<pel::RegEx> compileGrammarPattern(const std::wstring& pattern, pel::RegExOptions options);

} // namespace tessel
